// ZelkanGE's demo host: a small navigation program of the kind ZelkanGE is
// made for. It reads a boat's NMEA 0183 log and a GPX file of harbours and
// the planned route, draws a Mercator chart of its own beside the embedded
// Google Earth view, and replays the voyage through the plug-in the way a
// chart plotter drives it: waypoints and the route at the start, the live
// position (rate-limited) and the view following the boat, a track leg
// every few fixes, wheel zoom and pixel queries, pictures, saved features
// and the view placemark at the end, then a summary of every call made.
//
//   ZelkanGEDemo.exe [--nmea FILE] [--gpx FILE] [--speed X] [--from T] [--to T]
//                    [--out DIR] [--headless] [--heading-up] [--leg-every N]
//
// Written against the public header only; the plug-in is loaded from the
// program's own folder, as a chart program loads its plug-ins.
//
// The parts, each a unit of demo/host/ a host developer may copy from:
// plugin (binding and call timing), chart (painting), host_windows (window
// procedures and the message loop), pictures, replay, outputs.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host_state.h"
#include "host_windows.h"
#include "nmea_reader.h"
#include "options.h"
#include "outputs.h"
#include "plugin.h"
#include "replay.h"
#include "win32_support.h"

namespace demo {
namespace {

using namespace std::chrono_literals;

constexpr auto kViewTimeout = 30s;

struct StartUp {
  bool failed = false;
};

void ZGE_CALL OnLoaded(void* context, ZgeBool isLoaded) noexcept {
  auto& startUp = *static_cast<StartUp*>(context);
  startUp.failed = startUp.failed || isLoaded == 0;
}

// The options are UTF-8; a narrow path would be read in the ANSI code page.
std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(Wide(utf8, CP_UTF8));
}

// The voyage, the plan and the land near it, as the options name them.
HostState ReadVoyage(const Options& options, const std::filesystem::path& folder,
                     const std::filesystem::path& nmeaFile, nav::NmeaReader& log) {
  const std::filesystem::path gpxFile =
      options.gpx.empty() ? folder / "valletta-syracuse.gpx" : PathOf(options.gpx);
  std::ifstream nmeaInput(nmeaFile, std::ios::binary);
  if (!nmeaInput) {
    throw DemoError("cannot open the NMEA log " + nmeaFile.string());
  }
  log = nav::ReadNmea(nmeaInput);
  HostState state;
  state.fixes = SelectFixes(log.Fixes(), options);
  if (state.fixes.empty()) {
    throw DemoError("no fixes to replay in " + nmeaFile.string());
  }
  const std::vector<char> gpxBytes = ReadFileBytes(gpxFile);
  try {
    state.gpx = nav::ReadGpx(gpxBytes);
  } catch (const nav::GpxError& error) {
    throw DemoError(gpxFile.string() + ", " + error.what());
  }
  state.land = LandNear(folder / "coastlines.bin", state.fixes);
  std::printf("[replay] %zu fixes from %s (%zu lines, %zu skipped), %zu waypoints, %zu routes\n",
              state.fixes.size(), nmeaFile.filename().string().c_str(), log.Lines(),
              log.Skipped().size(), state.gpx.waypoints.size(), state.gpx.routes.size());
  return state;
}

// Starts Google Earth in the pane and waits until its view is shown.
void EmbedGoogleEarth(const ZelkanGE& zge, TimedCalls& call, HostState& state,
                      const HostWindows& windows, StartUp& startUp) {
  if (!call("LoadGE", zge.LoadGE, windows.pane, &OnLoaded, static_cast<void*>(&startUp))) {
    throw DemoError("LoadGE failed: " + zge.LastError());
  }
  state.zge = &zge;
  state.call = &call;
  const bool ready = PumpUntil(
      [&] { return zge.ZgeIsViewReady() != 0 || startUp.failed || state.quit; }, kViewTimeout);
  if (startUp.failed) {
    throw DemoError("Google Earth could not be started: " + zge.LastError());
  }
  if (!ready) {
    throw DemoError("Google Earth's view did not appear within 30 s: " + zge.LastError());
  }
  std::printf("[replay] Google Earth %d.%d.%d is embedded beside the chart\n", zge.ZgeGetMajor(),
              zge.ZgeGetMinor(), zge.ZgeGetBuild());
  // The user widens the window: the panel follows, and from now on the
  // view keeps the panel's size (Google Earth sizes it through its main
  // window on each size change).
  if (!SetWindowPos(windows.frame.get(), nullptr, 0, 0, 1100, 640,
                    SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)) {
    FailWithLastError("SetWindowPos(frame)");
  }
}

int Run(const Options& options) {
  const std::filesystem::path folder = ExeFolder();
  const std::filesystem::path nmeaFile =
      options.nmea.empty() ? folder / "valletta-syracuse.nmea" : PathOf(options.nmea);
  const std::filesystem::path out = std::filesystem::absolute(PathOf(options.out));
  std::filesystem::create_directories(out);
  nav::NmeaReader log;
  HostState state = ReadVoyage(options, folder, nmeaFile, log);

  const ComScope com;
  const HostWindows windows = CreateHostWindows(state);
  const ZelkanGE zge(folder / "ZelkanGE.dll");
  ExportStats stats;
  TimedCalls call(stats);
  const auto closeAtEnd = [&] {
    state.zge = nullptr;
    state.call = nullptr;
    call("CloseGE", zge.CloseGE);
  };
  const auto started = Clock::now();
  try {
    StartUp startUp;
    EmbedGoogleEarth(zge, call, state, windows, startUp);
    Replay replay{options, zge, call, state, windows, 0, 0, 0, {}};
    replay.Run();
    replay.Picture("zelkange-view.png");
    SaveViewPictures(zge, call, replay.pictures, windows, state, out);
    const SavedFeatures features = SaveFeatures(zge, call, out / "features");
    SaveViewPlacemark(zge, call, out / "zelkange-view.kml");
    if (!options.headless) {
      std::printf("[replay] done; close the window to end\n");
      PumpUntil([&] { return state.quit; }, 24h);
    }
    closeAtEnd();

    // The summary, on the terminal and beside the pictures.
    const std::string summary =
        Summary(ReplayReport{nmeaFile.filename().string(), log, state.fixes.size(),
                             std::chrono::duration<double>(Clock::now() - started).count(),
                             replay.liveUpdates, replay.legs, features, stats});
    std::fputs(summary.c_str(), stdout);
    std::ofstream(out / "summary.txt", std::ios::binary) << summary;
  } catch (...) {
    closeAtEnd();
    throw;
  }
  return 0;
}

}  // namespace
}  // namespace demo

int wmain(int argc, wchar_t** argv) {
  try {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
      arguments.push_back(demo::Narrow(argv[i], CP_UTF8));
    }
    return demo::Run(demo::ParseOptions(arguments));
  } catch (const demo::OptionsError& error) {
    std::fprintf(stderr, "%s\n%s\n", error.what(), demo::kUsage);
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ZelkanGE demo failed: %s\n", error.what());
    return 1;
  }
}
