// What must hold after every step of the export-sequence fuzzer and at the
// end of a session; a breach aborts with its text.
#pragma once

#include <string_view>

#include "fake_platform.h"
#include "operations.h"

namespace zge::fuzzing {

[[noreturn]] void Breach(const char* what);
void Require(bool holds, const char* what);

// After a step that returned to the host (`op` is what it was).
void CheckAfterStep(const fakes::FakePlatform& f, std::string_view userLocale, Op op);
// After the last panel of a session went with nothing failing any more.
void CheckSettingsRestored(const fakes::FakePlatform& f, std::string_view userLocale);

}  // namespace zge::fuzzing
