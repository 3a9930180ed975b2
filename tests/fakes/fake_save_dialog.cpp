#include "fake_save_dialog.h"

#include <stdexcept>

namespace zge::fakes {

FakeSaveDialog::FakeSaveDialog(FakeSaveDialogs& dialogs, platform::SaveDialogEvents& events,
                               const std::vector<std::string>& shownRows,
                               std::string_view shownDirectory)
    : rows(shownRows),
      checked(shownRows.size(), false),
      directory(shownDirectory),
      dialogs_(dialogs),
      events_(events) {}

bool FakeSaveDialog::PressOk() {
  if (closed) {
    throw std::logic_error("OK pressed on a closed dialog");
  }
  closed = events_.OnOk(*this);
  return closed;
}

void FakeSaveDialog::PressBrowse() {
  if (closed) {
    throw std::logic_error("folder button pressed on a closed dialog");
  }
  events_.OnBrowse(*this);
}

std::optional<std::u16string> FakeSaveDialog::BrowseForFolder() {
  ++dialogs_.browsed;
  if (dialogs_.folderChoices.empty()) {
    return std::nullopt;
  }
  std::optional<std::u16string> choice = dialogs_.folderChoices.front();
  dialogs_.folderChoices.pop_front();
  return choice;
}

void FakeSaveDialog::ShowError(std::string_view message) {
  dialogs_.messages.emplace_back(message);
}

void FakeSaveDialogs::Run(WindowHandle owner, const std::vector<std::string>& rows,
                          std::string_view directory, platform::SaveDialogEvents& events) {
  ++shown;
  lastOwner = owner;
  lastRows = rows;
  lastDirectory = directory;
  FakeSaveDialog dialog(*this, events, rows, directory);
  // A copy: the user's part may show another dialog, which replaces it.
  if (const std::function<void(FakeSaveDialog&)> play = user) {
    play(dialog);
  }
}

}  // namespace zge::fakes
