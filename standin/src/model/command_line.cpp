#include "model/command_line.h"

#include "model/text.h"

namespace standin {

std::optional<Command> ParseCommandLine(const std::vector<std::u16string>& arguments,
                                        std::string& problem) {
  Command command;
  bool actionGiven = false;
  bool userGiven = false;
  for (const std::u16string& argument : arguments) {
    if (argument.size() < 2 || (argument[0] != u'/' && argument[0] != u'-')) {
      problem = "unexpected argument \"" + ToUtf8(argument) + "\"";
      return std::nullopt;
    }
    const std::u16string name = AsciiLower(std::u16string_view(argument).substr(1));
    Action action = Action::kServe;
    if (name == u"regserver") {
      action = Action::kRegister;
    } else if (name == u"unregserver") {
      action = Action::kUnregister;
    } else if (name == u"embedding" || name == u"automation") {
      action = Action::kServe;
    } else if (name == u"user") {
      userGiven = true;
      continue;
    } else {
      problem = "unknown switch \"" + ToUtf8(argument) + "\"";
      return std::nullopt;
    }
    if (actionGiven && action != command.action) {
      problem = "conflicting switches";
      return std::nullopt;
    }
    actionGiven = true;
    command.action = action;
  }
  if (userGiven && command.action == Action::kServe) {
    problem = "/User goes with /RegServer or /UnregServer";
    return std::nullopt;
  }
  command.perUser = userGiven;
  return command;
}

}  // namespace standin
