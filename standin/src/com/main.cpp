// EarthStandIn.exe: a stand-in for Google Earth's COM automation server.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "com/registration.h"
#include "com/server.h"
#include "model/command_line.h"
#include "platform/guard.h"
#include "platform/resources.h"
#include "platform/win32_error.h"

namespace {

constexpr int kExitUsage = 2;

std::vector<std::u16string> Arguments() {
  int count = 0;
  const standin::unique_local_memory<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!argv) {
    standin::ThrowLastError("CommandLineToArgvW");
  }
  std::vector<std::u16string> arguments;
  for (int i = 1; i < count; ++i) {
    arguments.emplace_back(reinterpret_cast<const char16_t*>(argv.get()[i]));
  }
  return arguments;
}

int Run(HINSTANCE instance) {
  std::string problem;
  const auto command = standin::ParseCommandLine(Arguments(), problem);
  if (!command) {
    standin::ReportToUser("EarthStandIn: " + problem + "\n" + standin::kUsage);
    return kExitUsage;
  }
  const auto scope =
      command->perUser ? standin::RegistrationScope::kUser : standin::RegistrationScope::kMachine;
  switch (command->action) {
    case standin::Action::kRegister:
      standin::RegisterServer(scope);
      return 0;
    case standin::Action::kUnregister:
      standin::UnregisterServer(scope);
      return 0;
    case standin::Action::kServe:
      return standin::RunServer(instance);
  }
  return kExitUsage;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return standin::GuardMain([&] { return Run(instance); });
}
