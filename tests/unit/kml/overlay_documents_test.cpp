// The exact text of each overlay document.
#include "kml/overlay_documents.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "case_name.h"

namespace zge::kml {
namespace {

const std::u16string kHead =
    u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    u"<kml xmlns=\"http://earth.google.com/kml/2.2\"><Document><name>";
const std::u16string kTail = u"</Document></kml>";

// A whole document around `inside`: from the name's text to the last placemark.
std::u16string Document(std::u16string_view inside) {
  std::u16string document = kHead;
  document += inside;
  document += kTail;
  return document;
}

// Replaces each "$" of `pattern` by the next of `values`.
std::u16string Fill(std::u16string pattern, const std::vector<std::u16string>& values) {
  std::size_t at = 0;
  for (const std::u16string& value : values) {
    at = pattern.find(u'$', at);
    pattern.replace(at, 1, value);
    at += value.size();
  }
  return pattern;
}

struct PositionCase {
  const char* what;
  double latitude;
  double longitude;
  const char16_t* tuple;
};
ZGE_PRINTS_CASE_BY(PositionCase, what)

const PositionCase kPositions[] = {
    {"Greenwich", 51.5, -0.125, u"-0.125,51.5,0"},
    {"Origin", 0.0, 0.0, u"0,0,0"},
    {"NegativeZero", -0.0, -0.0, u"0,0,0"},
    {"WholeAndFraction", 8.0, 12.5, u"12.5,8,0"},
    {"BelowOne", -0.25, 180.0, u"180,-0.25,0"},
    {"Rounded", 47.123456789012345, 2.0 / 3, u"0.666666666666667,47.1234567890123,0"},
    {"Tiny", 1e-7, 0.00001234, u"0.00001234,0.0000001,0"},
    {"Huge", -1e-17, 1e20, u"100000000000000000000,-0.00000000000000001,0"},
};

class WaypointTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(WaypointTest, IsOnePlacemarkWithItsIconAtThePosition) {
  const PositionCase& c = GetParam();
  EXPECT_EQ(
      WaypointDocument(u"Harbour", u"Fish & Chips", u"http://x/a.png", c.latitude, c.longitude),
      Fill(Document(u"Harbour</name><Placemark><name>Harbour</name>"
                    u"<description>Fish &amp; Chips</description>"
                    u"<Style><IconStyle><Icon><href>http://x/a.png</href></Icon></IconStyle>"
                    u"</Style><Point><coordinates>$</coordinates></Point></Placemark>"),
           {c.tuple}));
}

INSTANTIATE_TEST_SUITE_P(Positions, WaypointTest, ::testing::ValuesIn(kPositions),
                         ::zge::testing::CaseName());

class LiveGpsTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(LiveGpsTest, IsNamedGpsAndTurnsItsIcon) {
  const PositionCase& c = GetParam();
  EXPECT_EQ(
      LiveGpsDocument(u"Boat", u"Moving", u"boat.png", c.latitude, c.longitude, 90),
      Fill(Document(u"GPS Boat</name><Placemark><name>Boat</name>"
                    u"<description>Moving</description><Style><IconStyle><heading>90</heading>"
                    u"<Icon><href>boat.png</href></Icon></IconStyle></Style>"
                    u"<Point><coordinates>$</coordinates></Point></Placemark>"),
           {c.tuple}));
}

INSTANTIATE_TEST_SUITE_P(Positions, LiveGpsTest, ::testing::ValuesIn(kPositions),
                         ::zge::testing::CaseName());

TEST(LiveGpsTest, WritesTheHeadingAsGiven) {
  for (const auto& [heading, text] : {std::pair{-45, u"-45"}, std::pair{370, u"370"}}) {
    EXPECT_EQ(LiveGpsDocument(u"B", u"", u"", 1, 2, heading),
              Fill(Document(u"GPS B</name><Placemark><name>B</name><description></description>"
                            u"<Style><IconStyle><heading>$</heading><Icon><href></href></Icon>"
                            u"</IconStyle></Style><Point><coordinates>2,1,0</coordinates></Point>"
                            u"</Placemark>"),
                   {text}));
  }
}

// Host texts that look like markup, or hold a carriage return, stay text.
TEST(EscapedTextTest, StaysTextInEveryPlaceAHostTextGoes) {
  EXPECT_EQ(
      WaypointDocument(u"A</name><NetworkLink>x", u"line\r\nnext\tcol", u"a?b=1&c=<2>", 1, 2),
      Document(u"A&lt;/name&gt;&lt;NetworkLink&gt;x</name><Placemark>"
               u"<name>A&lt;/name&gt;&lt;NetworkLink&gt;x</name>"
               u"<description>line&#13;\nnext\tcol</description>"
               u"<Style><IconStyle><Icon><href>a?b=1&amp;c=&lt;2&gt;</href></Icon></IconStyle>"
               u"</Style><Point><coordinates>2,1,0</coordinates></Point></Placemark>"));
}

const std::u16string kRouteHead =
    kHead +
    u"Trip</name><Style id=\"YellowLine\"><LineStyle><color>$</color><width>4</width>"
    u"</LineStyle></Style><description>Day &amp; night</description><Placemark><name>Trip"
    u"</name><description>Day &amp; night</description><styleUrl>#YellowLine</styleUrl>"
    u"<LineString><extrude>0</extrude><tessellate>0</tessellate>"
    u"<altitudeMode>absolute</altitudeMode><coordinates>$</coordinates></LineString>"
    u"</Placemark>";

std::u16string PointPlacemark(const std::u16string& name, const std::u16string& tuple) {
  return Fill(
      u"<Placemark><name>$</name><description>d</description><Style><IconStyle><Icon>"
      u"<href>i.png</href></Icon></IconStyle></Style><Point><coordinates>$</coordinates>"
      u"</Point></Placemark>",
      {name, tuple});
}

TEST(RouteTest, WithoutPointsIsEmpty) {
  EXPECT_EQ(RouteDocument({}, u"Trip", u"Day & night", 255), u"");
}

TEST(RouteTest, OfOnePointHasALineOfOneTupleAndItsPlacemark) {
  const RoutePoint points[] = {{u"Start", u"d", u"i.png", 51.5, -0.125}};
  EXPECT_EQ(RouteDocument(points, u"Trip", u"Day & night", 255),
            Fill(kRouteHead, {u"7F0000FF", u"-0.125,51.5,0"}) +
                PointPlacemark(u"Start", u"-0.125,51.5,0") + kTail);
}

struct DocumentColorCase {
  const char* what;
  std::uint32_t color;
  const char16_t* text;
};
ZGE_PRINTS_CASE_BY(DocumentColorCase, what)

class RouteColorTest : public ::testing::TestWithParam<DocumentColorCase> {};

TEST_P(RouteColorTest, JoinsTuplesBySingleBlanksAndKeepsTheStyleId) {
  const RoutePoint points[] = {{u"A", u"d", u"i.png", 1, 2},
                               {u"B&B", u"d", u"i.png", 0, 0},
                               {u"C", u"d", u"i.png", -0.25, 12.5}};
  EXPECT_EQ(RouteDocument(points, u"Trip", u"Day & night", GetParam().color),
            Fill(kRouteHead, {GetParam().text, u"2,1,0 0,0,0 12.5,-0.25,0"}) +
                PointPlacemark(u"A", u"2,1,0") + PointPlacemark(u"B&amp;B", u"0,0,0") +
                PointPlacemark(u"C", u"12.5,-0.25,0") + kTail);
}

INSTANTIATE_TEST_SUITE_P(Colors, RouteColorTest,
                         ::testing::Values(DocumentColorCase{"Red", 255, u"7F0000FF"},
                                           DocumentColorCase{"Default", 0, u"7F00FFFF"},
                                           DocumentColorCase{"TopByteSet", 0x8000000F,
                                                             u"7F8000000F"}),
                         ::zge::testing::CaseName());

const std::u16string kLeg = Document(
    u"$$</name><Placemark><visibility>$</visibility><Style><LineStyle><color>$</color>"
    u"<width>4</width></LineStyle></Style><LineString><extrude>0</extrude>"
    u"<tessellate>0</tessellate><altitudeMode>relativeToGround</altitudeMode>"
    u"<coordinates>$</coordinates></LineString></Placemark><Placemark><name>GPS</name>"
    u"<description>Boat Description</description><Style><IconStyle><heading>$</heading>"
    u"<Icon><href>$</href></Icon></IconStyle></Style><Point><coordinates>$</coordinates>"
    u"</Point></Placemark>");

struct LegCase {
  const char* what;
  TrackLeg leg;
  std::vector<std::u16string> values;  // index, visibility, colour, line, heading, boat tuple
};
ZGE_PRINTS_CASE_BY(LegCase, what)

class TrackLegTest : public ::testing::TestWithParam<LegCase> {};

TEST_P(TrackLegTest, IsALineFromTheLastPositionAndTheBoatAtTheNew) {
  const LegCase& c = GetParam();
  std::vector<std::u16string> values = {u"Leg"};
  values.insert(values.end(), c.values.begin(), c.values.end());
  values.insert(values.begin() + 6, u"b&amp;.png");
  EXPECT_EQ(TrackLegDocument(u"Leg", u"b&.png", c.leg), Fill(kLeg, values));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrackLegTest,
    ::testing::Values(
        LegCase{"First",
                {51.5, -0.125, 51.25, 0.5, 0, 0, 10, true},
                {u"0", u"1", u"FF00FF00", u"-0.125,51.5,0 0.5,51.25,0", u"10", u"0.5,51.25,0"}},
        LegCase{"HiddenColoured",
                {0, 0, -0.25, 12.5, 255, 1, -45, false},
                {u"1", u"0", u"FF0000FF", u"0,0,0 12.5,-0.25,0", u"-45", u"12.5,-0.25,0"}},
        LegCase{"NegativeIndex",
                {1, 2, 3, 4, 0x8000000F, -1, 370, true},
                {u"-1", u"1", u"FF8000000F", u"2,1,0 4,3,0", u"370", u"4,3,0"}}),
    ::zge::testing::CaseName());

struct FailureCase {
  const char* what;
  std::function<void()> build;
  const char* message;
};
ZGE_PRINTS_CASE_BY(FailureCase, what)

class InvalidInputTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(InvalidInputTest, ThrowsNamingTheValue) {
  try {
    GetParam().build();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Code(), codes::kInvalidArgument);
    EXPECT_STREQ(e.what(), GetParam().message);
  }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
const std::u16string kBell = u"x\u0007";

INSTANTIATE_TEST_SUITE_P(
    Cases, InvalidInputTest,
    ::testing::Values(
        FailureCase{"WaypointLatitude", [] { WaypointDocument(u"a", u"", u"", kNaN, 0); },
                    "Latitude is not a finite number"},
        FailureCase{"WaypointDescription", [] { WaypointDocument(u"a", kBell, u"", 0, 0); },
                    "Description holds a character KML cannot carry (U+0007 at position 2)"},
        FailureCase{"WaypointIcon",
                    [] { WaypointDocument(u"a", u"", std::u16string(1, char16_t{0xDC00}), 0, 0); },
                    "Icon holds a character KML cannot carry (U+DC00 at position 1)"},
        FailureCase{"LiveGpsLongitude", [] { LiveGpsDocument(u"a", u"", u"", 0, -kInfinity, 0); },
                    "Longitude is not a finite number"},
        FailureCase{"LiveGpsName", [] { LiveGpsDocument(kBell, u"", u"", 0, 0, 0); },
                    "Name holds a character KML cannot carry (U+0007 at position 2)"},
        FailureCase{"RouteName",
                    [] {
                      const RoutePoint p[] = {{u"a", u"", u"", 0, 0}};
                      RouteDocument(p, kBell, u"", 0);
                    },
                    "Name holds a character KML cannot carry (U+0007 at position 2)"},
        FailureCase{"RoutePointName",
                    [] {
                      const RoutePoint p[] = {{u"a", u"", u"", 0, 0}, {kBell, u"", u"", 0, 0}};
                      RouteDocument(p, u"r", u"", 0);
                    },
                    "Point name holds a character KML cannot carry (U+0007 at position 2)"},
        FailureCase{"RoutePointLatitude",
                    [] {
                      const RoutePoint p[] = {{u"a", u"", u"", 0, 0}, {u"b", u"", u"", kNaN, 0}};
                      RouteDocument(p, u"r", u"", 0);
                    },
                    "Point latitude is not a finite number"},
        FailureCase{"LegName", [] { TrackLegDocument(kBell, u"", TrackLeg{}); },
                    "Name holds a character KML cannot carry (U+0007 at position 2)"},
        FailureCase{"LegToLongitude",
                    [] {
                      TrackLeg leg;
                      leg.toLongitude = kInfinity;
                      TrackLegDocument(u"a", u"", leg);
                    },
                    "To longitude is not a finite number"},
        FailureCase{"LegFromLatitude",
                    [] {
                      TrackLeg leg;
                      leg.fromLatitude = kNaN;
                      TrackLegDocument(u"a", u"", leg);
                    },
                    "From latitude is not a finite number"}),
    ::zge::testing::CaseName());

}  // namespace
}  // namespace zge::kml
