// The one error type of the core: a result code (an HRESULT on Windows)
// and the text that explains it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zge {

// Result codes the core itself raises or tests for. They are HRESULT values
// so that errors from the automation server and from the core read alike.
namespace codes {
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);
inline constexpr std::int32_t kNotImplemented = static_cast<std::int32_t>(0x80004001);
inline constexpr std::int32_t kInvalidArgument = static_cast<std::int32_t>(0x80070057);
inline constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000E);
inline constexpr std::int32_t kNotConnected =
    static_cast<std::int32_t>(0x800401FD);  // CO_E_OBJNOTCONNECTED
inline constexpr std::int32_t kDisconnected =
    static_cast<std::int32_t>(0x80010108);  // RPC_E_DISCONNECTED
inline constexpr std::int32_t kServerUnavailable =
    static_cast<std::int32_t>(0x800706BA);  // RPC_S_SERVER_UNAVAILABLE
inline constexpr std::int32_t kCallFailed =
    static_cast<std::int32_t>(0x800706BE);  // RPC_S_CALL_FAILED
// COM makes no outgoing call while the thread handles a message another
// thread sent (the sender waits: the call is input-synchronous).
inline constexpr std::int32_t kInputSynchronousCall =
    static_cast<std::int32_t>(0x8001010D);  // RPC_E_CANTCALLOUT_ININPUTSYNCCALL
// A call the package cannot take while another of its calls is running.
inline constexpr std::int32_t kReentrantCall =
    static_cast<std::int32_t>(0x8000000E);  // E_ILLEGAL_METHOD_CALL

// Whether a call failed because the server's process has gone: asking the
// same connection again can never succeed.
[[nodiscard]] constexpr bool IsServerGone(std::int32_t code) noexcept {
  return code == kNotConnected || code == kDisconnected || code == kServerUnavailable ||
         code == kCallFailed;
}
}  // namespace codes

class Error : public std::runtime_error {
 public:
  Error(std::int32_t code, const std::string& message) : std::runtime_error(message), code_(code) {}

  [[nodiscard]] std::int32_t Code() const noexcept { return code_; }

 private:
  std::int32_t code_;
};

}  // namespace zge
