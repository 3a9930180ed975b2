// The owners of Win32 resources the stand-in uses: winbase's, under the
// stand-in's names. Borrowed windows are plain HWNDs.
#pragma once

#include "winbase/resources.h"

namespace standin {

using winbase::paint_scope;
using winbase::select_object_scope;
using winbase::unique_gdi;
using winbase::unique_handle;
using winbase::unique_hbitmap;
using winbase::unique_hbrush;
using winbase::unique_hdc;
using winbase::unique_hfont;
using winbase::unique_hkey;
using winbase::unique_hpen;
using winbase::unique_hwnd;
using winbase::unique_local_memory;

}  // namespace standin
