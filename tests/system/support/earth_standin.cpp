#include "support/earth_standin.h"

#include <algorithm>
#include <fstream>

#include "support/registry.h"
#include "support/win_error.h"
#include "support/zelkange_api.h"

namespace zge::test {
namespace {

constexpr wchar_t kPackageKey[] = L"Software\\ZelkanGE";
constexpr wchar_t kStandInKey[] = L"Software\\ZelkanGE\\EarthStandIn";
constexpr wchar_t kLocalServerKey[] =
    L"Software\\Classes\\CLSID\\{8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}\\LocalServer32";
constexpr CLSID kApplicationGE = {
    0x8097D7E9, 0xDB9E, 0x4AEF, {0x9B, 0x28, 0x61, 0xD8, 0x2A, 0x1D, 0xF7, 0x84}};
constexpr DWORD kCloseWaitMs = 5000;
constexpr DWORD kEndWaitMs = 10000;

void SetIfGiven(const wchar_t* name, const std::optional<DWORD>& value) {
  if (value) {
    registry::SetDword(HKEY_CURRENT_USER, kStandInKey, name, *value);
  }
}

void SetIfGiven(const wchar_t* name, const std::optional<std::wstring>& value) {
  if (value) {
    registry::SetString(HKEY_CURRENT_USER, kStandInKey, name, *value);
  }
}

// Handles travel as VT_I4; sign extension restores them on 64-bit.
HWND HandleFromLong(LONG value) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(value)); }

struct MainWindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchEarthMainWindow(HWND window, LPARAM context) noexcept {
  auto& search = *reinterpret_cast<MainWindowSearch*>(context);
  DWORD owner = 0;
  if (GetWindowThreadProcessId(window, &owner) == 0 || owner != search.processId) {
    return TRUE;
  }
  wchar_t className[32] = {};
  if (GetClassNameW(window, className, static_cast<int>(std::size(className))) == 0) {
    return TRUE;
  }
  if (std::wstring_view(className) != L"QWidget") {
    return TRUE;
  }
  search.found = window;
  return FALSE;
}

}  // namespace

void WriteStandInConfig(const StandInConfig& config, const std::filesystem::path& journal) {
  registry::SetString(HKEY_CURRENT_USER, kStandInKey, L"JournalPath", journal.wstring());
  // The tests read the view right after each move.
  registry::SetDword(HKEY_CURRENT_USER, kStandInKey, L"Flights", 0);
  SetIfGiven(L"MainWindowDelayMs", config.mainWindowDelayMs);
  SetIfGiven(L"VersionMajor", config.versionMajor);
  SetIfGiven(L"VersionMinor", config.versionMinor);
  SetIfGiven(L"VersionBuild", config.versionBuild);
  SetIfGiven(L"AppType", config.appType);
  SetIfGiven(L"FailMembers", config.failMembers);
  SetIfGiven(L"DelayMembers", config.delayMembers);
  SetIfGiven(L"ExitOnCall", config.exitOnCall);
}

void ResetPackageKeys() { registry::DeleteTree(HKEY_CURRENT_USER, kPackageKey); }

std::optional<DWORD> StandInProcessId() {
  return registry::GetDword(HKEY_CURRENT_USER, kStandInKey, L"ProcessId");
}

UniqueHandle OpenStandInProcess(DWORD processId) {
  return UniqueHandle(ThrowIfNull(
      OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, processId),
      "OpenProcess(stand-in)"));
}

bool IsProcessRunning(HANDLE process) {
  const DWORD result = WaitForSingleObject(process, 0);
  if (result == WAIT_FAILED) {
    ThrowLastError("WaitForSingleObject");
  }
  return result == WAIT_TIMEOUT;
}

