// Whether the process is ending (ExitProcess has begun): other threads are
// gone and the loader lock is held, so waiting and window calls are off.
#pragma once

namespace zge::win32 {

[[nodiscard]] bool ProcessIsExiting() noexcept;

}  // namespace zge::win32
