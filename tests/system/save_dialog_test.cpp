// Saving features through the real DLL: SaveFeature on real files, and the
// "Save KML Files" dialog worked from a second thread as a user would, with
// its folder browser and its message boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "support/picture.h"
#include "support/system_test.h"

namespace zge::test {
namespace {

using ::zge::testing::DialogScript;
using ::zge::testing::FindDialog;
using ::zge::testing::WaitForDialog;
using ::zge::testing::WaitUntilGone;

constexpr wchar_t kCaption[] = L"Save KML Files";
constexpr std::uint32_t kInvalidArgument = 0x80070057U;
constexpr std::uint32_t kFileNotFound = 0x80070002U;

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The text of the tooltip that hints at `control`; empty when none does.
std::wstring HintOf(HWND control) {
  for (HWND tooltip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tooltip != nullptr;
       tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr)) {
    const auto count = static_cast<int>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t text[80] = {};
      TTTOOLINFOW tool{};
      tool.cbSize = TTTOOLINFOW_V2_SIZE;
      tool.lpszText = text;
      if (SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool)) &&
          reinterpret_cast<HWND>(tool.uId) == control) {
        return text;
      }
    }
  }
  return {};
}

// The text of the folder browser's selected folder.
std::wstring TreeSelection(HWND browser) {
  const HWND tree = FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  wchar_t text[MAX_PATH] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = MAX_PATH;
  if (item == nullptr || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) {
    return {};
  }
  return text;
}

// The save dialog as the user sees it, from the driving thread.
class SaveDialogUser {
 public:
  explicit SaveDialogUser(HWND dialog) : dialog_(dialog) {}

  [[nodiscard]] HWND Window() const noexcept { return dialog_; }
  [[nodiscard]] HWND List() const { return FindWindowExW(dialog_, nullptr, WC_LISTVIEWW, nullptr); }
  [[nodiscard]] HWND DirectoryBox() const {
    return FindWindowExW(dialog_, nullptr, L"Edit", nullptr);
  }
  [[nodiscard]] HWND FolderButton() const {
    return FindWindowExW(dialog_, nullptr, L"Button", L"Select Directory");
  }

