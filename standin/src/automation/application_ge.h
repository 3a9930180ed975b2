// The ApplicationGE object: IApplicationGE's members over the EarthState,
// the windows and the painter. One object serves every client.
#pragma once

#include <memory>

#include "automation/config.h"
#include "automation/dispatch.h"
#include "kml/kml_loader.h"
#include "model/earth_state.h"
#include "windows/view_windows.h"

namespace standin {

struct Versions {
  std::int32_t major = 7;
  std::int32_t minor = 3;
  std::int32_t build = 6;
  std::int32_t appType = 5;
};

class ApplicationGE final : public DispatchObject {
 public:
  ApplicationGE(std::shared_ptr<CallGate> gate, std::shared_ptr<EarthState> state,
                std::shared_ptr<const ViewWindows> windows, const Versions& versions);
  [[nodiscard]] std::string JournalName() const override { return {}; }

 protected:
  [[nodiscard]] std::string_view RuleClass() const override { return {}; }
  [[nodiscard]] bool IsInitialized() const override;
  Answer Call(const MemberEntry& member, CallKind kind, const Args& args) override;

 private:
  [[nodiscard]] SIZE ViewSize() const;
  Answer MoveCamera(const CameraState& requested, double speed);
  Answer SaveScreenShot(const Args& args);
  [[nodiscard]] CameraState CameraArgument(const Args& args, std::size_t index) const;

  std::shared_ptr<EarthState> state_;
  std::shared_ptr<const ViewWindows> windows_;
  Versions versions_;
  KmlLoader kml_;
};

}  // namespace standin
