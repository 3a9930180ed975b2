#include "model/command_line.h"

#include "test.h"

using namespace standin;

STANDIN_TEST(CommandLinesMapToActions) {
  const struct {
    std::vector<std::u16string> arguments;
    bool valid;
    Action action;
    bool perUser;
  } kCases[] = {
      {{}, true, Action::kServe, false},
      {{u"-Embedding"}, true, Action::kServe, false},
      {{u"/Embedding"}, true, Action::kServe, false},
      {{u"/RegServer"}, true, Action::kRegister, false},
      {{u"-regserver", u"/USER"}, true, Action::kRegister, true},
      {{u"/UnregServer"}, true, Action::kUnregister, false},
      {{u"/User", u"/UnregServer"}, true, Action::kUnregister, true},
      {{u"/User"}, false, Action::kServe, false},
      {{u"/RegServer", u"/UnregServer"}, false, Action::kServe, false},
      {{u"/Bogus"}, false, Action::kServe, false},
      {{u"file.kml"}, false, Action::kServe, false},
  };
  int index = 0;
  for (const auto& c : kCases) {
    const std::string context = "case " + std::to_string(index++);
    std::string problem;
    const auto command = ParseCommandLine(c.arguments, problem);
    EXPECT_EQ_IN(command.has_value(), c.valid, context);
    if (command && c.valid) {
      EXPECT_EQ_IN(static_cast<int>(command->action), static_cast<int>(c.action), context);
      EXPECT_EQ_IN(command->perUser, c.perUser, context);
    }
    if (!c.valid) {
      EXPECT_TRUE(!problem.empty());
    }
  }
}
