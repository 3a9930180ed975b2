// The stand-in's one error type: a result code (an HRESULT's bits) and a
// UTF-8 message saying what failed. Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace standin {

class Error : public std::runtime_error {
 public:
  Error(std::int32_t code, const std::string& message) : std::runtime_error(message), code_(code) {}
  [[nodiscard]] std::int32_t Code() const noexcept { return code_; }

 private:
  std::int32_t code_;
};

}  // namespace standin