void EndStandIn() {
  const std::optional<DWORD> processId = StandInProcessId();
  if (!processId) {
    return;
  }
  const UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, *processId));
  // Already gone: its id no longer names a process.
  if (!process || !IsProcessRunning(process.get())) {
    return;
  }
  // Closing its main window lets it revoke its class object: Wine's COM
  // keeps a killed server's class registered, and later activations then
  // need the package's own fallback.
  if (const HWND main = FindEarthMainWindow(*processId)) {
    ThrowIfFalse(PostMessageW(main, WM_CLOSE, 0, 0), "PostMessageW(WM_CLOSE)");
    if (WaitForSingleObject(process.get(), kCloseWaitMs) == WAIT_OBJECT_0) {
      return;
    }
  }
  ThrowIfFalse(TerminateProcess(process.get(), 1), "TerminateProcess(stand-in)");
  if (WaitForSingleObject(process.get(), kEndWaitMs) != WAIT_OBJECT_0) {
    ThrowLastError("WaitForSingleObject(stand-in end)");
  }
}

void LaunchStandIn() {
  std::wstring commandLine = L"\"" + FromUnixPath(ZGE_STANDIN_UNIX_PATH).wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  ThrowIfFalse(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &started),
               "CreateProcessW(stand-in)");
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
}

HWND FindEarthMainWindow(DWORD processId) {
  MainWindowSearch search{processId, nullptr};
  // EnumWindows reports FALSE when the callback stops it: that is success.
  static_cast<void>(EnumWindows(MatchEarthMainWindow, reinterpret_cast<LPARAM>(&search)));
  return search.found;
}

void Journal::Poll() {
  std::ifstream file(path_, std::ios::binary);
  if (!file) {
    return;
  }
  std::string line;
  std::size_t index = 0;
  const auto now = std::chrono::steady_clock::now();
  while (std::getline(file, line)) {
    if (file.eof()) {
      break;  // A line still being written has no newline yet.
    }
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (index >= entries_.size()) {
      entries_.push_back({line, now});
    }
    ++index;
  }
}

std::size_t Journal::Count(std::string_view call) const {
  return static_cast<std::size_t>(std::count_if(
      entries_.begin(), entries_.end(), [&](const Entry& entry) { return entry.call == call; }));
}

std::vector<std::chrono::steady_clock::time_point> Journal::TimesOf(std::string_view call) const {
  std::vector<std::chrono::steady_clock::time_point> times;
  for (const Entry& entry : entries_) {
    if (entry.call == call) {
      times.push_back(entry.seen);
    }
  }
  return times;
}

std::optional<std::size_t> Journal::IndexOf(std::string_view call) const {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& entry) { return entry.call == call; });
  if (found == entries_.end()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(found - entries_.begin());
}

std::string JournalQuoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
    }
    out.push_back(c);
  }
  return out + "\"";
}

std::string Journal::Text() const {
  std::string text;
  for (const Entry& entry : entries_) {
    text += entry.call + "\n";
  }
  return text;
}

namespace {

// The running stand-in from the running object table; null when none runs.
Microsoft::WRL::ComPtr<IDispatch> RunningApplication() {
  Microsoft::WRL::ComPtr<IUnknown> running;
  Microsoft::WRL::ComPtr<IDispatch> application;
  if (SUCCEEDED(GetActiveObject(kApplicationGE, nullptr, &running))) {
    static_cast<void>(running.As(&application));
  }
  return application;
}

}  // namespace

EarthClient EarthClient::Connect() {
  if (Microsoft::WRL::ComPtr<IDispatch> running = RunningApplication()) {
    return EarthClient(std::move(running));
  }
  Microsoft::WRL::ComPtr<IDispatch> application;
  const HRESULT created =
      CoCreateInstance(kApplicationGE, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&application));
  if (created != HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE)) {
    ThrowIfFailed(created, "CoCreateInstance(ApplicationGE)");
    return EarthClient(std::move(application));
  }
  // Wine's COM still names a stand-in that an earlier test ended: start one
  // by hand and take it from the running object table.
  LaunchStandIn();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Microsoft::WRL::ComPtr<IDispatch> running = RunningApplication()) {
      return EarthClient(std::move(running));
    }
    Sleep(50);
  }
  ThrowIfFailed(created, "CoCreateInstance(ApplicationGE)");
  return EarthClient(std::move(application));
}

