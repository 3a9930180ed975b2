// Pictures the demo host writes itself: a bitmap as PNG (WIC), and the
// whole host window with the Earth view from the plug-in's bitmap.
#pragma once

#include <windows.h>

#include <filesystem>

#include "host_state.h"

namespace demo {

void WritePng(HBITMAP bitmap, const std::filesystem::path& file);
// The chart drawn again, the Earth view from `earth` (Google Earth's own
// picture: under Wine the embedded view's pixels never reach a screen
// capture), the status line.
void SaveHostPicture(const HostWindows& windows, const HostState& state, HBITMAP earth,
                     const std::filesystem::path& file);

}  // namespace demo
