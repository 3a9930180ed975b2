#include "entry/lifecycle.h"

#include <memory>
#include <utility>

#include "base/error.h"
#include "base/guard.h"

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

// Set when the panel was closed while a call was running: it goes when the
// outermost call returns.
bool gClosePending = false;

// The panel's reference on the package's code, and one whose panel has gone.
// A panel destroyed with its window may be the last thing keeping the code
// loaded (the host unloaded it without CloseGE): its reference is parked,
// never released on that path, and given back by the host's next LoadGE or
// CloseGE, which run while the host holds the package itself.
std::unique_ptr<platform::ModuleReference>& PanelReference() {
  static auto* const reference = new std::unique_ptr<platform::ModuleReference>();
  return *reference;
}
std::unique_ptr<platform::ModuleReference>& ParkedReference() {
  static auto* const reference = new std::unique_ptr<platform::ModuleReference>();
  return *reference;
}

void DestroyOwnedPanel() {
  // Detached first: a call that arrives during the destruction finds no
  // panel. The destruction itself is a call, so a LoadGE from inside it is
  // refused.
  gClosePending = false;
  if (OwnedPanel() == nullptr) {
    return;
  }
  SetGlobalPanel(nullptr);
  const CallScope scope;
  std::unique_ptr<TGEPanel> panel = std::move(OwnedPanel());
  panel.reset();
  if (PanelReference() != nullptr) {
    ParkedReference() = std::move(PanelReference());
  }
}

void CloseOrDefer() {
  if (CallScope::Inside()) {
    // The running call still uses the panel: from now on the exports see
    // none, and the panel goes when that call returns.
    SetGlobalPanel(nullptr);
    if (OwnedPanel() != nullptr) {
      OwnedPanel()->MarkClosed();
      gClosePending = true;
    }
    return;
  }
  DestroyOwnedPanel();
}

void OnOutermostReturn() {
  if (gClosePending) {
    Guarded([] { DestroyOwnedPanel(); });
  }
}

}  // namespace

bool LoadGE(platform::Platform& platform, WindowHandle parent, LoadedEvent onLoaded) {
  if (CallScope::Inside()) {
    throw Error(codes::kReentrantCall, "LoadGE: called from inside another ZelkanGE call");
  }
  CallScope::SetOutermostReturnHandler(&OnOutermostReturn);
  const CallScope scope;
  std::unique_ptr<TGEPanel> created;
  std::unique_ptr<platform::ModuleReference> reference;
  if (GlobalPanel() == nullptr) {
    ParkedReference().reset();
    reference = platform.module.Reference();
    created = std::make_unique<TGEPanel>(platform, parent);
    // The host may destroy its window without CloseGE: the panel then goes
    // with it, and the global panel is cleared by its destructor.
    created->SetWindowGoneHandler([](TGEPanel&) { CloseOrDefer(); });
  }
  TGEPanel& panel = created ? *created : *GlobalPanel();
  if (onLoaded) {
    panel.SetOnLoaded(std::move(onLoaded));
  }
  // A panel this call made and could not arm goes again: LoadGE reports the
  // failure and leaves no panel behind.
  panel.Loaded();
  if (created) {
    OwnedPanel() = std::move(created);
    PanelReference() = std::move(reference);
  }
  return true;
}

void SetOnLoadedGE(LoadedEvent onLoaded) {
  WithPanel([&](TGEPanel& panel) { panel.SetOnLoaded(std::move(onLoaded)); });
}

void SetShutDownGE(bool shutDown) {
  WithPanel([&](TGEPanel& panel) { panel.SetShutDown(shutDown); });
}

void CloseGE() {
  CloseOrDefer();
  if (!CallScope::Inside()) {
    ParkedReference().reset();
  }
}

}  // namespace zge::entry
