// `TDlgSaveGE` against a fake dialog: the rows and the directory it opens
// with, what OK does with checked rows, the folder button, and the
// messages the user sees.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"
#include "dialogs/save_dialog.h"
#include "overlay_fixture.h"

namespace zge::testing {
namespace {

using fakes::FakeSaveDialog;
using Copy = std::pair<std::string, std::string>;

class SaveDialogTest : public OverlayTest {
 protected:
  void SetUp() override {
    OverlayTest::SetUp();
    Panel().LoadWaypoint("A", "anchorage", "", 1, 2);
    Panel().LoadWaypoint("R", "reef", "", 3, 4);
    f.files.directories.insert("C:\\");
  }
  // Runs the dialog with `user` playing the user.
  void Show(std::function<void(FakeSaveDialog&)> user) {
    f.saveDialogs.user = std::move(user);
    Panel().SaveFeaturesKML();
  }
  const std::vector<std::string>& Messages() const { return f.saveDialogs.messages; }
};

TEST_F(SaveDialogTest, WithoutFeaturesNoDialogAndNoMessage) {
  entry::CloseGE();
  LoadAndEmbed();
  Panel().SaveFeaturesKML();
  EXPECT_EQ(f.saveDialogs.shown, 0);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(SaveDialogTest, OpensOverThePanelWithTheFeaturesInOrderUncheckedAndAnEmptyBox) {
  Panel().LoadWaypoint("A", "again", "", 5, 6);
  std::vector<bool> checked;
  Show([&](FakeSaveDialog& dialog) { checked = dialog.checked; });
  EXPECT_EQ(f.saveDialogs.shown, 1);
  EXPECT_EQ(f.saveDialogs.lastOwner, Panel().Handle());
  EXPECT_EQ(f.saveDialogs.lastRows, (std::vector<std::string>{"A", "R", "A"}));
  EXPECT_EQ(checked, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(f.saveDialogs.lastDirectory, "");
}

TEST_F(SaveDialogTest, OkWithoutACheckedRowOrWithoutADirectorySaysWhyAndStaysOpen) {
  Show([](FakeSaveDialog& dialog) {
    EXPECT_FALSE(dialog.PressOk());
    dialog.Check(1);
    EXPECT_FALSE(dialog.PressOk());
  });
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"No items selected to save!", "No directory selected!"}));
  EXPECT_TRUE(f.files.copies.empty());
  EXPECT_EQ(Panel().SaveDirectory(), "");
}

TEST_F(SaveDialogTest, BrowsedFolderSavesTheCheckedRowsAndIsOfferedNextTime) {
  f.saveDialogs.folderChoices = {u"D:\\Out"};
  Show([](FakeSaveDialog& dialog) {
    dialog.PressBrowse();
    EXPECT_EQ(dialog.directory, "D:\\Out");
    dialog.Check(0);
    dialog.Check(1);
    EXPECT_TRUE(dialog.PressOk());
  });
  EXPECT_EQ(f.files.copies, (std::vector<Copy>{{TempFile("A"), "D:\\Out\\A.kml"},
                                               {TempFile("R"), "D:\\Out\\R.kml"}}));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Panel().SaveDirectory(), "D:\\Out\\");

  Show([](FakeSaveDialog&) {});
  EXPECT_EQ(f.saveDialogs.lastDirectory, "D:\\Out\\");
}

TEST_F(SaveDialogTest, ADriveRootIsJoinedWithoutADoubledBackslash) {
  f.saveDialogs.folderChoices = {u"C:\\"};
  Show([](FakeSaveDialog& dialog) {
    dialog.PressBrowse();
    dialog.Check(0);
    dialog.PressOk();
  });
  EXPECT_EQ(f.files.copies, (std::vector<Copy>{{TempFile("A"), "C:\\A.kml"}}));
  EXPECT_EQ(Panel().SaveDirectory(), "C:\\");
}

