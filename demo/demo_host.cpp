// ZelkanGE's demo host: what a chart program does to show Google Earth in
// one of its panes, in miniature. It loads the plug-in from its own folder,
// embeds the view, follows its chart view, shows a voyage on it (waypoints,
// a route, the track sailed so far and the boat's live position), has
// Google Earth save a picture of it, takes the same picture into a bitmap
// of its own, saves the view placemark, and closes again.
//
//   ZelkanGEDemo.exe [picture.png]
//
// Beside picture.png it writes picture-bitmap.png (the host's bitmap) and
// picture.kml (the view placemark).
#include <windows.h>
// zelkange.h names IDispatch without including its header.
#include <ole2.h>
#include <wincodec.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "zelkange.h"

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kFrameClass[] = L"ZelkanGEDemoFrame";
constexpr wchar_t kPaneClass[] = L"ZelkanGEDemoPane";
constexpr auto kViewTimeout = 30s;
constexpr auto kPictureTimeout = 10s;

class DemoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void FailWithLastError(const char* call) {
  const DWORD code = GetLastError();
  throw DemoError(std::string(call) + " failed with error " + std::to_string(code));
}

template <class T>
T ThrowIfNull(T value, const char* call) {
  if (!value) FailWithLastError(call);
  return value;
}

struct WindowDestroyer {
  void operator()(HWND window) const noexcept { static_cast<void>(DestroyWindow(window)); }
};
struct ModuleFreer {
  void operator()(HMODULE module) const noexcept { static_cast<void>(FreeLibrary(module)); }
};
struct GdiDeleter {
  void operator()(HBITMAP bitmap) const noexcept { static_cast<void>(DeleteObject(bitmap)); }
};
template <class Interface>
struct ComReleaser {
  void operator()(Interface* object) const noexcept { object->Release(); }
};
template <class Interface>
using ComRelease = std::unique_ptr<Interface, ComReleaser<Interface>>;
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

class ComScope {
 public:
  ComScope() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(result)) throw DemoError("CoInitializeEx failed: " + std::to_string(result));
  }
  ~ComScope() { CoUninitialize(); }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
};

std::filesystem::path ExeFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) FailWithLastError("GetModuleFileNameW");
    if (length < path.size()) {
      path.resize(length);
      return std::filesystem::path(path).parent_path();
    }
    path.resize(path.size() * 2);
  }
}

// The plug-in's functions this host uses, bound by their plain names.
class ZelkanGE {
 public:
  explicit ZelkanGE(const std::filesystem::path& dll)
      : module_(ThrowIfNull(LoadLibraryW(dll.c_str()), "LoadLibraryW(ZelkanGE.dll)")) {
    Bind("LoadGE", LoadGE);
    Bind("CloseGE", CloseGE);
    Bind("ZgeIsViewReady", ZgeIsViewReady);
    Bind("SaveImageGE", SaveImageGE);
    Bind("ZgeGetMajor", ZgeGetMajor);
    Bind("ZgeGetMinor", ZgeGetMinor);
    Bind("ZgeGetBuild", ZgeGetBuild);
    Bind("ZgeGetLastError", ZgeGetLastError);
    Bind("ZgeClearLastError", ZgeClearLastError);
    Bind("LoadWaypoint", LoadWaypoint);
    Bind("LoadRoute", LoadRoute);
    Bind("LoadTrackLeg", LoadTrackLeg);
    Bind("LoadLiveGPS", LoadLiveGPS);
    Bind("FeatureList", FeatureList);
    Bind("ZgeStringListCount", ZgeStringListCount);
    Bind("ZgeStringListItem", ZgeStringListItem);
    Bind("SynchronizeView", SynchronizeView);
    Bind("ZgeGetEarthImage", ZgeGetEarthImage);
    Bind("ZgeSaveKMLToFile", ZgeSaveKMLToFile);
  }

  // Throws when the last call recorded an error.
  void Check(const char* what) const {
    std::int32_t code = 0;
    static_cast<void>(ZgeGetLastError(&code, nullptr, 0));
    if (code != 0) throw DemoError(std::string(what) + " failed: " + LastError());
  }

