// Runs every registered test; prints one line per test and
// "N passed, N failed" (tests, not expectations).
#include <cstdio>
#include <exception>

#include "test.h"

namespace standin_test {
namespace {
int gFailures = 0;  // expectations failed in the running test
}  // namespace

std::vector<TestCase>& Registry() {
  static std::vector<TestCase> tests;
  return tests;
}

void Fail(const std::string& message, const char* file, int line) {
  ++gFailures;
  std::printf("    %s:%d: %s\n", file, line, message.c_str());
}

}  // namespace standin_test

int main() {
  int passed = 0;
  int failed = 0;
  for (const auto& test : standin_test::Registry()) {
    standin_test::gFailures = 0;
    try {
      test.function();
    } catch (const std::exception& error) {
      standin_test::Fail(std::string("threw: ") + error.what(), __FILE__, __LINE__);
    }
    const bool ok = standin_test::gFailures == 0;
    std::printf("%s %s\n", ok ? "[  OK  ]" : "[FAILED]", test.name);
    (ok ? passed : failed)++;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
