// What the running Earth knows: the camera, the settings and the features.
// The automation objects change it; the view paints it. Portable.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <utility>

#include "model/camera.h"
#include "model/feature_tree.h"

namespace standin {

class EarthState {
 public:
  EarthState() : camera_(StartCamera()) {
    features_.SetOnChanged([this] { Changed(); });
  }
  EarthState(const EarthState&) = delete;
  EarthState& operator=(const EarthState&) = delete;

  using Clock = std::chrono::steady_clock;

  // Where the camera is, or during a flight where it is going: what
  // GetCamera reports, so that a client's read-modify-write stays exact.
  [[nodiscard]] const CameraState& Camera() const { return camera_; }
  // A jump; it ends any flight. Expects a camera already checked by NormalizeCamera.
  void SetCamera(const CameraState& camera) {
    camera_ = camera;
    flight_.reset();
    Changed();
  }
  // Off: FlyTo jumps.
  void SetFlights(bool on) { flights_ = on; }
  // A flight from what the screen shows now to `camera`.
  void FlyTo(const CameraState& camera, double seconds, Clock::time_point now = Clock::now()) {
    const CameraState shown = ShownCamera(now);
    const bool underWay = flight_ && TimeInFlight(now) < flight_->Seconds();
    if (flights_ && !SameView(shown, camera)) {
      flight_.emplace(shown, camera, seconds, underWay);
      flightStart_ = now;
    } else {
      flight_.reset();  // already there, or flights off: at once
    }
    camera_ = camera;
    Changed();
  }
  // The camera the screen shows at `now`: the flight's camera then, else Camera().
  [[nodiscard]] CameraState ShownCamera(Clock::time_point now = Clock::now()) const {
    if (!flight_) {
      return camera_;
    }
    return flight_->At(TimeInFlight(now));
  }
  // True while a flight is on, and once more after it has ended, so that
  // the frame after the last one shows its end.
  [[nodiscard]] bool TakeFlightFrame(Clock::time_point now = Clock::now()) {
    if (!flight_) {
      return false;
    }
    if (TimeInFlight(now) >= flight_->Seconds()) {
      flight_.reset();
    }
    return true;
  }

  [[nodiscard]] double AutoPilotSpeed() const { return autoPilotSpeed_; }
  void SetAutoPilotSpeed(double speed) { autoPilotSpeed_ = speed; }

  [[nodiscard]] double ElevationExaggeration() const { return elevationExaggeration_; }
  void SetElevationExaggeration(double value) {
    elevationExaggeration_ = value;
    Changed();
  }

  [[nodiscard]] FeatureTree& Features() { return features_; }
  [[nodiscard]] const FeatureTree& Features() const { return features_; }

  // Called after every change the view shows (camera, exaggeration, features).
  void SetOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }

 private:
  [[nodiscard]] double TimeInFlight(Clock::time_point now) const {
    return std::chrono::duration<double>(now - flightStart_).count();
  }
  static bool SameView(const CameraState& a, const CameraState& b) {
    return a.latitude == b.latitude && a.longitude == b.longitude && a.range == b.range &&
           a.tilt == b.tilt && a.azimuth == b.azimuth && a.altitude == b.altitude;
  }

  void Changed() const {
    if (onChanged_) {
      onChanged_();
    }
  }

  CameraState camera_;
  std::optional<CameraFlight> flight_;
  Clock::time_point flightStart_;
  bool flights_ = true;
  double autoPilotSpeed_ = 1.0;
  double elevationExaggeration_ = 1.0;
  FeatureTree features_;
  std::function<void()> onChanged_;
};

}  // namespace standin
