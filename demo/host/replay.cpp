#include "replay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <span>
#include <string>
#include <utility>

#include "host_windows.h"

namespace demo {
namespace {

using namespace std::chrono_literals;

constexpr char kBoatName[] = "Sea Otter";
constexpr char kPortIcon[] = "http://maps.google.com/mapfiles/kml/shapes/marina.png";
constexpr char kRouteIcon[] = "http://maps.google.com/mapfiles/kml/paddle/wht-circle.png";
constexpr char kBoatIcon[] = "http://maps.google.com/mapfiles/kml/shapes/sailing.png";
constexpr wchar_t kTrackName[] = L"Track";

}  // namespace

void Replay::LoadPlan() {
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
  if (zge.HasError()) {
    throw DemoError("the plan did not load: " + zge.LastError());
  }
}

void Replay::Leg(std::size_t to) {
  const nav::Fix& a = state.fixes[legStart];
  const nav::Fix& b = state.fixes[to];
  const auto heading = static_cast<std::int32_t>(std::lround(b.headingDegrees.value_or(0)));
  call("LoadTrackLeg", zge.LoadTrackLeg, kTrackName, L"", a.latitude, a.longitude, b.latitude,
       b.longitude, static_cast<std::uint32_t>(RGB(255, 64, 0)), static_cast<std::int32_t>(legs),
       heading, static_cast<ZgeBool>(1));
  ++legs;
  legStart = to;
}

void Replay::Live(const nav::Fix& fix) {
  char description[96];
  std::snprintf(description, sizeof description, "%.1f kn, course %.0f", fix.speedKnots.value_or(0),
                fix.courseDegrees.value_or(0));
  const double heading = fix.headingDegrees.value_or(fix.courseDegrees.value_or(0));
  call("LoadLiveGPS", zge.LoadLiveGPS, kBoatName, description, kBoatIcon, fix.latitude,
       fix.longitude, static_cast<std::int32_t>(std::lround(heading)));
  call("SynchronizeView", zge.SynchronizeView, kChartExtentMetres, fix.latitude, fix.longitude,
       options.headingUp ? heading : 0.0);
  if (options.headingUp) {
    call("SetRotation", zge.SetRotation, heading);
  }
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

void Replay::Wheel(int delta) {
  RECT pane{};
  if (!GetWindowRect(windows.pane, &pane)) {
    FailWithLastError("GetWindowRect");
  }
  const int x = (pane.left + pane.right) / 2;
  const int y = (pane.top + pane.bottom) / 2;
  // The plug-in zooms only with the cursor over its view. A desktop that
  // refuses to move the cursor (a locked session) leaves it where it is:
  // the wheel then goes to the host's own windows, as a user's would.
  if (!SetCursorPos(x, y)) {
    std::fprintf(stderr, "[replay] SetCursorPos failed with error %lu\n", GetLastError());
  }
  // A WM_MOUSEWHEEL as Windows sends it: the delta in the high word of
  // wParam (no keys held), the cursor's screen position in lParam.
  static_cast<void>(SendMessageW(windows.frame.get(), WM_MOUSEWHEEL,
                                 MAKEWPARAM(0, static_cast<WORD>(static_cast<SHORT>(delta))),
                                 MAKELPARAM(x, y)));
}

void Replay::Picture(const std::string& name) {
  const std::filesystem::path file =
      std::filesystem::absolute(std::filesystem::path(Wide(options.out, CP_UTF8))) / name;
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  call("SaveImageGE", zge.SaveImageGE, file.c_str());
  pictures.push_back(file);
}

void Replay::UpdateStatus(const nav::Fix& fix, std::size_t n) {
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

void Replay::Run() {
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
    if (i == count / 3) {
      Picture("view-1.png");
    }
    if (i == 2 * count / 3) {
      Picture("view-2.png");
    }
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
  if (state.failure) {
    throw DemoError(*state.failure);
  }
}

std::vector<nav::Fix> SelectFixes(const std::vector<nav::Fix>& all, const Options& options) {
  // A time of day alone is matched against each fix's time of day.
  const auto matches = [](double fixTime, double limit, bool from) {
    const double value = limit < 86400 ? std::fmod(fixTime, 86400.0) : fixTime;
    return from ? value >= limit : value <= limit;
  };
  std::vector<nav::Fix> chosen;
  for (const nav::Fix& fix : all) {
    if (options.from && !matches(fix.time, *options.from, true)) {
      continue;
    }
    if (options.to && !matches(fix.time, *options.to, false)) {
      continue;
    }
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

}  // namespace demo
