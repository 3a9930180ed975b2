// Waypoints, live GPS positions, routes and track legs: what reaches Google
// Earth, what is hidden first, and what is kept as a temporary file.
#include <cmath>
#include <limits>

#include "base/error.h"
#include "overlay_fixture.h"
#include "panel/temp_kml.h"

namespace zge::testing {
namespace {

using fakes::MakeFeature;

bool Holds(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

TEST_F(OverlayTest, WaypointsAndRoutesAreListedInLoadingOrderWithOneFilePerName) {
  Panel().LoadWaypoint("A", "first", "a.png", 51.5, -0.125);
  Panel().LoadWaypoint("B", "", "b.png", 1, 2);
  Panel().LoadWaypoint("A", "second", "a.png", 3, 4);
  const std::vector<TPointGE> points = {{"P1", "", "p.png", 10, 20}, {"P2", "", "p.png", 11, 21}};
  Panel().LoadRoute(points, u"R", u"route", 255);

  EXPECT_EQ(FeatureNames(), (std::vector<std::string>{"A", "B", "A", "R"}));
  EXPECT_EQ(Panel().GetFeatureCount(), 4);
  ASSERT_EQ(Loaded().size(), 4U);
  EXPECT_TRUE(Holds(Loaded()[0], u"<coordinates>-0.125,51.5,0</coordinates>"));
  EXPECT_EQ(f.files.files.size(), 3U);
  // The file holds the latest document of its name, as UTF-8.
  EXPECT_EQ(f.files.files.at(TempFile("A")), f.codePage.ToUtf8(Loaded()[2]));
  EXPECT_EQ(f.files.files.at(TempFile("R")), f.codePage.ToUtf8(Loaded()[3]));
  EXPECT_TRUE(f.files.DirectoryExists(f.files.tempDirectory + "ZelkanGE\\"));
}

TEST_F(OverlayTest, LiveGpsTrackLegsAndOpenedKmlStayOutOfTheFeatureList) {
  Panel().LoadLiveGPS("Boat", "", "boat.png", 1, 2, 90);
  Panel().LoadTrackLeg(u"Track", u"boat.png", kml::TrackLeg{1, 2, 3, 4, 0, 0, 0, true});
  Panel().OpenKMLData(u"<kml/>");
  Panel().OpenKMLFile(u"C:\\charts\\harbour.kml");
  EXPECT_EQ(Panel().GetFeatureCount(), 0);
  EXPECT_TRUE(f.files.files.empty());
  EXPECT_EQ(Loaded().size(), 3U);
}

using OverlaysTest = PanelTest;

TEST_F(OverlaysTest, OverlaysDoNothingWithoutAConnection) {
  Load();  // no tick yet: no connection
  f.log.Clear();
  TGEPanel& panel = Panel();
  panel.LoadWaypoint("A", "", "", 1, 2);
  panel.LoadLiveGPS("A", "", "", 1, 2, 0);
  panel.HideWaypoint(u"A", u"A");
  panel.LoadRoute({}, u"R", u"", 0);
  panel.LoadTrackLeg(u"T", u"", kml::TrackLeg{});
  panel.OpenKMLData(u"<kml/>");
  panel.OpenKMLFile(u"x.kml");
  panel.HideAll();
  panel.ShowAll();
  panel.SetFeatureVisibility(u"A", true);
  EXPECT_TRUE(f.log.Calls().empty());
  EXPECT_EQ(panel.GetFeatureCount(), 0);
  EXPECT_TRUE(f.files.files.empty());
}

TEST_F(OverlayTest, AFailedLoadSavesNothing) {
  f.earth.state.failing["LoadKmlData"] = static_cast<std::int32_t>(0x80070057);
  EXPECT_THROW(Panel().LoadWaypoint("A", "", "", 1, 2), Error);
  EXPECT_THROW(Panel().LoadRoute({}, u"R", u"", 0), Error);
  EXPECT_EQ(Panel().GetFeatureCount(), 0);
  EXPECT_TRUE(f.files.files.empty());
}

TEST_F(OverlayTest, AFolderThatCannotBeMadeLeavesTheOverlayLoadedButUnsaved) {
  f.files.failCreateDirectory = true;
  EXPECT_NO_THROW(Panel().LoadWaypoint("A", "", "", 1, 2));
  EXPECT_EQ(Loaded().size(), 1U);
  EXPECT_EQ(Panel().GetFeatureCount(), 0);
}

TEST_F(OverlayTest, AFileThatCannotBeWrittenIsReportedAndNotListed) {
  f.files.failWrites = static_cast<std::int32_t>(0x80070070);  // disk full
  try {
    Panel().LoadWaypoint("A", "", "", 1, 2);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), static_cast<std::int32_t>(0x80070070));
  }
  EXPECT_EQ(Loaded().size(), 1U);
  EXPECT_EQ(Panel().GetFeatureCount(), 0);
}

// Names that would reach outside the temporary folder, or that Windows
// refuses: the document is loaded, nothing is written, nothing listed.
TEST_F(OverlayTest, NamesThatCannotNameAFileInsideTheFolderAreRefused) {
  for (const char* name : {"a:b", "..\\x", "../x", "C:\\x", "CON", "nul", "nul .txt", "COM1",
                           "lpt9.log", "a*b", "a?b", "a|b", "\"a\"", "<a>", "a\tb"}) {
    SCOPED_TRACE(name);
    const std::size_t before = Loaded().size();
    try {
      Panel().LoadWaypoint(name, "", "", 1, 2);
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.Code(), static_cast<std::int32_t>(0x8007007B));
    }
    EXPECT_EQ(Loaded().size(), before + 1);
  }
  // A route name the code page cannot carry exactly: a fraction slash would
  // otherwise become "/".
  EXPECT_THROW(Panel().LoadRoute({}, u"a\u2215b", u"", 0), Error);
  EXPECT_EQ(Panel().GetFeatureCount(), 0);
  EXPECT_TRUE(f.files.files.empty());
}

