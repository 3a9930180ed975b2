// The soak host: a Win32 program that drives ZelkanGE.dll through its
// exports only (loaded with LoadLibrary, as any host does) against the
// stand-in Earth server, for long runs and under injected faults.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/handles.h"
#include "support/host_window.h"
#include "support/zelkange_api.h"

namespace zge::soak {

using test::HostWindow;
using test::ZelkanGE;

struct Options {
  std::string mode;
  std::uint64_t calls = 0;
  std::uint64_t cycles = 0;
  std::uint64_t legs = 0;
  std::uint32_t seed = 0;
  bool hostMessages = true;       // random: the host's other thread sends calls in
  bool serverDeaths = true;       // random: ExitOnCall rules and kills of the stand-in
  std::filesystem::path report;   // also written here when given
  std::filesystem::path journal;  // the stand-in's journal, for replaying a failure
};

// Every line goes to stdout and, when given, to the report file.
class Report {
 public:
  explicit Report(const std::filesystem::path& file);
  void Line(const std::string& text);

 private:
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

// Ends the process when one export does not return in time: a hung call
// is a failure the run must name, not a test that never ends.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Only the outermost call is timed: calls made from inside a call (the
  // host's messages during a COM wait) finish inside it.
  void Enter(const char* name) noexcept;
  void Leave() noexcept;

 private:
  std::chrono::seconds limit_;
  std::atomic<int> depth_{0};
  std::atomic<const char*> name_{nullptr};
  std::atomic<std::int64_t> since_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The host process's counts of kernel handles, GDI and USER objects, and
// its private bytes.
struct ProcessCounters {
  DWORD handles = 0;
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;  // 0 under Wine, which does not count them
  DWORD windows = 0;
  std::uint64_t privateBytes = 0;
};
ProcessCounters SampleThisProcess();
// This process's kernel handles by the system's object type number.
std::map<std::string, DWORD> HandleTypes();
// Which counters are seen to move: each makes ten objects of its kind and
// must count exactly ten more (and, for GDI, ten fewer once they are gone).
// GDI objects are counted by the first way that passes (GetGuiResources,
// else Wine's handle table, else GDI asked about every handle index), and
// SampleThisProcess uses that way from then on; a counter that passes no
// way is not a measurement.
enum class GdiCounter { kGuiResources, kHandleTable, kHandleIndices };
struct CounterProof {
  bool handles = false;
  std::optional<GdiCounter> gdi;
  bool user = false;
};
CounterProof ProveCounters();
// Reports a part of a run that could not be measured. Where the harness
// gives a results folder (ZGE_RESULTS_DIR, a Unix path under Wine's Z:),
// it also lands in make test's summary as <name>-win32 or -win64, NOT RUN.
void NotRun(Report& report, const std::string& name, const std::string& reason);
// Private bytes of another process; nothing when it cannot be read.
std::optional<std::uint64_t> PrivateBytesOf(DWORD processId);

// Reads ZgeGetLastError as a host does (length first, then the text) and
// checks that the answer is consistent; false when it is not.
bool LastErrorReadable(ZelkanGE& api, std::int32_t* code);

// The stand-in's configuration key: written between sessions, read by the
// stand-in when it starts.
struct StandInRules {
  std::wstring failMembers;
  std::wstring exitOnCall;
  std::wstring delayMembers;
  std::wstring statsPath;
  std::wstring journalPath;
};
void WriteStandInRules(const StandInRules& rules);
// Whether a stand-in process runs now.
bool StandInRunning();
// Ends the stand-in at once, as a crash would.
bool KillStandIn();

// Pumps the thread's messages for `duration` (zero: what is queued).
void Pump(std::chrono::milliseconds duration);
bool WaitForView(ZelkanGE& api, std::chrono::milliseconds timeout);

// Percentiles of a window of call times, in milliseconds.
double Percentile(std::vector<double> values, double fraction);

std::filesystem::path WorkDir();

int RunRandomCalls(const Options& options, Report& report);
int RunCycles(const Options& options, Report& report);
int RunComCycles(const Options& options, Report& report);
int RunVoyage(const Options& options, Report& report);

}  // namespace zge::soak