  [[nodiscard]] int RowCount() const {
    return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0));
  }
  [[nodiscard]] std::wstring RowText(int row) const {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  [[nodiscard]] bool IsChecked(int row) const {
    const auto state =
        static_cast<UINT>(SendMessageW(List(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
  }
  void Check(int row) const {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(2);
    SendMessageW(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  [[nodiscard]] std::wstring Directory() const { return WindowTextOf(DirectoryBox()); }

  // Posted: each may open a message box or the folder browser.
  void PressOk() const { Press(IDOK, GetDlgItem(dialog_, IDOK)); }
  void PressCancel() const { Press(IDCANCEL, GetDlgItem(dialog_, IDCANCEL)); }
  void PressFolderButton() const { Press(GetDlgCtrlID(FolderButton()), FolderButton()); }
  void PressCloseBox() const { PostMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0); }

  // Chooses `folder` in the folder browser the folder button opened, or
  // cancels it; false when no browser appeared.
  [[nodiscard]] bool Browse(const std::optional<std::filesystem::path>& folder) const {
    const HWND browser = WaitForDialog(Thread(), L"", dialog_);
    if (browser == nullptr) {
      return false;
    }
    if (folder) {
      // Wine's browser now and then misses a folder whose timestamps just
      // changed and stays on the desktop: select until the tree shows it.
      const std::wstring name = folder->filename().wstring();
      for (int attempt = 0; attempt < 20 && TreeSelection(browser) != name; ++attempt) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder->c_str()));
        if (TreeSelection(browser) != name) {
          Sleep(100);
        }
      }
      PostMessageW(browser, WM_COMMAND, IDOK, 0);
    } else {
      PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
    }
    return WaitUntilGone(browser);
  }

  // The text of the error box the dialog shows, answered with OK; empty
  // when none appeared.
  [[nodiscard]] std::wstring AnswerErrorBox() const {
    const HWND box = WaitForDialog(Thread(), L"Error", dialog_);
    if (box == nullptr) {
      return {};
    }
    std::wstring text = WindowTextOf(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    static_cast<void>(WaitUntilGone(box));
    return text;
  }

  [[nodiscard]] bool WaitUntilClosed() const { return WaitUntilGone(dialog_); }

 private:
  void Press(int id, HWND button) const {
    PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  }
  [[nodiscard]] DWORD Thread() const { return GetWindowThreadProcessId(dialog_, nullptr); }

  HWND dialog_;
};

class SaveDialogTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure()) {
      return;
    }
    LoadPanelAndWaitForView();
  }

  void LoadFeatures() {
    Api().LoadWaypoint("A", "Anchorage", "", 35.9, 14.5);
    Api().LoadWaypoint("R", "Reef", "", 36.1, 14.2);
    ASSERT_EQ(Api().FeatureCount(), 2);
  }

  // The temporary file of a feature, as the overlay wrote it.
  static std::filesystem::path TempFileOf(const std::string& name) {
    return std::filesystem::temp_directory_path() / "ZelkanGE" / (name + ".kml");
  }

  // Runs SaveFeaturesKML on this thread while `user` works the dialog from
  // another; fails the test when no dialog appeared or it stayed open.
  void WithDialog(const std::function<void(SaveDialogUser&)>& user) {
    const DWORD thread = GetCurrentThreadId();
    std::atomic<bool> appeared{false};
    {
      const DialogScript script([&] {
        const HWND dialog = WaitForDialog(thread, kCaption);
        if (dialog == nullptr) {
          return;
        }
        appeared = true;
        SaveDialogUser saveDialog(dialog);
        user(saveDialog);
        if (IsWindow(dialog)) {
          ADD_FAILURE() << "the dialog is still open: cancelled";
          saveDialog.PressCancel();
        }
      });
      Api().SaveFeaturesKML();
    }
    EXPECT_TRUE(appeared) << "no dialog";
  }

  std::wstring DirectoryOfNextDialog() {
    std::wstring directory;
    WithDialog([&](SaveDialogUser& dialog) {
      directory = dialog.Directory();
      dialog.PressCancel();
      EXPECT_TRUE(dialog.WaitUntilClosed());
    });
    return directory;
  }
};

struct Expected {
  const wchar_t* windowClass;
  const wchar_t* text;
  RECT place;  // left, top, right, bottom in the client area
  bool tabStop;
};

