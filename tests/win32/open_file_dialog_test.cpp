#include "win32/open_file_dialog.h"

#include <cderr.h>
#include <gtest/gtest.h>

#include "base/error.h"
#include "dialog_driver.h"

namespace zge::win32 {
namespace {

using namespace std::string_view_literals;

TEST(OpenFileDialogTest, ASelectionGivesFullPathsInTheDialogsOrder) {
  EXPECT_EQ(SplitSelection(L"C:\\charts\\one.kml\0\0"sv),
            std::vector<std::u16string>{u"C:\\charts\\one.kml"});
  EXPECT_EQ(SplitSelection(L"C:\\charts\0b.kml\0a.kmz\0c.kml\0\0"sv),
            (std::vector<std::u16string>{u"C:\\charts\\b.kml", u"C:\\charts\\a.kmz",
                                         u"C:\\charts\\c.kml"}));
  EXPECT_EQ(SplitSelection(L"C:\\\0a.kml\0b.kml\0\0"sv),
            (std::vector<std::u16string>{u"C:\\a.kml", u"C:\\b.kml"}));
  EXPECT_TRUE(SplitSelection(L"\0\0"sv).empty());
}

using ::zge::testing::DialogDriver;

// The dialog itself cannot be asked for a selection larger than its buffer
// here: Wine's dialog copies a multiple selection without checking the
// buffer's size (it writes past the end), where Windows' ends with
// FNERR_BUFFERTOOSMALL and the size it needed in the buffer's first bytes.
TEST(OpenFileDialogTest, ASelectionTooLargeForTheBufferIsAnErrorNotACut) {
  std::wstring buffer(16, L'\0');
  buffer[0] = static_cast<wchar_t>(91);
  OPENFILENAMEW dialog{};
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  try {
    ThrowDialogError(FNERR_BUFFERTOOSMALL, dialog);
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(),
              static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)));
    EXPECT_NE(std::string_view(error.what()).find("need 91 characters"), std::string_view::npos)
        << error.what();
    EXPECT_NE(std::string_view(error.what()).find("(16)"), std::string_view::npos) << error.what();
  }
  try {
    ThrowDialogError(CDERR_MEMALLOCFAILURE, dialog);
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), static_cast<std::int32_t>(E_FAIL));
  }
}

TEST(OpenFileDialogTest, TypedNamesComeBackAsFullPaths) {
  const DialogDriver driver(L"\"b.kml\" \"a.kml\"");
  const std::vector<std::u16string> files = ChooseKmlFilesWith(nullptr, kOpenFileBufferChars);
  ASSERT_EQ(files.size(), 2U);
  EXPECT_TRUE(files[0].ends_with(u"\\b.kml"));
  EXPECT_TRUE(files[1].ends_with(u"\\a.kml"));
}

}  // namespace
}  // namespace zge::win32
