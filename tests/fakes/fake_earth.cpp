#include "fake_earth.h"

#include "base/error.h"

namespace zge::fakes {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

// Counts itself in the fake's live objects for as long as it lives.
class Counted {
 public:
  explicit Counted(EarthState& state) : state_(state) { ++state_.liveObjects; }
  ~Counted() { --state_.liveObjects; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

 private:
  EarthState& state_;
};

// A layer: its visibility lives in EarthState::features.
class FakeLayer final : private Counted, public earth::FeatureGE {
 public:
  FakeLayer(FakeEarth& earth, std::u16string name)
      : Counted(earth.state), earth_(earth), name_(std::move(name)) {}
  std::u16string Name() override { return name_; }
  std::int32_t Visibility() override {
    earth_.Call("Feature.Visibility");
    return earth_.state.features[name_];
  }
  void SetVisibility(std::int32_t visibility) override {
    earth_.Call("Feature.Visibility=" + std::to_string(visibility));
    earth_.state.features[name_] = visibility;
  }
  std::unique_ptr<earth::FeatureCollectionGE> GetChildren() override {
    throw Error(codes::kNotImplemented, "not in the fake");
  }

 private:
  FakeEarth& earth_;
  std::u16string name_;
};

// A feature of the temporary places; calls are logged with its name.
class FakeFeature final : private Counted, public earth::FeatureGE {
 public:
  FakeFeature(FakeEarth& earth, std::shared_ptr<FakeFeatureNode> node)
      : Counted(earth.state), earth_(earth), node_(std::move(node)) {}
  std::u16string Name() override {
    Call("Name");
    return node_->name;
  }
  std::int32_t Visibility() override {
    Call("Visibility");
    return node_->visibility;
  }
  void SetVisibility(std::int32_t visibility) override {
    Call("Visibility=" + std::to_string(visibility));
    node_->visibility = visibility;
  }
  std::unique_ptr<earth::FeatureCollectionGE> GetChildren() override;

 private:
  void Call(const std::string& member) {
    earth_.Call("Feature(" + Narrow(node_->name) + ")." + member);
  }
  FakeEarth& earth_;
  std::shared_ptr<FakeFeatureNode> node_;
};

// A snapshot of a feature's children, numbered from 1.
class FakeCollection final : private Counted, public earth::FeatureCollectionGE {
 public:
  FakeCollection(FakeEarth& earth, std::vector<std::shared_ptr<FakeFeatureNode>> children)
      : Counted(earth.state), earth_(earth), children_(std::move(children)) {}
  std::int32_t Count() override {
    earth_.Call("Collection.Count");
    return static_cast<std::int32_t>(children_.size());
  }
  std::unique_ptr<earth::FeatureGE> Item(std::int32_t index) override {
    earth_.Call("Collection.Item(" + std::to_string(index) + ")");
    if (index < 1 || static_cast<std::size_t>(index) > children_.size()) {
      return nullptr;
    }
    return std::make_unique<FakeFeature>(earth_, children_[static_cast<std::size_t>(index) - 1]);
  }

