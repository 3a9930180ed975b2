#include "render/globe_scene.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <utility>
#include <vector>

#include "kml/html_text.h"

namespace standin {
namespace {

GeoPoint GeoOfKml(const KmlCoordinate& at) { return {at.latitude, at.longitude}; }

class PlacemarkCollector {
 public:
  explicit PlacemarkCollector(GlobeScene& scene) : scene_(scene) {}

  [[nodiscard]] bool Full() const {
    return scene_.markers.size() >= kMaxSceneMarkers || linePoints_ >= kMaxSceneLinePoints;
  }

  // Depth-first; a hidden feature hides its subtree.
  void Visit(const std::shared_ptr<FeatureNode>& node) {
    if (!node->visible || node->deleted || Full()) {
      return;
    }
    if (node->shape) {
      Add(node);
    }
    for (const auto& child : node->children) {
      Visit(child);
    }
  }

  void SetLiveWanted(bool wanted) { liveWanted_ = wanted; }

 private:
  void Add(const std::shared_ptr<FeatureNode>& node) {
    const PlacemarkShape& shape = *node->shape;
    current_ = node;
    if (shape.overlay) {
      AddOverlay(shape);
      return;
    }
    if (shape.parts.empty()) {
      static const std::vector<std::vector<KmlCoordinate>> kNoHoles;
      AddPart(*node, shape,
              shape.kind == PlacemarkShape::Kind::kLine ? KmlGeometry::Kind::kLine
                                                        : KmlGeometry::Kind::kPoint,
              shape.coordinates, kNoHoles);
      return;
    }
    bool marked = false;
    for (const KmlGeometry& part : shape.parts) {
      // A MultiGeometry of many points is one placemark: one marker and name.
      if (part.kind == KmlGeometry::Kind::kPoint && std::exchange(marked, true)) {
        continue;
      }
      AddPart(*node, shape, part.kind, part.points, part.holes);
    }
  }

  void AddOverlay(const PlacemarkShape& shape) {
    const OverlayShape& overlay = *shape.overlay;
    if (AlphaOfKml(overlay.colour) == 0 || !overlay.image) {
      return;
    }
    if (shape.kind == PlacemarkShape::Kind::kGroundOverlay &&
        scene_.groundOverlays.size() < kMaxSceneOverlays) {
      scene_.groundOverlays.push_back(
          {overlay.image, overlay.colour, overlay.drawOrder, overlay.ground});
    }
    if (shape.kind == PlacemarkShape::Kind::kScreenOverlay &&
        scene_.screenOverlays.size() < kMaxSceneOverlays) {
      scene_.screenOverlays.push_back(
          {overlay.image, overlay.colour, overlay.drawOrder, overlay.screen});
    }
  }

  void AddPart(const FeatureNode& node, const PlacemarkShape& shape, KmlGeometry::Kind kind,
               const std::vector<KmlCoordinate>& points,
               const std::vector<std::vector<KmlCoordinate>>& holes) {
    if (points.empty()) {
      return;
    }
    if (kind == KmlGeometry::Kind::kPoint) {
      AddMarker(node, shape, points.front());
      return;
    }
    if (kind == KmlGeometry::Kind::kPolygon) {
      const PlacemarkLook& look = shape.Look();
      if (look.fill && AlphaOfKml(look.polyColour) != 0) {
        AddFill(look, points, holes);
      }
      if (!look.outline) {
        return;
      }
      AddLine(shape, points);
      for (const auto& hole : holes) {
        AddLine(shape, hole);
      }
      return;
    }
    AddLine(shape, points);
  }

  void AddMarker(const FeatureNode& node, const PlacemarkShape& shape, const KmlCoordinate& at) {
    SceneMarker marker;
    marker.at = GeoOfKml(at);
    marker.name = node.name;
    marker.heading = shape.heading;
    const PlacemarkLook& look = shape.Look();
    marker.icon = look.icon;
    marker.iconGiven = look.iconGiven;
    marker.iconScale = look.iconScale;
    marker.iconColour = look.iconColour;
    marker.hotSpot = look.hotSpot;
    marker.labelColour = look.labelColour;
    marker.labelScale = look.labelScale;
    marker.live = liveWanted_ && shape.heading.has_value();
    if (marker.live) {
      liveWanted_ = false;
    }
    marker.feature = current_;
    scene_.markers.push_back(std::move(marker));
  }

