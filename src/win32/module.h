// The module port: references on the DLL's own code.
#pragma once

#include "platform/module.h"

namespace zge::win32 {

class Win32Module final : public platform::Module {
 public:
  // Throws zge::Error when the system refuses the reference.
  std::unique_ptr<platform::ModuleReference> Reference() override;
};

}  // namespace zge::win32
