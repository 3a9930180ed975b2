#include "chart.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <iterator>
#include <vector>

#include "mercator.h"

namespace demo {

namespace {

COLORREF Blend(COLORREF a, COLORREF b) {
  return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
             (GetBValue(a) + GetBValue(b)) / 2);
}

POINT ToPoint(const ChartPoint& point) {
  return {static_cast<LONG>(std::lround(std::clamp(point.x, -30000.0, 30000.0))),
          static_cast<LONG>(std::lround(std::clamp(point.y, -30000.0, 30000.0)))};
}

}  // namespace

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
  const MercatorChart chart(centreLatitude, centreLongitude, kChartExtentMetres, width, height);
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

void PaintChart(HWND chart, HDC dc, const HostState& state) {
  RECT client{};
  if (!GetClientRect(chart, &client)) {
    FailWithLastError("GetClientRect");
  }
  if (client.right <= 0 || client.bottom <= 0) {
    return;
  }
  const UniqueMemoryDc memory(ThrowIfNull(CreateCompatibleDC(dc), "CreateCompatibleDC"));
  const UniqueBitmap bitmap(ThrowIfNull(CreateCompatibleBitmap(dc, client.right, client.bottom),
                                        "CreateCompatibleBitmap"));
  const Selection selected(memory.get(), bitmap.get());
  DrawChart(memory.get(), client.right, client.bottom, state);
  if (!BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY)) {
    FailWithLastError("BitBlt");
  }
}

}  // namespace demo
