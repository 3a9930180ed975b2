#include "win32/open_file_dialog.h"

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

TEST(OpenFileDialogTest, ASelectionTooLargeForTheBufferIsAnErrorNotACut) {
  const DialogDriver driver(L"\"first-file-with-a-long-name.kml\" \"second.kml\"");
  try {
    static_cast<void>(ChooseKmlFilesWith(nullptr, 16));
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(),
              static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)));
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
