// The feature model: the places and layers that Earth's features stand for.
// Separate from the IDispatch objects (feature_ge.h), which hold a node and
// ask the tree. Portable.
//
// Roots: "Temporary Places", "My Places" and the layers database "Primary
// Database" with the built-in layers. Loaded KML appends top-level features
// under Temporary Places with AppendTemporary and removes them with Remove.
//
// A live position stream loads a new copy of the same document every second
// and hides the one before; kept forever, the copies grow the process
// without bound. So the tree retires old copies nobody can tell from
// removed ones (see SetKeepShadowed).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/kml_style.h"

namespace standin {

struct KmlCoordinate {
  double longitude = 0;
  double latitude = 0;
  double altitude = 0;
};

struct KmlGeometry {
  enum class Kind { kPoint, kLine, kPolygon };
  Kind kind = Kind::kPoint;
  std::vector<KmlCoordinate> points;  // a polygon's outer boundary
  std::vector<std::vector<KmlCoordinate>> holes;
};

// A GroundOverlay's place: a LatLonBox (rotated counter-clockwise by
// `rotation` degrees about its centre) or, with `quad`, gx:LatLonQuad's four
// corners (lower left, lower right, upper right, upper left).
struct GroundPlacement {
  double north = 0;
  double south = 0;
  double east = 0;
  double west = 0;
  double rotation = 0;
  std::vector<KmlCoordinate> quad;
};

struct ScreenPlacement {
  KmlVec2 overlayXY{0, 0};
  KmlVec2 screenXY{0, 0};
  std::optional<KmlVec2> rotationXY;
  KmlVec2 size{-1, -1, KmlUnits::kPixels, KmlUnits::kPixels};
  double rotation = 0;  // degrees counter-clockwise
};

// How a placemark looks besides its line: its icon, label and fill.
struct PlacemarkLook {
  std::shared_ptr<const ImageSlot> icon;  // null or empty: the pushpin
  bool iconGiven = false;                 // an IconStyle names an icon, usable or not
  double iconScale = 1;
  std::uint32_t iconColour = 0xFFFFFFFF;  // aabbggrr, as all colours here
  KmlVec2 hotSpot;
  std::uint32_t labelColour = 0xFFFFFFFF;
  double labelScale = 1;
  std::uint32_t polyColour = 0xFFFFFFFF;
  bool fill = true;
  bool outline = true;
};

// An overlay's image (null or empty: nothing drawn), colour, order and place.
struct OverlayShape {
  std::shared_ptr<const ImageSlot> image;
  std::uint32_t colour = 0xFFFFFFFF;
  int drawOrder = 0;
  GroundPlacement ground;
  ScreenPlacement screen;
};

// What the view draws of a feature: a placemark's geometry with its style,
// or an overlay. Kept small: a live position stream makes one a second.
struct PlacemarkShape {
  enum class Kind { kPoint, kLine, kPolygon, kGroundOverlay, kScreenOverlay };
  Kind kind = Kind::kPoint;
  // The first geometry's points: where the marker, label and balloon go.
  std::vector<KmlCoordinate> coordinates;
  // Every geometry (MultiGeometry flattened) when there is more than the
  // first or it is a polygon; empty: `kind` and `coordinates` alone.
  std::vector<KmlGeometry> parts;
  std::optional<double> heading;          // IconStyle: degrees clockwise from north
  std::uint32_t lineColour = 0xFFFFFFFF;  // LineStyle, as KML writes it: aabbggrr
  double lineWidth = 1;
  std::shared_ptr<const PlacemarkLook> look;    // null: KML's defaults
  std::shared_ptr<const OverlayShape> overlay;  // overlays only

