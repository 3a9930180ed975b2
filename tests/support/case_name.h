// Names each case of a parameterised test after its `what` member, so that a
// failing case says which one it was.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zge::testing {

struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return std::string(info.param.what);
  }
};

}  // namespace zge::testing
