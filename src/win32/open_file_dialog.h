// The dialogs port: the system's open-file dialog for KML and KMZ files.
#pragma once

#include "system_headers.h"

#include <commdlg.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"

namespace zge::win32 {

class Win32Dialogs final : public platform::Dialogs {
 public:
  std::vector<std::u16string> ChooseKmlFiles(WindowHandle owner) override;
};

// Room for the chosen files' names: a folder and some thousands of names.
inline constexpr std::size_t kOpenFileBufferChars = std::size_t{64} * 1024;

// The dialog itself, with a buffer of `bufferChars` characters. Throws
// zge::Error when the selection does not fit: it is never cut short.
std::vector<std::u16string> ChooseKmlFilesWith(HWND owner, std::size_t bufferChars);

// Turns the dialog's extended error into zge::Error. A selection that did
// not fit (FNERR_BUFFERTOOSMALL) says how many characters it needed.
[[noreturn]] void ThrowDialogError(DWORD error, const OPENFILENAMEW& dialog);

// What an open-file dialog with multiple selection returns: one full path
// followed by an empty string, or a folder followed by names, each ended by
// a zero, the list by a second zero. Gives the full paths, in that order.
std::vector<std::u16string> SplitSelection(std::wstring_view buffer);

}  // namespace zge::win32
