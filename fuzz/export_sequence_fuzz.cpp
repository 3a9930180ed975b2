// Random sequences of the package's calls against the fakes: every export
// through the package's ABI layer, the start-up timer, the watch thread,
// the host destroying the panel's window, Google Earth dying, and failures
// injected at the Nth call of Google Earth, the registry, files, windows,
// timers, processes, OLE and dialogs. The grammar is in exports/operations.h,
// the driver in exports/session.cpp, what must hold after every step in
// exports/invariants.cpp; any breach aborts.
#include <cstddef>
#include <cstdint>

#include "base/last_error.h"
#include "exports/invariants.h"
#include "exports/session.h"
#include "panel/ge_panel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  {
    zge::fuzzing::Session session(provider);
    session.Run();
  }
  // The fakes are gone: nothing of the package may point at them.
  zge::fuzzing::Require(zge::GlobalPanel() == nullptr, "a panel outlived its session");
  zge::ClearLastError();
  return 0;
}
