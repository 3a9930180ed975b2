// The save dialog's window without the DLL: what its events see, and a
// failure inside the dialog procedure, which must close the dialog and
// reach the caller of Run instead of the system's frames.
#include "win32/save_dialog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "dialog_driver.h"
#include "win32/system_headers.h"

namespace zge::win32 {
namespace {

using ::zge::testing::DialogScript;
using ::zge::testing::WaitForDialog;
using ::zge::testing::WaitUntilGone;

constexpr std::int32_t kBoom = 0x20000042;

class ScriptedEvents final : public platform::SaveDialogEvents {
 public:
  bool OnOk(platform::SaveDialogWindow& dialog) override {
    rows = dialog.RowCount();
    directory = dialog.DirectoryText();
    throw Error(kBoom, "failed inside the dialog");
  }
  void OnBrowse(platform::SaveDialogWindow& dialog) override {
    browsed = dialog.BrowseForFolder();
    dialog.SetDirectoryText("D:\\Chosen");
  }

  std::size_t rows = 0;
  std::string directory;
  std::optional<std::u16string> browsed = u"not asked";
};

bool HasDescendantWithText(HWND window, std::wstring_view wanted) {
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t text[64] = {};
    ::InternalGetWindowText(child, text, 64);
    if (wanted == text || HasDescendantWithText(child, wanted)) {
      return true;
    }
  }
  return false;
}

// The shell's folder browser needs OLE on the dialog's thread.
class OleScope {
 public:
  OleScope() { initialized_ = SUCCEEDED(::OleInitialize(nullptr)); }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;
  ~OleScope() {
    if (initialized_) {
      ::OleUninitialize();
    }
  }

 private:
  bool initialized_ = false;
};

TEST(SaveDialogWindowTest, AFailureInAnEventClosesTheDialogAndIsRethrownFromRun) {
  const OleScope ole;
  const DWORD thread = ::GetCurrentThreadId();
  ScriptedEvents events;
  std::wstring browserText;
  std::wstring boxAfterBrowsing;
  bool closed = false;
  {
    const DialogScript script([&] {
      const HWND dialog = WaitForDialog(thread, L"Save KML Files");
      ASSERT_NE(dialog, nullptr);
      const HWND button = ::FindWindowExW(dialog, nullptr, L"Button", L"Select Directory");
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
      const HWND browser = WaitForDialog(thread, L"", dialog);
      ASSERT_NE(browser, nullptr);
      // The title line above the folders, in a child of a child.
      for (int attempt = 0; attempt < 100 && browserText.empty(); ++attempt) {
        if (HasDescendantWithText(browser, L"Select a directory:")) {
          browserText = L"Select a directory:";
        } else {
          ::Sleep(20);
        }
      }
      ::PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
      static_cast<void>(WaitUntilGone(browser));
      // The event sets the box once the browser has returned.
      for (int attempt = 0; attempt < 100 && boxAfterBrowsing != L"D:\\Chosen"; ++attempt) {
        wchar_t box[64] = {};
        // An edit box keeps its own text: asked by message, which the
        // dialog's loop answers.
        ::GetWindowTextW(::FindWindowExW(dialog, nullptr, L"Edit", nullptr), box, 64);
        boxAfterBrowsing = box;
        ::Sleep(20);
      }
      ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      closed = WaitUntilGone(dialog);
    });
    Win32SaveDialogs dialogs;
    try {
      dialogs.Run(kNoWindow, {"A", "R", "A"}, "C:\\Charts\\", events);
      ADD_FAILURE() << "Run returned normally";
    } catch (const Error& error) {
      EXPECT_EQ(error.Code(), kBoom);
    }
  }
  EXPECT_TRUE(closed);
  EXPECT_EQ(browserText, L"Select a directory:");
  EXPECT_EQ(events.browsed, std::nullopt);
  EXPECT_EQ(boxAfterBrowsing, L"D:\\Chosen");
  EXPECT_EQ(events.rows, 3U);
  EXPECT_EQ(events.directory, "D:\\Chosen");
}

// Every place and size, and the font, grow with the dots per inch.
TEST(SaveDialogWindowTest, At144DpiEveryPlaceAndTheFontAreOneAndAHalfTimesAsLarge) {
  const DWORD thread = ::GetCurrentThreadId();
  class Closing final : public platform::SaveDialogEvents {
   public:
    bool OnOk(platform::SaveDialogWindow&) override { return true; }
    void OnBrowse(platform::SaveDialogWindow&) override {}
  } events;
  RECT client{};
  std::vector<RECT> places;
  LONG fontHeight = 0;
  {
    const DialogScript script([&] {
      const HWND dialog = WaitForDialog(thread, L"Save KML Files");
      ASSERT_NE(dialog, nullptr);
      ::GetClientRect(dialog, &client);
      for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
           child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT place{};
        ::GetWindowRect(child, &place);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        places.push_back(place);
      }
      LOGFONTW font{};
      const auto handle =
          reinterpret_cast<HFONT>(::SendMessageW(::GetWindow(dialog, GW_CHILD), WM_GETFONT, 0, 0));
      if (::GetObjectW(handle, sizeof font, &font) != 0) {
        fontHeight = font.lfHeight;
      }
      ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      static_cast<void>(WaitUntilGone(dialog));
    });
    RunSaveDialog(nullptr, 144, {"A"}, "", events);
  }
  EXPECT_EQ(client.right, 534);   // 356 * 1.5
  EXPECT_EQ(client.bottom, 396);  // 264 * 1.5
  ASSERT_EQ(places.size(), 7U);
  const RECT list{12, 32, 12 + 510, 32 + 237};       // 8, 21, 340, 158
  const RECT button{488, 306, 488 + 35, 306 + 33};   // 325, 204, 23, 22
  const RECT cancel{279, 350, 279 + 113, 350 + 38};  // 186, 233, 75, 25
  EXPECT_TRUE(::EqualRect(&places[1], &list));
  EXPECT_TRUE(::EqualRect(&places[4], &button));
  EXPECT_TRUE(::EqualRect(&places[6], &cancel));
  EXPECT_EQ(fontHeight, -17);  // -11 * 1.5, rounded away from zero
}

}  // namespace
}  // namespace zge::win32
