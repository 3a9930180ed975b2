// The stand-in's unit tests run on GoogleTest; these two names keep the
// tests short: one suite for the stand-in, and an equality that names the
// table row it checks.
#pragma once

#include <gtest/gtest.h>

#define STANDIN_TEST(name) TEST(EarthStandIn, name)
#define EXPECT_EQ_IN(actual, expected, context) EXPECT_EQ(actual, expected) << (context)
