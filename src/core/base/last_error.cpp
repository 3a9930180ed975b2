#include "base/last_error.h"

#include <utility>

namespace zge {
namespace {

thread_local LastError tLastError;

}  // namespace

void RecordLastError(std::int32_t code, std::string text) noexcept {
  tLastError.code = code;
  tLastError.text = std::move(text);
}

void ClearLastError() noexcept {
  tLastError.code = 0;
  tLastError.text.clear();
}

const LastError& CurrentLastError() noexcept { return tLastError; }

}  // namespace zge