 private:
  FakeEarth& earth_;
  std::vector<std::shared_ptr<FakeFeatureNode>> children_;
};

std::unique_ptr<earth::FeatureCollectionGE> FakeFeature::GetChildren() {
  Call("GetChildren");
  return std::make_unique<FakeCollection>(earth_, node_->children);
}

std::shared_ptr<FakeFeatureNode> FindDepthFirst(const std::shared_ptr<FakeFeatureNode>& node,
                                                std::u16string_view name) {
  if (node->name == name) {
    return node;
  }
  for (const auto& child : node->children) {
    if (auto found = FindDepthFirst(child, name)) {
      return found;
    }
  }
  return nullptr;
}

std::shared_ptr<FakeFeatureNode> FindNewestFirst(const FakeFeatureNode& places,
                                                 std::u16string_view name) {
  for (auto top = places.children.rbegin(); top != places.children.rend(); ++top) {
    if (auto found = FindDepthFirst(*top, name)) {
      return found;
    }
  }
  return nullptr;
}

// A detached copy of the camera: writes stay in the copy.
class FakeCameraInfo final : private Counted, public earth::CameraInfoGE {
 public:
  FakeCameraInfo(FakeEarth& earth, FakeCamera camera)
      : Counted(earth.state), earth_(earth), camera_(camera) {}
  double FocusPointLatitude() override { return Get("FocusPointLatitude", camera_.latitude); }
  void SetFocusPointLatitude(double value) override {
    Put("FocusPointLatitude", camera_.latitude, value);
  }
  double FocusPointLongitude() override { return Get("FocusPointLongitude", camera_.longitude); }
  void SetFocusPointLongitude(double value) override {
    Put("FocusPointLongitude", camera_.longitude, value);
  }
  double FocusPointAltitude() override { return Get("FocusPointAltitude", camera_.altitude); }
  void SetFocusPointAltitude(double value) override {
    Put("FocusPointAltitude", camera_.altitude, value);
  }
  std::int32_t FocusPointAltitudeMode() override {
    return Get("FocusPointAltitudeMode", camera_.altitudeMode);
  }
  void SetFocusPointAltitudeMode(std::int32_t value) override {
    Put("FocusPointAltitudeMode", camera_.altitudeMode, value);
  }
  double Range() override { return Get("Range", camera_.range); }
  void SetRange(double value) override { Put("Range", camera_.range, value); }
  double Tilt() override { return Get("Tilt", camera_.tilt); }
  void SetTilt(double value) override { Put("Tilt", camera_.tilt, value); }
  double Azimuth() override { return Get("Azimuth", camera_.azimuth); }
  void SetAzimuth(double value) override { Put("Azimuth", camera_.azimuth, value); }

 private:
  template <typename T>
  T Get(const std::string& property, T value) {
    earth_.Call("Camera." + property);
    return value;
  }
  template <typename T>
  void Put(const std::string& property, T& field, T value) {
    earth_.Call("Camera." + property + "=");
    field = value;
  }
  FakeEarth& earth_;
  FakeCamera camera_;
};

class FakeViewExtents final : private Counted, public earth::ViewExtentsGE {
 public:
  FakeViewExtents(FakeEarth& earth, FakeExtents extents)
      : Counted(earth.state), earth_(earth), extents_(extents) {}
  double North() override { return Get("North", extents_.north); }
  double South() override { return Get("South", extents_.south); }
  double East() override { return Get("East", extents_.east); }
  double West() override { return Get("West", extents_.west); }

 private:
  double Get(const std::string& bound, double value) {
    earth_.Call("Extents." + bound);
    return value;
  }
  FakeEarth& earth_;
  FakeExtents extents_;
};

class FakePointOnTerrain final : private Counted, public earth::PointOnTerrainGE {
 public:
  FakePointOnTerrain(FakeEarth& earth, FakeTerrainPoint point)
      : Counted(earth.state), earth_(earth), point_(point) {}
  double Latitude() override { return Get("Latitude", point_.latitude); }
  double Longitude() override { return Get("Longitude", point_.longitude); }
  double Altitude() override { return Get("Altitude", point_.altitude); }
  bool ProjectedOntoGlobe() override {
    return Get("ProjectedOntoGlobe", point_.projectedOntoGlobe);
  }

