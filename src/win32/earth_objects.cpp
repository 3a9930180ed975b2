#include "earth_objects.h"

#include <array>
#include <string>
#include <utility>

#include "dispatch_object.h"
#include "text.h"

namespace zge::win32 {
namespace {

// The DISPID caches of one connection, one per interface kind.
struct EarthIds {
  std::shared_ptr<DispatchIds> application = std::make_shared<DispatchIds>("IApplicationGE");
  std::shared_ptr<DispatchIds> camera = std::make_shared<DispatchIds>("ICameraInfoGE");
  std::shared_ptr<DispatchIds> extents = std::make_shared<DispatchIds>("IViewExtentsGE");
  std::shared_ptr<DispatchIds> point = std::make_shared<DispatchIds>("IPointOnTerrainGE");
  std::shared_ptr<DispatchIds> feature = std::make_shared<DispatchIds>("IFeatureGE");
  std::shared_ptr<DispatchIds> collection = std::make_shared<DispatchIds>("IFeatureCollectionGE");
};
using SharedIds = std::shared_ptr<const EarthIds>;

// Reads and writes of plain properties, shared by the objects below.
class DispatchAdapter {
 protected:
  DispatchAdapter(com_ptr<IDispatch> object, std::shared_ptr<DispatchIds> kind, SharedIds ids)
      : object_(std::move(object), std::move(kind)), ids_(std::move(ids)) {}

  double GetDouble(const char* member) { return ToDouble(object_.Call(member).get(), member); }
  std::int32_t GetInt(const char* member) { return ToInt(object_.Call(member).get(), member); }
  bool GetBool(const char* member) { return ToBool(object_.Call(member).get(), member); }
  void PutDouble(const char* member, double value) {
    object_.Put(member, DispatchArgument::Double(value));
  }
  void PutInt(const char* member, std::int32_t value) {
    object_.Put(member, DispatchArgument::Int(value));
  }

  DispatchObject object_;
  SharedIds ids_;
};

class DispatchCameraInfo final : public earth::CameraInfoGE, private DispatchAdapter {
 public:
  DispatchCameraInfo(com_ptr<IDispatch> object, const SharedIds& ids)
      : DispatchAdapter(std::move(object), ids->camera, ids) {}

  double FocusPointLatitude() override { return GetDouble("FocusPointLatitude"); }
  void SetFocusPointLatitude(double value) override { PutDouble("FocusPointLatitude", value); }
  double FocusPointLongitude() override { return GetDouble("FocusPointLongitude"); }
  void SetFocusPointLongitude(double value) override { PutDouble("FocusPointLongitude", value); }
  double FocusPointAltitude() override { return GetDouble("FocusPointAltitude"); }
  void SetFocusPointAltitude(double value) override { PutDouble("FocusPointAltitude", value); }
  std::int32_t FocusPointAltitudeMode() override { return GetInt("FocusPointAltitudeMode"); }
  void SetFocusPointAltitudeMode(std::int32_t value) override {
    PutInt("FocusPointAltitudeMode", value);
  }
  double Range() override { return GetDouble("Range"); }
  void SetRange(double value) override { PutDouble("Range", value); }
  double Tilt() override { return GetDouble("Tilt"); }
  void SetTilt(double value) override { PutDouble("Tilt", value); }
  double Azimuth() override { return GetDouble("Azimuth"); }
  void SetAzimuth(double value) override { PutDouble("Azimuth", value); }
};

class DispatchViewExtents final : public earth::ViewExtentsGE, private DispatchAdapter {
 public:
  DispatchViewExtents(com_ptr<IDispatch> object, const SharedIds& ids)
      : DispatchAdapter(std::move(object), ids->extents, ids) {}

  double North() override { return GetDouble("North"); }
  double South() override { return GetDouble("South"); }
  double East() override { return GetDouble("East"); }
  double West() override { return GetDouble("West"); }
};

class DispatchPointOnTerrain final : public earth::PointOnTerrainGE, private DispatchAdapter {
 public:
  DispatchPointOnTerrain(com_ptr<IDispatch> object, const SharedIds& ids)
      : DispatchAdapter(std::move(object), ids->point, ids) {}

  double Latitude() override { return GetDouble("Latitude"); }
  double Longitude() override { return GetDouble("Longitude"); }
  double Altitude() override { return GetDouble("Altitude"); }
  bool ProjectedOntoGlobe() override { return GetBool("ProjectedOntoGlobe"); }
};

// Null when the server returned no object.
template <typename Adapter, typename Interface>
std::unique_ptr<Interface> Wrap(com_ptr<IDispatch> object, const SharedIds& ids) {
  if (!object) {
    return nullptr;
  }
  return std::make_unique<Adapter>(std::move(object), ids);
}

class DispatchFeature final : public earth::FeatureGE, private DispatchAdapter {
 public:
  DispatchFeature(com_ptr<IDispatch> object, const SharedIds& ids)
      : DispatchAdapter(std::move(object), ids->feature, ids) {}

  std::u16string Name() override { return ToText(object_.Call("Name").get(), "Name"); }
  std::int32_t Visibility() override { return GetInt("Visibility"); }
  void SetVisibility(std::int32_t visibility) override { PutInt("Visibility", visibility); }
  std::unique_ptr<earth::FeatureCollectionGE> GetChildren() override;
};

class DispatchFeatureCollection final : public earth::FeatureCollectionGE, private DispatchAdapter {
 public:
  DispatchFeatureCollection(com_ptr<IDispatch> object, const SharedIds& ids)
      : DispatchAdapter(std::move(object), ids->collection, ids) {}

