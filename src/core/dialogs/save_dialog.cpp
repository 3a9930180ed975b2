// `TDlgSaveGE`: the rows are a copy of the feature list in its order, so row
// i and entry i name the same feature when a row is saved.
#include "dialogs/save_dialog.h"

#include <optional>
#include <string>
#include <vector>

#include "panel/ge_panel.h"
#include "panel/save_features.h"

namespace zge {

TDlgSaveGE::TDlgSaveGE(TGEPanel& panel, platform::CodePage& codePage)
    : FPanel(panel), panelAlive_(panel.AliveFlag()), codePage_(codePage) {}

void TDlgSaveGE::Execute(TGEPanel& panel, platform::SaveDialogs& dialogs,
                         platform::CodePage& codePage) {
  if (panel.GetFeatureCount() <= 0) {
    return;
  }
  std::vector<std::string> rows;
  rows.reserve(panel.GetFeatureList().Count());
  for (const StringList::Entry& entry : panel.GetFeatureList().Entries()) {
    rows.push_back(entry.text);
  }
  TDlgSaveGE dialog(panel, codePage);
  dialogs.Run(panel.Handle(), rows, panel.SaveDirectory(), dialog);
}

bool TDlgSaveGE::IsDataSelected(platform::SaveDialogWindow& dialog) {
  std::string_view message = save_messages::kNoItemsSelected;
  bool result = false;
  for (std::size_t row = 0; row < dialog.RowCount(); ++row) {
    if (dialog.IsRowChecked(row)) {
      result = true;
      break;
    }
  }
  if (result && GetDirectory(dialog).empty()) {
    message = save_messages::kNoDirectory;
    result = false;
  }
  if (!result) {
    dialog.ShowError(message);
  }
  return result;
}

std::string TDlgSaveGE::GetDirectory(platform::SaveDialogWindow& dialog) {
  return WithTrailingSeparator(codePage_, dialog.DirectoryText());
}

bool TDlgSaveGE::OKButtonClick(platform::SaveDialogWindow& dialog) {
  if (!*panelAlive_) {
    return true;  // the host closed the panel: nothing left to save
  }
  if (!IsDataSelected(dialog)) {
    return false;
  }
  // Each message box runs a modal loop of its own, in which the host may
  // close the panel: the rows after that are not saved.
  for (std::size_t row = 0; row < dialog.RowCount() && *panelAlive_; ++row) {
    if (!dialog.IsRowChecked(row)) {
      continue;
    }
    const SaveResult result =
        FPanel.TrySaveFeature(GetDirectory(dialog), static_cast<std::int32_t>(row));
    if (result.failure == SaveFailure::kDirectoryNotCreated) {
      dialog.ShowError(save_messages::kCannotCreateDirectory);
    } else if (!result.Saved()) {
      // The user learns which file is missing and why; an older file of
      // that name is still there.
      dialog.ShowError(result.target.empty()
                           ? result.reason
                           : "Cannot save \"" + result.target + "\"!\n\n" + result.reason);
    }
  }
  return true;
}

void TDlgSaveGE::SpeedButtonClick(platform::SaveDialogWindow& dialog) {
  const std::optional<std::u16string> folder = dialog.BrowseForFolder();
  if (!folder) {
    return;
  }
  // A name with characters the code page lacks would come back with
  // look-alikes or question marks: the files would go somewhere else.
  const std::optional<std::string> path = codePage_.ToAnsiExact(*folder);
  if (!path) {
    dialog.ShowError(save_messages::kFolderNameNotUsable);
    return;
  }
  dialog.SetDirectoryText(*path);
}

}  // namespace zge
