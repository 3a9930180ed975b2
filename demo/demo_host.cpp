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
#include <windows.h>
// zelkange.h names IDispatch without including its header.
#include <ole2.h>
#include <wincodec.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "coastlines.h"
#include "export_stats.h"
#include "gpx_reader.h"
#include "mercator.h"
#include "nmea_reader.h"
#include "options.h"
#include "zelkange.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kFrameClass[] = L"ZelkanGEDemoFrame";
constexpr wchar_t kChartClass[] = L"ZelkanGEDemoChart";
constexpr wchar_t kPaneClass[] = L"ZelkanGEDemoPane";
constexpr auto kViewTimeout = 30s;
constexpr auto kPictureTimeout = 10s;
constexpr int kMargin = 6;
constexpr int kStatusHeight = 22;
constexpr double kChartExtentMetres = 90'000;
constexpr char kBoatName[] = "Sea Otter";
constexpr char kPortIcon[] = "http://maps.google.com/mapfiles/kml/shapes/marina.png";
constexpr char kRouteIcon[] = "http://maps.google.com/mapfiles/kml/paddle/wht-circle.png";
constexpr char kBoatIcon[] = "http://maps.google.com/mapfiles/kml/shapes/sailing.png";
constexpr wchar_t kTrackName[] = L"Track";

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

void CheckHr(HRESULT result, const char* what) {
  if (FAILED(result)) throw DemoError(std::string(what) + " failed: " + std::to_string(result));
}

// ---- RAII for what this host owns --------------------------------------

struct WindowDestroyer {
  void operator()(HWND window) const noexcept { static_cast<void>(DestroyWindow(window)); }
};
struct ModuleFreer {
  void operator()(HMODULE module) const noexcept { static_cast<void>(FreeLibrary(module)); }
};
struct GdiDeleter {
  void operator()(HGDIOBJ object) const noexcept { static_cast<void>(DeleteObject(object)); }
};
struct DcDeleter {
  void operator()(HDC dc) const noexcept { static_cast<void>(DeleteDC(dc)); }
};
template <class Interface>
struct ComReleaser {
  void operator()(Interface* object) const noexcept { object->Release(); }
};
template <class Interface>
using ComRelease = std::unique_ptr<Interface, ComReleaser<Interface>>;
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;
using UniquePen = std::unique_ptr<std::remove_pointer_t<HPEN>, GdiDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// A window's DC, released with the window it came from.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(ThrowIfNull(GetDC(window), "GetDC")) {}
  ~WindowDc() { static_cast<void>(ReleaseDC(window_, dc_)); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  [[nodiscard]] HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() { static_cast<void>(SelectObject(dc_, previous_)); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

class ComScope {
 public:
  ComScope() { CheckHr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx"); }
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

std::wstring Wide(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) FailWithLastError("MultiByteToWideChar");
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          size) != size) {
    FailWithLastError("MultiByteToWideChar");
  }
  return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) FailWithLastError("WideCharToMultiByte");
  std::string narrow(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                          size, nullptr, nullptr) != size) {
    FailWithLastError("WideCharToMultiByte");
  }
  return narrow;
}

// GPX text is UTF-8; the plug-in's char functions take the ANSI code page.
std::string Ansi(const std::string& utf8) { return Narrow(Wide(utf8, CP_UTF8), CP_ACP); }

std::vector<char> ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream input(file, std::ios::binary | std::ios::ate);
  if (!input) throw DemoError("cannot open " + file.string());
  std::vector<char> bytes(static_cast<std::size_t>(input.tellg()));
  input.seekg(0);
  if (!input.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    throw DemoError("cannot read " + file.string());
  }
  return bytes;
}

// ---- The plug-in -----------------------------------------------------------

// The plug-in's functions this host uses, bound by their plain names.
class ZelkanGE {
 public:
  explicit ZelkanGE(const std::filesystem::path& dll)
      : module_(ThrowIfNull(LoadLibraryW(dll.c_str()), "LoadLibraryW(ZelkanGE.dll)")) {
#define ZGE_BIND(name) Bind(#name, name)
    ZGE_BIND(LoadGE);
    ZGE_BIND(CloseGE);
    ZGE_BIND(ZgeIsViewReady);
    ZGE_BIND(SaveImageGE);
    ZGE_BIND(ZgeGetMajor);
    ZGE_BIND(ZgeGetMinor);
    ZGE_BIND(ZgeGetBuild);
    ZGE_BIND(ZgeGetLastError);
    ZGE_BIND(ZgeClearLastError);
    ZGE_BIND(LoadWaypoint);
    ZGE_BIND(LoadRoute);
    ZGE_BIND(LoadTrackLeg);
    ZGE_BIND(LoadLiveGPS);
    ZGE_BIND(FeatureCount);
    ZGE_BIND(FeatureList);
    ZGE_BIND(ZgeStringListItem);
    ZGE_BIND(SaveFeature);
    ZGE_BIND(SynchronizeView);
    ZGE_BIND(SetRotation);
    ZGE_BIND(OnMouseWheelM);
    ZGE_BIND(ZgeMousePos);
    ZGE_BIND(ZgeGetEarthImage);
    ZGE_BIND(ZgeSaveKMLToFile);
#undef ZGE_BIND
  }

