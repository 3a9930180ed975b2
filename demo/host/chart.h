// The host's own chart: a Mercator chart centred on the boat, drawn with GDI.
#pragma once

#include <windows.h>

#include <string>

#include "host_state.h"

namespace demo {

// Draws the chart of `state` into `dc`, `width` x `height` pixels.
void DrawChart(HDC dc, int width, int height, const HostState& state);
// Paints the chart window: drawn into a bitmap first, so it never flickers.
void PaintChart(HWND chart, HDC dc, const HostState& state);
// Text at (x, y) in `color`, on whatever background the DC has.
void Label(HDC dc, int x, int y, const std::wstring& text, COLORREF color);

}  // namespace demo
