#include "entry/lifecycle.h"

#include <memory>
#include <utility>

namespace zge::entry {
namespace {

// Owns the global panel. GlobalPanel() is the reference that the panel's
// constructor and destructor set and clear; this is what keeps it alive.
// The owner itself is never destroyed: a panel the host did not close is
// not torn down at process exit, under the loader lock, with calls into
// Google Earth's process.
std::unique_ptr<TGEPanel>& OwnedPanel() {
  static auto* const panel = new std::unique_ptr<TGEPanel>();
  return *panel;
}

void DestroyOwnedPanel() {
  // Moved out first, so that a re-entrant call during the destruction
  // finds no panel.
  std::unique_ptr<TGEPanel> panel = std::move(OwnedPanel());
  panel.reset();
}

}  // namespace

bool LoadGE(platform::Platform& platform, WindowHandle parent, LoadedEvent onLoaded) {
  if (GlobalPanel() == nullptr) {
    auto panel = std::make_unique<TGEPanel>(platform, parent);
    // The host may destroy its window without CloseGE: the panel then goes
    // with it, and the global panel is cleared by its destructor.
    panel->SetWindowGoneHandler([](TGEPanel&) { DestroyOwnedPanel(); });
    OwnedPanel() = std::move(panel);
  }
  TGEPanel& panel = *GlobalPanel();
  if (onLoaded) {
    panel.SetOnLoaded(std::move(onLoaded));
  }
  panel.Loaded();
  return true;
}

void SetOnLoadedGE(LoadedEvent onLoaded) {
  WithPanel([&](TGEPanel& panel) { panel.SetOnLoaded(std::move(onLoaded)); });
}

void SetShutDownGE(bool shutDown) {
  WithPanel([&](TGEPanel& panel) { panel.SetShutDown(shutDown); });
}

void CloseGE() { DestroyOwnedPanel(); }

}  // namespace zge::entry
