#include "gpx_reader.h"

#include <gtest/gtest.h>

#include <ostream>

#include <fstream>
#include <string>

namespace {

nav::GpxDocument ReadGpxText(const std::string& text) { return nav::ReadGpx(text); }

TEST(GpxReaderTest, ReadsWaypointsAndTheRouteInOrder) {
  const auto gpx = ReadGpxText(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
      "  <metadata><name>ignored</name></metadata>\n"
      "  <wpt lat=\"35.8985\" lon=\"14.5250\"><name>Valletta</name><desc>Grand &amp; "
      "Harbour</desc></wpt>\n"
      "  <wpt lat=\"-37.05\" lon=\"-15.29\"/>\n"
      "  <rte><name>Passage</name>\n"
      "    <rtept lat=\"35.9\" lon=\"14.53\"><name>Start</name></rtept>\n"
      "    <rtept lat=\"36.6\" lon=\"15.25\"><ele>0</ele><name><![CDATA[Off Passero]]></name>"
      "</rtept>\n"
      "  </rte>\n"
      "</gpx>\n");
  ASSERT_EQ(gpx.waypoints.size(), 2U);
  EXPECT_EQ(gpx.waypoints[0].name, "Valletta");
  EXPECT_EQ(gpx.waypoints[0].description, "Grand & Harbour");
  EXPECT_DOUBLE_EQ(gpx.waypoints[0].latitude, 35.8985);
  EXPECT_DOUBLE_EQ(gpx.waypoints[0].longitude, 14.525);
  EXPECT_EQ(gpx.waypoints[1].name, "");
  EXPECT_DOUBLE_EQ(gpx.waypoints[1].latitude, -37.05);
  ASSERT_EQ(gpx.routes.size(), 1U);
  EXPECT_EQ(gpx.routes[0].name, "Passage");
  ASSERT_EQ(gpx.routes[0].points.size(), 2U);
  EXPECT_EQ(gpx.routes[0].points[1].name, "Off Passero");
  EXPECT_DOUBLE_EQ(gpx.routes[0].points[1].longitude, 15.25);
}

TEST(GpxReaderTest, NamesKeepTheirNonAsciiLettersAsUtf8) {
  const auto gpx =
      ReadGpxText("<gpx><wpt lat=\"37\" lon=\"15\"><name>Sirac\xC3\xBBsa</name></wpt></gpx>");
  ASSERT_EQ(gpx.waypoints.size(), 1U);
  EXPECT_EQ(gpx.waypoints[0].name, "Sirac\xC3\xBBsa");
}

struct BadCase {
  const char* name;
  const char* document;
  unsigned line;
};

// Test names carry the case; the listing needs no bytes of it.
void PrintTo(const BadCase& c, std::ostream* out) { *out << c.name; }

class BadGpxTest : public testing::TestWithParam<BadCase> {};

TEST_P(BadGpxTest, IsRefusedNamingTheLine) {
  try {
    static_cast<void>(ReadGpxText(GetParam().document));
    FAIL() << "read without an error";
  } catch (const nav::GpxError& error) {
    EXPECT_EQ(error.Line(), GetParam().line) << error.what();
    EXPECT_NE(std::string(error.what()).find("line " + std::to_string(GetParam().line)),
              std::string::npos)
        << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, BadGpxTest,
    testing::Values(BadCase{"MismatchedEndTag",
                            "<gpx>\n<wpt lat=\"1\" lon=\"2\">\n<name>a</nam>\n</wpt>\n</gpx>", 3},
                    BadCase{"UnquotedAttribute", "<gpx>\n\n<wpt lat=1 lon=\"2\"/>\n</gpx>", 3},
                    BadCase{"CutShort", "<gpx>\n<wpt lat=\"1\" lon=\"2\">\n<name>a</name>\n", 3},
                    BadCase{"CutInsideATag", "<gpx>\n<wpt lat=\"1\" lon=\"2\"/>\n<wpt lat=\"3", 3},
                    BadCase{"NotGpx", "<kml>\n</kml>", 1},
                    BadCase{"LatitudeBeyondThePole", "<gpx>\n<wpt lat=\"95\" lon=\"2\"/>\n</gpx>",
                            2},
                    BadCase{"LongitudeNotANumber",
                            "<gpx>\n<rte>\n<rtept lat=\"1\" lon=\"east\"/></rte></gpx>", 3},
                    BadCase{"PointWithoutLatitude", "<gpx>\n<wpt lon=\"2\"/>\n</gpx>", 2}),
    [](const testing::TestParamInfo<BadCase>& param) { return std::string(param.param.name); });

TEST(GpxReaderTest, ReadsTheSamplePassage) {
  std::ifstream file(ZGE_SAMPLES_DIR "/valletta-syracuse.gpx", std::ios::binary);
  ASSERT_TRUE(file) << "no sample at " ZGE_SAMPLES_DIR;
  std::string text(4096, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  const auto gpx = ReadGpxText(text);
  ASSERT_GE(gpx.waypoints.size(), 2U);
  EXPECT_EQ(gpx.waypoints.front().name, "Valletta");
  EXPECT_EQ(gpx.waypoints.back().name, "Syracuse");
  ASSERT_EQ(gpx.routes.size(), 1U);
  EXPECT_GE(gpx.routes[0].points.size(), 4U);
}

}  // namespace
