// Result codes the stand-in answers with, as portable constants (the bits of
// the HRESULTs). The Earth-specific ones come from docs/automation-api.md.
#pragma once

#include <cstdint>

namespace standin::codes {

inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kNotImplemented = static_cast<std::int32_t>(0x80004001);
inline constexpr std::int32_t kUnexpected = static_cast<std::int32_t>(0x8000FFFF);
inline constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000E);
inline constexpr std::int32_t kInvalidArg = static_cast<std::int32_t>(0x80070057);
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);

inline constexpr std::int32_t kInvalidOrDeletedFeature = static_cast<std::int32_t>(0x80048001);
inline constexpr std::int32_t kApplicationUninitialized = static_cast<std::int32_t>(0x80048002);
inline constexpr std::int32_t kTeleported = 0x00048003;  // a success code
inline constexpr std::int32_t kFeatureHasNoView = static_cast<std::int32_t>(0x80048004);
inline constexpr std::int32_t kUsageLimitExceeded = static_cast<std::int32_t>(0x80048005);

[[nodiscard]] constexpr bool IsFailure(std::int32_t code) noexcept { return code < 0; }

}  // namespace standin::codes
