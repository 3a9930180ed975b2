#include "outputs.h"

#include <chrono>
#include <cstdio>

#include "host_windows.h"
#include "pictures.h"

namespace demo {
namespace {

using namespace std::chrono_literals;

constexpr auto kPictureTimeout = 10s;

}  // namespace

void SaveViewPictures(const ZelkanGE& zge, TimedCalls& call,
                      const std::vector<std::filesystem::path>& pictures,
                      const HostWindows& windows, const HostState& state,
                      const std::filesystem::path& out) {
  for (const auto& picture : pictures) {
    if (!PumpUntil([&] { return std::filesystem::exists(picture); }, kPictureTimeout)) {
      throw DemoError("no picture of the view at " + picture.string());
    }
  }
  HBITMAP bitmap = nullptr;
  if (!call("ZgeGetEarthImage", zge.ZgeGetEarthImage, &bitmap)) {
    throw DemoError("no bitmap of the view: " + zge.LastError());
  }
  const UniqueBitmap ownedBitmap(bitmap);
  WritePng(bitmap, out / "zelkange-view-bitmap.png");
  SaveHostPicture(windows, state, bitmap, out / "host-window.png");
}

SavedFeatures SaveFeatures(const ZelkanGE& zge, TimedCalls& call,
                           const std::filesystem::path& folder) {
  const std::string featureFolder = Narrow(folder.wstring(), CP_ACP);
  SavedFeatures features;
  features.count = call("FeatureCount", zge.FeatureCount);
  for (std::int32_t i = 0; i < features.count; ++i) {
    if (call("SaveFeature", zge.SaveFeature, featureFolder.c_str(), i)) {
      ++features.saved;
    } else {
      std::fprintf(stderr, "[replay] feature %d not saved: %s\n", i, zge.LastError().c_str());
    }
  }
  return features;
}

void SaveViewPlacemark(const ZelkanGE& zge, TimedCalls& call, const std::filesystem::path& file) {
  const std::string placemark = Narrow(file.wstring(), CP_ACP);
  if (!call("ZgeSaveKMLToFile", zge.ZgeSaveKMLToFile, placemark.c_str())) {
    throw DemoError("no view placemark: " + zge.LastError());
  }
}

std::string Summary(const ReplayReport& report) {
  const nav::NmeaReader& log = report.log;
  std::string summary;
  char line[256];
  std::snprintf(line, sizeof line,
                "Replay of %s: %zu fixes replayed of %zu read from %zu lines in %.1f s\n",
                report.logName.c_str(), report.fixesReplayed, log.Fixes().size(), log.Lines(),
                report.seconds);
  summary += line;
  std::snprintf(line, sizeof line, "Lines skipped: %zu\n", log.Skipped().size());
  summary += line;
  for (std::size_t r = 0; r < nav::kSkipReasonCount; ++r) {
    const auto reason = static_cast<nav::SkipReason>(r);
    if (log.SkippedCount(reason) == 0) {
      continue;
    }
    std::snprintf(line, sizeof line, "  %-26s %zu\n", std::string(nav::Describe(reason)).c_str(),
                  log.SkippedCount(reason));
    summary += line;
  }
  std::snprintf(line, sizeof line,
                "Live updates %zu, track legs %zu, features saved %d of %d\n"
                "Calls into ZelkanGE: %zu\n",
                report.liveUpdates, report.legs, report.features.saved, report.features.count,
                report.stats.TotalCalls());
  summary += line;
  summary += report.stats.Table();
  return summary;
}

}  // namespace demo
