#include "automation/member_tables.h"

#include <vector>

#include "automation/earth_ids.h"
#include "model/text.h"

namespace standin {
namespace {

using enum ArgType;

}  // namespace

std::span<const MemberEntry> ApplicationMembers() {
  using namespace ids::app;
  static const std::vector<MemberEntry> kMembers = {
      {kGetCamera, "GetCamera", kAsMethod, {kBool}, kDouble, true},
      {kSetCamera, "SetCamera", kAsMethod, {kObject, kDouble}, kDouble, true},
      {kSetCameraParams,
       "SetCameraParams",
       kAsMethod,
       {kDouble, kDouble, kDouble, kInt, kDouble, kDouble, kDouble, kDouble},
       kDouble,
       true},
      {kStreamingProgressPercentage, "StreamingProgressPercentage", kAsGet, {}, kDouble, false},
      {kSaveScreenShot, "SaveScreenShot", kAsMethod, {kString, kInt}, kDouble, true},
      {kOpenKmlFile, "OpenKmlFile", kAsMethod, {kString, kBool}, kDouble, true},
      {kLoadKmlData, "LoadKmlData", kAsMethod, {kString}, kDouble, true},
      {kAutoPilotSpeed, "AutoPilotSpeed", kAsGet | kAsPut, {}, kDouble, true},
      {kViewExtents, "ViewExtents", kAsGet, {}, kDouble, true},
      {kGetFeatureByName, "GetFeatureByName", kAsMethod, {kString}, kDouble, true},
      {kGetFeatureByHref, "GetFeatureByHref", kAsMethod, {kString}, kDouble, false},
      {kSetFeatureView, "SetFeatureView", kAsMethod, {kObject, kDouble}, kDouble, true},
      {kGetPointOnTerrainFromScreenCoords,
       "GetPointOnTerrainFromScreenCoords",
       kAsMethod,
       {kDouble, kDouble},
       kDouble,
       true},
      {kVersionMajor, "VersionMajor", kAsGet, {}, kDouble, false},
      {kVersionMinor, "VersionMinor", kAsGet, {}, kDouble, false},
      {kVersionBuild, "VersionBuild", kAsGet, {}, kDouble, false},
      {kVersionAppType, "VersionAppType", kAsGet, {}, kDouble, false},
      {kIsInitialized, "IsInitialized", kAsMethod, {}, kDouble, false},
      {kIsOnline, "IsOnline", kAsMethod, {}, kDouble, false},
      {kLogin, "Login", kAsMethod, {}, kDouble, false},
      {kLogout, "Logout", kAsMethod, {}, kDouble, false},
      {kShowDescriptionBalloon, "ShowDescriptionBalloon", kAsMethod, {kObject}, kDouble, false},
      {kHideDescriptionBalloons, "HideDescriptionBalloons", kAsMethod, {}, kDouble, false},
      {kGetHighlightedFeature, "GetHighlightedFeature", kAsMethod, {}, kDouble, true},
      {kGetMyPlaces, "GetMyPlaces", kAsMethod, {}, kDouble, true},
      {kGetTemporaryPlaces, "GetTemporaryPlaces", kAsMethod, {}, kDouble, true},
      {kGetLayersDatabases, "GetLayersDatabases", kAsMethod, {}, kDouble, true},
      {kElevationExaggeration, "ElevationExaggeration", kAsGet | kAsPut, {}, kDouble, true},
      {kGetMainHwnd, "GetMainHwnd", kAsMethod, {}, kDouble, false},
      {kTourController, "TourController", kAsGet, {}, kDouble, false},
      {kSearchController, "SearchController", kAsGet, {}, kDouble, false},
      {kAnimationController, "AnimationController", kAsGet, {}, kDouble, false},
      {kGetRenderHwnd, "GetRenderHwnd", kAsMethod, {}, kDouble, false},
  };
  return kMembers;
}

std::span<const MemberEntry> CameraInfoMembers() {
  using namespace ids::camera;
  static const std::vector<MemberEntry> kMembers = {
      {kFocusPointLatitude, "FocusPointLatitude", kAsGet | kAsPut, {}, kDouble, false},
      {kFocusPointLongitude, "FocusPointLongitude", kAsGet | kAsPut, {}, kDouble, false},
      {kFocusPointAltitude, "FocusPointAltitude", kAsGet | kAsPut, {}, kDouble, false},
      {kFocusPointAltitudeMode, "FocusPointAltitudeMode", kAsGet | kAsPut, {}, kInt, false},
      {kRange, "Range", kAsGet | kAsPut, {}, kDouble, false},
      {kTilt, "Tilt", kAsGet | kAsPut, {}, kDouble, false},
      {kAzimuth, "Azimuth", kAsGet | kAsPut, {}, kDouble, false},
  };
  return kMembers;
}

std::span<const MemberEntry> ViewExtentsMembers() {
  using namespace ids::extents;
  static const std::vector<MemberEntry> kMembers = {
      {kNorth, "North", kAsGet, {}, kDouble, false},
      {kSouth, "South", kAsGet, {}, kDouble, false},
      {kEast, "East", kAsGet, {}, kDouble, false},
      {kWest, "West", kAsGet, {}, kDouble, false},
  };
  return kMembers;
}

std::span<const MemberEntry> PointOnTerrainMembers() {
  using namespace ids::point;
  static const std::vector<MemberEntry> kMembers = {
      {kLatitude, "Latitude", kAsGet, {}, kDouble, false},
      {kLongitude, "Longitude", kAsGet, {}, kDouble, false},
      {kAltitude, "Altitude", kAsGet, {}, kDouble, false},
      {kProjectedOntoGlobe, "ProjectedOntoGlobe", kAsGet, {}, kDouble, false},
      {kZeroElevationExaggeration, "ZeroElevationExaggeration", kAsGet, {}, kDouble, false},
  };
  return kMembers;
}

std::span<const MemberEntry> FeatureMembers() {
  using namespace ids::feature;
  static const std::vector<MemberEntry> kMembers = {
      {kName, "Name", kAsGet, {}, kDouble, false},
      {kVisibility, "Visibility", kAsGet | kAsPut, {}, kBool, false},
      {kHasView, "HasView", kAsGet, {}, kDouble, false},
      {kHighlighted, "Highlighted", kAsGet, {}, kDouble, false},
      {kHighlight, "Highlight", kAsMethod, {}, kDouble, false},
      {kGetParent, "GetParent", kAsMethod, {}, kDouble, false},
      {kGetChildren, "GetChildren", kAsMethod, {}, kDouble, false},
      {kTimeInterval, "TimeInterval", kAsGet, {}, kDouble, false},
  };
  return kMembers;
}

std::span<const MemberEntry> FeatureCollectionMembers() {
  using namespace ids::collection;
  static const std::vector<MemberEntry> kMembers = {
      {kItem, "Item", kAsGet | kAsMethod, {kInt}, kDouble, false},
      {kCount, "Count", kAsGet, {}, kDouble, false},
      {kNewEnum, "_NewEnum", kAsGet | kAsMethod, {}, kDouble, false},
  };
  return kMembers;
}

bool IsKnownMemberKey(std::string_view lowerKey) {
  const auto inTable = [](std::span<const MemberEntry> members, std::string_view name) {
    for (const MemberEntry& member : members) {
      if (AsciiLower(member.name) == name) {
        return true;
      }
    }
    return false;
  };
  if (lowerKey == AsciiLower(kCreateInstance)) {
    return true;
  }
  const std::size_t dot = lowerKey.find('.');
  if (dot == std::string_view::npos) {
    return inTable(ApplicationMembers(), lowerKey);
  }
  const std::string_view objectClass = lowerKey.substr(0, dot);
  const std::string_view member = lowerKey.substr(dot + 1);
  const std::pair<std::string_view, std::span<const MemberEntry>> classes[] = {
      {kCameraClass, CameraInfoMembers()},
      {kViewExtentsClass, ViewExtentsMembers()},
      {kPointOnTerrainClass, PointOnTerrainMembers()},
      {kFeatureClass, FeatureMembers()},
      {kFeatureCollectionClass, FeatureCollectionMembers()},
  };
  for (const auto& [name, members] : classes) {
    if (AsciiLower(name) == objectClass) {
      return inTable(members, member);
    }
  }
  return false;
}

}  // namespace standin