TEST_F(SaveDialogTest, CancelAfterBrowsingCopiesNothingAndKeepsTheDirectory) {
  ASSERT_TRUE(Panel().SaveFeature("D:\\Before\\", 0));
  f.files.copies.clear();
  f.saveDialogs.folderChoices = {u"D:\\Elsewhere", std::nullopt};
  Show([](FakeSaveDialog& dialog) {
    EXPECT_EQ(dialog.directory, "D:\\Before\\");
    dialog.PressBrowse();
    dialog.PressBrowse();  // cancelled: the box keeps its text
    EXPECT_EQ(dialog.directory, "D:\\Elsewhere");
    dialog.Check(0);
  });
  EXPECT_TRUE(f.files.copies.empty());
  EXPECT_EQ(Panel().SaveDirectory(), "D:\\Before\\");
}

TEST_F(SaveDialogTest, AFolderTheCodePageCannotNameIsRefused) {
  f.saveDialogs.folderChoices = {u"D:\\\u03A9"};
  Show([](FakeSaveDialog& dialog) {
    dialog.PressBrowse();
    EXPECT_EQ(dialog.directory, "");
  });
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{std::string(save_messages::kFolderNameNotUsable)}));
}

TEST_F(SaveDialogTest, AFolderThatCannotBeCreatedIsReportedOncePerRowAndTheDialogCloses) {
  f.files.failCreateDirectory = true;
  f.saveDialogs.folderChoices = {u"E:\\Locked"};
  bool closed = false;
  Show([&](FakeSaveDialog& dialog) {
    dialog.PressBrowse();
    dialog.Check(0);
    dialog.Check(1);
    closed = dialog.PressOk();
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Cannot create output directory!",
                                                  "Cannot create output directory!"}));
}

TEST_F(SaveDialogTest, AFailedCopyNamesTheFileAndTheRemainingRowsAreSaved) {
  f.files.directories.insert("D:\\Out");
  f.files.files["D:\\Out\\A.kml"] = "old";
  f.files.files.erase(TempFile("A"));
  f.saveDialogs.folderChoices = {u"D:\\Out"};
  bool closed = false;
  Show([&](FakeSaveDialog& dialog) {
    dialog.PressBrowse();
    dialog.Check(0);
    dialog.Check(1);
    closed = dialog.PressOk();
  });
  EXPECT_TRUE(closed);
  ASSERT_EQ(Messages().size(), 1U);
  EXPECT_EQ(Messages()[0].rfind("Cannot save \"D:\\Out\\A.kml\"!", 0), 0U) << Messages()[0];
  EXPECT_NE(Messages()[0].find(TempFile("A")), std::string::npos) << Messages()[0];
  EXPECT_EQ(f.files.files.at("D:\\Out\\A.kml"), "old");
  EXPECT_EQ(f.files.files.at("D:\\Out\\R.kml"), f.files.files.at(TempFile("R")));
}

TEST_F(SaveDialogTest, TwoRowsOfOneNameCopyTheSameFileAndTheLaterWins) {
  Panel().LoadWaypoint("A", "moved", "", 7, 8);
  f.files.directories.insert("D:\\Out");
  f.saveDialogs.folderChoices = {u"D:\\Out"};
  Show([](FakeSaveDialog& dialog) {
    dialog.PressBrowse();
    dialog.Check(0);
    dialog.Check(2);
    dialog.PressOk();
  });
  EXPECT_EQ(f.files.copies, (std::vector<Copy>{{TempFile("A"), "D:\\Out\\A.kml"},
                                               {TempFile("A"), "D:\\Out\\A.kml"}}));
  EXPECT_NE(f.files.files.at("D:\\Out\\A.kml").find("moved"), std::string::npos);
}

TEST_F(SaveDialogTest, APanelClosedWhileTheDialogIsShownSavesNothingAndClosesIt) {
  f.saveDialogs.folderChoices = {u"C:\\"};
  bool closed = false;
  Show([&](FakeSaveDialog& dialog) {
    dialog.PressBrowse();
    dialog.Check(0);
    entry::CloseGE();  // the host, from a message of the dialog's loop
    closed = dialog.PressOk();
  });
  EXPECT_TRUE(closed);
  EXPECT_TRUE(f.files.copies.empty());
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace zge::testing