  // The plug-in's last error as text, for the message of a failure.
  [[nodiscard]] std::string LastError() const {
    std::int32_t code = 0;
    const std::int32_t length = ZgeGetLastError(&code, nullptr, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    static_cast<void>(ZgeGetLastError(&code, text.data(), static_cast<std::int32_t>(text.size())));
    text.resize(static_cast<std::size_t>(length));
    char codeText[16];
    std::snprintf(codeText, sizeof codeText, "0x%08lX", static_cast<unsigned long>(code));
    return text.empty() ? std::string("no error recorded") : text + " (" + codeText + ")";
  }

  [[nodiscard]] bool HasError() const {
    std::int32_t code = 0;
    static_cast<void>(ZgeGetLastError(&code, nullptr, 0));
    return code != 0;
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
  decltype(&::FeatureCount) FeatureCount = nullptr;
  decltype(&::FeatureList) FeatureList = nullptr;
  decltype(&::ZgeStringListItem) ZgeStringListItem = nullptr;
  decltype(&::SaveFeature) SaveFeature = nullptr;
  decltype(&::SynchronizeView) SynchronizeView = nullptr;
  decltype(&::SetRotation) SetRotation = nullptr;
  decltype(&::OnMouseWheelM) OnMouseWheelM = nullptr;
  decltype(&::ZgeMousePos) ZgeMousePos = nullptr;
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

// Times every call into the plug-in, by export name, for the summary.
class TimedCalls {
 public:
  explicit TimedCalls(demo::ExportStats& stats) : stats_(stats) {}

  [[nodiscard]] std::size_t Calls() const { return stats_.TotalCalls(); }

  template <class Function, class... Arguments>
  auto operator()(const char* name, Function function, Arguments... arguments) const {
    const auto start = Clock::now();
    if constexpr (std::is_void_v<decltype(function(arguments...))>) {
      function(arguments...);
      stats_.Add(name, Clock::now() - start);
    } else {
      auto result = function(arguments...);
      stats_.Add(name, Clock::now() - start);
      return result;
    }
  }

 private:
  demo::ExportStats& stats_;
};

// ---- The host's state and its chart ---------------------------------------

struct GroundQuery {
  POINT pixel{};  // in the Earth panel
  TMousePosGE ground{};
  bool hit = false;
};

struct HostState {
  std::vector<standin::GeoLine> land;  // rings near the voyage
  nav::GpxDocument gpx;
  std::vector<nav::Fix> fixes;
  std::size_t shown = 0;  // fixes sailed so far (the boat is at shown - 1)
  std::optional<GroundQuery> query;
  std::wstring status = L"Starting Google Earth...";
  std::size_t calls = 0;
  bool quit = false;
  std::optional<std::string> failure;  // an exception caught in a window procedure
  // While the panel lives: where the frame forwards the mouse wheel.
  const ZelkanGE* zge = nullptr;
  TimedCalls* call = nullptr;
};

struct HostWindows {
  UniqueWindow frame;
  HWND chart = nullptr;
  HWND pane = nullptr;
  HWND status = nullptr;
};

COLORREF Blend(COLORREF a, COLORREF b) {
  return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
             (GetBValue(a) + GetBValue(b)) / 2);
}

POINT ToPoint(const demo::ChartPoint& point) {
  return {static_cast<LONG>(std::lround(std::clamp(point.x, -30000.0, 30000.0))),
          static_cast<LONG>(std::lround(std::clamp(point.y, -30000.0, 30000.0)))};
}

void Label(HDC dc, int x, int y, const std::wstring& text, COLORREF color) {
  static_cast<void>(SetTextColor(dc, color));
  static_cast<void>(TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size())));
}