  void AddFill(const PlacemarkLook& look, const std::vector<KmlCoordinate>& outer,
               const std::vector<std::vector<KmlCoordinate>>& holes) {
    ScenePolygon polygon;
    polygon.colour = look.polyColour;
    const auto ring = [&](const std::vector<KmlCoordinate>& points) {
      std::vector<GeoPoint> out;
      out.reserve(points.size());
      for (const KmlCoordinate& point : points) {
        out.push_back(GeoOfKml(point));
      }
      polygonPoints_ += out.size();
      polygon.rings.push_back(std::move(out));
    };
    if (outer.size() < 3 || polygonPoints_ + outer.size() > kMaxScenePolygonPoints) {
      return;
    }
    ring(outer);
    for (const auto& hole : holes) {
      if (hole.size() >= 3 && polygonPoints_ + hole.size() <= kMaxScenePolygonPoints) {
        ring(hole);
      }
    }
    scene_.polygons.push_back(std::move(polygon));
  }

  void AddLine(const PlacemarkShape& shape, const std::vector<KmlCoordinate>& points) {
    if (AlphaOfKml(shape.lineColour) == 0 || points.size() < 2 || Full()) {
      return;
    }
    SceneLine line;
    const std::size_t room = kMaxSceneLinePoints - linePoints_;
    const std::size_t count = std::min(points.size(), room);
    line.points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      line.points.push_back(GeoOfKml(points[i]));
    }
    line.rgb = RgbOfKml(shape.lineColour);
    line.width = static_cast<int>(std::lround(std::clamp(shape.lineWidth, 1.0, 10.0)));
    linePoints_ += count;
    scene_.lines.push_back(std::move(line));
  }

  GlobeScene& scene_;
  std::size_t linePoints_ = 0;
  std::size_t polygonPoints_ = 0;
  bool liveWanted_ = false;
  std::weak_ptr<FeatureNode> current_;
};

// Moves the items collected for each load (newest load first) into the
// painter's order: the oldest load first, so that newer loads are drawn on
// top of older ones.
template <typename Item>
void OldestLoadFirst(std::vector<Item>& items, const std::vector<std::size_t>& loadStarts) {
  std::vector<Item> ordered;
  ordered.reserve(items.size());
  std::size_t end = items.size();
  for (auto start = loadStarts.rbegin(); start != loadStarts.rend(); ++start) {
    std::move(items.begin() + static_cast<std::ptrdiff_t>(*start),
              items.begin() + static_cast<std::ptrdiff_t>(end), std::back_inserter(ordered));
    end = *start;
  }
  items = std::move(ordered);
}

// Where each load's items start in each of the scene's lists.
struct LoadStarts {
  std::vector<std::size_t> markers;
  std::vector<std::size_t> lines;
  std::vector<std::size_t> polygons;
  std::vector<std::size_t> ground;
  std::vector<std::size_t> screen;

  void Mark(const GlobeScene& scene) {
    markers.push_back(scene.markers.size());
    lines.push_back(scene.lines.size());
    polygons.push_back(scene.polygons.size());
    ground.push_back(scene.groundOverlays.size());
    screen.push_back(scene.screenOverlays.size());
  }
  void Reorder(GlobeScene& scene) const {
    OldestLoadFirst(scene.markers, markers);
    OldestLoadFirst(scene.lines, lines);
    OldestLoadFirst(scene.polygons, polygons);
    OldestLoadFirst(scene.groundOverlays, ground);
    OldestLoadFirst(scene.screenOverlays, screen);
  }
};

template <class Overlay>
void ByDrawOrder(std::vector<Overlay>& overlays) {
  std::stable_sort(overlays.begin(), overlays.end(),
                   [](const Overlay& a, const Overlay& b) { return a.drawOrder < b.drawOrder; });
}

}  // namespace

void AddPlacemarks(const FeatureTree& features, GlobeScene& scene) {
  PlacemarkCollector collector(scene);
  const auto temporary = features.TemporaryPlaces();
  if (temporary->visible) {
    // Newest loads first, so that the cap leaves out the oldest.
    LoadStarts starts;
    // Loads that show no placemark are not looked at (see FeatureTree).
    bool liveFound = false;
    for (const auto& [sequence, weakLoad] : features.LoadsShowingPlacemarks()) {
      if (collector.Full()) {
        break;
      }
      const auto load = weakLoad.lock();
      if (!load) {
        continue;
      }
      starts.Mark(scene);
      const std::size_t before = scene.markers.size();
      collector.SetLiveWanted(!liveFound);
      collector.Visit(load);
      for (std::size_t i = before; i < scene.markers.size(); ++i) {
        liveFound |= scene.markers[i].live;
      }
    }
    starts.Reorder(scene);
  }
  collector.SetLiveWanted(false);
  collector.Visit(features.MyPlaces());
  ByDrawOrder(scene.groundOverlays);
  ByDrawOrder(scene.screenOverlays);
}

