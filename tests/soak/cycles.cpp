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
  const CounterProof counters = ProveCounters();
  report.Line(std::string("the counters see new handles: ") + (counters.handles ? "yes" : "NO"));
  if (counters.gdi) {
    constexpr const char* kWays[] = {"GetGuiResources", "the handle table", "every handle index"};
    report.Line(std::string("the counters see new GDI objects: yes, through ") +
                kWays[static_cast<int>(*counters.gdi)]);
  } else {
    NotRun(report, "soak-gdi",
           "no way of counting this process's GDI objects is seen to move when objects are made");
  }
  if (counters.user) {
    report.Line("the counters see new USER objects: yes");
  } else {
    NotRun(report, "soak-user",
           "GetGuiResources counts no USER objects in this process (Wine's answer); "
           "its windows are counted instead");
  }
  const std::filesystem::path dir = WorkDir();
  const std::string saved = (dir / "saved").string();
  const std::wstring picture = (dir / "view.png").wstring();

  constexpr std::uint64_t warmCycles = 6;
  std::map<std::string, DWORD> warmTypes;
  std::uint64_t notEmbedded = 0;
  std::vector<ProcessCounters> samples;
  const auto started = std::chrono::steady_clock::now();
  for (std::uint64_t cycle = 1; cycle <= options.cycles; ++cycle) {
    watchdog.Enter("LoadGE");
    const ZgeBool loaded = api.LoadGE(host.Parent(), nullptr, nullptr);
    watchdog.Leave();
    if (loaded == 0 || !WaitForView(api, 15000ms)) {
      ++notEmbedded;
    }
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
    if (bitmap != nullptr) {
      DeleteObject(bitmap);
    }
    bitmap = nullptr;
    api.ZgeGetEarthImage(&bitmap);
    if (bitmap != nullptr) {
      DeleteObject(bitmap);
    }
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
         << now.userObjects << " windows " << now.windows << " private_kb "
         << now.privateBytes / 1024;
    report.Line(line.str());
    if (cycle == warmCycles) {
      warmTypes = HandleTypes();
    }
  }
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  // The counts after a few warm-up cycles (lazy initialisation of COM,
  // the class registrations, fonts) against the highest later ones.
  const std::size_t warm = std::min<std::size_t>(warmCycles, samples.size()) - 1;
  const ProcessCounters& base = samples[warm];
  auto rise = [&](auto member) {
    long most = 0;
    for (std::size_t i = warm; i < samples.size(); ++i) {
      most =
          std::max(most, static_cast<long>(samples[i].*member) - static_cast<long>(base.*member));
    }
    return most;
  };
  const long handles = rise(&ProcessCounters::handles);
  const long gdi = rise(&ProcessCounters::gdiObjects);
  const long user = rise(&ProcessCounters::userObjects);
  const long windows = rise(&ProcessCounters::windows);
  const ProcessCounters& last = samples.back();
  std::ostringstream summary;
  summary << "cycles " << samples.size() << " in " << static_cast<int>(seconds)
          << " s, not embedded " << notEmbedded << "; after cycle " << warm + 1 << ": handles "
          << base.handles << " gdi " << base.gdiObjects << " user " << base.userObjects
          << " windows " << base.windows << "; last: handles " << last.handles << " gdi "
          << last.gdiObjects << " user " << last.userObjects << " windows " << last.windows
          << "; largest rise: handles " << handles << " gdi " << gdi << " user " << user
          << " windows " << windows;
  report.Line(summary.str());
  std::ostringstream types;
  types << "handles by object type (after cycle " << warm + 1 << " -> last):";
  const std::map<std::string, DWORD> lastTypes = HandleTypes();
  long eventRise = 0;
  for (const auto& [type, count] : lastTypes) {
    const auto before = warmTypes.find(type);
    const DWORD was = before == warmTypes.end() ? 0 : before->second;
    if (was != count) {
      types << " " << type << ": " << was << " -> " << count;
    }
    if (type == "Event") {
      eventRise = static_cast<long>(count) - static_cast<long>(was);
    }
  }
  const auto startsSinceWarm = static_cast<long>(options.cycles - warm - 1) / 2;
  types << "; Google Earth started " << startsSinceWarm << " times since";
  report.Line(types.str());
  // Wine's COM keeps one event for every server process it has talked to
  // (com-cycles shows it without the DLL): events may rise by one per
  // start of Google Earth, everything else must stay flat.
  const long ownHandles = handles - std::max(0L, std::min(eventRise, startsSinceWarm + 1));
  // A counter that was not seen to move measures nothing: its part is
  // reported as not run above, never passed.
  const bool passed = counters.handles && notEmbedded == 0 && ownHandles <= kHandleSlack &&
                      (!counters.gdi || gdi <= kGuiSlack) &&
                      (!counters.user || user <= kGuiSlack) && windows <= kGuiSlack;
  report.Line(passed ? "PASS" : "FAIL");
  return passed ? 0 : 1;
}

int RunComCycles(const Options& options, Report& report) {
  // The same start and end of Google Earth without the DLL: what Wine's
  // COM itself keeps per server process it talked to.
  report.Line("soak com-cycles: " + std::to_string(options.cycles) +
              " starts of Google Earth by the host's own COM client, no DLL");
  test::EndStandIn();
  test::ResetPackageKeys();
  WriteStandInRules({});
  std::map<std::string, DWORD> first;
  ProcessCounters base;
  for (std::uint64_t cycle = 1; cycle <= options.cycles; ++cycle) {
    {
      const test::EarthClient earth = test::EarthClient::Connect();
      static_cast<void>(test::PumpUntil([&] { return earth.MainWindow() != nullptr; }, 15000ms));
    }
    test::EndStandIn();
    Pump(100ms);
    const ProcessCounters now = SampleThisProcess();
    if (cycle == 2) {
      base = now;
      first = HandleTypes();
    }
    report.Line("cycle " + std::to_string(cycle) + " handles " + std::to_string(now.handles));
  }
  std::ostringstream types;
  types << "handles by object type (after cycle 2 -> last):";
  for (const auto& [type, count] : HandleTypes()) {
    const auto before = first.find(type);
    const DWORD was = before == first.end() ? 0 : before->second;
    if (was != count) {
      types << " " << type << ": " << was << " -> " << count;
    }
  }
  report.Line(types.str());
  return 0;
}

}  // namespace zge::soak
