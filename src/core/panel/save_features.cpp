// SaveFeature: a feature is saved by copying the temporary file that its
// overlay already wrote; nothing is generated again and Google Earth is not
// asked. The dialog that saves several at once is dialogs/save_dialog.cpp.
#include "panel/save_features.h"

#include <string>

#include "base/error.h"
#include "base/last_error.h"
#include "dialogs/save_dialog.h"
#include "panel/ge_panel.h"
#include "panel/temp_kml.h"

namespace zge {
namespace {

SaveResult Failed(SaveFailure failure, std::int32_t code, std::string reason) {
  SaveResult result;
  result.failure = failure;
  result.code = code;
  result.reason = std::move(reason);
  return result;
}

}  // namespace

std::string WithTrailingSeparator(platform::CodePage& codePage, std::string_view directory) {
  std::string joined(directory);
  if (joined.empty()) {
    return joined;
  }
  const std::u16string characters = codePage.ToWide(directory);
  if (characters.empty() || (characters.back() != u'\\' && characters.back() != u'/')) {
    joined += '\\';
  }
  return joined;
}

SaveResult TGEPanel::TrySaveFeature(const std::string& directory, std::int32_t index) {
  // Remembered as given, for the next dialog, however the rest goes.
  FSaveDirectory = directory;
  if (index < 0 || static_cast<std::size_t>(index) >= FFeatures.Count()) {
    return Failed(SaveFailure::kNotListed, codes::kInvalidArgument,
                  "SaveFeature: there is no feature " + std::to_string(index) +
                      " (the list holds " + std::to_string(FFeatures.Count()) + ")");
  }
  if (FSaveDirectory.empty()) {
    return Failed(SaveFailure::kNoDirectory, codes::kInvalidArgument,
                  "SaveFeature: no directory was given");
  }
  try {
    if (!platform_.files.DirectoryExists(FSaveDirectory)) {
      platform_.files.CreateDirectory(FSaveDirectory);
    }
  } catch (const Error& error) {
    return Failed(SaveFailure::kDirectoryNotCreated, error.Code(), error.what());
  }
  std::string fileName = FFeatures[static_cast<std::size_t>(index)].text;
  fileName += kKmlExtension;
  SaveResult result;
  result.target = WithTrailingSeparator(platform_.codePage, FSaveDirectory) + fileName;
  try {
    platform_.files.CopyFile(FTempPath + fileName, result.target);
  } catch (const Error& error) {
    result.failure = SaveFailure::kNotCopied;
    result.code = error.Code();
    result.reason = error.what();
  }
  return result;
}

bool TGEPanel::SaveFeature(const std::string& directory, std::int32_t index) {
  const SaveResult result = TrySaveFeature(directory, index);
  if (!result.Saved()) {
    RecordLastError(result.code, result.reason);
  }
  return result.Saved();
}

void TGEPanel::SaveFeaturesKML() {
  TDlgSaveGE::Execute(*this, platform_.saveDialogs, platform_.codePage);
}

}  // namespace zge
