// Start-up: the timer ticks that connect to Google Earth, wait for its main
// window and adopt its render window into the panel.
#include <exception>

#include "base/call_scope.h"
#include "base/error.h"
#include "base/guard.h"
#include "panel/ge_panel.h"

namespace zge {
namespace {

constexpr const char* kVersionTag43 = "43";
// GetWindowText's buffer for the render window's title, terminator included.
constexpr int kRenderTitleBufferSize = 127;

bool IsServerGone(const std::exception& error) {
  const auto* failure = dynamic_cast<const Error*>(&error);
  return failure != nullptr && codes::IsServerGone(failure->Code());
}

bool IsInputSynchronous(const Error& error) { return error.Code() == codes::kInputSynchronousCall; }

}  // namespace

void TGEPanel::Loaded() {
  DropApplication();
  InitGE();
}

void TGEPanel::InitGE() {
  FMainShowCmd = show::kHide;
  window_->SetBusyCursor(true);
  FTimer->SetInterval(kArmIntervalMs);
  FTimer->SetEnabled(true);
}

void TGEPanel::DoTimer() {
  // A tick that fails as a whole ends the start-up. The host's callbacks
  // are plain functions, so what can fail here are the connection and the
  // package's own calls; both throw std::exception-derived errors. A host
  // may close the panel from inside its handlers: then nothing of the
  // panel is touched any more.
  const std::shared_ptr<bool> alive = alive_;
  // A CloseGE from the host's messages while Google Earth is being asked
  // takes effect when the tick returns; `alive` is destroyed after `scope`.
  const CallScope scope;
  try {
    if (FApplication == nullptr) {
      ConnectTick();
    } else if (QueryTick()) {
      RaiseLoaded(true);
    }
  } catch (const std::exception&) {
    // The host learns of the failure through OnLoaded(false) on this, its
    // own thread, and can read why from the last error.
    RecordCurrentException();
    if (*alive) {
      FailStartup();
    }
  }
}

void TGEPanel::ConnectTick() {
  FEmbedded = false;
  FTimer->SetEnabled(false);
  FApplication = std::make_unique<earth::TApplicationGE>(platform_.earth);
  try {
    FApplication->Connect();
  } catch (const Error& error) {
    if (!IsInputSynchronous(error)) {
      throw;
    }
    // The host ran this tick from inside a message another thread sent,
    // where COM makes no calls: not a failure, a later tick connects.
    FApplication.reset();
    FTimer->SetInterval(kRetryIntervalMs);
    FTimer->SetEnabled(true);
    return;
  }
  FTimer->SetInterval(kWaitIntervalMs);
  FTimer->SetEnabled(true);
}

bool TGEPanel::QueryTick() {
  try {
    FMainWnd = GetApplicationGE().GetMainHwnd();
    FTimer->SetEnabled(false);
    if (FMainWnd == kNoWindow) {
      // Google Earth is not up yet: the next tick connects anew.
      FRenderWnd = kNoWindow;
      DropApplication();
      FEmbedded = false;
      FTimer->SetInterval(kWaitIntervalMs);
      FTimer->SetEnabled(true);
      return true;
    }
    if (!FEmbedded) {
      SetGoogleEarth();
    }
    if (OnInit && GlobalPanel() == this) {
      const std::shared_ptr<bool> alive = alive_;
      const InitEvent handler = OnInit;
      {
        const HostCode host;
        handler();
      }
      if (!*alive) {
        return false;
      }
    }
    if (FRenderWnd == kNoWindow) {
      FTimer->SetEnabled(true);
    } else {
      FInitialized = true;
      window_->SetBusyCursor(false);
    }
  } catch (const std::exception& error) {
    // Google Earth is starting or busy: try again a little later. A
    // connection whose server has gone is dropped instead, so that the
    // retry connects anew rather than asking the dead one for ever.
    FTimer->SetEnabled(false);
    if (IsServerGone(error)) {
      DropApplication();
    } else if (FApplication != nullptr) {
      FApplication->Connect();
    }
    FTimer->SetInterval(kRetryIntervalMs);
    FTimer->SetEnabled(true);
  }
  return true;
}

void TGEPanel::FailStartup() {
  FTimer->SetEnabled(false);
  FApplication.reset();
  window_->SetBusyCursor(false);
  RaiseLoaded(false);
}

void TGEPanel::RaiseLoaded(bool isLoaded) {
  // A copy: the handler may close the panel, and the event with it.
  // A panel the host closed during this tick tells it nothing more.
  if (GlobalPanel() != this) {
    return;
  }
  if (const LoadedEvent handler = OnLoaded) {
    const HostCode host;
    handler(isLoaded);
  }
}

void TGEPanel::DropApplication() {
  // Dropped, not destroyed: the connection stays with the panel until the
  // panel goes.
  if (FApplication != nullptr) {
    droppedApplications_.push_back(std::move(FApplication));
  }
}

void TGEPanel::SetGoogleEarth() {
  platform::Desktop& desktop = platform_.desktop;
  FMainWnd = GetApplicationGE().GetMainHwnd();
  const std::int32_t major = GetMajor();
  const bool is43 = major > 4 || (major == 4 && GetMinor() >= 3);
  FVersionTag = is43 ? kVersionTag43 : "";
  if (FMainWnd == kNoWindow) {
    return;
  }
  if (is43) {
    MoveMainWindowToPanel(0, 0);
  }
  if (FRenderWnd == kNoWindow) {
    FRenderWnd = GetApplicationGE().GetRenderHwnd();
    FRenderTitle =
        FRenderWnd == kNoWindow ? "" : desktop.GetWindowText(FRenderWnd, kRenderTitleBufferSize);
  }
  if (FRenderWnd == kNoWindow) {
    return;
  }
  // Adopted again by a later start-up, the render window's parent is the
  // panel itself; the parent to hand it back to is the first one.
  const WindowHandle parent = desktop.GetParent(FRenderWnd);
  if (parent != Handle()) {
    FRenderParent = parent;
  }
  if (!is43) {
    MoveRenderWindowToPanel();
  }
  if (!desktop.SetParent(FRenderWnd, Handle())) {
    // Counted as a failed query: the tick retries the adoption.
    throw Error(codes::kFail, "Google Earth's render window could not be moved into the panel");
  }
  FEmbedded = true;
}

// A window that cannot be sized keeps its size; the next size change tries
// again, so a failure here is not reported.
void TGEPanel::MoveMainWindowToPanel(int extraWidth, int extraHeight) {
  const Size size = window_->ClientSize();
  platform_.desktop.MoveWindow(
      FMainWnd, Rect{0, 0, size.width + extraWidth, size.height + extraHeight}, true);
}

void TGEPanel::MoveRenderWindowToPanel() {
  const Size size = window_->ClientSize();
  platform_.desktop.MoveWindow(FRenderWnd, Rect{0, 0, size.width, size.height}, true);
}

void TGEPanel::OnSize() {
  if (!FEmbedded || FRenderWnd == kNoWindow) {
    return;
  }
  if (FVersionTag == kVersionTag43) {
    MoveMainWindowToPanel(kMainWindowExtraWidth, kMainWindowExtraHeight);
  } else {
    MoveRenderWindowToPanel();
  }
}

void TGEPanel::OnEnter() {
  if (FInitialized && FEmbedded && FRenderWnd != kNoWindow) {
    platform_.desktop.SetFocus(FRenderWnd);
  }
}

earth::ApplicationGE& TGEPanel::GetApplicationGE() {
  if (FApplication == nullptr) {
    throw Error(codes::kNotConnected, earth::kNotConnectedMessage);
  }
  return FApplication->DefaultInterface();
}

std::int32_t TGEPanel::GetApplicationType() { return GetApplicationGE().VersionAppType(); }
std::int32_t TGEPanel::GetBuild() { return GetApplicationGE().VersionBuild(); }
std::int32_t TGEPanel::GetMajor() { return GetApplicationGE().VersionMajor(); }
std::int32_t TGEPanel::GetMinor() { return GetApplicationGE().VersionMinor(); }

}  // namespace zge
