// The overlays the host draws into Google Earth: waypoints, its live GPS
// position, routes and track legs. Each becomes one KML document handed to
// Google Earth as text; waypoints and routes are also kept as temporary KML
// files (temp_kml.cpp) so that they can be saved later.
#include <string>
#include <vector>

#include "earth/earth_api.h"
#include "earth/feature_children.h"
#include "kml/overlay_documents.h"
#include "panel/ge_panel.h"

namespace zge {

void TGEPanel::LoadWaypoint(std::string_view name, std::string_view description,
                            std::string_view icon, double latitude, double longitude) {
  if (!HasApplication()) {
    return;
  }
  platform::CodePage& codePage = platform_.codePage;
  const std::u16string wideName = codePage.ToWide(name);
  const std::u16string document = kml::WaypointDocument(wideName, codePage.ToWide(description),
                                                        codePage.ToWide(icon), latitude, longitude);
  OpenKMLData(document);
  SaveTempKML(document, wideName);
}

void TGEPanel::LoadLiveGPS(std::string_view name, std::string_view description,
                           std::string_view icon, double latitude, double longitude,
                           std::int32_t heading) {
  if (!HasApplication()) {
    return;
  }
  platform::CodePage& codePage = platform_.codePage;
  const std::u16string wideName = codePage.ToWide(name);
  // Built first: a position that cannot be written hides nothing.
  const std::u16string document = kml::LiveGpsDocument(
      wideName, codePage.ToWide(description), codePage.ToWide(icon), latitude, longitude, heading);
  HideWaypoint(std::u16string(kml::kLiveGpsPrefix) + wideName, wideName);
  OpenKMLData(document);
}

void TGEPanel::HideWaypoint(const std::u16string& documentName,
                            const std::u16string& placemarkName) {
  if (!HasApplication()) {
    return;
  }
  const std::unique_ptr<earth::FeatureGE> document =
      GetApplicationGE().GetFeatureByName(documentName);
  if (!document) {
    return;
  }
  earth::ForEachChild(*document, [&](earth::FeatureGE& child) {
    if (child.Name() == placemarkName && child.Visibility() == earth::kVisible) {
      child.SetVisibility(earth::kHidden);
      return false;
    }
    return true;
  });
}

void TGEPanel::LoadRoute(TListGE list, const std::u16string& name,
                         const std::u16string& description, std::uint32_t color) {
  if (!HasApplication()) {
    return;
  }
  // The widened texts live here; the document's points refer to them.
  std::vector<std::u16string> texts;
  texts.reserve(list.size() * 3);
  std::vector<kml::RoutePoint> points;
  points.reserve(list.size());
  for (const TPointGE& point : list) {
    const std::u16string& pointName = texts.emplace_back(platform_.codePage.ToWide(point.Name));
    const std::u16string& pointDescription =
        texts.emplace_back(platform_.codePage.ToWide(point.Description));
    const std::u16string& pointIcon = texts.emplace_back(platform_.codePage.ToWide(point.Icon));
    points.push_back({pointName, pointDescription, pointIcon, point.Latitude, point.Longitude});
  }
  const std::u16string document = kml::RouteDocument(points, name, description, color);
  OpenKMLData(document);
  SaveTempKML(document, name);
}

void TGEPanel::LoadTrackLeg(const std::u16string& name, const std::u16string& icon,
                            const kml::TrackLeg& leg) {
  if (!HasApplication()) {
    return;
  }
  const std::u16string document = kml::TrackLegDocument(name, icon, leg);
  if (leg.index > 0) {
    // The boat of the leg before this one.
    HideWaypoint(kml::TrackLegDocumentName(name, leg.index - 1), std::u16string(kml::kBoatName));
  }
  OpenKMLData(document);
}

}  // namespace zge
