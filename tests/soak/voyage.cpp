// A long voyage: a live GPS position every "second" (as fast as the calls
// go) and a track leg every so often. The host's memory and the time per
// call must stay flat; the stand-in's memory and frame time are reported.
#include <cmath>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "soak.h"
#include "support/earth_standin.h"

namespace zge::soak {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t kWindow = 1000;
// Loose on purpose: the bounded run checks that nothing grows per call,
// the full run's numbers are reported, not judged here.
constexpr double kHostGrowthLimitBytes = 48.0 * 1024 * 1024;

// The stand-in's statistics file (lines "name value"), when it writes one.
std::string ReadStats(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line, out;
  while (std::getline(in, line)) {
    if (!line.empty()) {
      out += (out.empty() ? "" : " ") + line;
    }
  }
  return out;
}

}  // namespace

int RunVoyage(const Options& options, Report& report) {
  const std::uint64_t legEvery =
      options.legs == 0 ? 0 : std::max<std::uint64_t>(1, options.calls / options.legs);
  report.Line("soak voyage: " + std::to_string(options.calls) + " LoadLiveGPS calls, " +
              std::to_string(options.legs) + " track legs (one every " + std::to_string(legEvery) +
              " positions)");
  test::EndStandIn();
  test::ResetPackageKeys();
  const std::filesystem::path stats = WorkDir() / "standin-stats.txt";
  StandInRules rules;
  rules.statsPath = stats.wstring();
  WriteStandInRules(rules);
  HostWindow host;
  ZelkanGE api(test::ZelkanGEPath());
  Watchdog watchdog(60s);
  if (api.LoadGE(host.Parent(), nullptr, nullptr) == 0 || !WaitForView(api, 20000ms)) {
    report.Line("FAIL: the view was not embedded");
    return 1;
  }
  const std::optional<DWORD> standIn = test::StandInProcessId();
  const std::optional<std::uint64_t> standInStart =
      standIn ? PrivateBytesOf(*standIn) : std::nullopt;
  report.Line(
      "window calls host_private_kb gps_p50_ms gps_p99_ms gps_max_ms leg_p50_ms "
      "standin_private_kb errors | standin stats");

  std::vector<double> gpsTimes, legTimes;
  std::vector<std::uint64_t> hostBytes;
  std::uint64_t errors = 0, legs = 0;
  double previousLat = 35.9, previousLon = 14.5;
  const auto started = std::chrono::steady_clock::now();
  for (std::uint64_t i = 1; i <= options.calls; ++i) {
    // About 6 knots north-east, turning slowly.
    const double t = static_cast<double>(i);
    const double lat = 35.9 + 0.00003 * t * std::cos(t / 20000);
    const double lon = 14.5 + 0.00003 * t * std::sin(t / 20000 + 0.7);
    const auto heading = static_cast<std::int32_t>(std::fmod(45 + t / 600, 360));
    api.ZgeClearLastError();
    watchdog.Enter("LoadLiveGPS");
    const auto before = std::chrono::steady_clock::now();
    api.LoadLiveGPS("Boat", "Position", "", lat, lon, heading);
    const auto after = std::chrono::steady_clock::now();
    watchdog.Leave();
    gpsTimes.push_back(std::chrono::duration<double, std::milli>(after - before).count());
    if (legEvery != 0 && i % legEvery == 0 && legs < options.legs) {
      ++legs;
      watchdog.Enter("LoadTrackLeg");
      const auto legBefore = std::chrono::steady_clock::now();
      api.LoadTrackLeg(L"Track", L"", previousLat, previousLon, lat, lon, 0,
                       static_cast<std::int32_t>(legs), heading, 1);
      legTimes.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - legBefore)
              .count());
      watchdog.Leave();
      previousLat = lat;
      previousLon = lon;
    }
    std::int32_t code = 0;
    if (!LastErrorReadable(api, &code) || code != 0) {
      ++errors;
    }
    Pump(0ms);
    if (i % kWindow == 0 || i == options.calls) {
      const ProcessCounters counters = SampleThisProcess();
      hostBytes.push_back(counters.privateBytes);
      const std::optional<std::uint64_t> standInBytes =
          standIn ? PrivateBytesOf(*standIn) : std::nullopt;
      std::ostringstream line;
      line << std::fixed << std::setprecision(2) << (i + kWindow - 1) / kWindow << " " << i << " "
           << counters.privateBytes / 1024 << " " << Percentile(gpsTimes, 0.5) << " "
           << Percentile(gpsTimes, 0.99) << " " << Percentile(gpsTimes, 1.0) << " "
           << Percentile(legTimes, 0.5) << " "
           << (standInBytes ? std::to_string(*standInBytes / 1024) : std::string("-")) << " "
           << errors << " | " << ReadStats(stats);
      report.Line(line.str());
      gpsTimes.clear();
      legTimes.clear();
    }
  }
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const std::optional<std::uint64_t> standInEnd = standIn ? PrivateBytesOf(*standIn) : std::nullopt;

  // Growth of the host after its first window (the DLL's lazy set-up).
  const std::uint64_t first = hostBytes.front();
  std::uint64_t highest = first;
  for (const std::uint64_t bytes : hostBytes) {
    highest = std::max(highest, bytes);
  }
  const double growth = static_cast<double>(highest - first);
  std::ostringstream summary;
  summary << std::fixed << std::setprecision(1) << "positions " << options.calls << ", legs "
          << legs << " in " << seconds << " s; host private bytes after the first window "
          << first / 1024 << " KB, highest " << highest / 1024 << " KB (rise " << growth / 1024
          << " KB); calls with an error " << errors;
  if (standInStart.has_value() && standInEnd.has_value()) {
    const std::uint64_t from = standInStart.value_or(0), to = standInEnd.value_or(0);
    summary << "; stand-in private bytes " << from / 1024 << " KB -> " << to / 1024 << " KB ("
            << (static_cast<double>(to) - static_cast<double>(from)) /
                   static_cast<double>(options.calls)
            << " bytes per superseded position)";
  }
  report.Line(summary.str());
  report.Line("stand-in stats at the end: " + ReadStats(stats));
  api.SetShutDownGE(1);
  api.CloseGE();
  const bool passed = errors == 0 && growth <= kHostGrowthLimitBytes;
  report.Line(passed ? "PASS" : "FAIL");
  return passed ? 0 : 1;
}

}  // namespace zge::soak
