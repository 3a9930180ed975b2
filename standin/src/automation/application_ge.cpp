#include "automation/application_ge.h"

#include <cmath>

#include "automation/earth_ids.h"
#include "automation/feature_ge.h"
#include "automation/member_tables.h"
#include "automation/view_objects.h"
#include "model/error.h"
#include "model/journal.h"
#include "model/result_codes.h"
#include "render/globe_painter.h"
#include "render/globe_scene.h"
#include "render/globe_view.h"
#include "render/screenshot.h"

namespace standin {
namespace {

constexpr SIZE kDefaultViewSize{640, 480};

std::int32_t HandleValue(HWND window) {
  // Window handles carry 32 significant bits in both bitnesses (OLE_HANDLE).
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window));
}

double FiniteSetting(const MemberEntry& member, double value, double minimum) {
  if (!std::isfinite(value) || value < minimum) {
    throw Error(codes::kInvalidArg, std::string(member.name) + ": " + JournalNumber(value) +
                                        " is not a finite number of at least " +
                                        JournalNumber(minimum));
  }
  return value;
}

// Reads a camera given as someone else's ICameraInfoGE through IDispatch.
double ReadNumber(IDispatch& object, DISPID id, VARTYPE type) {
  DISPPARAMS none{};
  unique_variant result;
  EXCEPINFO info{};
  const HRESULT hr = object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                   result.put(), &info, nullptr);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  if (FAILED(hr)) {
    throw Error(codes::kInvalidArg, "SetCamera: cannot read the camera's properties");
  }
  unique_variant converted;
  if (FAILED(VariantChangeType(converted.put(), result.addressof(), 0, type))) {
    throw Error(codes::kInvalidArg, "SetCamera: a camera property has the wrong type");
  }
  return type == VT_I4 ? static_cast<double>(V_I4(&converted.get())) : V_R8(&converted.get());
}

}  // namespace

ApplicationGE::ApplicationGE(std::shared_ptr<CallGate> gate, std::shared_ptr<EarthState> state,
                             std::shared_ptr<const ViewWindows> windows, const Versions& versions)
    : DispatchObject(std::move(gate), ApplicationMembers(), ids::kIApplicationGE),
      state_(std::move(state)),
      windows_(std::move(windows)),
      versions_(versions),
      kml_(state_->Features()) {}

bool ApplicationGE::IsInitialized() const { return windows_->MainWindow() != nullptr; }

SIZE ApplicationGE::ViewSize() const {
  RECT client{};
  if (HWND render = windows_->RenderWindow();
      render && GetClientRect(render, &client) && client.right > 0 && client.bottom > 0) {
    return {client.right, client.bottom};
  }
  return kDefaultViewSize;
}

