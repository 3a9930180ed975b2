// The last error of each thread, as the C interface reports it to the host.
#pragma once

#include <cstdint>
#include <string>

namespace zge {

struct LastError {
  std::int32_t code = 0;
  std::string text;
};

void RecordLastError(std::int32_t code, std::string text) noexcept;
void ClearLastError() noexcept;
[[nodiscard]] const LastError& CurrentLastError() noexcept;

}  // namespace zge
