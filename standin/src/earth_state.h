// What the running Earth knows: the camera, the settings and the features.
// The automation objects change it; the view paints it. Portable.
#pragma once

#include <functional>
#include <utility>

#include "camera.h"
#include "feature_tree.h"

namespace standin {

class EarthState {
 public:
  EarthState() : camera_(StartCamera()) {
    features_.SetOnChanged([this] { Changed(); });
  }
  EarthState(const EarthState&) = delete;
  EarthState& operator=(const EarthState&) = delete;

  [[nodiscard]] const CameraState& Camera() const { return camera_; }
  // Expects a camera already checked by NormalizeCamera.
  void SetCamera(const CameraState& camera) {
    camera_ = camera;
    Changed();
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
  void Changed() const {
    if (onChanged_) onChanged_();
  }

  CameraState camera_;
  double autoPilotSpeed_ = 1.0;
  double elevationExaggeration_ = 1.0;
  FeatureTree features_;
  std::function<void()> onChanged_;
};

}  // namespace standin
