// The ports a panel is built with. Each member is one narrow capability; the
// DLL binds the Win32 adapters, the unit tests bind fakes.
#pragma once

#include "earth/earth_server.h"
#include "platform/code_page.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/ole.h"
#include "platform/panel_window.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/save_dialog_window.h"
#include "platform/timer.h"
#include "platform/watch_thread.h"

namespace zge::platform {

struct Platform {
  earth::EarthServer& earth;
  Desktop& desktop;
  PanelWindows& panelWindows;
  Processes& processes;
  Registry& registry;
  Files& files;
  CodePage& codePage;
  Timers& timers;
  Threads& threads;
  Ole& ole;
  Dialogs& dialogs;
  SaveDialogs& saveDialogs;
  Module& module;
};

}  // namespace zge::platform
