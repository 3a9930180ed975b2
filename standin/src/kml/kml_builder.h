// Builds the feature nodes of one KML document from its elements, as an XML
// reader meets them. Knows KML's vocabulary; knows nothing of XML syntax
// (kml_reader.h drives it) nor of files (KmlResources finds what a document
// refers to). Portable.
//
// Features: Document and Folder (with child features in document order),
// Placemark, NetworkLink, GroundOverlay, ScreenOverlay and PhotoOverlay.
// Each keeps its <name> text exactly, its <visibility> (0/1, false/true),
// its <description> and its LookAt or Camera. A placemark keeps every
// geometry (Point, LineString, LinearRing, Polygon with its holes, the
// parts of MultiGeometry, gx:Track and gx:MultiTrack as lines, Model as a
// point) and its style: inline, shared through <styleUrl>#id</styleUrl>
// (a Style or a StyleMap's normal pair) or "file.kml#id", or its own
// StyleMap, its own values over the shared ones. Overlays keep their image, colour, drawOrder and
// place. Everything else is skipped with its content.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/feature_tree.h"
#include "model/kml_style.h"

namespace standin {

// A <coordinates> text: "lon,lat[,alt]" tuples separated by white space
// (white space after a comma is tolerated). Tuples that do not read as
// numbers are skipped.
[[nodiscard]] std::vector<KmlCoordinate> ParseKmlCoordinates(std::u16string_view text);

// What a document refers to outside itself. The defaults find nothing.
class KmlResources {
 public:
  virtual ~KmlResources() = default;
  // A shared style of another file, "file.kml#id".
  [[nodiscard]] virtual std::optional<KmlStyle> ExternalStyle(std::u16string_view /*url*/) {
    return std::nullopt;
  }
  // An icon's or overlay's image; null when it cannot be had.
  [[nodiscard]] virtual std::shared_ptr<const ImageSlot> Image(std::u16string_view /*href*/,
                                                               bool /*icon*/) {
    return nullptr;
  }
  // A NetworkLink's document, read as a feature; null when the link is not
  // a readable local file. `path` receives the file's full path.
  [[nodiscard]] virtual std::shared_ptr<FeatureNode> Linked(std::u16string_view /*href*/,
                                                            std::u16string& /*path*/) {
    return nullptr;
  }
};

enum class KmlNamespace { kKml, kGx, kOther };

struct XmlAttribute {
  std::u16string_view name;
  std::u16string_view value;
};

class KmlBuilder {
 public:
  KmlBuilder();
  KmlBuilder(const KmlBuilder&) = delete;
  KmlBuilder& operator=(const KmlBuilder&) = delete;
  ~KmlBuilder();

  // Elements of other namespaces (extensions other than gx:) are skipped
  // with their content.
  void StartElement(std::u16string_view localName, KmlNamespace space,
                    std::span<const XmlAttribute> attributes);
  void EndElement();
  void Text(std::u16string_view text);

  // The document's top-level feature (the first when the root holds
  // several), or nullptr when it holds none.
  [[nodiscard]] std::shared_ptr<FeatureNode> Finish(KmlResources& resources);
  // The document's shared styles by id, StyleMaps resolved to their normal
  // style (after Finish).
  [[nodiscard]] std::unordered_map<std::u16string, KmlStyle> SharedStyles(KmlResources& resources);

 private:
  struct Record;
  struct StyleMapPair {
    std::u16string key;
    std::u16string styleUrl;
    KmlStyle* style = nullptr;
  };
  struct Frame {
    std::u16string_view tag;  // a literal of the vocabulary; empty when skipped
    Record* record = nullptr;
    KmlStyle* style = nullptr;
    StyleMapPair* pair = nullptr;
    std::vector<StyleMapPair*>* styleMap = nullptr;
  };

  [[nodiscard]] std::u16string_view Accept(std::u16string_view name, KmlNamespace space,
                                           const Frame& parent) const;
  void StartFeature(std::u16string_view name, Frame& frame, const Frame& parent);
  void StartPart(std::u16string_view tag, Record& record, std::u16string_view parentTag);
  void FinishLeaf(const Frame& frame, std::u16string_view parentTag);
  void FinishStyleLeaf(std::u16string_view tag, std::u16string_view styleTag, KmlStyle& style);
  void FinishOverlayLeaf(std::u16string_view tag, std::u16string_view parentTag, Record& record);
  [[nodiscard]] std::optional<KmlStyle> Resolve(std::u16string_view url, KmlResources& resources,
                                                int depth);
  void BuildShape(Record& record, KmlResources& resources);

  std::vector<Frame> open_;
  std::u16string text_;  // of the leaf element being read
  std::shared_ptr<FeatureNode> top_;
  std::vector<std::unique_ptr<Record>> records_;
  std::vector<std::unique_ptr<KmlStyle>> styleStore_;
  std::vector<std::unique_ptr<StyleMapPair>> pairStore_;
  std::unordered_map<std::u16string, KmlStyle*> sharedStyles_;
  std::unordered_map<std::u16string, std::vector<StyleMapPair*>> styleMaps_;
};

}  // namespace standin
