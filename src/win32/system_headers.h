// The Windows headers, without the A/W name macros that collide with the
// names of the core's ports (Desktop::GetWindowText, Files::DeleteFile...).
// The adapters call the A or W function they mean by its full name.
#pragma once

#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef GetWindowText
#undef SetWindowText
