#include "automation/view_objects.h"

#include "automation/earth_ids.h"
#include "automation/member_tables.h"

namespace standin {

CameraInfoGE::CameraInfoGE(std::shared_ptr<CallGate> gate, const CameraState& camera)
    : DispatchObject(std::move(gate), CameraInfoMembers(), ids::kICameraInfoGE), camera_(camera) {}

std::string_view CameraInfoGE::RuleClass() const { return kCameraClass; }

Answer CameraInfoGE::Call(const MemberEntry& member, CallKind kind, const Args& args) {
  using namespace ids::camera;
  const bool put = kind == CallKind::kPut;
  double* field = nullptr;
  switch (member.id) {
    case kFocusPointLatitude:
      field = &camera_.latitude;
      break;
    case kFocusPointLongitude:
      field = &camera_.longitude;
      break;
    case kFocusPointAltitude:
      field = &camera_.altitude;
      break;
    case kRange:
      field = &camera_.range;
      break;
    case kTilt:
      field = &camera_.tilt;
      break;
    case kAzimuth:
      field = &camera_.azimuth;
      break;
    case kFocusPointAltitudeMode:
      if (put) {
        camera_.altitudeMode = args.Int(0);
        return Answer::None();
      }
      return Answer::Int(camera_.altitudeMode);
    default:
      ThrowNotImplemented(member);
  }
  if (put) {
    *field = args.Double(0);
    return Answer::None();
  }
  return Answer::Double(*field);
}

ViewExtentsGE::ViewExtentsGE(std::shared_ptr<CallGate> gate, const LatLonBox& box)
    : DispatchObject(std::move(gate), ViewExtentsMembers(), ids::kIViewExtentsGE), box_(box) {}

std::string_view ViewExtentsGE::RuleClass() const { return kViewExtentsClass; }

Answer ViewExtentsGE::Call(const MemberEntry& member, CallKind, const Args&) {
  using namespace ids::extents;
  switch (member.id) {
    case kNorth:
      return Answer::Double(box_.north);
    case kSouth:
      return Answer::Double(box_.south);
    case kEast:
      return Answer::Double(box_.east);
    case kWest:
      return Answer::Double(box_.west);
    default:
      ThrowNotImplemented(member);
  }
}

PointOnTerrainGE::PointOnTerrainGE(std::shared_ptr<CallGate> gate, const TerrainHit& hit,
                                   bool zeroExaggeration)
    : DispatchObject(std::move(gate), PointOnTerrainMembers(), ids::kIPointOnTerrainGE),
      hit_(hit),
      zeroExaggeration_(zeroExaggeration) {}

std::string_view PointOnTerrainGE::RuleClass() const { return kPointOnTerrainClass; }

Answer PointOnTerrainGE::Call(const MemberEntry& member, CallKind, const Args&) {
  using namespace ids::point;
  switch (member.id) {
    case kLatitude:
      return Answer::Double(hit_.point.latitude);
    case kLongitude:
      return Answer::Double(hit_.point.longitude);
    case kAltitude:
      return Answer::Double(0.0);  // the stand-in's Earth is smooth
    case kProjectedOntoGlobe:
      return Answer::Bool(hit_.projectedOntoGlobe);
    case kZeroElevationExaggeration:
      return Answer::Bool(zeroExaggeration_);
    default:
      ThrowNotImplemented(member);
  }
}

}  // namespace standin