// The chart, centred on the boat: land, the planned route and its
// harbours, the track sailed, the boat, and the ground the Earth view
// reported under one of its pixels.
void DrawChart(HDC dc, int width, int height, const HostState& state) {
  const nav::Fix* boat = state.shown > 0 ? &state.fixes[state.shown - 1] : nullptr;
  const double centreLatitude = boat ? boat->latitude : 36.5;
  const double centreLongitude = boat ? boat->longitude : 14.9;
  const demo::MercatorChart chart(centreLatitude, centreLongitude, kChartExtentMetres, width,
                                  height);
  const COLORREF sea = RGB(170, 205, 235);
  const COLORREF land = RGB(238, 226, 190);
  const UniqueBrush seaBrush(CreateSolidBrush(sea));
  const RECT all{0, 0, width, height};
  static_cast<void>(FillRect(dc, &all, seaBrush.get()));

  // Land: every ring as one polygon set, alternate fill, so lakes stay water.
  std::vector<POINT> points;
  std::vector<INT> counts;
  for (const standin::GeoLine& ring : state.land) {
    for (const standin::GeoPoint& point : ring.points) {
      points.push_back(ToPoint(chart.Project(point.latitude, point.longitude)));
    }
    counts.push_back(static_cast<INT>(ring.points.size()));
  }
  const UniqueBrush landBrush(CreateSolidBrush(land));
  const UniquePen shore(CreatePen(PS_SOLID, 1, RGB(120, 110, 90)));
  if (!counts.empty()) {
    const Selection brush(dc, landBrush.get());
    const Selection pen(dc, shore.get());
    static_cast<void>(SetPolyFillMode(dc, ALTERNATE));
    static_cast<void>(
        PolyPolygon(dc, points.data(), counts.data(), static_cast<int>(counts.size())));
  }

  static_cast<void>(SetBkMode(dc, TRANSPARENT));
  // The planned route, dashed, with its turning points.
  const UniquePen routePen(CreatePen(PS_DASH, 1, RGB(150, 40, 160)));
  for (const nav::GpxRoute& route : state.gpx.routes) {
    std::vector<POINT> line;
    for (const nav::GpxPoint& point : route.points) {
      line.push_back(ToPoint(chart.Project(point.latitude, point.longitude)));
    }
    const Selection pen(dc, routePen.get());
    static_cast<void>(Polyline(dc, line.data(), static_cast<int>(line.size())));
  }
  for (const nav::GpxPoint& waypoint : state.gpx.waypoints) {
    const POINT at = ToPoint(chart.Project(waypoint.latitude, waypoint.longitude));
    static_cast<void>(Ellipse(dc, at.x - 4, at.y - 4, at.x + 5, at.y + 5));
    Label(dc, at.x + 7, at.y - 8, Wide(waypoint.name, CP_UTF8), RGB(90, 20, 100));
  }

  // The track sailed so far.
  if (state.shown > 1) {
    std::vector<POINT> track;
    track.reserve(state.shown);
    for (std::size_t i = 0; i < state.shown; ++i) {
      track.push_back(ToPoint(chart.Project(state.fixes[i].latitude, state.fixes[i].longitude)));
    }
    const UniquePen trackPen(CreatePen(PS_SOLID, 2, RGB(220, 50, 20)));
    const Selection pen(dc, trackPen.get());
    static_cast<void>(Polyline(dc, track.data(), static_cast<int>(track.size())));
  }

  // The ground under a pixel of the Earth view, as the plug-in reported it.
  if (state.query && state.query->hit) {
    const POINT at =
        ToPoint(chart.Project(state.query->ground.Latitude, state.query->ground.Longitude));
    const UniquePen crossPen(CreatePen(PS_SOLID, 1, RGB(0, 90, 0)));
    const Selection pen(dc, crossPen.get());
    static_cast<void>(MoveToEx(dc, at.x - 8, at.y, nullptr));
    static_cast<void>(LineTo(dc, at.x + 9, at.y));
    static_cast<void>(MoveToEx(dc, at.x, at.y - 8, nullptr));
    static_cast<void>(LineTo(dc, at.x, at.y + 9));
    wchar_t text[96];
    std::swprintf(text, std::size(text), L"view pixel (%ld, %ld): %.4f, %.4f", state.query->pixel.x,
                  state.query->pixel.y, state.query->ground.Latitude,
                  state.query->ground.Longitude);
    Label(dc, at.x + 6, at.y + 4, text, RGB(0, 90, 0));
  }

  // The boat: a triangle pointing along its heading.
  if (boat != nullptr) {
    const POINT at = ToPoint(chart.Project(boat->latitude, boat->longitude));
    const double heading =
        boat->headingDegrees.value_or(boat->courseDegrees.value_or(0)) * 3.14159265358979 / 180.0;
    const auto corner = [&](double along, double across) {
      return POINT{static_cast<LONG>(
                       at.x + std::lround(along * std::sin(heading) + across * std::cos(heading))),
                   static_cast<LONG>(at.y + std::lround(-along * std::cos(heading) +
                                                        across * std::sin(heading)))};
    };
    const POINT hull[] = {corner(12, 0), corner(-7, 6), corner(-7, -6)};
    const UniqueBrush boatBrush(CreateSolidBrush(RGB(30, 30, 30)));
    const Selection brush(dc, boatBrush.get());
    static_cast<void>(Polygon(dc, hull, 3));
  }

  // A scale bar of 10 km.
  const double metresPerPixel = chart.MetresPerPixelAtCentre(centreLatitude);
  const int bar = static_cast<int>(std::lround(10'000.0 / metresPerPixel));
  const UniquePen scalePen(CreatePen(PS_SOLID, 2, RGB(20, 20, 20)));
  {
    const Selection pen(dc, scalePen.get());
    static_cast<void>(MoveToEx(dc, 12, height - 14, nullptr));
    static_cast<void>(LineTo(dc, 12 + bar, height - 14));
  }
  Label(dc, 12, height - 32, L"10 km", RGB(20, 20, 20));
  Label(dc, 8, 6, L"Chart (Mercator), north up", Blend(RGB(20, 20, 20), sea));
}

// Draws the chart into a bitmap first, so it never flickers.
void PaintChart(HWND chart, HDC dc, const HostState& state) {
  RECT client{};
  if (!GetClientRect(chart, &client)) FailWithLastError("GetClientRect");
  if (client.right <= 0 || client.bottom <= 0) return;
  const UniqueMemoryDc memory(ThrowIfNull(CreateCompatibleDC(dc), "CreateCompatibleDC"));
  const UniqueBitmap bitmap(ThrowIfNull(CreateCompatibleBitmap(dc, client.right, client.bottom),
                                        "CreateCompatibleBitmap"));
  const Selection selected(memory.get(), bitmap.get());
  DrawChart(memory.get(), client.right, client.bottom, state);
  if (!BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY)) {
    FailWithLastError("BitBlt");
  }
}

HostState* StateOf(HWND window) {
  return reinterpret_cast<HostState*>(
      GetWindowLongPtrW(GetAncestor(window, GA_ROOT), GWLP_USERDATA));
}

// One guard for every window procedure: an exception is kept for the
// replay loop, which ends the program with it; nothing crosses into Windows.
template <class Body>
LRESULT Guarded(HWND window, Body body) noexcept {
  try {
    return body();
  } catch (const std::exception& error) {
    if (HostState* state = StateOf(window)) {
      state->failure = error.what();
      state->quit = true;
    }
    return 0;
  }
}

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

LRESULT CALLBACK ChartProc(HWND chart, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  return Guarded(chart, [&]() -> LRESULT {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT) {
      PAINTSTRUCT paint{};
      const HDC dc = BeginPaint(chart, &paint);
      if (dc == nullptr) return 0;
      struct EndPainting {
        HWND window;
        PAINTSTRUCT* paint;
        ~EndPainting() { static_cast<void>(EndPaint(window, paint)); }
      } end{chart, &paint};
      if (const HostState* state = StateOf(chart)) PaintChart(chart, dc, *state);
      return 0;
    }
    return DefWindowProcW(chart, message, wParam, lParam);
  });
}

