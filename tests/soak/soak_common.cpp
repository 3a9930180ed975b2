#include "soak.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "support/earth_standin.h"
#include "support/registry.h"

// After windows.h, which soak.h brings.
#include <psapi.h>
#include <winternl.h>

#include <cstring>
#include <string_view>

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

// Under Wine, the debugger prints where every thread of every process
// waits: what a hang needs to be understood. Elsewhere there is no winedbg
// and nothing is printed.
void PrintEveryBacktrace() {
  std::wstring command = L"winedbg --command \"bt all\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &started) == FALSE) {
    return;
  }
  static_cast<void>(WaitForSingleObject(started.hProcess, 120'000));
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
}

}  // namespace

Report::Report(const std::filesystem::path& file)
    : file_(file.empty() ? nullptr : _wfopen(file.c_str(), L"w"), &std::fclose) {
  if (!file.empty() && !file_) {
    std::cerr << "cannot write the report " << file.string() << "\n";
  }
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
        PrintEveryBacktrace();
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

namespace {

// Wine answers GetProcessHandleCount and GetGuiResources with 0. The same
// numbers then come from where Wine keeps them: the system's handle list
// (NtQuerySystemInformation), the process's GDI handle table (the PEB's
// GdiSharedHandleTable, entries of 24 bytes: owner process id at offset
// 8, type at 14; the layout Windows uses too) and the process's windows.
// Calls `each` with every handle entry of this process.
template <typename Each>
bool ForEachHandle(Each&& each) {
  std::vector<unsigned char> buffer(1 << 20);
  for (int attempt = 0; attempt < 6; ++attempt) {
    ULONG needed = 0;
    const NTSTATUS status = NtQuerySystemInformation(
        static_cast<SYSTEM_INFORMATION_CLASS>(16),  // SystemHandleInformation
        buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) {
      return false;
    }
    const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    const DWORD self = GetCurrentProcessId();
    for (ULONG i = 0; i < info->Count; ++i) {
      if (info->Handle[i].OwnerPid == self) {
        each(info->Handle[i]);
      }
    }
    return true;
  }
  return false;
}

DWORD CountKernelHandles() {
  DWORD count = 0;
  ForEachHandle([&](const SYSTEM_HANDLE_ENTRY&) { ++count; });
  return count;
}

DWORD CountGdiObjectsInTable() {
#ifdef _WIN64
  constexpr std::size_t kTableInPeb = 0xF8;
#else
  constexpr std::size_t kTableInPeb = 0x94;
#endif
  constexpr std::size_t kEntrySize = 24;
  constexpr std::size_t kEntries = 0x10000;
  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic,
                                nullptr) < 0) {
    return 0;
  }
  const auto* peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
  const unsigned char* table = nullptr;
  std::memcpy(&table, peb + kTableInPeb, sizeof table);
  if (table == nullptr) {
    return 0;
  }
  const auto self = static_cast<USHORT>(GetCurrentProcessId());
  DWORD count = 0;
  for (std::size_t i = 0; i < kEntries; ++i) {
    const unsigned char* entry = table + i * kEntrySize;
    USHORT owner = 0;
    std::memcpy(&owner, entry + 8, sizeof owner);
    if (entry[14] != 0 && (owner == self || owner == 0)) {
      ++count;
    }
  }
  return count;
}

// Asks GDI itself about every handle index: Wine takes a handle whose high
// word is 0 as the live object at that index, whatever the layout of its
// table. Wine keeps a handle table per process, so each is this process's.
DWORD CountGdiObjectsByType() {
  DWORD count = 0;
  for (std::uintptr_t index = 1; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) {
      ++count;
    }
  }
  return count;
}

DWORD CountGdiObjects(GdiCounter counter) {
  switch (counter) {
    case GdiCounter::kGuiResources:
      return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    case GdiCounter::kHandleTable:
      return CountGdiObjectsInTable();
    case GdiCounter::kHandleIndices:
      return CountGdiObjectsByType();
  }
  return 0;
}

constexpr DWORD kProbeObjects = 10;

// The ways to try, in order. ZGE_SOAK_GDI_COUNTER=table or =indices starts
// later in the list, so that a machine where an earlier way works can
// prove the later ones too (32-bit Wine, where only they count).
std::vector<GdiCounter> GdiCountersToTry() {
  std::vector<GdiCounter> ways{GdiCounter::kGuiResources, GdiCounter::kHandleTable,
                               GdiCounter::kHandleIndices};
  const char* first = std::getenv("ZGE_SOAK_GDI_COUNTER");
  const std::string_view start = first == nullptr ? "" : first;
  if (start == "table") {
    ways.erase(ways.begin());
  }
  if (start == "indices") {
    ways.erase(ways.begin(), ways.begin() + 2);
  }
  return ways;
}

std::optional<GdiCounter> ChooseGdiCounter() {
  // GetGuiResources first (Windows), then what Wine keeps.
  for (const GdiCounter counter : GdiCountersToTry()) {
    const DWORD before = CountGdiObjects(counter);
    std::vector<test::UniqueBitmap> bitmaps;
    for (DWORD i = 0; i < kProbeObjects; ++i) {
      bitmaps.emplace_back(CreateBitmap(2, 2, 1, 32, nullptr));
    }
    const DWORD during = CountGdiObjects(counter);
    bitmaps.clear();
    if (during == before + kProbeObjects && CountGdiObjects(counter) == before) {
      return counter;
    }
  }
  return std::nullopt;
}