TEST_F(SaveDialogTest, LayoutOwnerFontAndRowsAreAsDesignedAt96Dpi) {
  LoadFeatures();
  const std::array<Expected, 7> expected = {{
      {L"Static", L"Features to Save:", {8, 6, 8 + 87, 6 + 13}, false},
      {L"SysListView32", L"", {8, 21, 8 + 340, 21 + 158}, true},
      {L"Static", L"Directory to Save:", {8, 189, 8 + 88, 189 + 13}, false},
      {L"Edit", L"", {8, 204, 8 + 315, 204 + 21}, true},
      {L"Button", L"Select Directory", {325, 204, 325 + 23, 204 + 22}, false},
      {L"Button", L"&OK", {105, 233, 105 + 75, 233 + 25}, true},
      {L"Button", L"&Cancel", {186, 233, 186 + 75, 233 + 25}, true},
  }};
  const HWND frame = Host().Frame();
  WithDialog([&](SaveDialogUser& dialog) {
    const HWND window = dialog.Window();
    EXPECT_EQ(GetWindow(window, GW_OWNER), frame);
    EXPECT_FALSE(IsWindowEnabled(frame)) << "a modal dialog disables its owner";
    RECT outer{};
    RECT over{};
    GetWindowRect(window, &outer);
    GetWindowRect(frame, &over);
    EXPECT_LE(std::abs((outer.left + outer.right) - (over.left + over.right)), 2)
        << "centred over the host's window";
    EXPECT_LE(std::abs((outer.top + outer.bottom) - (over.top + over.bottom)), 2);
    const RECT client = ClientRectOf(window);
    EXPECT_EQ(client.right, 356);
    EXPECT_EQ(client.bottom, 264);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    // Children in z order, which is the tab order.
    HWND child = GetWindow(window, GW_CHILD);
    for (const Expected& control : expected) {
      ASSERT_NE(child, nullptr);
      EXPECT_EQ(ClassOf(child), control.windowClass);
      EXPECT_EQ(WindowTextOf(child), control.text);
      const RECT place = RectIn(child, window);
      EXPECT_TRUE(EqualRect(&place, &control.place))
          << ::testing::PrintToString(std::wstring(control.text)) << " at " << place.left << ","
          << place.top << "," << place.right << "," << place.bottom;
      const bool tabStop = (GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) != 0;
      EXPECT_EQ(tabStop, control.tabStop) << ::testing::PrintToString(std::wstring(control.text));
      LOGFONTW font{};
      const auto handle = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
      ASSERT_NE(GetObjectW(handle, sizeof font, &font), 0);
      EXPECT_STREQ(font.lfFaceName, L"Tahoma");
      EXPECT_EQ(font.lfHeight, -11);
      child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
    EXPECT_TRUE(GetWindowLongPtrW(dialog.DirectoryBox(), GWL_STYLE) & ES_READONLY);

    ASSERT_EQ(dialog.RowCount(), 2);
    EXPECT_EQ(dialog.RowText(0), L"A");
    EXPECT_EQ(dialog.RowText(1), L"R");
    EXPECT_FALSE(dialog.IsChecked(0));
    EXPECT_FALSE(dialog.IsChecked(1));
    EXPECT_EQ(dialog.Directory(), L"");

    EXPECT_EQ(HintOf(dialog.FolderButton()), L"Select Directory");

    dialog.PressCloseBox();
    EXPECT_TRUE(dialog.WaitUntilClosed());
  });
  EXPECT_TRUE(IsWindowEnabled(frame));
}

TEST_F(SaveDialogTest, OkWithNoRowCheckedOrNoDirectorySaysWhyAndTheDialogStays) {
  LoadFeatures();
  WithDialog([](SaveDialogUser& dialog) {
    dialog.PressOk();
    EXPECT_EQ(dialog.AnswerErrorBox(), L"No items selected to save!");
    EXPECT_TRUE(IsWindow(dialog.Window()));
    dialog.Check(0);
    dialog.PressOk();
    EXPECT_EQ(dialog.AnswerErrorBox(), L"No directory selected!");
    EXPECT_TRUE(IsWindow(dialog.Window()));
    dialog.PressCancel();
    EXPECT_TRUE(dialog.WaitUntilClosed());
  });
}

TEST_F(SaveDialogTest, BrowsedFolderGetsTheCheckedRowsAndIsOfferedNextTime) {
  LoadFeatures();
  const std::filesystem::path out = TempDir() / "voyage" / "out";
  std::filesystem::create_directories(out);
  WithDialog([&](SaveDialogUser& dialog) {
    dialog.PressFolderButton();
    ASSERT_TRUE(dialog.Browse(out));
    EXPECT_EQ(dialog.Directory(), out.wstring());
    dialog.Check(0);
    dialog.Check(1);
    dialog.PressOk();
    EXPECT_TRUE(dialog.WaitUntilClosed());
  });
  EXPECT_EQ(FileBytes(out / "A.kml"), FileBytes(TempFileOf("A")));
  EXPECT_EQ(FileBytes(out / "R.kml"), FileBytes(TempFileOf("R")));
  EXPECT_NE(FileBytes(out / "A.kml").find("Anchorage"), std::string::npos);
  EXPECT_EQ(DirectoryOfNextDialog(), out.wstring() + L"\\");
}

TEST_F(SaveDialogTest, CancelAfterBrowsingCopiesNothingAndKeepsTheDirectory) {
  LoadFeatures();
  const std::filesystem::path first = TempDir() / "first";
  const std::filesystem::path other = TempDir() / "other";
  std::filesystem::create_directories(other);
  ASSERT_EQ(Api().SaveFeature((first.string() + "\\").c_str(), 1), 1);
  WithDialog([&](SaveDialogUser& dialog) {
    EXPECT_EQ(dialog.Directory(), first.wstring() + L"\\");
    dialog.PressFolderButton();
    ASSERT_TRUE(dialog.Browse(other));
    dialog.Check(0);
    dialog.PressCancel();
    EXPECT_TRUE(dialog.WaitUntilClosed());
  });
  EXPECT_TRUE(std::filesystem::is_empty(other));
  EXPECT_EQ(DirectoryOfNextDialog(), first.wstring() + L"\\");
}

TEST_F(SaveDialogTest, AFolderThatCannotBeMadeIsReportedForEachCheckedRow) {
  LoadFeatures();
  // A file stands where a parent folder would have to be.
  const std::filesystem::path blocker = TempDir() / "blocker";
  WriteFile(blocker, "not a folder");
  ASSERT_EQ(Api().SaveFeature((blocker / "out").string().c_str(), 0), 0);
  WithDialog([&](SaveDialogUser& dialog) {
    dialog.Check(0);
    dialog.Check(1);
    dialog.PressOk();
    EXPECT_EQ(dialog.AnswerErrorBox(), L"Cannot create output directory!");
    EXPECT_EQ(dialog.AnswerErrorBox(), L"Cannot create output directory!");
    EXPECT_TRUE(dialog.WaitUntilClosed());
  });
}

// A folder of the target's name stands in the way: no copy can take its
// place on any system. (A read-only file would do on Windows, but Wine
// replaces it.)
TEST_F(SaveDialogTest, ATargetInTheWayIsReportedByNameKeptAndTheOtherRowsSaved) {
  LoadFeatures();
  const std::filesystem::path out = TempDir() / "out";
  std::filesystem::create_directories(out / "A.kml");
  WriteFile(out / "A.kml" / "inside.txt", "the user's own");
  ASSERT_EQ(Api().SaveFeature((out.string() + "\\").c_str(), 5), 0);  // remembers the folder
  std::wstring message;
  WithDialog([&](SaveDialogUser& dialog) {
    dialog.Check(0);
    dialog.Check(1);
    dialog.PressOk();
    message = dialog.AnswerErrorBox();
    EXPECT_TRUE(dialog.WaitUntilClosed());
  });
  EXPECT_EQ(message.rfind(L"Cannot save \"" + (out / "A.kml").wstring() + L"\"!", 0), 0U)
      << ::testing::PrintToString(message);
  EXPECT_NE(message.find(L"Replacing"), std::wstring::npos) << ::testing::PrintToString(message);
  EXPECT_EQ(FileBytes(out / "A.kml" / "inside.txt"), "the user's own");
  EXPECT_EQ(FileBytes(out / "R.kml"), FileBytes(TempFileOf("R")));
  std::vector<std::filesystem::path> left;
  for (const auto& entry : std::filesystem::directory_iterator(out)) {
    left.push_back(entry.path());
  }
  EXPECT_EQ(left.size(), 2U) << "a copy was left behind: " << ::testing::PrintToString(left);
}

TEST_F(SaveDialogTest, WithoutFeaturesNoDialogAppears) {
  const DWORD thread = GetCurrentThreadId();
  std::atomic<bool> appeared{false};
  {
    const DialogScript script([&] {
      if (const HWND dialog =
              WaitForDialog(thread, kCaption, nullptr, std::chrono::milliseconds(1500))) {
        appeared = true;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      }
    });
    Api().SaveFeaturesKML();
    PumpFor(std::chrono::milliseconds(2000));
  }
  EXPECT_FALSE(appeared);
}

TEST_F(SaveDialogTest, SaveFeatureJoinsPathsRefusesBadInputAndReportsFailedCopies) {
  LoadFeatures();
  ZelkanGE& api = Api();
  const std::filesystem::path out = TempDir() / "new" / "folder";

  // No trailing backslash: the file goes inside the folder, made with its
  // parents.
  ASSERT_EQ(api.SaveFeature(out.string().c_str(), 0), 1);
  EXPECT_EQ(FileBytes(out / "A.kml"), FileBytes(TempFileOf("A")));

  api.ZgeClearLastError();
  EXPECT_EQ(api.SaveFeature(out.string().c_str(), 2), 0);  // index equal to the count
  EXPECT_EQ(static_cast<std::uint32_t>(ReadLastError(api).code), kInvalidArgument);
  EXPECT_EQ(api.SaveFeature(nullptr, 0), 0);  // NULL reads as empty text
  EXPECT_EQ(static_cast<std::uint32_t>(ReadLastError(api).code), kInvalidArgument);
  EXPECT_EQ(api.SaveFeature("", 0), 0);
  EXPECT_EQ(static_cast<std::uint32_t>(ReadLastError(api).code), kInvalidArgument);
  EXPECT_EQ(DirectoryOfNextDialog(), L"");

  // A temporary file that is gone: the existing copy stays.
  WriteFile(out / "R.kml", "kept");
  std::filesystem::remove(TempFileOf("R"));
  EXPECT_EQ(api.SaveFeature((out.string() + "\\").c_str(), 1), 0);
  const LastError error = ReadLastError(api);
  EXPECT_EQ(static_cast<std::uint32_t>(error.code), kFileNotFound);
  EXPECT_NE(error.text.find("R.kml"), std::string::npos) << error.text;
  EXPECT_EQ(FileBytes(out / "R.kml"), "kept");
}

TEST_F(SaveDialogTest, ADriveRootIsJoinedWithoutADoubledBackslash) {
  LoadFeatures();
  const std::filesystem::path root = TempDir().root_path();
  const std::filesystem::path target = root / "A.kml";
  ASSERT_FALSE(std::filesystem::exists(target));
  ASSERT_EQ(Api().SaveFeature(root.string().c_str(), 0), 1);
  EXPECT_EQ(FileBytes(target), FileBytes(TempFileOf("A")));
  std::filesystem::remove(target);
}

// Not a check of behaviour alone: it also leaves the picture of the dialog
// that the README shows, when ZGE_SAVE_DIALOG_PICTURE names where.
TEST_F(SaveDialogTest, PictureShowsTheDialogWithItsFolderButton) {
  LoadFeatures();
  Api().LoadWaypoint("Harbour", "Fuel and water", "", 35.90, 14.51);
  ASSERT_EQ(Api().SaveFeature("C:\\Charts\\Voyage\\", 5), 0);  // the box shows it
  std::filesystem::path png = TempDir() / "save-dialog.png";
  if (const char* wanted = std::getenv("ZGE_SAVE_DIALOG_PICTURE")) {
    png = wanted;
  }
  std::optional<Picture> picture;
  RECT place{};
  WithDialog([&](SaveDialogUser& dialog) {
    dialog.Check(1);
    picture = Picture::OfWindow(dialog.Window());
    place = RectIn(dialog.FolderButton(), dialog.Window());
    dialog.PressCancel();
    EXPECT_TRUE(dialog.WaitUntilClosed());
  });
  ASSERT_TRUE(picture);
  picture->WritePng(png);  // COM is this thread's
  std::vector<COLORREF> button;
  const POINT client = picture->ClientOrigin();
  for (int y = place.top; y < place.bottom; ++y) {
    for (int x = place.left; x < place.right; ++x) {
      button.push_back(picture->At(x + client.x, y + client.y));
    }
  }
  const auto has = [&](COLORREF color) {
    return std::find(button.begin(), button.end(), color) != button.end();
  };
  EXPECT_TRUE(has(RGB(255, 255, 0))) << "yellow folders";
  EXPECT_TRUE(has(RGB(128, 0, 0))) << "dark red arrow";
  EXPECT_FALSE(has(RGB(255, 0, 255))) << "the magenta field is not drawn";
  EXPECT_GT(std::filesystem::file_size(png), 1000U);
}

}  // namespace
}  // namespace zge::test