void RegisterWindowClass(const wchar_t* name, HBRUSH background, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  if (RegisterClassExW(&windowClass) == 0) FailWithLastError("RegisterClassExW");
}

// The chart and the Earth panel side by side, the status line below.
void LayOut(HWND frame, int width, int height) {
  const HWND chart = GetDlgItem(frame, 1);
  const HWND pane = GetDlgItem(frame, 2);
  const HWND status = GetDlgItem(frame, 3);
  if (!chart || !pane || !status) return;
  const int paneHeight = std::max(0, height - 3 * kMargin - kStatusHeight);
  const int half = std::max(0, (width - 3 * kMargin) / 2);
  static_cast<void>(MoveWindow(chart, kMargin, kMargin, half, paneHeight, TRUE));
  static_cast<void>(MoveWindow(pane, 2 * kMargin + half, kMargin, half, paneHeight, TRUE));
  static_cast<void>(MoveWindow(status, kMargin, 2 * kMargin + paneHeight,
                               std::max(0, width - 2 * kMargin), kStatusHeight, TRUE));
}

HostWindows CreateHostWindows(HostState& state) {
  RegisterWindowClass(kFrameClass, GetSysColorBrush(COLOR_BTNFACE), FrameProc);
  RegisterWindowClass(kChartClass, nullptr, ChartProc);
  RegisterWindowClass(kPaneClass, GetSysColorBrush(COLOR_APPWORKSPACE), DefWindowProcW);
  HostWindows windows{};
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  windows.frame.reset(
      ThrowIfNull(CreateWindowExW(0, kFrameClass, L"ZelkanGE demo: Valletta to Syracuse",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 1000, 600, nullptr, nullptr, instance, nullptr),
                  "CreateWindowExW(frame)"));
  SetLastError(0);
  if (SetWindowLongPtrW(windows.frame.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state)) ==
          0 &&
      GetLastError() != 0) {
    FailWithLastError("SetWindowLongPtrW");
  }
  const auto child = [&](DWORD exStyle, const wchar_t* windowClass, DWORD style, int id) {
    return ThrowIfNull(
        CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
                        windows.frame.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        instance, nullptr),
        "CreateWindowExW(child)");
  };
  windows.chart = child(WS_EX_CLIENTEDGE, kChartClass, 0, 1);
  windows.pane = child(WS_EX_CLIENTEDGE, kPaneClass, WS_CLIPCHILDREN, 2);
  windows.status = child(0, L"STATIC", SS_LEFTNOWORDWRAP | SS_SUNKEN, 3);
  RECT client{};
  if (!GetClientRect(windows.frame.get(), &client)) FailWithLastError("GetClientRect");
  LayOut(windows.frame.get(), client.right, client.bottom);
  return windows;
}

// ---- Replay -------------------------------------------------------------

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  return Guarded(frame, [&]() -> LRESULT {
    switch (message) {
      case WM_SIZE:
        LayOut(frame, LOWORD(lParam), HIWORD(lParam));
        return 0;
      case WM_MOUSEWHEEL: {
        // The view zooms when the cursor is over it; elsewhere the host's own.
        const HostState* state = StateOf(frame);
        if (state != nullptr && state->zge != nullptr) {
          ZgeMessage wheel{message, wParam, lParam, 0};
          if ((*state->call)("OnMouseWheelM", state->zge->OnMouseWheelM, &wheel)) return 0;
        }
        break;
      }
      case WM_CLOSE:
        if (HostState* state = StateOf(frame)) state->quit = true;
        return 0;
      default:
        break;
    }
    return DefWindowProcW(frame, message, wParam, lParam);
  });
}

