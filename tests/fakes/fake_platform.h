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
