#include "winbase/text.h"

namespace winbase {

std::wstring ToWstring(std::u16string_view text) {
  std::wstring result(text.size(), L'\0');
  std::memcpy(result.data(), text.data(), text.size() * sizeof(char16_t));
  return result;
}

std::u16string ToU16string(std::wstring_view text) {
  std::u16string result(text.size(), u'\0');
  std::memcpy(result.data(), text.data(), text.size() * sizeof(wchar_t));
  return result;
}

std::u16string FromBstr(BSTR text) {
  if (text == nullptr) {
    return {};
  }
  return ToU16string(std::wstring_view(text, ::SysStringLen(text)));
}

}  // namespace winbase
