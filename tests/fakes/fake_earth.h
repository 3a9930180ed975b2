// A Google Earth that lives in memory: its windows are handles of the fake
// desktop, its members can be told to fail, and it records what it is
// asked in the call log.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "call_log.h"
#include "earth/earth_server.h"
#include "fault_plan.h"

namespace zge::fakes {

// A feature of the fake's temporary places.
struct FakeFeatureNode {
  std::u16string name;
  std::int32_t visibility = 1;
  std::vector<std::shared_ptr<FakeFeatureNode>> children;
};

std::shared_ptr<FakeFeatureNode> MakeFeature(
    std::u16string name, std::int32_t visibility = 1,
    std::vector<std::shared_ptr<FakeFeatureNode>> children = {});

// The view as the fake's camera descriptions report it.
struct FakeCamera {
  double latitude = 0;
  double longitude = 0;
  double altitude = 0;
  std::int32_t altitudeMode = 1;
  double range = 0;
  double tilt = 0;
  double azimuth = 0;
};

// The arguments of one SetCameraParams call.
struct CameraMove {
  double latitude = 0;
  double longitude = 0;
  double altitude = 0;
  std::int32_t altitudeMode = 0;
  double range = 0;
  double tilt = 0;
  double azimuth = 0;
  double speed = 0;
  friend bool operator==(const CameraMove&, const CameraMove&) = default;
};

struct FakeExtents {
  double north = 0;
  double south = 0;
  double east = 0;
  double west = 0;
};

// What GetPointOnTerrainFromScreenCoords answers, whatever the position.
struct FakeTerrainPoint {
  double latitude = 0;
  double longitude = 0;
  double altitude = 0;
  bool projectedOntoGlobe = false;
};

struct EarthState {
  bool registered = true;                                             // false: connecting fails
  std::int32_t connectError = static_cast<std::int32_t>(0x80040154);  // REGDB_E_CLASSNOTREG
  WindowHandle mainWnd = kNoWindow;
  WindowHandle renderWnd = kNoWindow;
  std::int32_t major = 7;
  std::int32_t minor = 3;
  std::int32_t build = 6;
  std::int32_t appType = 5;
  // Member name -> result code it fails with from now on.
  std::map<std::string, std::int32_t> failing;
  // Layer features by name, with their visibility.
  std::map<std::u16string, std::int32_t> features;
  // Found by name before the layers: the newest top-level feature first,
  // depth-first inside each, as Google Earth finds the latest loaded one.
  std::shared_ptr<FakeFeatureNode> temporaryPlaces = MakeFeature(u"Temporary Places");
  bool hasTemporaryPlaces = true;
  // KML texts and files handed over, in order.
  std::vector<std::u16string> loadedKml;
  std::vector<std::pair<std::u16string, bool>> openedFiles;
  // The camera: GetCamera hands out detached copies of it (none when
  // hasCamera is false); SetCameraParams records each move and takes it.
  FakeCamera camera;
  bool hasCamera = true;
  std::vector<CameraMove> cameraMoves;
  FakeExtents extents;
  bool hasExtents = true;
  FakeTerrainPoint terrain;
  bool hasTerrainPoint = true;
  // Screen positions asked for, in order.
  std::vector<std::pair<double, double>> screenQueries;
  // Files SaveScreenShot was asked to write, with their quality.
  std::vector<std::pair<std::u16string, std::int32_t>> screenShots;
  int connections = 0;   // live application objects
  int connectCount = 0;  // connections made so far
  // Live objects the application handed out: cameras, features,
  // collections, extents and terrain points.
  int liveObjects = 0;
};

class FakeEarth final : public earth::EarthServer {
 public:
  explicit FakeEarth(CallLog& log) : log_(log) {}
  std::unique_ptr<earth::ApplicationGE> Connect() override;
  EarthState state;
  // Runs on every call and connection after it is logged, as the host's
  // messages run while a real call waits for Google Earth.
  std::function<void(const std::string& member)> whileWaiting;
  // Injected failures, when a test shares a plan with the other fakes.
  FaultPlan* faults = nullptr;

  // Throws the member's configured failure, after logging the call.
  void Call(const std::string& member);

 private:
  CallLog& log_;
};

}  // namespace zge::fakes
