// The "Save KML Files" dialog as the core drives it: the system runs the
// window and its modal loop, the core decides what its buttons do. Texts are
// single-byte, in the system code page, like the feature list they show.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/window_handle.h"

namespace zge::platform {

// The dialog while it is shown. Valid only inside the events below.
class SaveDialogWindow {
 public:
  virtual std::size_t RowCount() = 0;
  virtual bool IsRowChecked(std::size_t row) = 0;
  virtual std::string DirectoryText() = 0;
  virtual void SetDirectoryText(std::string_view text) = 0;
  // The system's folder browser, owned by the dialog, starting from the
  // desktop with nothing selected. Null when the user cancelled. The path
  // comes as the shell gives it (UTF-16): no trailing backslash except
  // on a drive root.
  virtual std::optional<std::u16string> BrowseForFolder() = 0;
  // The standard error message box, owned by the dialog, with one OK button.
  virtual void ShowError(std::string_view message) = 0;

 protected:
  ~SaveDialogWindow() = default;
};

// What the dialog's buttons do. Cancel and the close box close the dialog
// without asking.
class SaveDialogEvents {
 public:
  // OK was pressed; true closes the dialog, false keeps it open.
  virtual bool OnOk(SaveDialogWindow& dialog) = 0;
  // The folder button was pressed.
  virtual void OnBrowse(SaveDialogWindow& dialog) = 0;

 protected:
  ~SaveDialogEvents() = default;
};

class SaveDialogs {
 public:
  virtual ~SaveDialogs() = default;
  // Shows the dialog modally over the top-level window of `owner`, with one
  // unchecked row per text of `rows` in that order and `directory` in the
  // directory box; returns when it closes. An exception thrown by an event
  // closes the dialog and is rethrown from here.
  virtual void Run(WindowHandle owner, const std::vector<std::string>& rows,
                   std::string_view directory, SaveDialogEvents& events) = 0;
};

}  // namespace zge::platform
