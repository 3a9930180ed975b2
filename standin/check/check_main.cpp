// EarthStandInCheck: a smoke test of a registered EarthStandIn through
// IDispatch, out of process, as our DLL drives it. It configures the
// stand-in (JournalPath, FailMembers), so the stand-in must not be running
// yet (or pass --restart to end the one running). Prints one line per check
// and "N passed, N failed"; exit code 0 when all passed.
//
//   EarthStandInCheck.exe [--out DIR] [--restart] [--delay MS]
//                         [--close | --exit-on-call]
// --delay MS: sets MainWindowDelayMs and checks GetMainHwnd is 0 and
//   IsInitialized 0 at first.
// --close: closes the main window at the end; checks the exit code is 0.
// --exit-on-call: sets ExitOnCall GetRenderHwnd@2 and checks that the
//   second GetRenderHwnd ends the stand-in (exit code 3) before answering.
#include <windows.h>

#include <oleauto.h>
#include <shellapi.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "automation/config.h"
#include "automation/earth_ids.h"
#include "automation/registry.h"
#include "dispatch_client.h"
#include "model/journal.h"
#include "model/text.h"
#include "platform/com_types.h"
#include "platform/guard.h"
#include "platform/resources.h"

namespace {

using namespace standin::client;

class Checker {
 public:
  void Expect(bool ok, const std::string& what, const std::string& detail = {}) {
    (ok ? passed_ : failed_)++;
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ",
                detail.c_str());
    std::fflush(stdout);
  }
  [[nodiscard]] int Failed() const { return failed_; }
  void Summary() const { std::printf("%d passed, %d failed\n", passed_, failed_); }

 private:
  int passed_ = 0;
  int failed_ = 0;
};

std::string FileStart(const std::wstring& path, std::size_t bytes) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  std::string start(bytes, '\0');
  file.read(start.data(), static_cast<std::streamsize>(bytes));
  start.resize(static_cast<std::size_t>(file.gcount()));
  return start;
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(file, line)) {
    lines.push_back(line);
  }
  return lines;
}

std::wstring TempDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  return std::wstring(buffer.data(), length) + L"EarthStandInCheck";
}

void EndRunningStandIn(Checker& checker) {
  const standin::unique_hkey key =
      standin::OpenKeyIfExists(HKEY_CURRENT_USER, standin::kConfigKeyPath, KEY_READ);
  const auto pid = key ? standin::ReadDword(key.get(), L"ProcessId") : std::nullopt;
  if (!pid) {
    return;
  }
  const standin::unique_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, *pid));
  if (!process) {
    return;  // not running
  }
  const bool ended = TerminateProcess(process.get(), 1) &&
                     WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
  checker.Expect(ended, "ended the running stand-in (pid " + std::to_string(*pid) + ")");
}

