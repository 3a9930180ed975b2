#include "win32_processes.h"

#include "resources.h"
#include "system_headers.h"

namespace zge::win32 {
namespace {

class Win32Process final : public platform::Process {
 public:
  explicit Win32Process(unique_handle process) : process_(std::move(process)) {}

  std::optional<std::uint32_t> ExitCode() override {
    DWORD code = 0;
    if (::GetExitCodeProcess(process_.get(), &code) == 0) {
      return std::nullopt;
    }
    return code;
  }

  // The caller has nothing left to do when this fails (the process ended
  // meanwhile, or may not be ended by us).
  void Terminate(std::uint32_t exitCode) override {
    static_cast<void>(::TerminateProcess(process_.get(), exitCode));
  }

 private:
  unique_handle process_;
};

}  // namespace

std::unique_ptr<platform::Process> Win32Processes::Open(std::uint32_t processId) {
  unique_handle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
  if (!process) {
    return nullptr;
  }
  return std::make_unique<Win32Process>(std::move(process));
}

}  // namespace zge::win32
