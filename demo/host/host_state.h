// What the demo host knows while it replays: the chart's data, how far the
// voyage has come, the last ground query, and its windows.
#pragma once

#include <windows.h>
// zelkange.h names IDispatch without including its header.
#include <ole2.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "gpx_reader.h"
#include "nmea_reader.h"
#include "render/coastlines.h"
#include "win32_support.h"
#include "zelkange.h"

namespace demo {

class ZelkanGE;
class TimedCalls;

// The width of sea the chart and the Earth view show, in metres.
inline constexpr double kChartExtentMetres = 90'000;

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

}  // namespace demo
