// Overlays through the real DLL into the stand-in: the exact documents
// Google Earth receives, the temporary files and the feature list, and what
// stays visible after live positions and track legs.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <string>
#include <vector>

#include "support/host_window.h"
#include "support/system_test.h"

namespace zge::test {
namespace {

constexpr char kHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<kml xmlns=\"http://earth.google.com/kml/2.2\"><Document><name>";

std::filesystem::path TempKmlFolder() {
  return std::filesystem::temp_directory_path() / "ZelkanGE";
}

std::vector<std::string> ListEntries(ZelkanGE& api) {
  const ZgeStringList* list = api.FeatureList();
  std::vector<std::string> entries;
  for (std::int32_t i = 0; i < api.ZgeStringListCount(list); ++i) {
    char text[256] = {};
    api.ZgeStringListItem(list, i, text, sizeof text);
    entries.emplace_back(text);
  }
  return entries;
}

// Visible children of that name in all documents of that name.
int VisibleMarkers(const std::vector<FeatureInfo>& places, const std::wstring& document,
                   const std::wstring& marker) {
  int visible = 0;
  for (const FeatureInfo& top : places) {
    if (top.name != document) {
      continue;
    }
    for (const FeatureInfo& child : top.children) {
      if (child.name == marker && child.visibility == 1) {
        ++visible;
      }
    }
  }
  return visible;
}

std::int32_t LastErrorCode(ZelkanGE& api) {
  std::int32_t code = 0;
  api.ZgeGetLastError(&code, nullptr, 0);
  return code;
}

class OverlaysTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure()) {
      return;
    }
    LoadPanelAndWaitForView();
  }
  // The loads are synchronous calls: the journal has them on return.
  std::size_t Journaled(const std::string& call) {
    StandInJournal().Poll();
    return StandInJournal().Count(call);
  }
};

TEST_F(OverlaysTest, WaypointsAndRoutesAreListedAndKeptAsTemporaryFilesUntilClose) {
  ZelkanGE& api = Api();
  api.LoadWaypoint("Quay A", "first", "a.png", 51.5, -0.125);
  api.LoadWaypoint("Quay B", "", "b.png", 47.123456789012345, 2.0 / 3.0);
  api.LoadWaypoint("Quay A", "second", "a.png", 0, 0);
  const TPointGE points[] = {{"P1", "", "p.png", 50, 1}, {"P2", "", "p.png", 50.5, 1.5}};
  const TListGE route{2, points};
  api.LoadRoute(&route, L"Route R", L"to sea", 255);

  EXPECT_EQ(ListEntries(api), (std::vector<std::string>{"Quay A", "Quay B", "Quay A", "Route R"}));
  EXPECT_EQ(api.FeatureCount(), 4);

  const std::string firstA = std::string(kHead) +
                             "Quay A</name><Placemark><name>Quay A</name><description>first"
                             "</description><Style><IconStyle><Icon><href>a.png</href></Icon>"
                             "</IconStyle></Style><Point><coordinates>-0.125,51.5,0</coordinates>"
                             "</Point></Placemark></Document></kml>";
  EXPECT_EQ(Journaled("LoadKmlData(" + JournalQuoted(firstA) + ")"), 1U) << StandInJournal().Text();
  const std::string waypointB = FileBytes(TempKmlFolder() / "Quay B.kml");
  EXPECT_NE(waypointB.find("<coordinates>0.666666666666667,47.1234567890123,0</coordinates>"),
            std::string::npos)
      << waypointB;
  // The file holds the latest document of its name, as UTF-8 without a mark.
  const std::string secondA = FileBytes(TempKmlFolder() / "Quay A.kml");
  EXPECT_EQ(secondA.rfind(kHead, 0), 0U) << secondA;
  EXPECT_NE(secondA.find("<description>second</description>"), std::string::npos);
  EXPECT_NE(secondA.find("<coordinates>0,0,0</coordinates>"), std::string::npos);
  EXPECT_EQ(Journaled("LoadKmlData(" + JournalQuoted(secondA) + ")"), 1U);
  EXPECT_TRUE(std::filesystem::exists(TempKmlFolder() / "Route R.kml"));

  api.CloseGE();
  for (const char* name : {"Quay A.kml", "Quay B.kml", "Route R.kml"}) {
    EXPECT_FALSE(std::filesystem::exists(TempKmlFolder() / name)) << name;
  }
}

// A host that switches its C runtime to a comma-decimal locale (the DLL
// shares that runtime) still gets points inside the numbers.
TEST_F(OverlaysTest, ACommaDecimalLocaleInTheHostChangesNoNumber) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "German_Germany.1252") == nullptr &&
      std::setlocale(LC_ALL, "de-DE") == nullptr) {
    GTEST_SKIP() << "no German locale in this C runtime";
  }
  ASSERT_EQ(*std::localeconv()->decimal_point, ',');
  Api().LoadLiveGPS("Boat", "", "", 51.5, -0.125, 0);
  std::setlocale(LC_ALL, saved.c_str());
  StandInJournal().Poll();
  EXPECT_NE(StandInJournal().Text().find("<coordinates>-0.125,51.5,0</coordinates>"),
            std::string::npos)
      << StandInJournal().Text();
}

