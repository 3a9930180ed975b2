#include "errors.h"
#include "resources.h"

// The linker's symbol for the start of the image this code is linked into.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace zge::win32 {

HMODULE ThisModule() noexcept { return reinterpret_cast<HMODULE>(&__ImageBase); }

unique_module ReferenceThisModule() {
  unique_module module;
  ThrowLastErrorIf(!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                         reinterpret_cast<LPCWSTR>(&__ImageBase), module.put()),
                   "GetModuleHandleExW");
  return module;
}

}  // namespace zge::win32
