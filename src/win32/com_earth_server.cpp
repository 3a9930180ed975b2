#include "com_earth_server.h"

#include "system_headers.h"

#include <cstdio>
#include <string>

#include "base/error.h"
#include "com_types.h"
#include "earth/main_window.h"
#include "earth_objects.h"
#include "errors.h"
#include "resources.h"

namespace zge::win32 {
namespace {

// EARTHLib's ApplicationGE class.
constexpr CLSID kClsidApplicationGE = {
    0x8097D7E9, 0xDB9E, 0x4AEF, {0x9B, 0x28, 0x61, 0xD8, 0x2A, 0x1D, 0xF7, 0x84}};
constexpr wchar_t kLocalServerKey[] =
    L"CLSID\\{8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}\\LocalServer32";
// How long a server we start ourselves may take to register. The host's
// messages run meanwhile, so its window stays responsive.
constexpr ULONGLONG kServerStartTimeoutMs = 20000;
// How often the running object table is asked for a server we started:
// each question is a round trip through another process.
constexpr DWORD kTablePollMs = 250;
// A Google Earth that is ending answers activation like a dead one while
// its windows go; it is given this long to finish.
constexpr ULONGLONG kEndingServerWaitMs = 3000;
constexpr DWORD kWindowPollMs = 50;

[[noreturn]] void ThrowCannotStart(HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  throw Error(static_cast<std::int32_t>(result),
              std::string("Google Earth is not installed or cannot be started (") + code + ")");
}

bool GoogleEarthWindowExists() {
  for (const char* title : earth::kMainWindowTitles) {
    if (::FindWindowA(earth::kMainWindowClass, title) != nullptr) {
      return true;
    }
  }
  return false;
}

// The application object of a Google Earth that runs already; empty when
// none is registered as running.
com_ptr<IDispatch> AttachToRunning() {
  com_ptr<IUnknown> running;
  if (FAILED(::GetActiveObject(kClsidApplicationGE, nullptr, running.put()))) {
    return {};
  }
  com_ptr<IDispatch> application;
  if (FAILED(running->QueryInterface(IID_IDispatch, application.put_void()))) {
    return {};
  }
  return application;
}

// COM handed out a class object whose process is gone. Windows notices a
// dead server; Wine's COM keeps the registration of a server that was ended
// until its wineserver restarts.
bool IsDeadServerRegistration(HRESULT result) {
  return result == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
         result == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) || result == RPC_E_DISCONNECTED ||
         result == CO_E_OBJNOTCONNECTED;
}

std::wstring RegisteredServerCommand() {
  DWORD bytes = 0;
  ThrowWin32(::RegGetValueW(HKEY_CLASSES_ROOT, kLocalServerKey, nullptr, RRF_RT_REG_SZ, nullptr,
                            nullptr, &bytes),
             "RegGetValueW(LocalServer32)");
  std::wstring command(bytes / sizeof(wchar_t), L'\0');
  ThrowWin32(::RegGetValueW(HKEY_CLASSES_ROOT, kLocalServerKey, nullptr, RRF_RT_REG_SZ, nullptr,
                            command.data(), &bytes),
             "RegGetValueW(LocalServer32)");
  command.resize(bytes / sizeof(wchar_t) - 1);
  return command;
}

unique_handle StartServerProcess(std::wstring command) {
  command += L" -Embedding";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  ThrowLastErrorIf(!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &started),
                   "CreateProcessW", "Google Earth's registered server");
  const unique_handle thread(started.hThread);
  return unique_handle(started.hProcess);
}

// Waits up to `milliseconds` for `process` to end while running the
// thread's messages, as COM itself does while a call waits: the host keeps
// painting and its timers keep firing. True when the process ended. A quit
// message is put back for the host's own loop and ends the wait.
// With no process, it only runs messages for that long.
bool WaitPumpingMessages(HANDLE process, DWORD milliseconds, bool& quit) {
  const DWORD count = process != nullptr ? 1 : 0;
  const DWORD result = ::MsgWaitForMultipleObjectsEx(count, &process, milliseconds, QS_ALLINPUT,
                                                     MWMO_INPUTAVAILABLE);
  if (count == 1 && result == WAIT_OBJECT_0) {
    return true;
  }
  if (result == WAIT_OBJECT_0 + count) {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        quit = true;
        return false;
      }
      static_cast<void>(::TranslateMessage(&message));
      static_cast<void>(::DispatchMessageW(&message));
    }
  }
  return false;
}

// Starts the registered server ourselves and waits until it runs, asking
// the table every kTablePollMs meanwhile.
com_ptr<IDispatch> StartAndAttach(HRESULT firstResult) {
  const unique_handle process = StartServerProcess(RegisteredServerCommand());
  const ULONGLONG deadline = ::GetTickCount64() + kServerStartTimeoutMs;
  bool quit = false;
  while (!quit && ::GetTickCount64() < deadline) {
    if (WaitPumpingMessages(process.get(), kTablePollMs, quit)) {
      break;  // the server ended before it registered
    }
    if (com_ptr<IDispatch> application = AttachToRunning()) {
      return application;
    }
  }
  ThrowCannotStart(firstResult);
}

HRESULT CreateApplication(com_ptr<IDispatch>& application) {
  return ::CoCreateInstance(kClsidApplicationGE, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            application.put_void());
}

// True once no Google Earth window is left, waiting up to
// kEndingServerWaitMs for an ending one to go. Activation is not tried
// again meanwhile: under Wine each failed activation costs the process
// event handles that are never given back.
bool NoGoogleEarthWindowLeft() {
  const ULONGLONG deadline = ::GetTickCount64() + kEndingServerWaitMs;
  bool quit = false;
  while (GoogleEarthWindowExists()) {
    if (quit || ::GetTickCount64() >= deadline) {
      return false;
    }
    static_cast<void>(WaitPumpingMessages(nullptr, kWindowPollMs, quit));
  }
  return true;
}

}  // namespace

// A Google Earth that runs is attached to through the running object
// table: under Wine, activations through the class object were measured
// to cost the process event handles it never gets back. Otherwise the
// application object is created. When COM names a dead server (Wine keeps
// a killed server's registration), the registered server is started by
// hand, but only once no Google Earth window is left: one that stays and
// answers like a dead one is reported, not started a second time.
std::unique_ptr<earth::ApplicationGE> ComEarthServer::Connect() {
  // COM refuses calls out of a message another thread sent, which is
  // input-synchronous. Wine lets activation through there, and the soak
  // host's COM was corrupted after such activations (a modal loop inside
  // a sent message ran the start-up tick); the start-up tries again later.
  if (::InSendMessage() != FALSE) {
    ThrowHresult(RPC_E_CANTCALLOUT_ININPUTSYNCCALL, "connecting to Google Earth");
  }
  if (com_ptr<IDispatch> running = AttachToRunning()) {
    return MakeApplicationGE(std::move(running));
  }
  com_ptr<IDispatch> application;
  const HRESULT result = CreateApplication(application);
  if (IsDeadServerRegistration(result) && NoGoogleEarthWindowLeft()) {
    return MakeApplicationGE(StartAndAttach(result));
  }
  if (FAILED(result)) {
    ThrowCannotStart(result);
  }
  return MakeApplicationGE(std::move(application));
}

}  // namespace zge::win32