TEST(TempFileNames, PlainNamesAreSafe) {
  for (const char16_t* name : {u"", u"A", u"Fish & Chips", u"..", u"...", u"a.b", u"CONSOLE",
                               u"COM10", u"LPT", u"Ærø", u" x "}) {
    EXPECT_TRUE(IsSafeTempFileName(name));
  }
  for (const char16_t* name : {u"COM\u00B9", u"con.kml", u"Con ", u"a/b", u"a\\b", u"x:"}) {
    EXPECT_FALSE(IsSafeTempFileName(name));
  }
}

TEST_F(OverlayTest, InputThatCannotBeWrittenAsKmlLoadsNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  EXPECT_THROW(Panel().LoadWaypoint("A", "", "", nan, 0), Error);
  EXPECT_THROW(Panel().LoadLiveGPS("A", "", "", 0, infinity, 0), Error);
  EXPECT_THROW(Panel().LoadWaypoint("bell\a", "", "", 0, 0), Error);
  const std::vector<TPointGE> points = {{"P", "", "", 0, -infinity}};
  EXPECT_THROW(Panel().LoadRoute(points, u"R", u"", 0), Error);
  EXPECT_THROW(Panel().LoadTrackLeg(u"T", u"", kml::TrackLeg{nan, 0, 0, 0, 0, 1, 0, true}), Error);
  EXPECT_TRUE(Loaded().empty());
  EXPECT_FALSE(f.log.Contains("GetFeatureByName(T0)"));
  EXPECT_EQ(Panel().GetFeatureCount(), 0);
  EXPECT_TRUE(f.files.files.empty());
}

TEST_F(OverlayTest, AnEmptyRouteIsHandedOverAndSavedAsAnEmptyFile) {
  Panel().LoadRoute({}, u"R", u"", 0);
  ASSERT_EQ(Loaded().size(), 1U);
  EXPECT_TRUE(Loaded()[0].empty());
  EXPECT_EQ(f.files.files.at(TempFile("R")), "");
  EXPECT_EQ(FeatureNames(), std::vector<std::string>{"R"});
}

