// The "Save KML Files" dialog: a modal dialog of the system's dialog class,
// owned by the host's top-level window, laid out in pixels for 96 dpi and
// scaled to the dpi of the host's window.
#pragma once

#include "system_headers.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/save_dialog_window.h"

namespace zge::win32 {

class Win32SaveDialogs final : public platform::SaveDialogs {
 public:
  void Run(WindowHandle owner, const std::vector<std::string>& rows, std::string_view directory,
           platform::SaveDialogEvents& events) override;
};

// The dialog itself, laid out for `dpi`, owned by the top-level window
// `host` (may be null).
void RunSaveDialog(HWND host, UINT dpi, const std::vector<std::string>& rows,
                   std::string_view directory, platform::SaveDialogEvents& events);

// The dots per inch the dialog is laid out for the window `window`: the
// window's own where the system tells it (Windows 10 1607 and later), the
// screen's otherwise.
[[nodiscard]] UINT DpiOfWindow(HWND window);

}  // namespace zge::win32
