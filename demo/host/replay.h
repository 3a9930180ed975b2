// The voyage replayed through the plug-in as a chart plotter drives it: the
// plan (waypoints and the route) at the start, the live position
// (rate-limited) with the view following the boat, a track leg every few
// fixes, the wheel over the view, pictures on the way.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "host_state.h"
#include "nmea_reader.h"
#include "options.h"
#include "plugin.h"
#include "render/coastlines.h"

namespace demo {

struct Replay {
  const Options& options;
  const ZelkanGE& zge;
  TimedCalls& call;
  HostState& state;
  const HostWindows& windows;
  std::size_t liveUpdates = 0;
  std::size_t legs = 0;
  std::size_t legStart = 0;
  std::vector<std::filesystem::path> pictures;

  // Replays every fix at its time (scaled by the options' speed) until the
  // last one or the user closes the window.
  void Run();
  // Has the view saved as `name` in the output folder (SaveImageGE).
  void Picture(const std::string& name);

 private:
  void LoadPlan();
  void Leg(std::size_t to);
  void Live(const nav::Fix& fix);
  // The wheel over the view, as the user turns it.
  void Wheel(int delta);
  void UpdateStatus(const nav::Fix& fix, std::size_t n);
};

// The fixes between the options' --from and --to.
std::vector<nav::Fix> SelectFixes(const std::vector<nav::Fix>& all, const Options& options);
// The land rings of the coastline data near the voyage.
std::vector<standin::GeoLine> LandNear(const std::filesystem::path& file,
                                       const std::vector<nav::Fix>& fixes);

}  // namespace demo
