// What the demo leaves in its output folder at the end of a replay: the
// pictures of the view, the host window, the saved features, the view
// placemark and the summary of every call made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "export_stats.h"
#include "host_state.h"
#include "nmea_reader.h"
#include "plugin.h"

namespace demo {

// Waits until the pictures asked for have appeared, then writes the view
// as the plug-in's bitmap and the whole host window, as PNG files.
void SaveViewPictures(const ZelkanGE& zge, TimedCalls& call,
                      const std::vector<std::filesystem::path>& pictures,
                      const HostWindows& windows, const HostState& state,
                      const std::filesystem::path& out);

struct SavedFeatures {
  std::int32_t saved = 0;
  std::int32_t count = 0;
};
// Saves every loaded feature into `folder`; a feature that is not saved is
// reported on stderr.
SavedFeatures SaveFeatures(const ZelkanGE& zge, TimedCalls& call,
                           const std::filesystem::path& folder);
// The view as a KML placemark; throws when the plug-in cannot write it.
void SaveViewPlacemark(const ZelkanGE& zge, TimedCalls& call, const std::filesystem::path& file);

struct ReplayReport {
  std::string logName;
  const nav::NmeaReader& log;
  std::size_t fixesReplayed = 0;
  double seconds = 0;
  std::size_t liveUpdates = 0;
  std::size_t legs = 0;
  SavedFeatures features;
  const ExportStats& stats;
};
// The summary: what was read and replayed, and every call's timing.
std::string Summary(const ReplayReport& report);

}  // namespace demo