Answer ApplicationGE::Call(const MemberEntry& member, CallKind kind, const Args& args) {
  using namespace ids::app;
  const bool put = kind == CallKind::kPut;
  FeatureTree& features = state_->Features();
  switch (member.id) {
    case kGetMainHwnd:
      return Answer::Int(HandleValue(windows_->MainWindow()));
    case kGetRenderHwnd:
      return Answer::Int(HandleValue(windows_->RenderWindow()));
    case kIsInitialized:
      return Answer::Bool(IsInitialized());
    case kIsOnline:
      return Answer::Bool(true);
    case kVersionMajor:
      return Answer::Int(versions_.major);
    case kVersionMinor:
      return Answer::Int(versions_.minor);
    case kVersionBuild:
      return Answer::Int(versions_.build);
    case kVersionAppType:
      return Answer::Int(versions_.appType);
    case kStreamingProgressPercentage:
      return Answer::Int(IsInitialized() ? 100 : 0);

    case kAutoPilotSpeed:
      if (put) {
        state_->SetAutoPilotSpeed(FiniteSetting(member, args.Double(0), 0.0));
        return Answer::None();
      }
      return Answer::Double(state_->AutoPilotSpeed());
    case kElevationExaggeration:
      if (put) {
        state_->SetElevationExaggeration(FiniteSetting(member, args.Double(0), 0.0));
        return Answer::None();
      }
      return Answer::Double(state_->ElevationExaggeration());

    case kGetCamera:
      return Answer::Object(MakeDispatch<CameraInfoGE>(Gate(), state_->Camera()));
    case kSetCameraParams: {
      CameraState requested;
      requested.latitude = args.Double(0);
      requested.longitude = args.Double(1);
      requested.altitude = args.Double(2);
      requested.altitudeMode = args.Int(3);
      requested.range = args.Double(4);
      requested.tilt = args.Double(5);
      requested.azimuth = args.Double(6);
      return MoveCamera(requested, args.Double(7));
    }
    case kSetCamera:
      return MoveCamera(CameraArgument(args, 0), args.Double(1));
    case kViewExtents: {
      const SIZE size = ViewSize();
      const GlobeView view(state_->ShownCamera(), size.cx, size.cy);
      return Answer::Object(MakeDispatch<ViewExtentsGE>(Gate(), view.Extents()));
    }
    case kGetPointOnTerrainFromScreenCoords: {
      const SIZE size = ViewSize();
      const GlobeView view(state_->ShownCamera(), size.cx, size.cy);
      return Answer::Object(MakeDispatch<PointOnTerrainGE>(
          Gate(), view.FromScreenCoords(args.Double(0), args.Double(1)),
          state_->ElevationExaggeration() == 0.0));
    }
    case kSaveScreenShot:
      return SaveScreenShot(args);

    case kLoadKmlData:
      kml_.LoadData(args.String(0));
      return Answer::None();
    case kOpenKmlFile:
      // suppressMessages: the stand-in never shows a message box; failures
      // reach the caller either way.
      kml_.OpenFile(args.String(0));
      return Answer::None();

    case kGetFeatureByName:
      return Answer::Object(MakeFeature(Gate(), state_, features.FindByName(args.String(0))));
    case kGetHighlightedFeature:
      return Answer::Object(MakeFeature(Gate(), state_, features.Highlighted()));
    case kGetMyPlaces:
      return Answer::Object(MakeFeature(Gate(), state_, features.MyPlaces()));
    case kGetTemporaryPlaces:
      return Answer::Object(MakeFeature(Gate(), state_, features.TemporaryPlaces()));
    case kGetLayersDatabases:
      return Answer::Object(MakeDispatch<FeatureCollectionGE>(
          Gate(), state_, features.LayersDatabases(), "LayersDatabases"));
    case kSetFeatureView: {
      const auto* feature = dynamic_cast<const FeatureGE*>(args.OwnObject(0));
      if (!feature) {
        throw Error(codes::kInvalidArg,
                    "SetFeatureView: the argument is not a feature of this Earth");
      }
      if (feature->Node()->deleted) {
        throw Error(codes::kInvalidOrDeletedFeature,
                    "SetFeatureView: the feature has been deleted");
      }
      if (!feature->Node()->hasView) {
        throw Error(codes::kFeatureHasNoView,
                    "SetFeatureView: " + feature->JournalName() + " has no view");
      }
      const auto& view = feature->Node()->view;
      if (!view) {
        throw Error(codes::kFeatureHasNoView,
                    "SetFeatureView: " + feature->JournalName() + " has no view");
      }
      return MoveCamera(CameraOfFeatureView(*view), args.Double(1));
    }
    case kShowDescriptionBalloon: {
      const auto* feature = dynamic_cast<const FeatureGE*>(args.OwnObject(0));
      if (!feature) {
        throw Error(codes::kInvalidArg,
                    "ShowDescriptionBalloon: the argument is not a feature of this Earth");
      }
      if (feature->Node()->deleted) {
        throw Error(codes::kInvalidOrDeletedFeature,
                    "ShowDescriptionBalloon: the feature has been deleted");
      }
      features.SetBalloon(feature->Node());
      return Answer::None();
    }
    case kHideDescriptionBalloons:
      features.SetBalloon(nullptr);
      return Answer::None();
    default:
      ThrowNotImplemented(member);
  }
}

CameraState ApplicationGE::CameraArgument(const Args& args, std::size_t index) const {
  if (const auto* own = dynamic_cast<const CameraInfoGE*>(args.OwnObject(index))) {
    return own->Snapshot();
  }
  IDispatch* object = args.Object(index);
  if (!object) {
    throw Error(codes::kInvalidArg, "SetCamera: the camera is null");
  }
  using namespace ids::camera;
  CameraState camera;
  camera.latitude = ReadNumber(*object, kFocusPointLatitude, VT_R8);
  camera.longitude = ReadNumber(*object, kFocusPointLongitude, VT_R8);
  camera.altitude = ReadNumber(*object, kFocusPointAltitude, VT_R8);
  camera.altitudeMode =
      static_cast<std::int32_t>(ReadNumber(*object, kFocusPointAltitudeMode, VT_I4));
  camera.range = ReadNumber(*object, kRange, VT_R8);
  camera.tilt = ReadNumber(*object, kTilt, VT_R8);
  camera.azimuth = ReadNumber(*object, kAzimuth, VT_R8);
  return camera;
}

Answer ApplicationGE::MoveCamera(const CameraState& requested, double speed) {
  CheckSpeed(speed);
  const CameraState target = NormalizeCamera(requested);
  if (IsTeleport(speed)) {
    state_->SetCamera(target);
    return Answer::None().WithCode(static_cast<HRESULT>(codes::kTeleported));
  }
  state_->FlyTo(target, FlightSeconds(state_->ShownCamera(), target, speed));
  return Answer::None();
}

Answer ApplicationGE::SaveScreenShot(const Args& args) {
  const SIZE size = ViewSize();
  const GlobeImage image(size.cx, size.cy, SceneOf(*state_));
  WriteScreenShot(args.String(0), args.Int(1), image);
  return Answer::None();
}

}  // namespace standin