  // The plug-in's last error as text, for the message of a failure.
  std::string LastError() const {
    std::int32_t code = 0;
    const std::int32_t length = ZgeGetLastError(&code, nullptr, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    static_cast<void>(ZgeGetLastError(&code, text.data(), static_cast<std::int32_t>(text.size())));
    text.resize(static_cast<std::size_t>(length));
    char codeText[16];
    std::snprintf(codeText, sizeof codeText, "0x%08lX", static_cast<unsigned long>(code));
    return text.empty() ? std::string("no error recorded") : text + " (" + codeText + ")";
  }

  decltype(&::LoadGE) LoadGE = nullptr;
  decltype(&::CloseGE) CloseGE = nullptr;
  decltype(&::ZgeIsViewReady) ZgeIsViewReady = nullptr;
  decltype(&::SaveImageGE) SaveImageGE = nullptr;
  decltype(&::ZgeGetMajor) ZgeGetMajor = nullptr;
  decltype(&::ZgeGetMinor) ZgeGetMinor = nullptr;
  decltype(&::ZgeGetBuild) ZgeGetBuild = nullptr;
  decltype(&::ZgeGetLastError) ZgeGetLastError = nullptr;
  decltype(&::ZgeClearLastError) ZgeClearLastError = nullptr;
  decltype(&::LoadWaypoint) LoadWaypoint = nullptr;
  decltype(&::LoadRoute) LoadRoute = nullptr;
  decltype(&::LoadTrackLeg) LoadTrackLeg = nullptr;
  decltype(&::LoadLiveGPS) LoadLiveGPS = nullptr;
  decltype(&::FeatureList) FeatureList = nullptr;
  decltype(&::ZgeStringListCount) ZgeStringListCount = nullptr;
  decltype(&::ZgeStringListItem) ZgeStringListItem = nullptr;
  decltype(&::SynchronizeView) SynchronizeView = nullptr;
  decltype(&::ZgeGetEarthImage) ZgeGetEarthImage = nullptr;
  decltype(&::ZgeSaveKMLToFile) ZgeSaveKMLToFile = nullptr;

 private:
  template <class Function>
  void Bind(const char* name, Function& function) {
    const FARPROC address = GetProcAddress(module_.get(), name);
    if (address == nullptr) throw DemoError(std::string("ZelkanGE.dll does not export ") + name);
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
  }

  UniqueModule module_;
};

// The frame keeps its chart pane filling it, inside a margin of host controls.
constexpr int kPaneMargin = 8;

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) {
    if (const HWND pane = GetWindow(frame, GW_CHILD)) {
      const int width = LOWORD(lParam) - 2 * kPaneMargin;
      const int height = HIWORD(lParam) - 2 * kPaneMargin;
      static_cast<void>(MoveWindow(pane, kPaneMargin, kPaneMargin, width > 0 ? width : 0,
                                   height > 0 ? height : 0, TRUE));
    }
    return 0;
  }
  return DefWindowProcW(frame, message, wParam, lParam);
}

void RegisterWindowClass(const wchar_t* name, int background, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(background);
  windowClass.lpszClassName = name;
  if (RegisterClassExW(&windowClass) == 0) FailWithLastError("RegisterClassExW");
}

// The host's main window and the chart pane Google Earth goes into.
struct HostWindows {
  UniqueWindow frame;
  HWND pane;
};

HostWindows CreateHostWindows() {
  RegisterWindowClass(kFrameClass, COLOR_BTNFACE, FrameProc);
  RegisterWindowClass(kPaneClass, COLOR_APPWORKSPACE, DefWindowProcW);
  HostWindows windows{};
  windows.frame.reset(
      ThrowIfNull(CreateWindowExW(0, kFrameClass, L"ZelkanGE demo",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  900, 600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr),
                  "CreateWindowExW(frame)"));
  RECT client{};
  if (!GetClientRect(windows.frame.get(), &client)) FailWithLastError("GetClientRect");
  // A margin of host controls around the pane, as in a real chart program.
  windows.pane =
      ThrowIfNull(CreateWindowExW(WS_EX_CLIENTEDGE, kPaneClass, L"",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, kPaneMargin, kPaneMargin,
                                  client.right - 2 * kPaneMargin, client.bottom - 2 * kPaneMargin,
                                  windows.frame.get(), nullptr, GetModuleHandleW(nullptr), nullptr),
                  "CreateWindowExW(pane)");
  return windows;
}

// Runs the message loop, which the plug-in's timer needs, until `done` or
// the deadline; checks `done` between messages and every 10 ms.
template <class Condition>
bool PumpUntil(Condition done, std::chrono::steady_clock::duration timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
        WAIT_FAILED) {
      FailWithLastError("MsgWaitForMultipleObjectsEx");
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      static_cast<void>(TranslateMessage(&message));
      static_cast<void>(DispatchMessageW(&message));
    }
  }
  return true;
}

