// The system tests run on a thread like a host's user-interface thread:
// COM initialised as a single-threaded apartment, messages pumped.
#include <gtest/gtest.h>

#include "support/handles.h"
#include "support/win_error.h"

namespace zge::test {

ComScope::ComScope() {
  ThrowIfFailed(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
}

ComScope::~ComScope() { CoUninitialize(); }

}  // namespace zge::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const zge::test::ComScope com;
  return RUN_ALL_TESTS();
}
