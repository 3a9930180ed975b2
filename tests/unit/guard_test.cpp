// The boundary guard: failures become the thread's last error and the
// neutral result.
#include "base/guard.h"

#include <gtest/gtest.h>

#include <thread>

#include "case_name.h"

namespace zge {
namespace {

TEST(GuardTest, ReturnsTheBodysResultAndLeavesTheLastErrorAlone) {
  RecordLastError(5, "earlier");
  EXPECT_EQ(Guarded(0, [] { return 42; }), 42);
  EXPECT_EQ(CurrentLastError().code, 5);
}

struct GuardCase {
  const char* what;
  void (*thrower)();
  std::int32_t code;
  const char* text;
};
ZGE_PRINTS_CASE_BY(GuardCase, what)

class GuardFailureTest : public ::testing::TestWithParam<GuardCase> {};

TEST_P(GuardFailureTest, RecordsTheFailureAndReturnsTheNeutralResult) {
  ClearLastError();
  EXPECT_EQ(Guarded(-1,
                    [] {
                      GetParam().thrower();
                      return 1;
                    }),
            -1);
  EXPECT_EQ(CurrentLastError().code, GetParam().code) << GetParam().what;
  EXPECT_EQ(CurrentLastError().text, GetParam().text) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Exceptions, GuardFailureTest,
    ::testing::Values(
        GuardCase{"error",
                  [] { throw Error(static_cast<std::int32_t>(0x80048001), "deleted feature"); },
                  static_cast<std::int32_t>(0x80048001), "deleted feature"},
        GuardCase{"bad_alloc", [] { throw std::bad_alloc(); }, codes::kOutOfMemory,
                  "Out of memory"},
        GuardCase{"std", [] { throw std::logic_error("broken"); }, codes::kFail, "broken"},
        GuardCase{"other", [] { throw 3; }, codes::kFail, "Unknown failure"}),
    ::zge::testing::CaseName());

TEST(GuardTest, LastErrorBelongsToTheThread) {
  ClearLastError();
  std::thread other([] { Guarded([] { throw Error(7, "elsewhere"); }); });
  other.join();
  EXPECT_EQ(CurrentLastError().code, 0);
}

}  // namespace
}  // namespace zge

namespace zge {
namespace {

TEST(StoredFaultTest, KeepsTheFirstFailureForLaterInsteadOfRecordingIt) {
  RecordLastError(5, "earlier");
  StoredFault fault;
  EXPECT_EQ(Guarded(fault, -1, []() -> int { throw Error(7, "first"); }), -1);
  EXPECT_EQ(Guarded(fault, -1, []() -> int { throw Error(8, "second"); }), -1);
  EXPECT_EQ(Guarded(fault, -1, [] { return 3; }), 3);
  EXPECT_EQ(CurrentLastError().code, 5);
  ASSERT_TRUE(fault.Holds());
  try {
    fault.RethrowIfAny();
    ADD_FAILURE() << "nothing rethrown";
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), 7);
  }
  EXPECT_FALSE(fault.Holds());
  EXPECT_NO_THROW(fault.RethrowIfAny());
}

}  // namespace
}  // namespace zge
