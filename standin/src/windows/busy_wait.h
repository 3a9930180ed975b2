// How a member waits when a DelayMembers rule makes Earth busy: the call is
// not answered, no other COM call is let in, but the stand-in's windows
// still paint and closing the main window still ends the process.
#pragma once

#include <windows.h>

namespace standin {

// Posted by the render thread to the render window when a frame is done.
inline constexpr UINT kFrameDoneMessage = WM_APP + 1;

// Waits `milliseconds` on the thread that owns the windows, serving only
// painting, finished frames and messages sent by other threads or
// processes. A queued WM_CLOSE or WM_QUIT ends the wait early and stays
// queued for the message loop, which ends the process after the answer.
void WaitServingWindows(DWORD milliseconds);

}  // namespace standin
