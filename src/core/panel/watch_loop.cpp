// The watch thread's wake-up: keeps Google Earth's main window hidden while
// the panel wants it so. Runs on the watch thread, every 100 ms.
#include "earth/main_window.h"
#include "panel/ge_panel.h"

namespace zge {
namespace {

WindowHandle FindGoogleEarthMainWindow(platform::Desktop& desktop) {
  for (const char* title : earth::kMainWindowTitles) {
    if (const WindowHandle window = desktop.FindTopLevel(earth::kMainWindowClass, title)) {
      return window;
    }
  }
  return kNoWindow;
}

}  // namespace

void TGEPanel::WatchWake(platform::Desktop& desktop) {
  const WindowHandle mainWindow = FindGoogleEarthMainWindow(desktop);
  if (mainWindow == kNoWindow) {
    return;
  }
  // The panel stops this thread before it goes, so a panel seen here stays
  // alive for the rest of the wake-up.
  const TGEPanel* panel = GlobalPanel();
  if (panel != nullptr && panel->FMainShowCmd.load() == show::kHide) {
    desktop.ShowWindow(mainWindow, show::kHide);
  }
}

}  // namespace zge
