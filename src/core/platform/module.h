// The package's own code: a reference keeps it loaded. A panel holds one
// for its whole life, so that a host that unloads the package without
// CloseGE and destroys its window later does not run into unloaded code.
#pragma once

#include <memory>

namespace zge::platform {

class ModuleReference {
 public:
  // Gives the reference back; the code may be unloaded the moment the last
  // one is gone, so only code that the host called may release one.
  virtual ~ModuleReference() = default;
};

class Module {
 public:
  virtual ~Module() = default;
  virtual std::unique_ptr<ModuleReference> Reference() = 0;
};

}  // namespace zge::platform
