// The save dialog without a screen: a test plays the user, who checks rows,
// browses for folders and presses the buttons while the dialog is shown.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/save_dialog_window.h"

namespace zge::fakes {

class FakeSaveDialogs;

// One showing of the dialog, as the user sees it.
class FakeSaveDialog final : public platform::SaveDialogWindow {
 public:
  FakeSaveDialog(FakeSaveDialogs& dialogs, platform::SaveDialogEvents& events,
                 const std::vector<std::string>& shownRows, std::string_view shownDirectory);

  // What the user does.
  void Check(std::size_t row) { checked.at(row) = true; }
  // Returns whether the dialog closed.
  bool PressOk();
  void PressBrowse();

  std::size_t RowCount() override { return rows.size(); }
  bool IsRowChecked(std::size_t row) override { return checked.at(row); }
  std::string DirectoryText() override { return directory; }
  void SetDirectoryText(std::string_view text) override { directory = text; }
  std::optional<std::u16string> BrowseForFolder() override;
  void ShowError(std::string_view message) override;

  std::vector<std::string> rows;
  std::vector<bool> checked;
  std::string directory;
  bool closed = false;

 private:
  FakeSaveDialogs& dialogs_;
  platform::SaveDialogEvents& events_;
};

class FakeSaveDialogs final : public platform::SaveDialogs {
 public:
  void Run(WindowHandle owner, const std::vector<std::string>& rows, std::string_view directory,
           platform::SaveDialogEvents& events) override;

  // The user's part while the dialog is shown; without one it is
  // cancelled at once. A dialog still open afterwards is cancelled.
  std::function<void(FakeSaveDialog&)> user;
  // The folder browser's answers, in order; null is Cancel. When none is
  // left the browser is cancelled.
  std::deque<std::optional<std::u16string>> folderChoices;

  // What happened.
  int shown = 0;
  int browsed = 0;
  WindowHandle lastOwner = kNoWindow;
  std::vector<std::string> lastRows;
  std::string lastDirectory;  // the directory box when the dialog opened
  std::vector<std::string> messages;
};

}  // namespace zge::fakes