struct StartUp {
  bool failed = false;
  int ticks = 0;
};

void ZGE_CALL OnLoaded(void* context, ZgeBool isLoaded) {
  auto& startUp = *static_cast<StartUp*>(context);
  ++startUp.ticks;
  startUp.failed = startUp.failed || isLoaded == 0;
}

// Writes a bitmap as PNG with WIC.
void WritePng(HBITMAP bitmap, const std::filesystem::path& file) {
  const auto check = [](HRESULT result, const char* what) {
    if (FAILED(result)) throw DemoError(std::string(what) + " failed: " + std::to_string(result));
  };
  IWICImagingFactory* factory = nullptr;
  check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)),
        "CoCreateInstance(WICImagingFactory)");
  const ComRelease<IWICImagingFactory> ownedFactory(factory);
  IWICBitmap* source = nullptr;
  check(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source),
        "CreateBitmapFromHBITMAP");
  const ComRelease<IWICBitmap> ownedSource(source);
  IWICStream* stream = nullptr;
  check(factory->CreateStream(&stream), "CreateStream");
  const ComRelease<IWICStream> ownedStream(stream);
  check(stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE), "InitializeFromFilename");
  IWICBitmapEncoder* encoder = nullptr;
  check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), "CreateEncoder");
  const ComRelease<IWICBitmapEncoder> ownedEncoder(encoder);
  check(encoder->Initialize(stream, WICBitmapEncoderNoCache), "IWICBitmapEncoder::Initialize");
  IWICBitmapFrameEncode* frame = nullptr;
  check(encoder->CreateNewFrame(&frame, nullptr), "CreateNewFrame");
  const ComRelease<IWICBitmapFrameEncode> ownedFrame(frame);
  check(frame->Initialize(nullptr), "IWICBitmapFrameEncode::Initialize");
  check(frame->WriteSource(source, nullptr), "WriteSource");
  check(frame->Commit(), "IWICBitmapFrameEncode::Commit");
  check(encoder->Commit(), "IWICBitmapEncoder::Commit");
}

// A voyage from Lisbon to Alexandria: the ports as waypoints, the planned
// route through them, and the legs sailed so far with the boat at the end.
void ShowVoyage(const ZelkanGE& zge) {
  constexpr char kPortIcon[] = "http://maps.google.com/mapfiles/kml/shapes/marina.png";
  constexpr char kWaypointIcon[] = "http://maps.google.com/mapfiles/kml/paddle/wht-circle.png";
  constexpr wchar_t kBoatIcon[] = L"http://maps.google.com/mapfiles/kml/shapes/sailing.png";
  zge.ZgeClearLastError();
  zge.LoadWaypoint("Lisbon", "Port of departure", kPortIcon, 38.70, -9.14);
  zge.LoadWaypoint("Valletta", "Fuel and water", kPortIcon, 35.90, 14.51);
  zge.LoadWaypoint("Alexandria", "Port of arrival", kPortIcon, 31.20, 29.92);
  zge.Check("LoadWaypoint");

  // Turning points at sea, off the capes, so that every leg stays on water.
  const TPointGE points[] = {{"Lisbon", "", kWaypointIcon, 38.70, -9.14},
                             {"Off Cabo Espichel", "", kWaypointIcon, 38.40, -9.40},
                             {"Off Cape St. Vincent", "", kWaypointIcon, 37.00, -9.20},
                             {"Strait of Gibraltar", "", kWaypointIcon, 35.95, -5.55},
                             {"Off Cabo de Gata", "", kWaypointIcon, 36.55, -2.10},
                             {"Off Cap de Fer", "", kWaypointIcon, 37.45, 7.20},
                             {"Off Cape Bon", "", kWaypointIcon, 37.30, 11.20},
                             {"Valletta", "", kWaypointIcon, 35.90, 14.51},
                             {"South of Crete", "", kWaypointIcon, 34.55, 24.60},
                             {"Alexandria", "", kWaypointIcon, 31.20, 29.92}};
  const TListGE route{static_cast<std::int32_t>(std::size(points)), points};
  zge.LoadRoute(&route, L"Lisbon to Alexandria", L"Planned route", 0);
  zge.Check("LoadRoute");

  // Sailed so far: Lisbon to beyond Cape Bon, one leg per position report.
  const double track[][2] = {{38.70, -9.14}, {38.40, -9.40}, {37.00, -9.20}, {36.00, -6.10},
                             {35.95, -5.50}, {36.30, -2.50}, {37.60, 1.00},  {37.60, 7.20},
                             {37.30, 11.20}, {36.50, 13.00}};
  for (std::size_t leg = 0; leg + 1 < std::size(track); ++leg) {
    zge.LoadTrackLeg(L"Track", kBoatIcon, track[leg][0], track[leg][1], track[leg + 1][0],
                     track[leg + 1][1], RGB(255, 64, 0), static_cast<std::int32_t>(leg), 110, 1);
  }
  zge.Check("LoadTrackLeg");
  zge.LoadLiveGPS("Sea Otter", "Speed 6.2 kn",
                  "http://maps.google.com/mapfiles/kml/shapes/sailing.png", 36.50, 13.00, 110);
  zge.Check("LoadLiveGPS");

  const ZgeStringList* list = zge.FeatureList();
  std::printf("Features saved for the user:");
  for (std::int32_t i = 0; i < zge.ZgeStringListCount(list); ++i) {
    char name[128] = {};
    static_cast<void>(zge.ZgeStringListItem(list, i, name, sizeof name));
    std::printf("%s \"%s\"", i == 0 ? "" : ",", name);
  }
  std::printf("\n");
}