  [[nodiscard]] const PlacemarkLook& Look() const {
    static const PlacemarkLook defaults;
    return look ? *look : defaults;
  }
};

// LookAt or Camera, as a view of the feature.
struct FeatureView {
  double latitude = 0;
  double longitude = 0;
  double altitude = 0;
  double range = 1000;
  double tilt = 0;
  double heading = 0;
  bool camera = false;  // a Camera: the eye's place, not the place looked at
};

// A NetworkLink to a local file that is read again every `interval` seconds.
struct LinkRefresh {
  std::u16string path;
  double intervalSeconds = 0;
};

struct FeatureNode {
  std::u16string name;
  bool visible = true;
  bool hasView = false;
  bool deleted = false;
  std::weak_ptr<FeatureNode> parent;
  std::vector<std::shared_ptr<FeatureNode>> children;
  std::shared_ptr<const PlacemarkShape> shape;  // what the view draws, if anything
  std::u16string description;                   // as the KML wrote it (HTML allowed)
  std::shared_ptr<const FeatureView> view;      // LookAt or Camera; hasView tells it
  std::shared_ptr<const LinkRefresh> refresh;   // NetworkLinks read again on interval

  // The name index's key, set by AppendTemporary: which load (counting from
  // 1; 0 for nodes outside Temporary Places) and the depth-first position
  // inside it.
  std::uint64_t loadSequence = 0;
  std::uint32_t loadPosition = 0;
};

class FeatureTree {
 public:
  FeatureTree();

  [[nodiscard]] std::shared_ptr<FeatureNode> TemporaryPlaces() const { return temporaryPlaces_; }
  [[nodiscard]] std::shared_ptr<FeatureNode> MyPlaces() const { return myPlaces_; }
  [[nodiscard]] std::vector<std::shared_ptr<FeatureNode>> LayersDatabases() const {
    return {primaryDatabase_};
  }

  // Exact, case-sensitive match; nullptr when none. Search order: the
  // features under Temporary Places from the newest top-level one backwards
  // (depth-first inside each), Temporary Places itself, My Places
  // (depth-first), then the layers database (depth-first). Loaded features
  // are found through an index, so the cost does not grow with their number.
  [[nodiscard]] std::shared_ptr<FeatureNode> FindByName(std::u16string_view name) const;

  // The first node called `name` in `node` and its subtree, depth-first in
  // document order; what FindByName does without its index.
  [[nodiscard]] static std::shared_ptr<FeatureNode> FindDepthFirst(
      const std::shared_ptr<FeatureNode>& node, std::u16string_view name);

  // nullptr for the roots.
  [[nodiscard]] static std::shared_ptr<FeatureNode> Parent(const FeatureNode& node);

  // Sets the node and all its descendants; turning a node on also turns on
  // its ancestors, as ticking a box in Earth's tree does.
  void SetVisibility(FeatureNode& node, bool visible);
  // Visible and every ancestor visible: what the view draws.
  [[nodiscard]] static bool IsShown(const FeatureNode& node);
  // The built-in layer of that name is shown (false when there is none).
  [[nodiscard]] bool IsLayerShown(std::u16string_view layerName) const;

  void Highlight(const std::shared_ptr<FeatureNode>& node);
  [[nodiscard]] std::shared_ptr<FeatureNode> Highlighted() const;

  // The feature whose description balloon is open (one at a time); null
  // closes it. A removed feature's balloon closes with it.
  void SetBalloon(const std::shared_ptr<FeatureNode>& node);
  [[nodiscard]] std::shared_ptr<FeatureNode> Balloon() const;

  // For KML loading: the node (with its subtree, which must not change
  // afterwards) becomes the last child of Temporary Places.
  void AppendTemporary(const std::shared_ptr<FeatureNode>& node);
  // Detaches the node; it and its descendants read as deleted.
  void Remove(const std::shared_ptr<FeatureNode>& node);

  // Retirement of shadowed copies. The copies of a name are the top-level
  // loads of Temporary Places called so. Of each name the newest copy and
  // the `count` copies before it are always kept. An older copy is retired
  // (removed as if the client had removed it) once it is shadowed: it
  // shows no placemark, no feature object or collection outside the tree
  // holds it or anything in it, it holds no highlighted feature and no open
  // balloon, and every name in it is found first in a newer load, so no
  // lookup's answer changes. A copy that is not shadowed when its turn comes waits and is
  // looked at again, a few per load, until it is or the client removes it.
  // Each load costs O(log n) besides the retired copy's own size, so a
  // stream of one name holds at most `count` + 1 copies plus those clients
  // hold or show. kKeepEveryCopy keeps everything. Set before the first
  // load: copies loaded earlier are never retired.
  static constexpr std::uint32_t kKeepEveryCopy = 0xFFFFFFFF;
  static constexpr std::uint32_t kDefaultKeepShadowed = 100;
  void SetKeepShadowed(std::uint32_t count) { keepShadowed_ = count; }
  // Copies retired so far.
  [[nodiscard]] std::uint64_t RetiredCount() const { return retiredCount_; }

