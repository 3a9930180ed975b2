// SaveFeature: the temporary file of a listed feature copied into a folder,
// the directory remembered first whatever happens, and every refusal
// reported with its reason.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/last_error.h"
#include "case_name.h"
#include "overlay_fixture.h"

namespace zge::testing {
namespace {

constexpr std::int32_t kInvalidArgument = static_cast<std::int32_t>(0x80070057);
constexpr std::int32_t kFileNotFound = static_cast<std::int32_t>(0x80070002);
constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x80070005);

struct SaveCase {
  const char* what;
  std::vector<const char*> features;
  const char* directory;
  std::int32_t index;
  // Empty when nothing is copied.
  std::string target;
  // The folder created, when one is.
  std::string createdFolder;
};
ZGE_PRINTS_CASE_BY(SaveCase, what)

class SaveFeatureTableTest : public OverlayTest, public ::testing::WithParamInterface<SaveCase> {
 protected:
  void SetUp() override {
    OverlayTest::SetUp();
    f.files.directories.insert("C:\\");  // drives exist
    f.files.directories.insert("D:\\");
  }
};

TEST_P(SaveFeatureTableTest, CopiesTheListedTemporaryFileOrRefusesWithAReason) {
  const SaveCase& c = GetParam();
  for (const char* name : c.features) {
    Panel().LoadWaypoint(name, name, "", 1, 2);
  }
  const std::set<std::string> foldersBefore = f.files.directories;
  ClearLastError();

  const bool saved = Panel().SaveFeature(c.directory, c.index);

  EXPECT_EQ(Panel().SaveDirectory(), c.directory);
  EXPECT_EQ(saved, !c.target.empty());
  std::set<std::string> created;
  for (const std::string& folder : f.files.directories) {
    if (foldersBefore.count(folder) == 0) {
      created.insert(folder);
    }
  }
  EXPECT_EQ(created, c.createdFolder.empty() ? std::set<std::string>{}
                                             : std::set<std::string>{c.createdFolder});
  if (saved) {
    const std::string name = c.features.at(static_cast<std::size_t>(c.index));
    using FileCopy = std::pair<std::string, std::string>;
    EXPECT_EQ(f.files.copies, (std::vector<FileCopy>{{TempFile(name), c.target}}));
    EXPECT_EQ(f.files.files.at(c.target), f.files.files.at(TempFile(name)));
    EXPECT_EQ(CurrentLastError().code, 0);
  } else {
    EXPECT_TRUE(f.files.copies.empty());
    EXPECT_EQ(CurrentLastError().code, kInvalidArgument);
    EXPECT_NE(CurrentLastError().text.find("SaveFeature"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveFeatureTableTest,
    ::testing::Values(
        SaveCase{"FirstEntry", {"A", "R"}, "D:\\Out\\", 0, "D:\\Out\\A.kml", "D:\\Out\\"},
        SaveCase{"LastEntry", {"A", "R"}, "D:\\Out\\", 1, "D:\\Out\\R.kml", "D:\\Out\\"},
        SaveCase{"NegativeIndex", {"A", "R"}, "D:\\Out\\", -1, "", ""},
        SaveCase{"IndexEqualToTheCount", {"A", "R"}, "D:\\Out\\", 2, "", ""},
        SaveCase{"EmptyList", {}, "D:\\Out\\", 0, "", ""},
        SaveCase{"DriveRootGetsNoSecondBackslash", {"A"}, "C:\\", 0, "C:\\A.kml", ""},
        SaveCase{
            "NoTrailingBackslashIsJoinedWithOne", {"A"}, "D:\\Out", 0, "D:\\Out\\A.kml", "D:\\Out"},
        SaveCase{"ForwardSlashCountsAsASeparator", {"A"}, "D:/Out/", 0, "D:/Out/A.kml", "D:/Out/"},
        SaveCase{"FolderThatExistsIsNotCreated", {"A"}, "D:\\", 0, "D:\\A.kml", ""},
        SaveCase{"EmptyDirectoryCreatesNothing", {"A"}, "", 0, "", ""},
        SaveCase{"EmptyDirectoryAndEmptyList", {}, "", 0, "", ""}),
    CaseName());

class SaveFeatureTest : public OverlayTest {
 protected:
  void SetUp() override {
    OverlayTest::SetUp();
    Panel().LoadWaypoint("A", "new", "", 1, 2);
    f.files.directories.insert("D:\\Out\\");
  }
};

TEST_F(SaveFeatureTest, AnExistingTargetIsReplacedWithoutAQuestion) {
  f.files.files["D:\\Out\\A.kml"] = "old";
  EXPECT_TRUE(Panel().SaveFeature("D:\\Out\\", 0));
  EXPECT_EQ(f.files.files.at("D:\\Out\\A.kml"), f.files.files.at(TempFile("A")));
}

TEST_F(SaveFeatureTest, AMissingSourceIsReportedAndLeavesTheExistingTargetIntact) {
  f.files.files["D:\\Out\\A.kml"] = "old";
  f.files.files.erase(TempFile("A"));
  ClearLastError();
  EXPECT_FALSE(Panel().SaveFeature("D:\\Out\\", 0));
  EXPECT_EQ(f.files.files.at("D:\\Out\\A.kml"), "old");
  EXPECT_EQ(CurrentLastError().code, kFileNotFound);
  EXPECT_NE(CurrentLastError().text.find("D:\\Out\\A.kml"), std::string::npos)
      << CurrentLastError().text;
}

TEST_F(SaveFeatureTest, AFolderThatCannotBeCreatedIsReportedAndNothingIsCopied) {
  f.files.failCreateDirectory = true;
  ClearLastError();
  EXPECT_FALSE(Panel().SaveFeature("E:\\Locked\\", 0));
  EXPECT_EQ(Panel().SaveDirectory(), "E:\\Locked\\");
  EXPECT_TRUE(f.files.copies.empty());
  EXPECT_EQ(CurrentLastError().code, kAccessDenied);
}

TEST_F(SaveFeatureTest, TrySaveFeatureSaysWhyWithoutRecordingIt) {
  f.files.failCopies = kAccessDenied;
  RecordLastError(5, "earlier");
  const SaveResult result = Panel().TrySaveFeature("D:\\Out", 0);
  EXPECT_EQ(result.failure, SaveFailure::kNotCopied);
  EXPECT_EQ(result.target, "D:\\Out\\A.kml");
  EXPECT_EQ(result.code, kAccessDenied);
  EXPECT_EQ(CurrentLastError().code, 5);
  EXPECT_EQ(Panel().SaveDirectory(), "D:\\Out");
}

}  // namespace
}  // namespace zge::testing
