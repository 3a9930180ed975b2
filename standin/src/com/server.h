// Serving: the stand-in as a running Earth. Reads the configuration, writes
// its process id, registers the class object, creates the windows (after
// MainWindowDelayMs) and runs the message loop until the main window is
// closed. Returns the process exit code.
#pragma once

#include <windows.h>

namespace standin {

inline constexpr int kExitConfigurationError = 4;

[[nodiscard]] int RunServer(HINSTANCE instance);

}  // namespace standin