 private:
  template <typename T>
  T Get(const std::string& property, T value) {
    earth_.Call("Point." + property);
    return value;
  }
  FakeEarth& earth_;
  FakeTerrainPoint point_;
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
  std::unique_ptr<earth::CameraInfoGE> GetCamera(bool considerTerrain) override {
    earth_.Call(considerTerrain ? "GetCamera(1)" : "GetCamera(0)");
    if (!earth_.state.hasCamera) {
      return nullptr;
    }
    return std::make_unique<FakeCameraInfo>(earth_, earth_.state.camera);
  }
  void SetCameraParams(double latitude, double longitude, double altitude,
                       earth::AltitudeMode altitudeMode, double range, double tilt, double azimuth,
                       double speed) override {
    earth_.Call("SetCameraParams");
    const CameraMove move{latitude, longitude, altitude, static_cast<std::int32_t>(altitudeMode),
                          range,    tilt,      azimuth,  speed};
    earth_.state.cameraMoves.push_back(move);
    earth_.state.camera =
        FakeCamera{latitude, longitude, altitude, move.altitudeMode, range, tilt, azimuth};
  }
  std::unique_ptr<earth::ViewExtentsGE> ViewExtents() override {
    earth_.Call("ViewExtents");
    if (!earth_.state.hasExtents) {
      return nullptr;
    }
    return std::make_unique<FakeViewExtents>(earth_, earth_.state.extents);
  }
  std::unique_ptr<earth::PointOnTerrainGE> GetPointOnTerrainFromScreenCoords(double x,
                                                                             double y) override {
    earth_.Call("GetPointOnTerrainFromScreenCoords");
    earth_.state.screenQueries.emplace_back(x, y);
    if (!earth_.state.hasTerrainPoint) {
      return nullptr;
    }
    return std::make_unique<FakePointOnTerrain>(earth_, earth_.state.terrain);
  }
  void SaveScreenShot(const std::u16string& fileName, std::int32_t quality) override {
    earth_.Call("SaveScreenShot(" + std::string(fileName.begin(), fileName.end()) + ", " +
                std::to_string(quality) + ")");
    earth_.state.screenShots.emplace_back(fileName, quality);
  }
  void OpenKmlFile(const std::u16string& fileName, bool suppressMessages) override {
    earth_.Call("OpenKmlFile(" + Narrow(fileName) + ", " + (suppressMessages ? "1" : "0") + ")");
    earth_.state.openedFiles.emplace_back(fileName, suppressMessages);
  }
  void LoadKmlData(const std::u16string& kmlData) override {
    earth_.Call("LoadKmlData");
    earth_.state.loadedKml.push_back(kmlData);
  }
  std::unique_ptr<earth::FeatureGE> GetFeatureByName(const std::u16string& name) override {
    earth_.Call("GetFeatureByName(" + Narrow(name) + ")");
    if (auto node = FindNewestFirst(*earth_.state.temporaryPlaces, name)) {
      return std::make_unique<FakeFeature>(earth_, std::move(node));
    }
    if (earth_.state.features.count(name) == 0) {
      return nullptr;
    }
    return std::make_unique<FakeLayer>(earth_, name);
  }
  std::unique_ptr<earth::FeatureGE> GetTemporaryPlaces() override {
    earth_.Call("GetTemporaryPlaces");
    if (!earth_.state.hasTemporaryPlaces) {
      return nullptr;
    }
    return std::make_unique<FakeFeature>(earth_, earth_.state.temporaryPlaces);
  }
  void* DetachedDispatch() override { return nullptr; }

 private:
  template <typename T>
  T Get(const std::string& member, T value) {
    earth_.Call(member);
    return value;
  }

  FakeEarth& earth_;
};

}  // namespace

std::shared_ptr<FakeFeatureNode> MakeFeature(
    std::u16string name, std::int32_t visibility,
    std::vector<std::shared_ptr<FakeFeatureNode>> children) {
  return std::make_shared<FakeFeatureNode>(
      FakeFeatureNode{std::move(name), visibility, std::move(children)});
}

void FakeEarth::Call(const std::string& member) {
  log_.Add(member);
  if (whileWaiting) {
    whileWaiting(member);
  }
  // Releasing a reference cannot fail.
  if (faults != nullptr && member != "Release") {
    faults->ThrowIfDue(fault::kEarth, member);
  }
  const auto failing = state.failing.find(member);
  if (failing != state.failing.end()) {
    throw Error(failing->second, member + " failed");
  }
}

std::unique_ptr<earth::ApplicationGE> FakeEarth::Connect() {
  log_.Add("Connect");
  if (whileWaiting) {
    whileWaiting("Connect");
  }
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kEarth, "Connect");
  }
  if (!state.registered) {
    throw Error(state.connectError, "Class not registered");
  }
  ++state.connectCount;
  return std::make_unique<FakeApplication>(*this);
}

}  // namespace zge::fakes
