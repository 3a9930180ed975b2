// Construction and destruction of the panel, and the global panel.
#include "panel/ge_panel.h"

#include <atomic>
#include <utility>

#include "base/error.h"
#include "base/guard.h"

namespace zge {
namespace {

std::atomic<TGEPanel*> gGlobalPanel{nullptr};

// Folder of the temporary KML files below the user's temporary folder.
constexpr const char* kTempFolderName = "ZelkanGE\\";

}  // namespace

TGEPanel* GlobalPanel() noexcept { return gGlobalPanel.load(); }

void SetGlobalPanel(TGEPanel* panel) noexcept { gGlobalPanel.store(panel); }

namespace {
// A panel that goes clears the global panel only while it is the one there.
void ClearGlobalPanel(TGEPanel* panel) noexcept {
  gGlobalPanel.compare_exchange_strong(panel, nullptr);
}
}  // namespace

TGEPanel::TGEPanel(platform::Platform& platform, WindowHandle parent) : platform_(platform) {
  // The framework part of the construction: the panel's own window, a
  // black child filling the parent.
  window_ = platform_.panelWindows.Create(parent, *this);
  SetGlobalPanel(this);
  try {
    ole_ = platform_.ole.Initialize();
    SwitchLocaleForPanel();
    FTimer = platform_.timers.Create(kRetryIntervalMs, [this] { DoTimer(); });
    FMainShowCmd = show::kHide;
    FTempPath = platform_.files.TempDirectory() + kTempFolderName;
    watchThread_ = platform_.threads.StartWatchThread(
        [&desktop = platform_.desktop] { TGEPanel::WatchWake(desktop); });
  } catch (...) {
    // No destructor runs for a panel whose construction failed: give the
    // user's locale back and leave no global panel behind.
    Disarm();
    throw;
  }
}

void TGEPanel::Disarm() {
  // The global panel first: whatever fails below, it must not point at a
  // panel that never finished.
  ClearGlobalPanel(this);
  watchThread_.reset();
  FTimer.reset();
  if (!FSavedLocale.empty()) {
    // The construction's own failure is the one the caller hears of.
    Guarded([this] { RestoreUserLocale(); });
  }
  window_->DetachEvents();
  window_.reset();
}

TGEPanel::~TGEPanel() {
  destroying_ = true;
  *alive_ = false;
  // The watch thread first: it must never read a panel that is going.
  watchThread_.reset();
  FTimer.reset();
  FLayers.Clear();
  // A destructor cannot pass a failure on: each fallible step is guarded,
  // so that a failure is recorded for the host and the remaining steps run.
  if (FInitialized || releaseDeferred_) {
    Guarded([this] { ReleaseSequence(); });
  }
  Guarded([this] { RestoreUserLocale(); });
  // Destroying the window runs the release sequence once more (it finds
  // nothing left to hand back); the connections dropped by earlier ticks
  // go with the panel.
  window_.reset();
  droppedApplications_.clear();
  FApplication.reset();
  FFeatures.Clear();
  // OLE goes last: every connection to Google Earth is released by now.
  ole_.reset();
  ClearGlobalPanel(this);
}

WindowHandle TGEPanel::Handle() const { return window_ ? window_->Handle() : kNoWindow; }

void TGEPanel::OnWindowGone() {
  // The host destroyed the window without CloseGE: the panel goes with it.
  if (!destroying_ && onWindowGone_) {
    auto handler = std::move(onWindowGone_);
    handler(*this);
  }
}

}  // namespace zge
