// OLE initialisation of the calling thread, balanced by destroying the scope.
#pragma once

#include <memory>

namespace zge::platform {

class OleScope {
 public:
  virtual ~OleScope() = default;
};

class Ole {
 public:
  virtual ~Ole() = default;
  virtual std::unique_ptr<OleScope> Initialize() = 0;
};

}  // namespace zge::platform
