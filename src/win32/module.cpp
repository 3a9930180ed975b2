#include "module.h"

#include <utility>

#include "errors.h"
#include "resources.h"

// The linker's symbol for the start of the image this code is linked into;
// its name is the linker's, hence reserved.
extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier)

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

namespace zge::win32 {
namespace {

class Win32ModuleReference final : public platform::ModuleReference {
 public:
  explicit Win32ModuleReference(unique_module module) : module_(std::move(module)) {}

 private:
  unique_module module_;
};

}  // namespace

std::unique_ptr<platform::ModuleReference> Win32Module::Reference() {
  return std::make_unique<Win32ModuleReference>(ReferenceThisModule());
}

}  // namespace zge::win32