const std::optional<GdiCounter>& GdiCounterInUse() {
  static const std::optional<GdiCounter> chosen = ChooseGdiCounter();
  return chosen;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM context) noexcept {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId == GetCurrentProcessId()) {
    ++*reinterpret_cast<DWORD*>(context);
    // EnumChildWindows' result carries no meaning.
    static_cast<void>(EnumChildWindows(window, &CountWindow, context));
  }
  return TRUE;
}

// Windows of this process, message-only windows included (the USER
// objects that a leak of this package would leave).
DWORD CountWindows() {
  DWORD count = 0;
  static_cast<void>(EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&count)));
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
    static_cast<void>(CountWindow(window, reinterpret_cast<LPARAM>(&count)));
  }
  return count;
}

}  // namespace

ProcessCounters SampleThisProcess() {
  ProcessCounters counters;
  const HANDLE self = GetCurrentProcess();
  if (!GetProcessHandleCount(self, &counters.handles) || counters.handles == 0) {
    counters.handles = CountKernelHandles();
  }
  if (const auto& gdi = GdiCounterInUse()) {
    counters.gdiObjects = CountGdiObjects(*gdi);
  }
  counters.userObjects = GetGuiResources(self, GR_USEROBJECTS);
  counters.windows = CountWindows();
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory)) {
    counters.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  }
  return counters;
}

std::map<std::string, DWORD> HandleTypes() {
  std::map<std::string, DWORD> types;
  ForEachHandle([&](const SYSTEM_HANDLE_ENTRY& entry) {
    alignas(8) unsigned char buffer[1024] = {};
    std::string name = "type " + std::to_string(entry.ObjectType);
    const auto handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(entry.HandleValue));
    if (NtQueryObject(handle, ObjectTypeInformation, buffer, sizeof buffer, nullptr) >= 0) {
      const auto* info = reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(buffer);
      name.clear();
      for (USHORT i = 0; i < info->TypeName.Length / 2; ++i) {
        name.push_back(static_cast<char>(info->TypeName.Buffer[i]));
      }
    }
    ++types[name];
  });
  return types;
}

CounterProof ProveCounters() {
  CounterProof proof;
  proof.gdi = GdiCounterInUse();
  const ProcessCounters before = SampleThisProcess();
  std::vector<test::UniqueHandle> events;
  std::vector<HMENU> menus;
  for (DWORD i = 0; i < kProbeObjects; ++i) {
    events.emplace_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    menus.push_back(CreatePopupMenu());
  }
  const ProcessCounters after = SampleThisProcess();
  for (const HMENU menu : menus) {
    if (menu != nullptr) {
      static_cast<void>(DestroyMenu(menu));
    }
  }
  proof.handles = after.handles == before.handles + kProbeObjects;
  proof.user = after.userObjects == before.userObjects + kProbeObjects;
  return proof;
}

void NotRun(Report& report, const std::string& name, const std::string& reason) {
  report.Line("NOT RUN: " + name + ": " + reason);
  const char* folder = std::getenv("ZGE_RESULTS_DIR");
  if (folder == nullptr || *folder != '/') {
    return;
  }
  std::string path =
      std::string("Z:") + folder + "/" + name + (sizeof(void*) == 8 ? "-win64" : "-win32");
  std::replace(path.begin(), path.end(), '/', '\\');
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "w"), &std::fclose);
  if (!file) {
    report.Line("cannot write " + path);
    return;
  }
  std::fputs(("0 0 skipped " + reason + "\n").c_str(), file.get());
}

std::optional<std::uint64_t> PrivateBytesOf(DWORD processId) {
  const test::UniqueHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) {
    return std::nullopt;
  }
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                            sizeof memory)) {
    return std::nullopt;
  }
  // Wine leaves PrivateUsage 0 and reports the same number as
  // PagefileUsage (Windows fills both alike).
  return memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
}

bool LastErrorReadable(ZelkanGE& api, std::int32_t* code) {
  std::int32_t first = 0;
  const std::int32_t length = api.ZgeGetLastError(&first, nullptr, 0);
  if (length < 0) {
    return false;
  }
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
  if (!processId) {
    return false;
  }
  const test::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, *processId));
  return process && test::IsProcessRunning(process.get());
}

bool KillStandIn() {
  const std::optional<DWORD> processId = test::StandInProcessId();
  if (!processId) {
    return false;
  }
  const test::UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, *processId));
  if (!process || !test::IsProcessRunning(process.get())) {
    return false;
  }
  if (!TerminateProcess(process.get(), 9)) {
    return false;
  }
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
  if (values.empty()) {
    return 0;
  }
  const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(rank),
                   values.end());
  return values[rank];
}

std::filesystem::path WorkDir() {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / "zge-soak" / std::to_string(GetCurrentProcessId());
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace zge::soak