TEST_F(OverlaysTest, HostTextIsEscapedAndFoundByItsOwnName) {
  ZelkanGE& api = Api();
  api.LoadWaypoint("Fish & Chips", "</description><NetworkLink>", "x.png?a=1&b=2", 1, 2);
  EXPECT_EQ(LastErrorCode(api), 0);
  EXPECT_EQ(ListEntries(api), std::vector<std::string>{"Fish & Chips"});
  api.SetFeatureVisibility(L"Fish & Chips", 0);
  const std::vector<FeatureInfo> places = EarthClient::Connect().TemporaryPlaces();
  ASSERT_EQ(places.size(), 1U);
  EXPECT_EQ(places[0].name, L"Fish & Chips");
  EXPECT_EQ(places[0].visibility, 0);
  ASSERT_EQ(places[0].children.size(), 1U);  // no injected feature
}

TEST_F(OverlaysTest, ANameThatCannotNameAFileIsAnErrorButStillShown) {
  ZelkanGE& api = Api();
  api.ZgeClearLastError();
  api.LoadWaypoint("Bay: north", "", "", 1, 2);
  EXPECT_EQ(static_cast<std::uint32_t>(LastErrorCode(api)), 0x8007007BU);
  api.LoadWaypoint("..\\escaped", "", "", 1, 2);
  EXPECT_EQ(static_cast<std::uint32_t>(LastErrorCode(api)), 0x8007007BU);
  EXPECT_EQ(api.FeatureCount(), 0);
  EXPECT_EQ(EarthClient::Connect().TemporaryPlaces().size(), 2U);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::temp_directory_path() / "escaped.kml"));
}

TEST_F(OverlaysTest, LiveGpsLeavesOneVisibleMarkerPerName) {
  ZelkanGE& api = Api();
  api.LoadLiveGPS("Boat", "", "boat.png", 50, 1, 90);
  api.LoadLiveGPS("Boat", "", "boat.png", 50.1, 1.1, 95);
  for (const char* name : {"A", "B", "A", "B"}) {
    api.LoadLiveGPS(name, "", "boat.png", 50, 1, -45);
  }
  EXPECT_EQ(LastErrorCode(api), 0);
  const std::vector<FeatureInfo> places = EarthClient::Connect().TemporaryPlaces();
  EXPECT_EQ(places.size(), 6U);
  EXPECT_EQ(VisibleMarkers(places, L"GPS Boat", L"Boat"), 1);
  EXPECT_EQ(places[1].children.at(0).visibility, 1);  // the newest Boat
  EXPECT_EQ(VisibleMarkers(places, L"GPS A", L"A"), 1);
  EXPECT_EQ(VisibleMarkers(places, L"GPS B", L"B"), 1);
  EXPECT_EQ(api.FeatureCount(), 0);
}

TEST_F(OverlaysTest, OnlyTheNewestLegOfATrackShowsTheBoat) {
  ZelkanGE& api = Api();
  for (std::int32_t leg = 0; leg < 3; ++leg) {
    api.LoadTrackLeg(L"Leg", L"boat.png", 50 + leg, 1, 51 + leg, 1, 0, leg, 0, 1);
  }
  api.LoadTrackLeg(L"Gap", L"boat.png", 50, 1, 51, 1, 0x8000000F, 3, 0, 0);
  api.LoadTrackLeg(L"Gap", L"boat.png", 51, 1, 52, 1, 0, 5, 0, 1);
  EXPECT_EQ(LastErrorCode(api), 0);
  const std::vector<FeatureInfo> places = EarthClient::Connect().TemporaryPlaces();
  EXPECT_EQ(VisibleMarkers(places, L"Leg0", L"GPS"), 0);
  EXPECT_EQ(VisibleMarkers(places, L"Leg1", L"GPS"), 0);
  EXPECT_EQ(VisibleMarkers(places, L"Leg2", L"GPS"), 1);
  EXPECT_EQ(VisibleMarkers(places, L"Gap3", L"GPS"), 1);
  EXPECT_EQ(VisibleMarkers(places, L"Gap5", L"GPS"), 1);
  // A leg loaded hidden keeps its line hidden and its boat shown.
  const auto gap3 = std::find_if(places.begin(), places.end(),
                                 [](const FeatureInfo& f) { return f.name == L"Gap3"; });
  ASSERT_NE(gap3, places.end());
  ASSERT_EQ(gap3->children.size(), 2U);
  EXPECT_EQ(gap3->children[0].visibility, 0);
  EXPECT_EQ(api.FeatureCount(), 0);
}

}  // namespace
}  // namespace zge::test
