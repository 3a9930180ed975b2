// The temporary KML files of waypoints and routes, in FTempPath: written
// after each load, listed in FFeatures, deleted when the panel's window goes.
#include "panel/temp_kml.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "base/error.h"
#include "panel/ge_panel.h"

namespace zge {
namespace {

// HRESULT_FROM_WIN32(ERROR_INVALID_NAME): what Windows itself answers for a
// file name it cannot take.
constexpr std::int32_t kInvalidName = static_cast<std::int32_t>(0x8007007B);

bool IsRefusedCharacter(char16_t c) noexcept {
  constexpr std::u16string_view kRefused = u"<>:\"/\\|?*";
  return c < 0x20 || kRefused.find(c) != std::u16string_view::npos;
}

char16_t AsciiUpper(char16_t c) noexcept {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) noexcept {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

// Windows takes a device name before any extension and ignores blanks
// before the extension ("nul .kml" is the device too).
bool IsDeviceName(std::u16string_view name) noexcept {
  std::u16string_view stem = name.substr(0, name.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') {
    stem.remove_suffix(1);
  }
  constexpr std::array<std::u16string_view, 6> kDevices = {u"CON", u"PRN",    u"AUX",
                                                           u"NUL", u"CONIN$", u"CONOUT$"};
  if (std::any_of(kDevices.begin(), kDevices.end(), [&](std::u16string_view device) {
        return EqualsIgnoringAsciiCase(stem, device);
      })) {
    return true;
  }
  // COM0-9 and LPT0-9, with the superscript digits 1, 2 and 3 as well.
  if (stem.size() != 4) {
    return false;
  }
  const std::u16string_view prefix = stem.substr(0, 3);
  const char16_t digit = stem[3];
  const bool isPort =
      EqualsIgnoringAsciiCase(prefix, u"COM") || EqualsIgnoringAsciiCase(prefix, u"LPT");
  const bool isDigit = (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' ||
                       digit == u'\u00B2' || digit == u'\u00B3';
  return isPort && isDigit;
}

// FTempPath + name + ".kml".
std::string TempFilePath(const std::string& folder, std::string_view name) {
  std::string path = folder;
  path += name;
  path += kKmlExtension;
  return path;
}

}  // namespace

bool IsSafeTempFileName(std::u16string_view name) noexcept {
  return std::none_of(name.begin(), name.end(), IsRefusedCharacter) && !IsDeviceName(name);
}

void TGEPanel::SaveTempKML(const std::u16string& data, const std::u16string& name) {
  // A folder that cannot be made leaves the overlay loaded but unsaved.
  try {
    if (!platform_.files.DirectoryExists(FTempPath)) {
      platform_.files.CreateDirectory(FTempPath);
    }
  } catch (const Error&) {
    return;
  }
  const std::optional<std::string> ansiName =
      IsSafeTempFileName(name) ? platform_.codePage.ToAnsiExact(name) : std::nullopt;
  if (!ansiName) {
    throw Error(kInvalidName, "\"" + platform_.codePage.ToAnsi(name) +
                                  "\" cannot name a temporary KML file: the overlay was loaded, "
                                  "but it is not saved and not listed");
  }
  platform_.files.WriteFile(TempFilePath(FTempPath, *ansiName), platform_.codePage.ToUtf8(data));
  FFeatures.Add(*ansiName);
}

void TGEPanel::DeleteTempKML() {
  for (const StringList::Entry& entry : FFeatures.Entries()) {
    // Entries only ever name files written inside the folder; the check
    // keeps it so whatever the list holds.
    if (!IsSafeTempFileName(platform_.codePage.ToWide(entry.text))) {
      continue;
    }
    // Missing files, duplicates already deleted and files in use are
    // passed over.
    static_cast<void>(platform_.files.DeleteFile(TempFilePath(FTempPath, entry.text)));
  }
}

}  // namespace zge
