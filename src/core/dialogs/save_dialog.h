// `TDlgSaveGE`, the "Save KML Files" dialog: what its buttons do. The window
// itself is the system's (platform/save_dialog_window.h).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/save_dialog_window.h"

namespace zge {

class TGEPanel;

// The messages the dialog shows.
namespace save_messages {
inline constexpr std::string_view kNoItemsSelected = "No items selected to save!";
inline constexpr std::string_view kNoDirectory = "No directory selected!";
inline constexpr std::string_view kCannotCreateDirectory = "Cannot create output directory!";
inline constexpr std::string_view kFolderNameNotUsable =
    "The folder cannot be used: its name holds characters that file names on this system cannot "
    "carry!";
}  // namespace save_messages

class TDlgSaveGE final : private platform::SaveDialogEvents {
 public:
  // Shows the dialog for the panel's features over the host's window and
  // saves what the user checks; without features shows nothing.
  static void Execute(TGEPanel& panel, platform::SaveDialogs& dialogs,
                      platform::CodePage& codePage);

 private:
  TDlgSaveGE(TGEPanel& panel, platform::CodePage& codePage);

  bool OnOk(platform::SaveDialogWindow& dialog) override { return OKButtonClick(dialog); }
  void OnBrowse(platform::SaveDialogWindow& dialog) override { SpeedButtonClick(dialog); }

  // At least one row checked and a directory chosen; shows why not otherwise.
  bool IsDataSelected(platform::SaveDialogWindow& dialog);
  // The directory box's text ending in a separator; empty when the box is.
  std::string GetDirectory(platform::SaveDialogWindow& dialog);
  // Saves the checked rows in order; true closes the dialog.
  bool OKButtonClick(platform::SaveDialogWindow& dialog);
  void SpeedButtonClick(platform::SaveDialogWindow& dialog);

  TGEPanel& FPanel;
  // False once the host closed the panel from inside the dialog's loop.
  std::shared_ptr<const bool> panelAlive_;
  platform::CodePage& codePage_;
};

}  // namespace zge
