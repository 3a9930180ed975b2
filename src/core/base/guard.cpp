#include "base/guard.h"

#include <string>

namespace zge {

void RecordCurrentException() noexcept {
  try {
    throw;
  } catch (const Error& error) {
    RecordLastError(error.Code(), error.what());
  } catch (const std::bad_alloc&) {
    RecordLastError(codes::kOutOfMemory, "Out of memory");
  } catch (const std::exception& error) {
    RecordLastError(codes::kFail, error.what());
  } catch (...) {
    RecordLastError(codes::kFail, "Unknown failure");
  }
}

}  // namespace zge
