// Release: handing the render window back, ending or minimising Google
// Earth when the panel goes, and giving Google Earth its own window back.
#include "base/error.h"
#include "base/guard.h"
#include "panel/ge_panel.h"

namespace zge {

void TGEPanel::CloseGE() {
  if (!FEmbedded) {
    return;
  }
  // Failures are ignored (Google Earth may already be gone), but one failing
  // step does not skip the others: the title still goes back, and the panel
  // no longer claims the render window.
  platform::Desktop& desktop = platform_.desktop;
  static_cast<void>(desktop.SetParent(FRenderWnd, FRenderParent));
  Rect parentArea;
  if (desktop.GetClientRect(FRenderParent, parentArea)) {
    static_cast<void>(desktop.SetWindowPos(FRenderWnd, FRenderParent, parentArea));
    static_cast<void>(desktop.MoveWindow(FRenderWnd, parentArea, true));
  }
  static_cast<void>(desktop.SetWindowText(FRenderWnd, FRenderTitle));
  FEmbedded = false;
}

void TGEPanel::OnDestroy() {
  // The render window must leave before the panel's window dies with it.
  // When the host destroys the window, the rest waits for the destructor,
  // which follows once the window is gone: a running call may be using the
  // connection right now, and the host's messages that run while Google
  // Earth is asked may close the panel, which must not go while its window
  // is still being destroyed.
  if (!destroying_) {
    Guarded([this] { CloseGE(); });
    releaseDeferred_ = true;
    return;
  }
  Guarded([this] { ReleaseSequence(); });
}

void TGEPanel::ReleaseSequence() {
  CloseGE();
  if (FApplication != nullptr) {
    // Taken off the panel first: the host's messages run while Google Earth
    // answers, and a release they start (the host destroying the window)
    // finds no connection left to release.
    const std::unique_ptr<earth::TApplicationGE> application = std::move(FApplication);
    // Google Earth may have been closed by the user: a failing query then
    // counts as no main window, and the remaining steps still run.
    WindowHandle mainWnd = kNoWindow;
    if (application->IsConnected()) {
      try {
        mainWnd = application->DefaultInterface().GetMainHwnd();
      } catch (const Error&) {
        mainWnd = kNoWindow;
      }
    }
    application->Disconnect();
    if (mainWnd != kNoWindow) {
      if (FShutDown) {
        EndGoogleEarthProcess(mainWnd);
      } else {
        // Exempt the window from the watch thread before showing it.
        FMainShowCmd = show::kShowMinNoActive;
        platform_.desktop.ShowWindow(mainWnd, show::kShowMinNoActive);
      }
    }
  }
  DeleteTempKML();
}

void TGEPanel::EndGoogleEarthProcess(WindowHandle mainWnd) {
  const std::uint32_t processId = platform_.desktop.GetWindowProcessId(mainWnd);
  const std::unique_ptr<platform::Process> process = platform_.processes.Open(processId);
  if (process == nullptr) {
    return;
  }
  // A running process reports 259 (still active), so Google Earth ends with
  // that code.
  if (const std::optional<std::uint32_t> exitCode = process->ExitCode()) {
    process->Terminate(*exitCode);
  }
}

void TGEPanel::RestoreGoogleEarth() {
  FMainShowCmd = show::kRestore;
  CloseGE();
  if (FApplication != nullptr) {
    FMainWnd = GetApplicationGE().GetMainHwnd();
  }
  if (FMainWnd != kNoWindow) {
    platform_.desktop.ShowWindow(FMainWnd, show::kRestore);
  }
}

}  // namespace zge
