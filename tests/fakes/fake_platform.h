// Every fake port in one place, bound into a Platform for the panel.
#pragma once

#include "call_log.h"
#include "fake_desktop.h"
#include "fake_earth.h"
#include "fake_save_dialog.h"
#include "fake_system.h"
#include "fake_ui.h"
#include "fault_plan.h"
#include "platform/platform.h"

namespace zge::fakes {

struct FakePlatform {
  FakePlatform() { ShareFaults(); }
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  // Failures injected into every fake: earth, desktop, panel window,
  // processes, registry, files, timers, OLE and dialogs.
  FaultPlan faults;
  CallLog log;
  FakeEarth earth{log};
  FakeDesktop desktop{log};
  FakePanelWindows panelWindows{desktop, log};
  FakeProcesses processes{log};
  FakeRegistry registry{log};
  FakeFiles files;
  FakeCodePage codePage;
  FakeTimers timers;
  FakeThreads threads;
  FakeOle ole{log};
  FakeDialogs dialogs{log};
  FakeSaveDialogs saveDialogs;
  FakeModule module;
  platform::Platform ports{earth,  desktop, panelWindows, processes, registry,    files, codePage,
                           timers, threads, ole,          dialogs,   saveDialogs, module};

  // Google Earth's main window, its view's container and the view as the
  // real one nests them, owned by `processId`, and named to Earth's state.
  struct EarthWindows {
    WindowHandle main = kNoWindow;
    WindowHandle container = kNoWindow;
    WindowHandle render = kNoWindow;
  };
  EarthWindows AddEarthWindows(std::uint32_t processId) {
    EarthWindows windows;
    windows.main = desktop.AddWindow(FakeWindow{"QWidget", "Google Earth", kNoWindow,
                                                Rect{0, 0, 1024, 768}, true, -1, processId});
    windows.container = desktop.AddWindow(
        FakeWindow{"QWidget", "", windows.main, Rect{0, 0, 1000, 700}, true, -1, processId});
    windows.render = desktop.AddWindow(FakeWindow{"QWidget", "Render View", windows.container,
                                                  Rect{0, 0, 1000, 700}, true, -1, processId});
    earth.state.mainWnd = windows.main;
    earth.state.renderWnd = windows.render;
    return windows;
  }

 private:
  void ShareFaults() {
    earth.faults = &faults;
    desktop.faults = &faults;
    panelWindows.faults = &faults;
    processes.faults = &faults;
    registry.faults = &faults;
    files.faults = &faults;
    timers.faults = &faults;
    ole.faults = &faults;
    dialogs.faults = &faults;
  }
};

}  // namespace zge::fakes
