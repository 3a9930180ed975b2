#include "process_exit.h"

#include "system_headers.h"

// Exported by ntdll since Windows XP (and by Wine); not in the SDK headers.
extern "C" __declspec(dllimport) BOOLEAN NTAPI RtlDllShutdownInProgress();

namespace zge::win32 {

bool ProcessIsExiting() noexcept { return RtlDllShutdownInProgress() != FALSE; }

}  // namespace zge::win32