// Runs the message loop, which the plug-in's timer needs, until `done` or
// the deadline; checks `done` between messages and every 10 ms.
template <class Condition>
bool PumpUntil(Condition done, Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
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
};

void ZGE_CALL OnLoaded(void* context, ZgeBool isLoaded) noexcept {
  auto& startUp = *static_cast<StartUp*>(context);
  startUp.failed = startUp.failed || isLoaded == 0;
}

// Writes a bitmap as PNG with WIC.
void WritePng(HBITMAP bitmap, const std::filesystem::path& file) {
  IWICImagingFactory* factory = nullptr;
  CheckHr(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)),
          "CoCreateInstance(WICImagingFactory)");
  const ComRelease<IWICImagingFactory> ownedFactory(factory);
  IWICBitmap* source = nullptr;
  CheckHr(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source),
          "CreateBitmapFromHBITMAP");
  const ComRelease<IWICBitmap> ownedSource(source);
  IWICStream* stream = nullptr;
  CheckHr(factory->CreateStream(&stream), "CreateStream");
  const ComRelease<IWICStream> ownedStream(stream);
  CheckHr(stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE), "InitializeFromFilename");
  IWICBitmapEncoder* encoder = nullptr;
  CheckHr(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), "CreateEncoder");
  const ComRelease<IWICBitmapEncoder> ownedEncoder(encoder);
  CheckHr(encoder->Initialize(stream, WICBitmapEncoderNoCache), "IWICBitmapEncoder::Initialize");
  IWICBitmapFrameEncode* frame = nullptr;
  CheckHr(encoder->CreateNewFrame(&frame, nullptr), "CreateNewFrame");
  const ComRelease<IWICBitmapFrameEncode> ownedFrame(frame);
  CheckHr(frame->Initialize(nullptr), "IWICBitmapFrameEncode::Initialize");
  CheckHr(frame->WriteSource(source, nullptr), "WriteSource");
  CheckHr(frame->Commit(), "IWICBitmapFrameEncode::Commit");
  CheckHr(encoder->Commit(), "IWICBitmapEncoder::Commit");
}