  // The top-level features of Temporary Places that have a placemark shape
  // shown within them (the feature and the path down to the placemark
  // visible), newest load first. A picture looks at these only, so loads
  // that show nothing (a superseded position whose placemark was hidden)
  // cost no painting time however many there are.
  using ShownLoads = std::map<std::uint64_t, std::weak_ptr<FeatureNode>, std::greater<>>;
  [[nodiscard]] const ShownLoads& LoadsShowingPlacemarks() const { return shownLoads_; }

  // NetworkLinks whose file is read again on an interval (refresh set),
  // with when each is due next (seconds on the caller's clock; 0: not yet
  // known, the load has just read it).
  struct RefreshingLink {
    std::weak_ptr<FeatureNode> link;
    double due = 0;
  };
  [[nodiscard]] std::vector<RefreshingLink>& RefreshingLinks() { return refreshingLinks_; }
  // The link's document read again: its children become {child}; the old
  // ones read as deleted. The load's names are indexed anew.
  void ReplaceLinked(const std::shared_ptr<FeatureNode>& link, std::shared_ptr<FeatureNode> child);

  // Called after every change that the view shows.
  void SetOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }

 private:
  // Newest load first, then depth-first order inside a load.
  struct NewestFirst {
    bool operator()(const std::pair<std::uint64_t, std::uint32_t>& a,
                    const std::pair<std::uint64_t, std::uint32_t>& b) const {
      return a.first != b.first ? a.first > b.first : a.second < b.second;
    }
  };
  using NameEntries =
      std::map<std::pair<std::uint64_t, std::uint32_t>, std::weak_ptr<FeatureNode>, NewestFirst>;

  void Changed() const;
  void IndexSubtree(const std::shared_ptr<FeatureNode>& top, std::uint64_t sequence);
  void UnindexSubtree(const FeatureNode& node);
  // Puts the load that holds `node` into shownLoads_ or takes it out.
  void UpdateShownLoad(const std::shared_ptr<FeatureNode>& node);
  // Remove without the change notice.
  void Detach(const std::shared_ptr<FeatureNode>& alias);

  using Copies = std::map<std::uint64_t, std::weak_ptr<FeatureNode>>;
  void TrackCopy(const std::shared_ptr<FeatureNode>& load);
  void ForgetCopy(const FeatureNode& load);
  [[nodiscard]] bool IsShadowed(const std::shared_ptr<FeatureNode>& load) const;
  // Retires the copy when it is shadowed; true when it is gone (or was).
  bool RetireIfShadowed(const std::weak_ptr<FeatureNode>& copy);
  void RevisitWaitingCopies();

  ShownLoads shownLoads_;
  std::unordered_map<std::u16string, NameEntries> nameIndex_;
  std::uint64_t lastLoadSequence_ = 0;
  std::uint32_t keepShadowed_ = kDefaultKeepShadowed;
  std::uint64_t retiredCount_ = 0;
  // Per name: the newest copies, at most keepShadowed_ + 1, by sequence.
  std::unordered_map<std::u16string, Copies> recentCopies_;
  // Older copies that were not shadowed when they left recentCopies_.
  Copies waitingCopies_;
  std::uint64_t nextWaitingToVisit_ = 0;
  std::shared_ptr<FeatureNode> temporaryPlaces_;
  std::shared_ptr<FeatureNode> myPlaces_;
  std::shared_ptr<FeatureNode> primaryDatabase_;
  std::weak_ptr<FeatureNode> highlighted_;
  std::weak_ptr<FeatureNode> balloon_;
  std::vector<RefreshingLink> refreshingLinks_;
  std::function<void()> onChanged_;
};

}  // namespace standin
