// How Google Earth's main window is recognised among the desktop's
// top-level windows: by its class and one of its editions' titles.
#pragma once

#include <array>

namespace zge::earth {

inline constexpr const char* kMainWindowClass = "QWidget";
inline constexpr std::array<const char*, 3> kMainWindowTitles = {"Google Earth", "Google Earth Pro",
                                                                 "Google Earth Plus"};

}  // namespace zge::earth
