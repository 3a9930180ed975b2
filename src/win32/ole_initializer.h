// The OLE port: OleInitialize for the calling thread, balanced by the scope.
#pragma once

#include "platform/ole.h"

namespace zge::win32 {

class OleInitializer final : public platform::Ole {
 public:
  // Throws zge::Error when OLE cannot be initialised; a thread already in a
  // multithreaded apartment gets a scope that leaves it as it is.
  std::unique_ptr<platform::OleScope> Initialize() override;
};

}  // namespace zge::win32
