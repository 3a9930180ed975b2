// Saving features: the temporary KML file of a feature-list entry copied
// into a folder that the host or the user chose.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace zge {

// Why a feature was not saved.
enum class SaveFailure : std::uint8_t {
  kNone,
  kNotListed,            // no feature-list entry at that index
  kNoDirectory,          // the directory is empty text
  kDirectoryNotCreated,  // the folder is missing and could not be made
  kNotCopied,            // the copy failed; an existing target is unchanged
};

struct SaveResult {
  SaveFailure failure = SaveFailure::kNone;
  // The file the copy went to, or would have; empty before it is known.
  std::string target;
  // What the thread's last error gets when the feature was not saved.
  std::int32_t code = 0;
  std::string reason;

  [[nodiscard]] bool Saved() const noexcept { return failure == SaveFailure::kNone; }
};

// `directory` ending in a separator: a backslash is added unless it ends in
// one (or in "/") already; empty text stays empty. Judged by characters,
// not bytes: in a double-byte code page the trail byte of a character may
// be 0x5C without being a backslash.
[[nodiscard]] std::string WithTrailingSeparator(platform::CodePage& codePage,
                                                std::string_view directory);

}  // namespace zge
