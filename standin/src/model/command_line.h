// The stand-in's command line. Portable.
//   (none), -Embedding, /Embedding, /Automation   serve (COM starts it so)
//   /RegServer [/User]                            register
//   /UnregServer [/User]                          unregister
// Switches start with '/' or '-' and are case-insensitive.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace standin {

enum class Action { kServe, kRegister, kUnregister };

struct Command {
  Action action = Action::kServe;
  bool perUser = false;
};

// nullopt for a command line it does not understand; `problem` says why.
[[nodiscard]] std::optional<Command> ParseCommandLine(const std::vector<std::u16string>& arguments,
                                                      std::string& problem);

inline constexpr char kUsage[] =
    "usage: EarthStandIn.exe [/RegServer [/User] | /UnregServer [/User] | -Embedding]";

}  // namespace standin
