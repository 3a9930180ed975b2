// Other processes: opened by identifier, asked for their exit code, ended.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace zge::platform {

class Process {
 public:
  // Closes the process handle.
  virtual ~Process() = default;
  // The exit code, 259 while the process runs; nothing when the query fails.
  virtual std::optional<std::uint32_t> ExitCode() = 0;
  // Nothing follows a termination, so its outcome is not reported.
  virtual void Terminate(std::uint32_t exitCode) = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;
  // All access rights, not inheritable; null when the process cannot be opened.
  virtual std::unique_ptr<Process> Open(std::uint32_t processId) = 0;
};

}  // namespace zge::platform
