// The members of every automation object, as earth-api.md lists them: the
// one table per interface that both GetIDsOfNames/Invoke and the
// configuration's rule keys use.
#pragma once

#include <span>
#include <string_view>

#include "dispatch.h"

namespace standin {

[[nodiscard]] std::span<const MemberSpec> ApplicationMembers();
[[nodiscard]] std::span<const MemberSpec> CameraInfoMembers();
[[nodiscard]] std::span<const MemberSpec> ViewExtentsMembers();
[[nodiscard]] std::span<const MemberSpec> PointOnTerrainMembers();
[[nodiscard]] std::span<const MemberSpec> FeatureMembers();
[[nodiscard]] std::span<const MemberSpec> FeatureCollectionMembers();

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
