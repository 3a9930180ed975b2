// Builds the feature nodes of one KML document from its elements, as an XML
// reader meets them. Knows KML's vocabulary; knows nothing of XML syntax
// (kml_reader.h drives it). Portable.
//
// Features: Document and Folder (with child features in document order),
// Placemark, NetworkLink, GroundOverlay, ScreenOverlay and PhotoOverlay.
// Each keeps its <name> text exactly and its <visibility> (0/1,
// false/true). A placemark keeps the coordinates of its first Point or
// LineString (inside a MultiGeometry too), the heading of its icon style and
// the colour and width of its line style, inline or shared through
// <styleUrl>#id</styleUrl>. Everything else is skipped.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "feature_tree.h"

namespace standin {

// A <coordinates> text: "lon,lat[,alt]" tuples separated by white space
// (white space after a comma is tolerated). Tuples that do not read as
// numbers are skipped.
[[nodiscard]] std::vector<KmlCoordinate> ParseKmlCoordinates(std::u16string_view text);

class KmlBuilder {
 public:
  // `inKmlNamespace`: the element's namespace is KML's (or none). Elements
  // of other namespaces (extensions) are skipped with their content.
  void StartElement(std::u16string_view localName, bool inKmlNamespace, std::u16string_view id);
  void EndElement();
  void Text(std::u16string_view text);

  // The document's top-level feature (the first when the root holds
  // several), or nullptr when it holds none.
  [[nodiscard]] std::shared_ptr<FeatureNode> Finish();

 private:
  enum class Role {
    kSkipped,
    kRoot,
    kContainer,  // Document, Folder
    kFeature,    // the other features
    kName,
    kVisibility,
    kStyle,
    kIconStyle,
    kLineStyle,
    kHeading,
    kColour,
    kWidth,
    kStyleUrl,
    kMultiGeometry,
    kPoint,
    kLineString,
    kCoordinates,
  };

  struct Style {
    std::optional<double> heading;
    std::optional<std::uint32_t> lineColour;
    std::optional<double> lineWidth;
  };

  struct Placemark {
    FeatureNode* node = nullptr;
    PlacemarkShape shape;
    bool hasGeometry = false;
    Style inlineStyle;
    std::u16string styleUrl;
  };

  struct Frame {
    Role role = Role::kSkipped;
    std::shared_ptr<FeatureNode> feature;  // the innermost feature around this element
    Placemark* placemark = nullptr;        // inside a placemark
    Style* style = nullptr;                // inside a Style
  };

  [[nodiscard]] Role RoleOf(std::u16string_view localName, const Frame& parent) const;
  [[nodiscard]] Frame StartFeature(Role role, const Frame& parent, std::u16string_view localName);
  [[nodiscard]] Style* NewStyle(const Frame& parent, std::u16string_view id);
  void FinishProperty(const Frame& frame);
  void ApplyStyles();

  std::vector<Frame> open_;
  std::u16string text_;  // of the property element being read
  std::shared_ptr<FeatureNode> top_;
  std::vector<std::unique_ptr<Placemark>> placemarks_;
  std::vector<std::unique_ptr<Style>> styleStore_;
  std::unordered_map<std::u16string, Style*> sharedStyles_;
};

}  // namespace standin
