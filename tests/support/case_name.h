// Names each case of a parameterised test after its `what` member, so that a
// failing case says which one it was.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace zge::testing {

struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return std::string(info.param.what);
  }
};

}  // namespace zge::testing

// Lets gtest print a case (in the test listing and in failure messages) by
// its name field instead of as raw bytes. Write it after the case's struct,
// in the struct's namespace:
//   ZGE_PRINTS_CASE_BY(EscapeCase, what)
#define ZGE_PRINTS_CASE_BY(Case, field) \
  [[maybe_unused]] inline void PrintTo(const Case& c, std::ostream* out) { *out << c.field; }
