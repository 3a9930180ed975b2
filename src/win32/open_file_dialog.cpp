#include "open_file_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <string>

#include "base/error.h"
#include "errors.h"
#include "resources.h"
#include "text.h"

namespace zge::win32 {
namespace {

// One filter entry: its text, then its patterns, each ended by a zero.
constexpr wchar_t kKmlFilter[] = L"KML files (*.kml, *.kmz)\0*.KML;*.KMZ\0";

std::wstring_view NextString(std::wstring_view& buffer) {
  const std::size_t end = buffer.find(L'\0');
  const std::wstring_view item = buffer.substr(0, end);
  buffer.remove_prefix(end == std::wstring_view::npos ? buffer.size() : end + 1);
  return item;
}

}  // namespace

[[noreturn]] void ThrowDialogError(DWORD error, const OPENFILENAMEW& dialog) {
  if (error == FNERR_BUFFERTOOSMALL) {
    // The first two bytes of the buffer hold the size the selection needs.
    const auto needed = static_cast<unsigned>(static_cast<unsigned short>(dialog.lpstrFile[0]));
    ThrowHresult(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER),
                 "The chosen files' names need " + std::to_string(needed) +
                     " characters, more than the open-file dialog holds (" +
                     std::to_string(dialog.nMaxFile) +
                     "); nothing was opened. Choose fewer files at a time");
  }
  ThrowHresult(E_FAIL, "GetOpenFileNameW failed with dialog error " + std::to_string(error));
}

std::vector<std::u16string> SplitSelection(std::wstring_view buffer) {
  std::wstring_view rest = buffer;
  const std::wstring_view first = NextString(rest);
  std::vector<std::u16string> paths;
  if (first.empty()) {
    return paths;
  }
  std::wstring folder(first);
  if (folder.back() != L'\\') {
    folder += L'\\';
  }
  for (std::wstring_view name = NextString(rest); !name.empty(); name = NextString(rest)) {
    paths.push_back(ToU16string(folder + std::wstring(name)));
  }
  if (paths.empty()) {
    paths.push_back(ToU16string(first));  // one file: its full path
  }
  return paths;
}

std::vector<std::u16string> ChooseKmlFilesWith(HWND owner, std::size_t bufferChars) {
  std::wstring buffer(bufferChars, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kKmlFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  // The host's current folder stays where the host put it.
  dialog.Flags =
      OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (::GetOpenFileNameW(&dialog) != FALSE) {
    return SplitSelection(buffer);
  }
  const DWORD error = ::CommDlgExtendedError();
  if (error == 0) {
    return {};  // cancelled
  }
  ThrowDialogError(error, dialog);
}

std::vector<std::u16string> Win32Dialogs::ChooseKmlFiles(WindowHandle owner) {
  return ChooseKmlFilesWith(ToHwnd(owner), kOpenFileBufferChars);
}

}  // namespace zge::win32
