#include "platform/guard.h"

#include <new>
#include <string_view>

#include "model/error.h"
#include "model/result_codes.h"
#include "model/text.h"
#include "platform/com_types.h"
#include "platform/resources.h"
#include "winbase/text.h"

namespace standin {
namespace {

std::wstring Wide(std::string_view utf8) { return winbase::ToWstring(ToUtf16(utf8)); }

void WriteTo(HANDLE handle, const std::string& line) noexcept {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  if (GetFileType(handle) == FILE_TYPE_CHAR) {
    const std::wstring wide = Wide(line);
    if (WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) {
      return;
    }
  }
  // Not a console (a pipe or file): UTF-8 bytes.
  if (!WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
    OutputDebugStringW(L"EarthStandIn: cannot write to stderr\n");
  }
}

}  // namespace

Fault CurrentFault() noexcept {
  try {
    throw;
  } catch (const Error& error) {
    return {error.Code(), error.what()};
  } catch (const std::bad_alloc&) {
    return {codes::kOutOfMemory, "out of memory"};
  } catch (const std::exception& error) {
    return {codes::kUnexpected, error.what()};
  } catch (...) {
    return {codes::kUnexpected, "unknown exception"};
  }
}

HRESULT ReportToDispatchCaller(const Fault& fault, EXCEPINFO* excepInfo) noexcept {
  const auto code = static_cast<HRESULT>(fault.code);
  if (!excepInfo) {
    return code;
  }
  *excepInfo = EXCEPINFO{};
  excepInfo->scode = code;
  const std::wstring source = L"EarthStandIn";
  const std::wstring description = Wide(fault.message);
  excepInfo->bstrSource = SysAllocStringLen(source.data(), static_cast<UINT>(source.size()));
  excepInfo->bstrDescription =
      SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
  return DISP_E_EXCEPTION;
}

void ReportToUser(const std::string& message) noexcept {
  const std::string line = message + "\n";
  const std::wstring wide = Wide(line);
  OutputDebugStringW(wide.c_str());
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
    WriteTo(handle, line);
    return;
  }
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    const unique_handle console(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    WriteTo(console.get(), line);
  }
}

}  // namespace standin
