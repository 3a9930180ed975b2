// The processes port: Google Earth's process, opened by its identifier.
#pragma once

#include "platform/processes.h"

namespace zge::win32 {

class Win32Processes final : public platform::Processes {
 public:
  std::unique_ptr<platform::Process> Open(std::uint32_t processId) override;
};

}  // namespace zge::win32
