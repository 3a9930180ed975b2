// Owners of COM resources: the shared ones of winbase under the names the
// adapters use.
#pragma once

#include "system_headers.h"

#include "winbase/com_types.h"

namespace zge::win32 {

using winbase::com_ptr;
using winbase::unique_bstr;
using winbase::unique_variant;

}  // namespace zge::win32
