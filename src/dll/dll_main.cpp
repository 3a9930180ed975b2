// The DLL's entry point, kept trivial: the loader lock is held here.
//
// How loading maps to the host's package start-up and shut-down:
// - LoadLibrary runs the static initialisers of the core's units and of the
//   exports; none of them creates a window, a thread or a COM object. The
//   panel, the adapters' window classes and the watch thread appear only on
//   LoadGE, on the host's user-interface thread.
// - CloseGE ends everything LoadGE started: the panel, its window, its timer
//   and its watch thread.
// - While a panel lives, it and its watch thread hold references on this
//   module, so a FreeLibrary without CloseGE does not unload the code:
//   unloading never destroys a panel that CloseGE did not.
#include "win32/system_headers.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    // Only an optimisation: the loader refuses it for modules with static
    // thread-local storage, which then keep their notifications.
    static_cast<void>(::DisableThreadLibraryCalls(instance));
  }
  return TRUE;
}
