// The companion objects of the view: ICameraInfoGE (a detached snapshot),
// IViewExtentsGE and IPointOnTerrainGE (snapshots too).
#pragma once

#include "automation/dispatch.h"
#include "model/camera.h"
#include "render/globe_view.h"

namespace standin {

class CameraInfoGE final : public DispatchObject {
 public:
  CameraInfoGE(std::shared_ptr<CallGate> gate, const CameraState& camera);
  [[nodiscard]] std::string JournalName() const override { return "Camera"; }
  // The values as they stand (puts included), unchecked.
  [[nodiscard]] const CameraState& Snapshot() const { return camera_; }

 protected:
  [[nodiscard]] std::string_view RuleClass() const override;
  Answer Call(const MemberEntry& member, CallKind kind, const Args& args) override;

 private:
  CameraState camera_;
};

class ViewExtentsGE final : public DispatchObject {
 public:
  ViewExtentsGE(std::shared_ptr<CallGate> gate, const LatLonBox& box);
  [[nodiscard]] std::string JournalName() const override { return "ViewExtents"; }

 protected:
  [[nodiscard]] std::string_view RuleClass() const override;
  Answer Call(const MemberEntry& member, CallKind kind, const Args& args) override;

 private:
  LatLonBox box_;
};

class PointOnTerrainGE final : public DispatchObject {
 public:
  PointOnTerrainGE(std::shared_ptr<CallGate> gate, const TerrainHit& hit, bool zeroExaggeration);
  [[nodiscard]] std::string JournalName() const override { return "PointOnTerrain"; }

 protected:
  [[nodiscard]] std::string_view RuleClass() const override;
  Answer Call(const MemberEntry& member, CallKind kind, const Args& args) override;

 private:
  TerrainHit hit_;
  bool zeroExaggeration_;
};

}  // namespace standin