std::optional<SceneBalloon> BalloonOf(const FeatureNode& feature, const CameraState& camera) {
  if (feature.deleted || !FeatureTree::IsShown(feature)) {
    return std::nullopt;
  }
  SceneBalloon balloon;
  balloon.at = {camera.latitude, camera.longitude};
  if (feature.shape && !feature.shape->coordinates.empty()) {
    balloon.at = GeoOfKml(feature.shape->coordinates.front());
  }
  balloon.title = feature.name;
  // A balloon shows a few screens of text at most; a huge description
  // would cost every frame its layout.
  constexpr std::size_t kMaxBalloonText = 4000;
  balloon.text = TextOfHtml(feature.description);
  if (balloon.text.size() > kMaxBalloonText) {
    balloon.text.resize(kMaxBalloonText);
    balloon.text += u"\u2026";
  }
  return balloon;
}

CameraState CameraOfFeatureView(const FeatureView& view) {
  CameraState camera;
  camera.latitude = std::clamp(view.latitude, -90.0, 90.0);
  camera.longitude = view.longitude;
  camera.altitude = 0;
  camera.altitudeMode = kRelativeToGround;
  camera.azimuth = view.heading;
  camera.tilt = std::clamp(view.tilt, 0.0, 90.0);
  if (!view.camera) {
    camera.range = std::max(view.range, 0.0);
    return camera;
  }
  // The eye `altitude` above its place looks down `tilt` degrees from the
  // vertical: the ray meets the sphere at the focus.
  constexpr double kRadians = std::numbers::pi / 180.0;
  const double tilt = std::min(camera.tilt, 80.0) * kRadians;
  const double height = std::max(view.altitude, 1.0);
  const double r = kEarthRadiusMetres;
  const double eye = r + height;
  // Law of sines in the triangle centre-eye-focus: the angle at the focus
  // is obtuse (the nearer crossing), the one at the centre is the ground
  // between the eye's place and the focus. A ray past the horizon is
  // brought down to it.
  const double reach = std::min(1.0, eye * std::sin(tilt) / r);
  const double groundAngle = std::max(0.0, std::asin(reach) - tilt);
  const double range = tilt < 1e-9 ? height : r * std::sin(groundAngle) / std::sin(tilt);
  const double lat1 = camera.latitude * kRadians;
  const double bearing = view.heading * kRadians;
  const double lat2 = std::asin(std::sin(lat1) * std::cos(groundAngle) +
                                std::cos(lat1) * std::sin(groundAngle) * std::cos(bearing));
  const double lon2 = camera.longitude * kRadians +
                      std::atan2(std::sin(bearing) * std::sin(groundAngle) * std::cos(lat1),
                                 std::cos(groundAngle) - std::sin(lat1) * std::sin(lat2));
  camera.latitude = lat2 / kRadians;
  camera.longitude = lon2 / kRadians;
  camera.range = range;
  camera.tilt = tilt / kRadians;
  return camera;
}

std::shared_ptr<FeatureNode> PlacemarkAt(const GlobeScene& scene, const GlobeView& view,
                                         PixelPoint pixel) {
  constexpr double kReach = 16;  // pixels: about an icon's half size
  for (auto marker = scene.markers.rbegin(); marker != scene.markers.rend(); ++marker) {
    const auto at = view.ToPixel(marker->at);
    if (!at) {
      continue;
    }
    const double dx = at->x - pixel.x;
    // Icons stand above their point (a pushpin's tip is at the bottom).
    const double dy = at->y - pixel.y;
    if (std::abs(dx) <= kReach && dy >= -kReach / 2 && dy <= kReach * 2) {
      if (auto node = marker->feature.lock(); node && !node->deleted) {
        return node;
      }
    }
  }
  return nullptr;
}

GlobeScene SceneOf(const EarthState& state) {
  const FeatureTree& features = state.Features();
  GlobeScene scene;
  scene.camera = state.ShownCamera();
  scene.borders = features.IsLayerShown(u"International Borders");
  scene.coastlines = features.IsLayerShown(u"Coastlines");
  scene.places = features.IsLayerShown(u"Populated Places");
  scene.terrain = features.IsLayerShown(u"Terrain");
  scene.ocean = features.IsLayerShown(u"Ocean");
  AddPlacemarks(features, scene);
  if (const auto feature = features.Balloon()) {
    scene.balloon = BalloonOf(*feature, scene.camera);
  }
  return scene;
}

}  // namespace standin
