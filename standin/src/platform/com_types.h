// The owners of COM resources the stand-in uses: winbase's interface
// pointers, BSTRs and VARIANTs under the stand-in's names, and the thread's
// apartment.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <string>
#include <string_view>

#include "platform/win32_error.h"
#include "winbase/com_types.h"
#include "winbase/text.h"

namespace standin {

using winbase::com_ptr;
using winbase::FromBstr;
using winbase::unique_bstr;
using winbase::unique_variant;

// A new BSTR holding the text; throws E_OUTOFMEMORY as standin::Error.
[[nodiscard]] inline unique_bstr MakeBstr(std::u16string_view text) {
  return winbase::MakeBstr<Error>(text);
}

// The thread's COM apartment: initialised once at the top of a thread.
class com_apartment {
 public:
  explicit com_apartment(DWORD model) {
    ThrowIfFailed(CoInitializeEx(nullptr, model), "CoInitializeEx");
  }
  com_apartment(const com_apartment&) = delete;
  com_apartment& operator=(const com_apartment&) = delete;
  ~com_apartment() { CoUninitialize(); }
};

}  // namespace standin