TEST_F(OverlayTest, LiveGpsHidesThePreviousMarkerOfItsNameOnly) {
  auto older = MakeFeature(u"Boat");
  auto other = MakeFeature(u"Dinghy");
  AddDocument(u"GPS Boat", {older});
  AddDocument(u"GPS Dinghy", {other});
  Panel().LoadLiveGPS("Boat", "", "boat.png", 1, 2, -45);
  EXPECT_EQ(older->visibility, 0);
  EXPECT_EQ(other->visibility, 1);
  ASSERT_EQ(Loaded().size(), 1U);
  EXPECT_TRUE(Holds(Loaded()[0], u"<name>GPS Boat</name><Placemark><name>Boat</name>"));
  EXPECT_LT(f.log.IndexOf("Feature(Boat).Visibility=0"), f.log.IndexOf("LoadKmlData"));
}

TEST_F(OverlayTest, AFailingHideLoadsNoNewPosition) {
  AddDocument(u"GPS Boat", {MakeFeature(u"Boat")});
  f.earth.state.failing["Feature(Boat).Visibility"] = static_cast<std::int32_t>(0x80048001);
  EXPECT_THROW(Panel().LoadLiveGPS("Boat", "", "", 1, 2, 0), Error);
  EXPECT_TRUE(Loaded().empty());
}

TEST_F(OverlayTest, HideWaypointHidesTheFirstVisibleDirectChildOfThatExactName) {
  auto hidden = MakeFeature(u"W", 0);
  auto first = MakeFeature(u"W");
  auto second = MakeFeature(u"W");
  auto otherCase = MakeFeature(u"w");
  auto nested = MakeFeature(u"W");
  AddDocument(u"Doc", {otherCase, hidden, first, MakeFeature(u"Folder", 1, {nested}), second});

  Panel().HideWaypoint(u"Doc", u"W");
  EXPECT_EQ(first->visibility, 0);
  EXPECT_EQ(second->visibility, 1);
  Panel().HideWaypoint(u"Doc", u"W");
  EXPECT_EQ(second->visibility, 0);
  Panel().HideWaypoint(u"Doc", u"W");
  EXPECT_EQ(nested->visibility, 1);
  EXPECT_EQ(otherCase->visibility, 1);
  EXPECT_EQ(hidden->visibility, 0);
  EXPECT_NO_THROW(Panel().HideWaypoint(u"Unknown", u"W"));
}

TEST_F(OverlayTest, TrackLegsHideTheBoatOfTheLegNumberedOneLess) {
  auto boat0 = MakeFeature(u"GPS");
  auto boat3 = MakeFeature(u"GPS");
  AddDocument(u"Leg0", {MakeFeature(u""), boat0});
  AddDocument(u"Leg3", {MakeFeature(u""), boat3});
  Panel().LoadTrackLeg(u"Leg", u"boat.png", kml::TrackLeg{1, 2, 3, 4, 0, 0, 0, true});
  Panel().LoadTrackLeg(u"Leg", u"boat.png", kml::TrackLeg{1, 2, 3, 4, 0, -1, 0, true});
  EXPECT_FALSE(f.log.Contains("GetFeatureByName(Leg-1)"));
  EXPECT_FALSE(f.log.Contains("GetFeatureByName(Leg-2)"));
  Panel().LoadTrackLeg(u"Leg", u"boat.png", kml::TrackLeg{1, 2, 3, 4, 0, 1, 0, true});
  EXPECT_EQ(boat0->visibility, 0);
  Panel().LoadTrackLeg(u"Leg", u"boat.png", kml::TrackLeg{1, 2, 3, 4, 0, 5, 0, true});
  EXPECT_TRUE(f.log.Contains("GetFeatureByName(Leg4)"));
  EXPECT_EQ(boat3->visibility, 1);
  ASSERT_EQ(Loaded().size(), 4U);
  EXPECT_TRUE(Holds(Loaded()[1], u"<name>Leg-1</name>"));
}

}  // namespace
}  // namespace zge::testing
