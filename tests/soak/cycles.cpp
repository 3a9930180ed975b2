// LoadGE/CloseGE cycles with a little work in each; the host's handle, GDI
// and USER object counts must stay flat.
#include <sstream>

#include "soak.h"
#include "support/earth_standin.h"

namespace zge::soak {
namespace {

using namespace std::chrono_literals;

// What may come and go between samples: the wineserver's and COM's own
// handles (a stand-in process, its proxies) move by a few.
constexpr long kHandleSlack = 12;
constexpr long kGuiSlack = 4;

}  // namespace

int RunCycles(const Options& options, Report& report) {
  report.Line("soak cycles: " + std::to_string(options.cycles) + " LoadGE/CloseGE cycles");
  test::EndStandIn();
  test::ResetPackageKeys();
  WriteStandInRules({});
  HostWindow host;
  ZelkanGE api(test::ZelkanGEPath());
  Watchdog watchdog(60s);
  const std::filesystem::path dir = WorkDir();
  const std::string saved = (dir / "saved").string();
  const std::wstring picture = (dir / "view.png").wstring();

  std::uint64_t notEmbedded = 0;
  std::vector<ProcessCounters> samples;
  const auto started = std::chrono::steady_clock::now();
  for (std::uint64_t cycle = 1; cycle <= options.cycles; ++cycle) {
    watchdog.Enter("LoadGE");
    const ZgeBool loaded = api.LoadGE(host.Parent(), nullptr, nullptr);
    watchdog.Leave();
    if (loaded == 0 || !WaitForView(api, 15000ms)) ++notEmbedded;
    watchdog.Enter("work");
    api.LoadWaypoint("Mark", "", "", 35.9, 14.5);
    const TPointGE points[] = {{"A", "", "", 35.9, 14.5}, {"B", "", "", 36.0, 14.6}};
    const TListGE list{2, points};
    api.LoadRoute(&list, L"Route", L"", 0);
    api.LoadLiveGPS("Boat", "", "", 35.95, 14.55, 90);
    api.LoadTrackLeg(L"Track", L"", 35.9, 14.5, 35.95, 14.55, 0, static_cast<int>(cycle), 45, 1);
    api.SynchronizeView(20000, 35.9, 14.5, 0);
    double a = 0, b = 0, c = 0;
    api.CameraPoint(&a, &b, &c);
    api.SaveFeature(saved.c_str(), 0);
    HBITMAP bitmap = nullptr;
    api.GetImageGE(&bitmap);
    if (bitmap != nullptr) DeleteObject(bitmap);
    bitmap = nullptr;
    api.ZgeGetEarthImage(&bitmap);
    if (bitmap != nullptr) DeleteObject(bitmap);
    api.ZgeReadRegistry();
    // Every other cycle ends Google Earth with the panel, so both the
    // start and the attach of the next cycle are measured.
    api.SetShutDownGE(cycle % 2 == 0 ? 1 : 0);
    api.CloseGE();
    watchdog.Leave();
    Pump(100ms);
    samples.push_back(SampleThisProcess());
    const ProcessCounters& now = samples.back();
    std::ostringstream line;
    line << "cycle " << cycle << " handles " << now.handles << " gdi " << now.gdiObjects << " user "
         << now.userObjects << " private_kb " << now.privateBytes / 1024;
    report.Line(line.str());
  }
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  // The counts after a few warm-up cycles (lazy initialisation of COM,
  // the class registrations, fonts) against the highest later ones.
  const std::size_t warm = std::min<std::size_t>(5, samples.size() - 1);
  const ProcessCounters& base = samples[warm];
  long maxHandles = 0, maxGdi = 0, maxUser = 0;
  for (std::size_t i = warm; i < samples.size(); ++i) {
    maxHandles = std::max(maxHandles,
                          static_cast<long>(samples[i].handles) - static_cast<long>(base.handles));
    maxGdi = std::max(
        maxGdi, static_cast<long>(samples[i].gdiObjects) - static_cast<long>(base.gdiObjects));
    maxUser = std::max(
        maxUser, static_cast<long>(samples[i].userObjects) - static_cast<long>(base.userObjects));
  }
  const ProcessCounters& last = samples.back();
  std::ostringstream summary;
  summary << "cycles " << samples.size() << " in " << static_cast<int>(seconds)
          << " s, not embedded " << notEmbedded << "; after cycle " << warm + 1 << ": handles "
          << base.handles << " gdi " << base.gdiObjects << " user " << base.userObjects
          << "; last: handles " << last.handles << " gdi " << last.gdiObjects << " user "
          << last.userObjects << "; largest rise: handles " << maxHandles << " gdi " << maxGdi
          << " user " << maxUser;
  report.Line(summary.str());
  const bool passed =
      notEmbedded == 0 && maxHandles <= kHandleSlack && maxGdi <= kGuiSlack && maxUser <= kGuiSlack;
  report.Line(passed ? "PASS" : "FAIL");
  return passed ? 0 : 1;
}

}  // namespace zge::soak
