// The Win32 adapters of every port, bound into the Platform the core's
// panel is built with. One instance serves the DLL for its whole life.
#pragma once

#include "ansi_code_page.h"
#include "com_earth_server.h"
#include "message_timers.h"
#include "module.h"
#include "ole_initializer.h"
#include "open_file_dialog.h"
#include "panel_windows.h"
#include "platform/platform.h"
#include "save_dialog.h"
#include "watch_threads.h"
#include "win32_desktop.h"
#include "win32_files.h"
#include "win32_processes.h"
#include "win32_registry.h"

namespace zge::win32 {

class Win32Platform {
 public:
  Win32Platform() = default;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  [[nodiscard]] platform::Platform& Ports() noexcept { return ports_; }

 private:
  ComEarthServer earth_;
  Win32Desktop desktop_;
  Win32PanelWindows panelWindows_;
  Win32Processes processes_;
  Win32Registry registry_;
  Win32Files files_;
  AnsiCodePage codePage_;
  MessageTimers timers_;
  WatchThreads threads_;
  OleInitializer ole_;
  Win32Dialogs dialogs_;
  Win32SaveDialogs saveDialogs_;
  Win32Module module_;
  platform::Platform ports_{earth_,   desktop_,     panelWindows_, processes_, registry_,
                            files_,   codePage_,    timers_,       threads_,   ole_,
                            dialogs_, saveDialogs_, module_};
};

}  // namespace zge::win32
