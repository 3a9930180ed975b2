#include "ole_initializer.h"

#include "system_headers.h"

#include "errors.h"

namespace zge::win32 {
namespace {

class OleThreadScope final : public platform::OleScope {
 public:
  // S_OK and S_FALSE both count a reference that OleUninitialize returns.
  // RPC_E_CHANGED_MODE counts none: the thread stays as its owner set it.
  OleThreadScope() {
    const HRESULT result = ::OleInitialize(nullptr);
    if (result == RPC_E_CHANGED_MODE) {
      return;
    }
    ThrowIfFailed(result, "OleInitialize");
    initialized_ = true;
  }
  OleThreadScope(const OleThreadScope&) = delete;
  OleThreadScope& operator=(const OleThreadScope&) = delete;
  ~OleThreadScope() override {
    if (initialized_) {
      ::OleUninitialize();
    }
  }

 private:
  bool initialized_ = false;
};

}  // namespace

std::unique_ptr<platform::OleScope> OleInitializer::Initialize() {
  return std::make_unique<OleThreadScope>();
}

}  // namespace zge::win32
