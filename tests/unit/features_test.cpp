// Loaded features: the open-file dialog, showing and hiding the temporary
// places, a feature by name, and the temporary files at the end.
#include <set>

#include "base/error.h"
#include "overlay_fixture.h"

namespace zge::testing {
namespace {

using fakes::MakeFeature;

TEST_F(OverlayTest, HideAllAndShowAllTouchOnlyTheDirectChildrenThatNeedIt) {
  auto first = AddDocument(u"A", {});
  auto second = AddDocument(u"B", {});
  second->visibility = 0;
  auto nested = MakeFeature(u"Inner");
  auto third = AddDocument(u"C", {nested});
  auto odd = AddDocument(u"D", {});
  odd->visibility = 2;

  Panel().HideAll();
  EXPECT_EQ(first->visibility, 0);
  EXPECT_EQ(third->visibility, 0);
  EXPECT_FALSE(f.log.Contains("Feature(B).Visibility=0"));
  EXPECT_EQ(nested->visibility, 1);
  EXPECT_EQ(odd->visibility, 2);

  Panel().ShowAll();
  EXPECT_EQ(first->visibility, 1);
  EXPECT_EQ(second->visibility, 1);
  EXPECT_EQ(third->visibility, 1);
  EXPECT_EQ(odd->visibility, 2);
}

TEST_F(OverlayTest, AFailingWalkStopsWhereItFailedAndKeepsWhatItChanged) {
  auto first = AddDocument(u"A", {});
  AddDocument(u"B", {});
  auto third = AddDocument(u"C", {});
  f.earth.state.failing["Feature(B).Visibility"] = static_cast<std::int32_t>(0x80048001);
  EXPECT_THROW(Panel().HideAll(), Error);
  EXPECT_EQ(first->visibility, 0);
  EXPECT_EQ(third->visibility, 1);
}

TEST_F(OverlayTest, WithoutTemporaryPlacesHideAllDoesNothing) {
  f.earth.state.hasTemporaryPlaces = false;
  EXPECT_NO_THROW(Panel().HideAll());
  EXPECT_NO_THROW(Panel().ShowAll());
}

TEST_F(OverlayTest, SetFeatureVisibilityWritesOneOrZeroAndIgnoresUnknownNames) {
  auto feature = AddDocument(u"Harbour", {});
  Panel().SetFeatureVisibility(u"Harbour", false);
  EXPECT_EQ(feature->visibility, 0);
  Panel().SetFeatureVisibility(u"Harbour", true);
  EXPECT_EQ(feature->visibility, 1);
  EXPECT_NO_THROW(Panel().SetFeatureVisibility(u"harbour", false));
  EXPECT_EQ(feature->visibility, 1);
}

TEST_F(OverlayTest, ChosenFilesAreOpenedInTheDialogsOrderWithMessagesOn) {
  f.dialogs.chosenFiles = {u"C:\\k\\b.kml", u"C:\\k\\a.kmz", u"C:\\k\\c.kml"};
  Panel().OpenFeaturesKML();
  using Opened = std::pair<std::u16string, bool>;
  EXPECT_EQ(f.earth.state.openedFiles,
            (std::vector<Opened>{
                {u"C:\\k\\b.kml", false}, {u"C:\\k\\a.kmz", false}, {u"C:\\k\\c.kml", false}}));
  EXPECT_EQ(f.dialogs.lastOwner, Panel().Handle());
  EXPECT_EQ(Panel().GetFeatureCount(), 0);
}

TEST_F(OverlayTest, ACancelledDialogOpensNothingAndAFailingFileStopsTheRest) {
  Panel().OpenFeaturesKML();
  EXPECT_TRUE(f.earth.state.openedFiles.empty());

  f.dialogs.chosenFiles = {u"a.kml", u"b.kml", u"c.kml"};
  f.earth.state.failing["OpenKmlFile(b.kml, 0)"] = static_cast<std::int32_t>(0x80070057);
  EXPECT_THROW(Panel().OpenFeaturesKML(), Error);
  EXPECT_FALSE(f.log.Contains("OpenKmlFile(c.kml, 0)"));
}

TEST_F(OverlayTest, ClosingDeletesEveryTemporaryFileOnceAndKeepsTheFolder) {
  Panel().LoadWaypoint("A", "", "", 1, 2);
  Panel().LoadWaypoint("A", "", "", 1, 2);
  Panel().LoadRoute({}, u"R", u"", 0);
  f.files.files["C:\\elsewhere.kml"] = "keep";
  entry::CloseGE();
  EXPECT_EQ(f.files.files.size(), 1U);
  // Only files of the folder are asked for; the duplicate is passed over.
  const std::set<std::string> asked(f.files.deletions.begin(), f.files.deletions.end());
  EXPECT_EQ(asked, (std::set<std::string>{TempFile("A"), TempFile("R")}));
  EXPECT_TRUE(f.files.DirectoryExists(f.files.tempDirectory + "ZelkanGE\\"));
}

}  // namespace
}  // namespace zge::testing