  std::int32_t Count() override { return GetInt("Count"); }
  std::unique_ptr<earth::FeatureGE> Item(std::int32_t index) override {
    const std::array args{DispatchArgument::Int(index)};
    return Wrap<DispatchFeature, earth::FeatureGE>(ToDispatch(object_.Call("Item", args), "Item"),
                                                   ids_);
  }
};

std::unique_ptr<earth::FeatureCollectionGE> DispatchFeature::GetChildren() {
  return Wrap<DispatchFeatureCollection, earth::FeatureCollectionGE>(
      ToDispatch(object_.Call("GetChildren"), "GetChildren"), ids_);
}

class DispatchApplication final : public earth::ApplicationGE, private DispatchAdapter {
 public:
  DispatchApplication(com_ptr<IDispatch> object, const SharedIds& ids)
      : DispatchAdapter(std::move(object), ids->application, ids) {}

  WindowHandle GetMainHwnd() override {
    return ToWindowHandle(object_.Call("GetMainHwnd").get(), "GetMainHwnd");
  }
  WindowHandle GetRenderHwnd() override {
    return ToWindowHandle(object_.Call("GetRenderHwnd").get(), "GetRenderHwnd");
  }
  std::int32_t VersionMajor() override { return GetInt("VersionMajor"); }
  std::int32_t VersionMinor() override { return GetInt("VersionMinor"); }
  std::int32_t VersionBuild() override { return GetInt("VersionBuild"); }
  std::int32_t VersionAppType() override { return GetInt("VersionAppType"); }
  bool IsInitialized() override { return GetBool("IsInitialized"); }

  std::unique_ptr<earth::CameraInfoGE> GetCamera(bool considerTerrain) override {
    const std::array args{DispatchArgument::Bool(considerTerrain)};
    return Wrap<DispatchCameraInfo, earth::CameraInfoGE>(
        ToDispatch(object_.Call("GetCamera", args), "GetCamera"), ids_);
  }

  void SetCameraParams(double latitude, double longitude, double altitude,
                       earth::AltitudeMode altitudeMode, double range, double tilt, double azimuth,
                       double speed) override {
    const std::array args{DispatchArgument::Double(latitude),
                          DispatchArgument::Double(longitude),
                          DispatchArgument::Double(altitude),
                          DispatchArgument::Int(static_cast<std::int32_t>(altitudeMode)),
                          DispatchArgument::Double(range),
                          DispatchArgument::Double(tilt),
                          DispatchArgument::Double(azimuth),
                          DispatchArgument::Double(speed)};
    // S_TELEPORTED is a success: Call throws only on failure codes.
    static_cast<void>(object_.Call("SetCameraParams", args));
  }

  std::unique_ptr<earth::ViewExtentsGE> ViewExtents() override {
    return Wrap<DispatchViewExtents, earth::ViewExtentsGE>(
        ToDispatch(object_.Call("ViewExtents"), "ViewExtents"), ids_);
  }

  std::unique_ptr<earth::PointOnTerrainGE> GetPointOnTerrainFromScreenCoords(double x,
                                                                             double y) override {
    const std::array args{DispatchArgument::Double(x), DispatchArgument::Double(y)};
    return Wrap<DispatchPointOnTerrain, earth::PointOnTerrainGE>(
        ToDispatch(object_.Call("GetPointOnTerrainFromScreenCoords", args),
                   "GetPointOnTerrainFromScreenCoords"),
        ids_);
  }

  void SaveScreenShot(const std::u16string& fileName, std::int32_t quality) override {
    const std::array args{DispatchArgument::Text(fileName), DispatchArgument::Int(quality)};
    static_cast<void>(object_.Call("SaveScreenShot", args));
  }

  void OpenKmlFile(const std::u16string& fileName, bool suppressMessages) override {
    const std::array args{DispatchArgument::Text(fileName),
                          DispatchArgument::Bool(suppressMessages)};
    static_cast<void>(object_.Call("OpenKmlFile", args));
  }

  void LoadKmlData(const std::u16string& kmlData) override {
    unique_bstr text = MakeBstr(kmlData);
    const std::array args{DispatchArgument::TextByRef(text)};
    static_cast<void>(object_.Call("LoadKmlData", args));
  }

  std::unique_ptr<earth::FeatureGE> GetFeatureByName(const std::u16string& name) override {
    const std::array args{DispatchArgument::Text(name)};
    return Wrap<DispatchFeature, earth::FeatureGE>(
        ToDispatch(object_.Call("GetFeatureByName", args), "GetFeatureByName"), ids_);
  }

  std::unique_ptr<earth::FeatureGE> GetTemporaryPlaces() override {
    return Wrap<DispatchFeature, earth::FeatureGE>(
        ToDispatch(object_.Call("GetTemporaryPlaces"), "GetTemporaryPlaces"), ids_);
  }

  void* DetachedDispatch() override {
    return com_ptr<IDispatch>::AddRefFrom(object_.Get()).detach();
  }
};

}  // namespace

std::unique_ptr<earth::ApplicationGE> MakeApplicationGE(com_ptr<IDispatch> application) {
  return std::make_unique<DispatchApplication>(std::move(application),
                                               std::make_shared<const EarthIds>());
}

}  // namespace zge::win32
