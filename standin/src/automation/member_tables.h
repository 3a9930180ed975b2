// The members of every automation object, as docs/automation-api.md lists them: the
// one table per interface that both GetIDsOfNames/Invoke and the
// configuration's rule keys use.
#pragma once

#include <span>
#include <string_view>

#include "automation/dispatch.h"

namespace standin {

[[nodiscard]] std::span<const MemberEntry> ApplicationMembers();
[[nodiscard]] std::span<const MemberEntry> CameraInfoMembers();
[[nodiscard]] std::span<const MemberEntry> ViewExtentsMembers();
[[nodiscard]] std::span<const MemberEntry> PointOnTerrainMembers();
[[nodiscard]] std::span<const MemberEntry> FeatureMembers();
[[nodiscard]] std::span<const MemberEntry> FeatureCollectionMembers();

// Rule-key class names of the companion objects.
inline constexpr std::string_view kCameraClass = "Camera";
inline constexpr std::string_view kViewExtentsClass = "ViewExtents";
inline constexpr std::string_view kPointOnTerrainClass = "PointOnTerrain";
inline constexpr std::string_view kFeatureClass = "Feature";
inline constexpr std::string_view kFeatureCollectionClass = "FeatureCollection";
// The class factory's CreateInstance counts as a member too.
inline constexpr std::string_view kCreateInstance = "CreateInstance";

// True when a lower-case rule key names a member: "getmainhwnd",
// "feature.visibility", "createinstance".
[[nodiscard]] bool IsKnownMemberKey(std::string_view lowerKey);

}  // namespace standin
