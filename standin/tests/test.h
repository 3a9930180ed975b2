// A minimal test harness for the stand-in's unit tests (no GoogleTest, so
// that nothing clashes with the system tests' copy of it). Tests register
// themselves; EXPECT_* record failures and carry on.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace standin_test {

using TestFunction = void (*)();

struct TestCase {
  const char* name;
  TestFunction function;
};

std::vector<TestCase>& Registry();

struct Registrar {
  Registrar(const char* name, TestFunction function) { Registry().push_back({name, function}); }
};

void Fail(const std::string& message, const char* file, int line);

template <class A, class B>
void ExpectEqual(const A& actual, const B& expected, const char* actualText, const char* file,
                 int line, const std::string& context = {}) {
  if (actual == expected) return;
  std::ostringstream message;
  message << actualText << " is " << actual << ", expected " << expected;
  if (!context.empty()) message << " (" << context << ")";
  Fail(message.str(), file, line);
}

}  // namespace standin_test

#define STANDIN_TEST(name)                                              \
  static void name();                                                   \
  static const ::standin_test::Registrar name##Registrar(#name, &name); \
  static void name()

#define EXPECT_TRUE(condition) \
  ((condition) ? void() : ::standin_test::Fail("expected " #condition, __FILE__, __LINE__))
#define EXPECT_EQ(actual, expected) \
  ::standin_test::ExpectEqual((actual), (expected), #actual, __FILE__, __LINE__)
#define EXPECT_EQ_IN(actual, expected, context) \
  ::standin_test::ExpectEqual((actual), (expected), #actual, __FILE__, __LINE__, (context))
