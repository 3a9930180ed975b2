#include "soak.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "support/earth_standin.h"
#include "support/registry.h"

// After windows.h, which soak.h brings.
#include <psapi.h>

namespace zge::soak {
namespace {

constexpr wchar_t kStandInKey[] = L"Software\\ZelkanGE\\EarthStandIn";

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SetOrDelete(const wchar_t* name, const std::wstring& value) {
  if (!value.empty()) {
    test::registry::SetString(HKEY_CURRENT_USER, kStandInKey, name, value);
    return;
  }
  if (auto key = test::registry::OpenKey(HKEY_CURRENT_USER, kStandInKey)) {
    // A value that is not there is what was asked for.
    static_cast<void>(RegDeleteValueW(key->get(), name));
  }
}

}  // namespace

Report::Report(const std::filesystem::path& file)
    : file_(file.empty() ? nullptr : _wfopen(file.c_str(), L"w"), &std::fclose) {
  if (!file.empty() && !file_) std::cerr << "cannot write the report " << file.string() << "\n";
}

void Report::Line(const std::string& text) {
  std::cout << text << std::endl;
  if (file_) {
    std::fputs((text + "\n").c_str(), file_.get());
    std::fflush(file_.get());
  }
}

Watchdog::Watchdog(std::chrono::seconds limit) : limit_(limit) {
  thread_ = std::thread([this] {
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      const char* name = name_.load();
      if (depth_.load() > 0 && name != nullptr && NowMs() - since_.load() > limit_.count() * 1000) {
        std::fprintf(stderr, "FAIL: %s did not return within %lld s\n", name,
                     static_cast<long long>(limit_.count()));
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
      }
    }
  });
}

Watchdog::~Watchdog() {
  stop_ = true;
  thread_.join();
}

void Watchdog::Enter(const char* name) noexcept {
  if (depth_.fetch_add(1) == 0) {
    since_ = NowMs();
    name_ = name;
  }
}

void Watchdog::Leave() noexcept { depth_.fetch_sub(1); }

ProcessCounters SampleThisProcess() {
  ProcessCounters counters;
  const HANDLE self = GetCurrentProcess();
  static_cast<void>(GetProcessHandleCount(self, &counters.handles));
  counters.gdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
  counters.userObjects = GetGuiResources(self, GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory)) {
    counters.privateBytes = memory.PrivateUsage;
  }
  return counters;
}

std::optional<std::uint64_t> PrivateBytesOf(DWORD processId) {
  const test::UniqueHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) return std::nullopt;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                            sizeof memory)) {
    return std::nullopt;
  }
  return memory.PrivateUsage;
}

bool LastErrorReadable(ZelkanGE& api, std::int32_t* code) {
  std::int32_t first = 0;
  const std::int32_t length = api.ZgeGetLastError(&first, nullptr, 0);
  if (length < 0) return false;
  std::string text(static_cast<std::size_t>(length) + 1, '\x7f');
  std::int32_t second = 0;
  const std::int32_t again =
      api.ZgeGetLastError(&second, text.data(), static_cast<std::int32_t>(text.size()));
  *code = second;
  return again == length && first == second && text[static_cast<std::size_t>(length)] == '\0' &&
         text.find('\0') == static_cast<std::size_t>(length) && (second == 0) == (length == 0);
}

void WriteStandInRules(const StandInRules& rules) {
  test::registry::CreateKey(HKEY_CURRENT_USER, kStandInKey);
  SetOrDelete(L"FailMembers", rules.failMembers);
  SetOrDelete(L"ExitOnCall", rules.exitOnCall);
  SetOrDelete(L"DelayMembers", rules.delayMembers);
  SetOrDelete(L"StatsPath", rules.statsPath);
  SetOrDelete(L"JournalPath", rules.journalPath);
}

bool StandInRunning() {
  const std::optional<DWORD> processId = test::StandInProcessId();
  if (!processId) return false;
  const test::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, *processId));
  return process && test::IsProcessRunning(process.get());
}

bool KillStandIn() {
  const std::optional<DWORD> processId = test::StandInProcessId();
  if (!processId) return false;
  const test::UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, *processId));
  if (!process || !test::IsProcessRunning(process.get())) return false;
  if (!TerminateProcess(process.get(), 9)) return false;
  return WaitForSingleObject(process.get(), 5000) == WAIT_OBJECT_0;
}

void Pump(std::chrono::milliseconds duration) {
  if (duration.count() == 0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      static_cast<void>(TranslateMessage(&message));
      static_cast<void>(DispatchMessageW(&message));
    }
    return;
  }
  test::PumpFor(duration);
}

bool WaitForView(ZelkanGE& api, std::chrono::milliseconds timeout) {
  return test::PumpUntil([&] { return api.ZgeIsViewReady() != 0; }, timeout);
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(rank),
                   values.end());
  return values[rank];
}

std::filesystem::path WorkDir() {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / "zge-soak" / std::to_string(GetCurrentProcessId());
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace zge::soak