namespace {

// A member without arguments: a method call or a property read.
void InvokeMember(IDispatch* object, const wchar_t* member, VARIANT* result,
                  std::optional<LONG> argument = std::nullopt) {
  DISPID id = 0;
  auto* name = const_cast<LPOLESTR>(member);
  ThrowIfFailed(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id),
                "GetIDsOfNames");
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = argument.value_or(0);
  DISPPARAMS arguments{argument ? &value : nullptr, nullptr, argument ? 1U : 0U, 0};
  ThrowIfFailed(
      object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                     &arguments, result, nullptr, nullptr),
      "IDispatch::Invoke");
}

Microsoft::WRL::ComPtr<IDispatch> InvokeForObject(IDispatch* object, const wchar_t* member,
                                                  std::optional<LONG> argument = std::nullopt) {
  UniqueVariant result;
  InvokeMember(object, member, result.Put(), argument);
  Microsoft::WRL::ComPtr<IDispatch> found;
  if (result.Get().vt == VT_DISPATCH) {
    found = result.Get().pdispVal;
  }
  return found;
}

LONG InvokeForLong(IDispatch* object, const wchar_t* member) {
  UniqueVariant result;
  InvokeMember(object, member, result.Put());
  UniqueVariant asLong;
  ThrowIfFailed(VariantChangeType(asLong.Put(), result.Ptr(), 0, VT_I4), "VariantChangeType");
  return asLong.Get().lVal;
}

std::wstring InvokeForText(IDispatch* object, const wchar_t* member) {
  UniqueVariant result;
  InvokeMember(object, member, result.Put());
  if (result.Get().vt != VT_BSTR || result.Get().bstrVal == nullptr) {
    return {};
  }
  return std::wstring(result.Get().bstrVal, SysStringLen(result.Get().bstrVal));
}

std::vector<FeatureInfo> ChildrenOf(IDispatch* feature) {
  std::vector<FeatureInfo> children;
  const Microsoft::WRL::ComPtr<IDispatch> collection = InvokeForObject(feature, L"GetChildren");
  if (!collection) {
    return children;
  }
  const LONG count = InvokeForLong(collection.Get(), L"Count");
  for (LONG index = 1; index <= count; ++index) {
    const Microsoft::WRL::ComPtr<IDispatch> child =
        InvokeForObject(collection.Get(), L"Item", index);
    if (!child) {
      continue;
    }
    children.push_back({InvokeForText(child.Get(), L"Name"),
                        InvokeForLong(child.Get(), L"Visibility"), ChildrenOf(child.Get())});
  }
  return children;
}

}  // namespace

LONG EarthClient::GetLong(const wchar_t* member) const {
  return InvokeForLong(application_.Get(), member);
}

std::vector<FeatureInfo> EarthClient::TemporaryPlaces() const {
  const Microsoft::WRL::ComPtr<IDispatch> places =
      InvokeForObject(application_.Get(), L"GetTemporaryPlaces");
  if (!places) {
    return {};
  }
  return ChildrenOf(places.Get());
}

HWND EarthClient::MainWindow() const { return HandleFromLong(GetLong(L"GetMainHwnd")); }
HWND EarthClient::RenderWindow() const { return HandleFromLong(GetLong(L"GetRenderHwnd")); }

RegistrationRemoval::RegistrationRemoval() {
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    const std::optional<std::wstring> server =
        registry::GetString(HKEY_LOCAL_MACHINE, kLocalServerKey, L"", view);
    if (!server) {
      continue;
    }
    saved_.push_back({view, *server});
    registry::DeleteTree(HKEY_LOCAL_MACHINE, kLocalServerKey, view);
  }
}

RegistrationRemoval::~RegistrationRemoval() {
  for (const Saved& saved : saved_) {
    try {
      registry::SetString(HKEY_LOCAL_MACHINE, kLocalServerKey, L"", saved.server, saved.view);
    } catch (const std::exception&) {
      // The suite's prefix is thrown away afterwards; a test that needs the
      // registration and lacks it fails on its own.
    }
  }
}

}  // namespace zge::test
