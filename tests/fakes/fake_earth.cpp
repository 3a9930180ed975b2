#include "fake_earth.h"

#include "base/error.h"

namespace zge::fakes {
namespace {

class FakeFeature final : public earth::FeatureGE {
 public:
  FakeFeature(FakeEarth& earth, std::u16string name) : earth_(earth), name_(std::move(name)) {}
  std::u16string Name() override { return name_; }
  bool Visibility() override {
    earth_.Call("Feature.Visibility");
    return earth_.state.features[name_];
  }
  void SetVisibility(bool visible) override {
    earth_.Call(std::string("Feature.Visibility=") + (visible ? "1" : "0"));
    earth_.state.features[name_] = visible;
  }
  std::unique_ptr<earth::FeatureCollectionGE> GetChildren() override {
    throw Error(codes::kNotImplemented, "not in the fake");
  }

 private:
  FakeEarth& earth_;
  std::u16string name_;
};

class FakeApplication final : public earth::ApplicationGE {
 public:
  explicit FakeApplication(FakeEarth& earth) : earth_(earth) { ++earth_.state.connections; }
  ~FakeApplication() override {
    --earth_.state.connections;
    earth_.Call("Release");
  }
  FakeApplication(const FakeApplication&) = delete;
  FakeApplication& operator=(const FakeApplication&) = delete;

  WindowHandle GetMainHwnd() override { return Get("GetMainHwnd", earth_.state.mainWnd); }
  WindowHandle GetRenderHwnd() override { return Get("GetRenderHwnd", earth_.state.renderWnd); }
  std::int32_t VersionMajor() override { return Get("VersionMajor", earth_.state.major); }
  std::int32_t VersionMinor() override { return Get("VersionMinor", earth_.state.minor); }
  std::int32_t VersionBuild() override { return Get("VersionBuild", earth_.state.build); }
  std::int32_t VersionAppType() override { return Get("VersionAppType", earth_.state.appType); }
  bool IsInitialized() override { return Get("IsInitialized", earth_.state.mainWnd != kNoWindow); }
  std::unique_ptr<earth::CameraInfoGE> GetCamera(bool) override {
    return NotInFake<earth::CameraInfoGE>();
  }
  void SetCameraParams(double, double, double, earth::AltitudeMode, double, double, double,
                       double) override {
    NotInFake<earth::CameraInfoGE>();
  }
  std::unique_ptr<earth::ViewExtentsGE> ViewExtents() override {
    return NotInFake<earth::ViewExtentsGE>();
  }
  std::unique_ptr<earth::PointOnTerrainGE> GetPointOnTerrainFromScreenCoords(double,
                                                                             double) override {
    return NotInFake<earth::PointOnTerrainGE>();
  }
  void SaveScreenShot(const std::u16string& fileName, std::int32_t quality) override {
    earth_.Call("SaveScreenShot(" + std::string(fileName.begin(), fileName.end()) + ", " +
                std::to_string(quality) + ")");
  }
  void OpenKmlFile(const std::u16string&, bool) override { NotInFake<earth::FeatureGE>(); }
  void LoadKmlData(const std::u16string&) override { NotInFake<earth::FeatureGE>(); }
  std::unique_ptr<earth::FeatureGE> GetFeatureByName(const std::u16string& name) override {
    earth_.Call("GetFeatureByName");
    if (earth_.state.features.count(name) == 0) {
      return nullptr;
    }
    return std::make_unique<FakeFeature>(earth_, name);
  }
  std::unique_ptr<earth::FeatureGE> GetTemporaryPlaces() override {
    return NotInFake<earth::FeatureGE>();
  }
  void* DetachedDispatch() override { return nullptr; }

 private:
  template <typename T>
  T Get(const std::string& member, T value) {
    earth_.Call(member);
    return value;
  }
  template <typename T>
  std::unique_ptr<T> NotInFake() {
    throw Error(codes::kNotImplemented, "not in the fake");
  }

  FakeEarth& earth_;
};

}  // namespace

void FakeEarth::Call(const std::string& member) {
  log_.Add(member);
  const auto failing = state.failing.find(member);
  if (failing != state.failing.end()) {
    throw Error(failing->second, member + " failed");
  }
}

std::unique_ptr<earth::ApplicationGE> FakeEarth::Connect() {
  log_.Add("Connect");
  if (!state.registered) {
    throw Error(state.connectError, "Class not registered");
  }
  ++state.connectCount;
  return std::make_unique<FakeApplication>(*this);
}

}  // namespace zge::fakes