RECT ChildRect(HWND frame, HWND child) {
  RECT rect{};
  if (!GetWindowRect(child, &rect)) FailWithLastError("GetWindowRect");
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The whole host window as a picture: the chart drawn again, the Earth
// view from the plug-in's bitmap (Google Earth's own picture: under Wine
// the embedded view's pixels never reach a screen capture), the status line.
void SaveHostPicture(const HostWindows& windows, const HostState& state, HBITMAP earth,
                     const std::filesystem::path& file) {
  RECT client{};
  if (!GetClientRect(windows.frame.get(), &client)) FailWithLastError("GetClientRect");
  const WindowDc screen(windows.frame.get());
  const UniqueMemoryDc dc(ThrowIfNull(CreateCompatibleDC(screen.Get()), "CreateCompatibleDC"));
  const UniqueBitmap picture(ThrowIfNull(
      CreateCompatibleBitmap(screen.Get(), client.right, client.bottom), "CreateCompatibleBitmap"));
  {
    const Selection selected(dc.get(), picture.get());
    static_cast<void>(FillRect(dc.get(), &client, GetSysColorBrush(COLOR_BTNFACE)));
    const RECT chart = ChildRect(windows.frame.get(), windows.chart);
    const RECT pane = ChildRect(windows.frame.get(), windows.pane);
    {
      const UniqueMemoryDc part(
          ThrowIfNull(CreateCompatibleDC(screen.Get()), "CreateCompatibleDC"));
      const UniqueBitmap chartBitmap(ThrowIfNull(
          CreateCompatibleBitmap(screen.Get(), chart.right - chart.left, chart.bottom - chart.top),
          "CreateCompatibleBitmap"));
      const Selection chartSelected(part.get(), chartBitmap.get());
      DrawChart(part.get(), chart.right - chart.left, chart.bottom - chart.top, state);
      static_cast<void>(BitBlt(dc.get(), chart.left, chart.top, chart.right - chart.left,
                               chart.bottom - chart.top, part.get(), 0, 0, SRCCOPY));
    }
    if (earth != nullptr) {
      const UniqueMemoryDc part(
          ThrowIfNull(CreateCompatibleDC(screen.Get()), "CreateCompatibleDC"));
      const Selection earthSelected(part.get(), earth);
      BITMAP info{};
      static_cast<void>(GetObjectW(earth, sizeof info, &info));
      static_cast<void>(SetStretchBltMode(dc.get(), HALFTONE));
      static_cast<void>(StretchBlt(dc.get(), pane.left, pane.top, pane.right - pane.left,
                                   pane.bottom - pane.top, part.get(), 0, 0, info.bmWidth,
                                   info.bmHeight, SRCCOPY));
    }
    static_cast<void>(SetBkMode(dc.get(), TRANSPARENT));
    const RECT status = ChildRect(windows.frame.get(), windows.status);
    Label(dc.get(), status.left + 4, status.top + 3, state.status, RGB(0, 0, 0));
  }
  WritePng(picture.get(), file);
}

struct Replay {
  const demo::Options& options;
  const ZelkanGE& zge;
  TimedCalls& call;
  HostState& state;
  const HostWindows& windows;
  std::size_t liveUpdates = 0;
  std::size_t legs = 0;
  std::size_t legStart = 0;
  std::vector<std::filesystem::path> pictures;

  void LoadPlan() {
    for (const nav::GpxPoint& waypoint : state.gpx.waypoints) {
      call("LoadWaypoint", zge.LoadWaypoint, Ansi(waypoint.name).c_str(),
           Ansi(waypoint.description).c_str(), kPortIcon, waypoint.latitude, waypoint.longitude);
    }
    if (!state.gpx.routes.empty()) {
      const nav::GpxRoute& route = state.gpx.routes.front();
      std::vector<std::string> names;
      std::vector<std::string> descriptions;
      for (const nav::GpxPoint& point : route.points) {
        names.push_back(Ansi(point.name));
        descriptions.push_back(Ansi(point.description));
      }
      std::vector<TPointGE> points;
      for (std::size_t i = 0; i < route.points.size(); ++i) {
        points.push_back({names[i].c_str(), descriptions[i].c_str(), kRouteIcon,
                          route.points[i].latitude, route.points[i].longitude});
      }
      const TListGE list{static_cast<std::int32_t>(points.size()), points.data()};
      const std::wstring name = route.name.empty() ? L"Route" : Wide(route.name, CP_UTF8);
      call("LoadRoute", zge.LoadRoute, &list, name.c_str(), L"Planned route", 0U);
    }
    if (zge.HasError()) throw DemoError("the plan did not load: " + zge.LastError());
  }

  void Leg(std::size_t to) {
    const nav::Fix& a = state.fixes[legStart];
    const nav::Fix& b = state.fixes[to];
    const auto heading = static_cast<std::int32_t>(std::lround(b.headingDegrees.value_or(0)));
    call("LoadTrackLeg", zge.LoadTrackLeg, kTrackName, L"", a.latitude, a.longitude, b.latitude,
         b.longitude, static_cast<std::uint32_t>(RGB(255, 64, 0)), static_cast<std::int32_t>(legs),
         heading, static_cast<ZgeBool>(1));
    ++legs;
    legStart = to;
  }

  void Live(const nav::Fix& fix) {
    char description[96];
    std::snprintf(description, sizeof description, "%.1f kn, course %.0f",
                  fix.speedKnots.value_or(0), fix.courseDegrees.value_or(0));
    const double heading = fix.headingDegrees.value_or(fix.courseDegrees.value_or(0));
    call("LoadLiveGPS", zge.LoadLiveGPS, kBoatName, description, kBoatIcon, fix.latitude,
         fix.longitude, static_cast<std::int32_t>(std::lround(heading)));
    call("SynchronizeView", zge.SynchronizeView, kChartExtentMetres, fix.latitude, fix.longitude,
         options.headingUp ? heading : 0.0);
    if (options.headingUp) call("SetRotation", zge.SetRotation, heading);
    ++liveUpdates;
    // The ground under a pixel of the view, shown on the chart.
    RECT pane{};
    if (GetClientRect(windows.pane, &pane)) {
      GroundQuery query;
      // A pixel up and left of the centre, so the chart's mark stands apart from the boat.
      query.pixel = {pane.right / 4, pane.bottom / 4};
      query.hit = call("ZgeMousePos", zge.ZgeMousePos, static_cast<std::int32_t>(query.pixel.x),
                       static_cast<std::int32_t>(query.pixel.y), &query.ground) != 0;
      state.query = query;
    }
  }

  // The wheel over the view, as the user turns it: in, then out again.
  void Wheel(int delta) {
    RECT pane{};
    if (!GetWindowRect(windows.pane, &pane)) FailWithLastError("GetWindowRect");
    static_cast<void>(SetCursorPos((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2));
    const auto wParam = static_cast<WPARAM>(
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(delta)))
        << 16);
    static_cast<void>(
        SendMessageW(windows.frame.get(), WM_MOUSEWHEEL, wParam,
                     MAKELPARAM((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2)));
  }

  void Picture(const std::string& name) {
    const std::filesystem::path file =
        std::filesystem::absolute(std::filesystem::path(Wide(options.out, CP_UTF8))) / name;
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    call("SaveImageGE", zge.SaveImageGE, file.c_str());
    pictures.push_back(file);
  }

  void UpdateStatus(const nav::Fix& fix, std::size_t n) {
    const auto seconds = static_cast<long long>(fix.time);
    wchar_t text[256];
    std::swprintf(text, std::size(text),
                  L"%02lld:%02lld:%02lld UTC   %.4f%lc %.4f%lc   %.1f kn   course %03.0f   "
                  L"heading %03.0f   fix %zu of %zu   calls %zu",
                  seconds / 3600 % 24, seconds / 60 % 60, seconds % 60, std::abs(fix.latitude),
                  fix.latitude >= 0 ? L'N' : L'S', std::abs(fix.longitude),
                  fix.longitude >= 0 ? L'E' : L'W', fix.speedKnots.value_or(0),
                  fix.courseDegrees.value_or(0), fix.headingDegrees.value_or(0), n,
                  state.fixes.size(), call.Calls());
    state.status = text;
    static_cast<void>(SetWindowTextW(windows.status, text));
    static_cast<void>(InvalidateRect(windows.chart, nullptr, FALSE));
  }

  void Run() {
    LoadPlan();
    const std::size_t count = state.fixes.size();
    const double firstTime = state.fixes.front().time;
    const auto start = Clock::now();
    auto lastLive = Clock::time_point{};
    const auto liveInterval = std::chrono::duration<double>(1.0 / options.updatesPerSecond);
    std::size_t nextProgress = 0;
    for (std::size_t i = 0; i < count && !state.quit; ++i) {
      const nav::Fix& fix = state.fixes[i];
      const auto due =
          start + std::chrono::duration_cast<Clock::duration>(
                      std::chrono::duration<double>((fix.time - firstTime) / options.speed));
      PumpUntil([&] { return state.quit || Clock::now() >= due; }, 24h);
      state.shown = i + 1;
      const bool last = i + 1 == count;
      if (i > legStart && (i - legStart >= static_cast<std::size_t>(options.legEvery) || last)) {
        Leg(i);
      }
      if (last || Clock::now() - lastLive >= liveInterval) {
        Live(fix);
        lastLive = Clock::now();
      }
      if (i == count / 3) Picture("view-1.png");
      if (i == 2 * count / 3) Picture("view-2.png");
      if (i == count / 2) {
        Wheel(120);
        Wheel(-120);
      }
      UpdateStatus(fix, i + 1);
      if (i >= nextProgress) {
        std::printf("[replay] fix %zu of %zu\n", i + 1, count);
        std::fflush(stdout);
        nextProgress += std::max<std::size_t>(1, count / 10);
      }
    }
    if (state.failure) throw DemoError(*state.failure);
  }
};

std::vector<nav::Fix> SelectFixes(const std::vector<nav::Fix>& all, const demo::Options& options) {
  // A time of day alone is matched against each fix's time of day.
  const auto matches = [](double fixTime, double limit, bool from) {
    const double value = limit < 86400 ? std::fmod(fixTime, 86400.0) : fixTime;
    return from ? value >= limit : value <= limit;
  };
  std::vector<nav::Fix> chosen;
  for (const nav::Fix& fix : all) {
    if (options.from && !matches(fix.time, *options.from, true)) continue;
    if (options.to && !matches(fix.time, *options.to, false)) continue;
    chosen.push_back(fix);
  }
  return chosen;
}

std::vector<standin::GeoLine> LandNear(const std::filesystem::path& file,
                                       const std::vector<nav::Fix>& fixes) {
  const std::vector<char> bytes = ReadFileBytes(file);
  standin::Coastlines coastlines =
      standin::DecodeCoastlines(std::as_bytes(std::span<const char>(bytes)));
  double north = -90, south = 90, east = -180, west = 180;
  for (const nav::Fix& fix : fixes) {
    north = std::max(north, fix.latitude);
    south = std::min(south, fix.latitude);
    east = std::max(east, fix.longitude);
    west = std::min(west, fix.longitude);
  }
  constexpr double kAround = 2.0;
  std::vector<standin::GeoLine> nearby;
  for (standin::GeoLine& ring : coastlines.land) {
    if (ring.bounds.south <= north + kAround && ring.bounds.north >= south - kAround &&
        ring.bounds.west <= east + kAround && ring.bounds.east >= west - kAround) {
      nearby.push_back(std::move(ring));
    }
  }
  return nearby;
}

int Run(const demo::Options& options) {
  const std::filesystem::path folder = ExeFolder();
  // The options are UTF-8; a narrow path would be read in the ANSI code page.
  const auto path = [](const std::string& utf8) {
    return std::filesystem::path(Wide(utf8, CP_UTF8));
  };
  const std::filesystem::path nmeaFile =
      options.nmea.empty() ? folder / "valletta-syracuse.nmea" : path(options.nmea);
  const std::filesystem::path gpxFile =
      options.gpx.empty() ? folder / "valletta-syracuse.gpx" : path(options.gpx);
  const std::filesystem::path out = std::filesystem::absolute(path(options.out));
  std::filesystem::create_directories(out);

  std::ifstream nmeaInput(nmeaFile, std::ios::binary);
  if (!nmeaInput) throw DemoError("cannot open the NMEA log " + nmeaFile.string());
  const nav::NmeaReader log = nav::ReadNmea(nmeaInput);
  HostState state;
  state.fixes = SelectFixes(log.Fixes(), options);
  if (state.fixes.empty()) throw DemoError("no fixes to replay in " + nmeaFile.string());
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

  const ComScope com;
  const HostWindows windows = CreateHostWindows(state);
  const ZelkanGE zge(folder / "ZelkanGE.dll");
  demo::ExportStats stats;
  TimedCalls call(stats);
  const auto closeAtEnd = [&] {
    state.zge = nullptr;
    state.call = nullptr;
    call("CloseGE", zge.CloseGE);
  };
  const auto started = Clock::now();
  try {
    StartUp startUp;
    if (!call("LoadGE", zge.LoadGE, windows.pane, &OnLoaded, static_cast<void*>(&startUp))) {
      throw DemoError("LoadGE failed: " + zge.LastError());
    }
    state.zge = &zge;
    state.call = &call;
    const bool ready = PumpUntil(
        [&] { return zge.ZgeIsViewReady() != 0 || startUp.failed || state.quit; }, kViewTimeout);
    if (startUp.failed) throw DemoError("Google Earth could not be started: " + zge.LastError());
    if (!ready)
      throw DemoError("Google Earth's view did not appear within 30 s: " + zge.LastError());
    std::printf("[replay] Google Earth %d.%d.%d is embedded beside the chart\n", zge.ZgeGetMajor(),
                zge.ZgeGetMinor(), zge.ZgeGetBuild());
    // The user widens the window: the panel follows, and from now on the
    // view keeps the panel's size (Google Earth sizes it through its main
    // window on each size change).
    if (!SetWindowPos(windows.frame.get(), nullptr, 0, 0, 1100, 640,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)) {
      FailWithLastError("SetWindowPos(frame)");
    }

    Replay replay{options, zge, call, state, windows, 0, 0, 0, {}};
    replay.Run();
    replay.Picture("zelkange-view.png");
    for (const auto& picture : replay.pictures) {
      if (!PumpUntil([&] { return std::filesystem::exists(picture); }, kPictureTimeout)) {
        throw DemoError("no picture of the view at " + picture.string());
      }
    }
    HBITMAP bitmap = nullptr;
    if (!call("ZgeGetEarthImage", zge.ZgeGetEarthImage, &bitmap)) {
      throw DemoError("no bitmap of the view: " + zge.LastError());
    }
    const UniqueBitmap ownedBitmap(bitmap);
    WritePng(bitmap, out / "zelkange-view-bitmap.png");
    SaveHostPicture(windows, state, bitmap, out / "host-window.png");

    const std::filesystem::path features = out / "features";
    const std::string featureFolder = Narrow(features.wstring(), CP_ACP);
    const std::int32_t featureCount = call("FeatureCount", zge.FeatureCount);
    std::int32_t saved = 0;
    for (std::int32_t i = 0; i < featureCount; ++i) {
      if (call("SaveFeature", zge.SaveFeature, featureFolder.c_str(), i)) {
        ++saved;
      } else {
        std::fprintf(stderr, "[replay] feature %d not saved: %s\n", i, zge.LastError().c_str());
      }
    }
    const std::string placemark = Narrow((out / "zelkange-view.kml").wstring(), CP_ACP);
    if (!call("ZgeSaveKMLToFile", zge.ZgeSaveKMLToFile, placemark.c_str())) {
      throw DemoError("no view placemark: " + zge.LastError());
    }
    if (!options.headless) {
      std::printf("[replay] done; close the window to end\n");
      PumpUntil([&] { return state.quit; }, 24h);
    }
    closeAtEnd();

    // The summary, on the terminal and beside the pictures.
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::string summary;
    char line[256];
    std::snprintf(line, sizeof line,
                  "Replay of %s: %zu fixes replayed of %zu read from %zu lines in %.1f s\n",
                  nmeaFile.filename().string().c_str(), state.fixes.size(), log.Fixes().size(),
                  log.Lines(), seconds);
    summary += line;
    std::snprintf(line, sizeof line, "Lines skipped: %zu\n", log.Skipped().size());
    summary += line;
    for (std::size_t r = 0; r < nav::kSkipReasonCount; ++r) {
      const auto reason = static_cast<nav::SkipReason>(r);
      if (log.SkippedCount(reason) == 0) continue;
      std::snprintf(line, sizeof line, "  %-26s %zu\n", std::string(nav::Describe(reason)).c_str(),
                    log.SkippedCount(reason));
      summary += line;
    }
    std::snprintf(line, sizeof line,
                  "Live updates %zu, track legs %zu, features saved %d of %d\n"
                  "Calls into ZelkanGE: %zu\n",
                  replay.liveUpdates, replay.legs, saved, featureCount, stats.TotalCalls());
    summary += line;
    summary += stats.Table();
    std::fputs(summary.c_str(), stdout);
    std::ofstream(out / "summary.txt", std::ios::binary) << summary;
  } catch (...) {
    closeAtEnd();
    throw;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(Narrow(argv[i], CP_UTF8));
    return Run(demo::ParseOptions(arguments));
  } catch (const demo::OptionsError& error) {
    std::fprintf(stderr, "%s\n%s\n", error.what(), demo::kUsage);
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ZelkanGE demo failed: %s\n", error.what());
    return 1;
  }
}