void ShowEarthAndSavePicture(const ZelkanGE& zge, HWND pane, const std::filesystem::path& picture) {
  StartUp startUp;
  if (!zge.LoadGE(pane, &OnLoaded, &startUp)) {
    throw DemoError("LoadGE failed: " + zge.LastError());
  }
  std::printf("Waiting for Google Earth...\n");
  const bool ready =
      PumpUntil([&] { return zge.ZgeIsViewReady() != 0 || startUp.failed; }, kViewTimeout);
  if (startUp.failed) throw DemoError("Google Earth could not be started: " + zge.LastError());
  if (!ready) throw DemoError("Google Earth's view did not appear within 30 s: " + zge.LastError());
  std::printf("Google Earth %d.%d.%d is embedded in the demo window.\n", zge.ZgeGetMajor(),
              zge.ZgeGetMinor(), zge.ZgeGetBuild());
  // The user widens the window: the pane follows, and from now on the
  // view keeps the pane's size (Google Earth 4.3 and later size it through
  // their main window on each size change).
  if (!SetWindowPos(GetAncestor(pane, GA_ROOT), nullptr, 0, 0, 1000, 640,
                    SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)) {
    FailWithLastError("SetWindowPos(frame)");
  }
  // The chart shows the western Mediterranean, 3,000 km across, north up.
  zge.SynchronizeView(3'000'000, 36.8, 3.0, 0);
  ShowVoyage(zge);

  std::error_code ignored;
  std::filesystem::remove(picture, ignored);
  zge.SaveImageGE(picture.c_str());
  if (!PumpUntil([&] { return std::filesystem::exists(picture); }, kPictureTimeout)) {
    throw DemoError("no picture of the view at " + picture.string() + ": " + zge.LastError());
  }
  std::printf("Picture of the view: %s\n", picture.string().c_str());

  std::filesystem::path bitmapPicture = picture;
  bitmapPicture.replace_filename(picture.stem().wstring() + L"-bitmap.png");
  HBITMAP bitmap = nullptr;
  if (!zge.ZgeGetEarthImage(&bitmap)) throw DemoError("no bitmap of the view: " + zge.LastError());
  const std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter> ownedBitmap(bitmap);
  WritePng(bitmap, bitmapPicture);
  std::printf("The view in the host's bitmap: %s\n", bitmapPicture.string().c_str());

  std::filesystem::path placemark = picture;
  placemark.replace_extension(L".kml");
  if (!zge.ZgeSaveKMLToFile(placemark.string().c_str())) {
    throw DemoError("no view placemark: " + zge.LastError());
  }
  std::printf("View placemark: %s\n", placemark.string().c_str());
}

int Run(int argc, wchar_t** argv) {
  const std::filesystem::path picture = argc > 1
                                            ? std::filesystem::path(argv[1])
                                            : std::filesystem::current_path() / "zelkange-view.png";
  const ComScope com;
  const HostWindows windows = CreateHostWindows();
  const ZelkanGE zge(ExeFolder() / "ZelkanGE.dll");
  try {
    ShowEarthAndSavePicture(zge, windows.pane, picture);
  } catch (const DemoError&) {
    zge.CloseGE();
    throw;
  }
  zge.CloseGE();
  std::printf("Closed the view; Google Earth was shut down.\n");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ZelkanGE demo failed: %s\n", error.what());
    return 1;
  }
}