int Run() {
  std::wstring outDir = TempDirectory();
  bool restart = false;
  bool close = false;
  bool exitOnCall = false;
  DWORD delayMs = 0;
  int argc = 0;
  const standin::unique_local_memory<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  for (int i = 1; argv && i < argc; ++i) {
    const std::wstring argument = argv.get()[i];
    if (argument == L"--out" && i + 1 < argc) {
      outDir = argv.get()[++i];
    } else if (argument == L"--restart") {
      restart = true;
    } else if (argument == L"--close") {
      close = true;
    } else if (argument == L"--exit-on-call") {
      exitOnCall = true;
    } else if (argument == L"--delay" && i + 1 < argc) {
      delayMs = static_cast<DWORD>(std::wcstoul(argv.get()[++i], nullptr, 10));
    } else {
      std::fprintf(stderr,
                   "usage: EarthStandInCheck [--out DIR] [--restart] [--delay MS] [--close | "
                   "--exit-on-call]\n");
      return 2;
    }
  }
  CreateDirectoryW(outDir.c_str(), nullptr);
  const std::wstring journalPath = outDir + L"\\journal.txt";
  const std::wstring pngPath = outDir + L"\\globe.png";
  const std::wstring jpgPath = outDir + L"\\globe.jpg";
  DeleteFileW(journalPath.c_str());
  DeleteFileW(pngPath.c_str());
  DeleteFileW(jpgPath.c_str());

  Checker checker;
  if (restart) {
    EndRunningStandIn(checker);
  }
  {
    const standin::unique_hkey key =
        standin::CreateKey(HKEY_CURRENT_USER, standin::kConfigKeyPath, KEY_SET_VALUE);
    standin::WriteString(key.get(), L"JournalPath", journalPath);
    standin::WriteString(key.get(), L"FailMembers",
                         L"VersionBuild:0x80048005@2; Feature.Highlight:0x80004005");
    standin::WriteDword(key.get(), L"MainWindowDelayMs", delayMs);
    if (exitOnCall) {
      standin::WriteString(key.get(), L"ExitOnCall", L"GetRenderHwnd@2");
    } else {
      RegDeleteValueW(key.get(), L"ExitOnCall");
    }
  }

  const standin::com_apartment apartment(COINIT_APARTMENTTHREADED);
  const auto started = std::chrono::steady_clock::now();
  com_ptr<IDispatch> app;
  const HRESULT created = CoCreateInstance(standin::ids::kApplicationGE, nullptr,
                                           CLSCTX_LOCAL_SERVER, IID_IDispatch, app.put_void());
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  checker.Expect(SUCCEEDED(created) && app, "CoCreateInstance(ApplicationGE)",
                 standin::HexCode(created) + " after " + std::to_string(ms.count()) + " ms");
  if (!app) {
    checker.Summary();
    return 1;
  }
  IDispatch& earth = *app.get();

  if (delayMs > 0) {
    const Outcome early = Call(earth, L"GetMainHwnd");
    const Outcome earlyInit = Call(earth, L"IsInitialized");
    const Outcome earlyCamera = Call(earth, L"GetCamera", Args(Arg::I4(1)));
    checker.Expect(early.Ok() && early.Int() == 0, "GetMainHwnd() is 0 during MainWindowDelayMs");
    checker.Expect(earlyInit.Ok() && earlyInit.Int() == 0,
                   "IsInitialized() is 0 during MainWindowDelayMs");
    checker.Expect(earlyCamera.FailedWith(static_cast<HRESULT>(0x80048002)),
                   "GetCamera is E_APPLICATION_UNINITIALIZED during MainWindowDelayMs",
                   earlyCamera.Describe());
  }
  bool initialized = false;
  for (int i = 0; i < 300 && !initialized; ++i) {
    initialized = Call(earth, L"IsInitialized").Int() == 1;
    if (!initialized) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  checker.Expect(initialized, "IsInitialized() becomes 1");

  checker.Expect(IdOf(earth, L"gEtMaInHwNd") == 29, "GetIDsOfNames is case-insensitive");
  const Outcome mainHwnd = Call(earth, L"GetMainHwnd");
  const auto mainWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(mainHwnd.Int()));
  wchar_t className[64] = {};
  wchar_t title[128] = {};
  GetClassNameW(mainWindow, className, 64);
  GetWindowTextW(mainWindow, title, 128);
  checker.Expect(mainHwnd.Ok() && V_VT(&mainHwnd.result.get()) == VT_I4 && IsWindow(mainWindow),
                 "GetMainHwnd() is a window, as VT_I4", mainHwnd.Describe());
  checker.Expect(std::wstring(className) == L"QWidget" && std::wstring(title) == L"Google Earth",
                 "main window class QWidget, title Google Earth",
                 Utf8(className) + " / " + Utf8(title));
  const Outcome renderHwnd = Call(earth, L"GetRenderHwnd");
  const auto renderWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(renderHwnd.Int()));
  checker.Expect(renderHwnd.Ok() && IsWindow(renderWindow) && IsChild(mainWindow, renderWindow),
                 "GetRenderHwnd() is a window inside the main window");

  checker.Expect(Get(earth, L"VersionMajor").Int() == 7, "VersionMajor is 7");
  checker.Expect(Call(earth, L"VersionMinor").Int() == 3, "VersionMinor is 3 (METHOD|PROPERTYGET)");
  checker.Expect(Get(earth, L"VersionAppType").Int() == 5, "VersionAppType is 5");
  checker.Expect(Call(earth, L"IsOnline").Int() == 1, "IsOnline() is 1");
  checker.Expect(Get(earth, L"StreamingProgressPercentage").Int() == 100,
                 "StreamingProgressPercentage is 100");

  const Outcome build1 = Get(earth, L"VersionBuild");
  const Outcome build2 = Get(earth, L"VersionBuild");
  const Outcome build3 = Get(earth, L"VersionBuild");
  checker.Expect(build1.Int() == 6, "VersionBuild call 1 is 6");
  checker.Expect(build2.FailedWith(static_cast<HRESULT>(0x80048005)) && !build2.description.empty(),
                 "VersionBuild call 2 fails by FailMembers", build2.Describe());
  checker.Expect(build3.Int() == 6, "VersionBuild call 3 is 6 again");

  const Outcome roads = Call(earth, L"GetFeatureByName", Args(Arg::Str(L"Roads")));
  IDispatch* feature = roads.Object();
  checker.Expect(roads.Ok() && feature, "GetFeatureByName(\"Roads\") gives a feature",
                 roads.Describe());
  if (feature) {
    checker.Expect(Get(*feature, L"Name").String() == L"Roads", "its Name is Roads");
    checker.Expect(Put(*feature, L"Visibility", Arg::I4(0)).Ok(), "Visibility=0 (VT_I4)");
    const Outcome hidden = Get(*feature, L"Visibility");
    checker.Expect(hidden.Ok() && V_VT(&hidden.result.get()) == VT_I4 && hidden.Int() == 0,
                   "Visibility reads 0");
    checker.Expect(Put(*feature, L"Visibility", Arg::Bool(true)).Ok(),
                   "Visibility=VARIANT_TRUE (VT_BOOL)");
    checker.Expect(Get(*feature, L"Visibility").Int() == 1, "Visibility reads 1");
    const Outcome highlight = Call(*feature, L"Highlight");
    checker.Expect(highlight.FailedWith(E_FAIL), "Feature.Highlight fails by FailMembers",
                   highlight.Describe());
    const Outcome children = Call(*feature, L"GetChildren");
    checker.Expect(children.Object() && Get(*children.Object(), L"Count").Int() == 0,
                   "GetChildren of a leaf is an empty collection");
    if (children.Object()) {
      const Outcome item = Call(*children.Object(), L"Item", Args(Arg::I4(1)));
      checker.Expect(item.FailedWith(E_INVALIDARG), "Item(1) of an empty collection fails",
                     item.Describe());
    }
    const Outcome parent = Call(*feature, L"GetParent");
    checker.Expect(
        parent.Object() && Get(*parent.Object(), L"Name").String() == L"Primary Database",
        "GetParent is Primary Database");
  }
  const Outcome none = Call(earth, L"GetFeatureByName", Args(Arg::Str(L"No such feature")));
  checker.Expect(none.Ok() && !none.Object(), "GetFeatureByName of an unknown name is null");

  const Outcome kml =
      Call(earth, L"OpenKmlFile", Args(Arg::Str(L"C:\\no such folder\\x.kml"), Arg::I4(1)));
  checker.Expect(kml.FailedWith(E_INVALIDARG), "OpenKmlFile of a missing file is E_INVALIDARG",
                 kml.Describe());
  const Outcome unknown = InvokeId(earth, 999, DISPATCH_METHOD, {});
  checker.Expect(unknown.hr == DISP_E_MEMBERNOTFOUND, "DISPID 999 is DISP_E_MEMBERNOTFOUND");

  const Outcome flown = Call(earth, L"SetCameraParams",
                             Args(Arg::R8(52.5), Arg::R8(13.4), Arg::R8(0), Arg::I4(1),
                                  Arg::R8(1000), Arg::R8(0), Arg::R8(30), Arg::R8(3)));
  checker.Expect(flown.hr == S_OK, "SetCameraParams(..., speed 3) is S_OK", flown.Describe());
  const Outcome camera = Call(earth, L"GetCamera", Args(Arg::I4(1)));
  if (IDispatch* snapshot = camera.Object()) {
    checker.Expect(Get(*snapshot, L"FocusPointLatitude").Double() == 52.5 &&
                       Get(*snapshot, L"Range").Double() == 1000 &&
                       Get(*snapshot, L"Azimuth").Double() == 30,
                   "GetCamera reads the camera back");
  } else {
    checker.Expect(false, "GetCamera gives an object", camera.Describe());
  }
  // The view describes the screen, which arrives when the flight lands (at
  // speed 3 within 2.3 s wherever it starts).
  Sleep(2500);
  const Outcome extents = Get(earth, L"ViewExtents");
  if (IDispatch* box = extents.Object()) {
    const double north = Get(*box, L"North").Double();
    const double south = Get(*box, L"South").Double();
    const double east = Get(*box, L"East").Double();
    const double west = Get(*box, L"West").Double();
    checker.Expect(
        north > 52.5 && south < 52.5 && east > 13.4 && west < 13.4 && north - south < 0.1,
        "ViewExtents surrounds the focus point",
        std::to_string(north) + " " + std::to_string(south) + " " + std::to_string(east) + " " +
            std::to_string(west));
  } else {
    checker.Expect(false, "ViewExtents gives an object", extents.Describe());
  }
  const Outcome point =
      Call(earth, L"GetPointOnTerrainFromScreenCoords", Args(Arg::R8(0), Arg::R8(0)));
  checker.Expect(
      point.Object() && std::abs(Get(*point.Object(), L"Latitude").Double() - 52.5) < 1e-9,
      "the screen centre is the focus point");
  const Outcome jump = Call(earth, L"SetCameraParams",
                            Args(Arg::R8(30), Arg::R8(15), Arg::R8(0), Arg::I4(1), Arg::R8(14e6),
                                 Arg::R8(0), Arg::R8(0), Arg::R8(5)));
  checker.Expect(jump.hr == 0x00048003, "SetCameraParams(..., speed 5) is S_TELEPORTED",
                 jump.Describe());
  const Outcome stopped = Call(earth, L"SetCameraParams",
                               Args(Arg::R8(30), Arg::R8(15), Arg::R8(0), Arg::I4(1), Arg::R8(14e6),
                                    Arg::R8(0), Arg::R8(0), Arg::R8(0)));
  checker.Expect(stopped.FailedWith(E_INVALIDARG), "SetCameraParams(..., speed 0) is E_INVALIDARG",
                 stopped.Describe());

  checker.Expect(Put(earth, L"AutoPilotSpeed", Arg::R8(2.5)).Ok() &&
                     Get(earth, L"AutoPilotSpeed").Double() == 2.5,
                 "AutoPilotSpeed=2.5 reads back");
  checker.Expect(Put(earth, L"ElevationExaggeration", Arg::R8(1.5)).Ok() &&
                     Get(earth, L"ElevationExaggeration").Double() == 1.5,
                 "ElevationExaggeration=1.5 reads back");

  const Outcome png = Call(earth, L"SaveScreenShot", Args(Arg::Str(pngPath), Arg::I4(100)));
  checker.Expect(png.Ok() && FileStart(pngPath, 8) == "\x89PNG\r\n\x1a\n",
                 "SaveScreenShot writes a PNG", png.Describe());
  const Outcome jpg = Call(earth, L"SaveScreenShot", Args(Arg::Str(jpgPath), Arg::I4(80)));
  checker.Expect(jpg.Ok() && FileStart(jpgPath, 3) == "\xFF\xD8\xFF",
                 "SaveScreenShot writes a JPEG", jpg.Describe());
  const std::wstring badPath = outDir + L"\\no such folder\\x.png";
  const Outcome bad = Call(earth, L"SaveScreenShot", Args(Arg::Str(badPath), Arg::I4(100)));
  checker.Expect(
      bad.FailedWith(E_INVALIDARG) && bad.description.find("no such folder") != std::string::npos,
      "SaveScreenShot to a missing folder is E_INVALIDARG naming the path", bad.Describe());

  {
    com_ptr<IDispatch> second;
    const HRESULT again = CoCreateInstance(standin::ids::kApplicationGE, nullptr,
                                           CLSCTX_LOCAL_SERVER, IID_IDispatch, second.put_void());
    checker.Expect(
        SUCCEEDED(again) && second && Call(*second.get(), L"GetMainHwnd").Int() == mainHwnd.Int(),
        "a second CoCreateInstance reaches the same running Earth");
  }

  // Re-parenting, as our DLL does: the render window keeps its own size in a
  // foreign parent, follows the container again once back home.
  {
    const HWND container = GetParent(renderWindow);
    const standin::unique_hwnd host(CreateWindowExW(0, L"STATIC", L"host",
                                                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                                    500, 400, nullptr, nullptr, nullptr, nullptr));
    checker.Expect(host && SetParent(renderWindow, host.get()) == container,
                   "the render window moves into a host window");
    MoveWindow(renderWindow, 0, 0, 320, 200, TRUE);
    SetWindowPos(mainWindow, nullptr, 0, 0, 900, 650, SWP_NOMOVE | SWP_NOZORDER);
    RECT inHost{};
    GetClientRect(renderWindow, &inHost);
    checker.Expect(inHost.right == 320 && inHost.bottom == 200,
                   "in the host it keeps the size the host gives it");
    const std::wstring smallPath = outDir + L"\\small.png";
    const Outcome small = Call(earth, L"SaveScreenShot", Args(Arg::Str(smallPath), Arg::I4(100)));
    const std::string header = FileStart(smallPath, 24);
    const auto be32 = [&](std::size_t at) {
      return header.size() < at + 4
                 ? 0U
                 : (static_cast<unsigned>(static_cast<unsigned char>(header[at])) << 24) |
                       (static_cast<unsigned>(static_cast<unsigned char>(header[at + 1])) << 16) |
                       (static_cast<unsigned>(static_cast<unsigned char>(header[at + 2])) << 8) |
                       static_cast<unsigned>(static_cast<unsigned char>(header[at + 3]));
    };
    checker.Expect(small.Ok() && be32(16) == 320 && be32(20) == 200,
                   "SaveScreenShot takes the render window's size",
                   std::to_string(be32(16)) + "x" + std::to_string(be32(20)));
    SetParent(renderWindow, container);
    SetWindowPos(mainWindow, nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER);
    RECT home{};
    RECT containerRect{};
    GetClientRect(renderWindow, &home);
    GetClientRect(container, &containerRect);
    checker.Expect(home.right == containerRect.right && home.bottom == containerRect.bottom,
                   "back in its container it follows the container's size");
  }

  const std::vector<std::string> expected = {
      "CreateInstance()",
      "IsInitialized()",
      "GetMainHwnd()",
      "VersionMajor()",
      "GetFeatureByName(\"Roads\")",
      "Feature(\"Roads\").Visibility=0",
      "Feature(\"Roads\").Visibility()",
      "SetCameraParams(52.5, 13.4, 0, 1, 1000, 0, 30, 3)",
      "SaveScreenShot(" + standin::JournalString(U16(pngPath)) + ", 100)",
  };
  const std::vector<std::string> lines = ReadLines(journalPath);
  std::size_t next = 0;
  for (const std::string& line : lines) {
    if (next < expected.size() && line == expected[next]) {
      ++next;
    }
  }
  checker.Expect(next == expected.size(), "the journal holds the calls in order",
                 next < expected.size() ? "missing " + expected[next]
                                        : std::to_string(lines.size()) + " lines");

  const standin::unique_hkey key = standin::OpenKeyIfExists(
      HKEY_CURRENT_USER, standin::kConfigKeyPath, KEY_READ | KEY_SET_VALUE);
  const DWORD pid = key ? standin::ReadDword(key.get(), L"ProcessId").value_or(0) : 0;
  checker.Expect(pid != 0, "the stand-in wrote its ProcessId");
  if (key) {
    for (const wchar_t* name :
         {L"FailMembers", L"JournalPath", L"MainWindowDelayMs", L"ExitOnCall"}) {
      RegDeleteValueW(key.get(), name);
    }
  }
  if (exitOnCall && pid) {
    const standin::unique_handle process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    const Outcome dying = Call(earth, L"GetRenderHwnd");  // the first was at the start
    DWORD exitCode = 259;
    const bool ended = process && WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process.get(), &exitCode);
    checker.Expect(FAILED(dying.hr), "ExitOnCall GetRenderHwnd@2: the call fails",
                   standin::HexCode(dying.hr));
    checker.Expect(ended && exitCode == 3, "ExitOnCall ends the stand-in with exit code 3",
                   std::to_string(exitCode));
    const std::vector<std::string> last = ReadLines(journalPath);
    checker.Expect(!last.empty() && last.back() == "GetRenderHwnd()",
                   "the fatal call is the journal's last line");
  }
  app.reset();
  if (close && pid) {
    const standin::unique_handle process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    DWORD exitCode = 259;
    const bool ended = process && WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process.get(), &exitCode);
    checker.Expect(ended && exitCode == 0,
                   "closing the main window ends the stand-in with exit code 0",
                   std::to_string(exitCode));
  }
  checker.Summary();
  return checker.Failed() == 0 ? 0 : 1;
}

}  // namespace

int wmain() {
  return standin::GuardMain([] { return Run(); });
}
