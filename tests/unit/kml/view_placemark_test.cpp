// The view placemark's number forms and lines: fixed, because the files
// written earlier and the programs that read them rely on them.
#include "kml/view_placemark.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "base/error.h"
#include "case_name.h"

namespace zge::kml {
namespace {

struct PlacemarkNumberCase {
  const char* what;
  double value;
  const char* coordinate;
  const char* measure;
};
ZGE_PRINTS_CASE_BY(PlacemarkNumberCase, what)

class NumberText : public ::testing::TestWithParam<PlacemarkNumberCase> {};

TEST_P(NumberText, FourDecimalsWithoutTrailingZeros) {
  EXPECT_EQ(CoordinateText(GetParam().value), GetParam().coordinate);
  EXPECT_EQ(MeasureText(GetParam().value), GetParam().measure);
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberText,
    ::testing::Values(PlacemarkNumberCase{"Zero", 0, "", "0"},
                      PlacemarkNumberCase{"NegativeZero", -0.0, "", "0"},
                      PlacemarkNumberCase{"Half", 0.5, ".5", "0.5"},
                      PlacemarkNumberCase{"NegativeQuarter", -0.25, "-.25", "-0.25"},
                      PlacemarkNumberCase{"RoundsDown", 51.50722, "51.5072", "51.5072"},
                      PlacemarkNumberCase{"RoundsUp", 48.85837, "48.8584", "48.8584"},
                      PlacemarkNumberCase{"NegativeFraction", -0.1275, "-.1275", "-0.1275"},
                      PlacemarkNumberCase{"TinyRoundsToZero", 0.00004, "", "0"},
                      PlacemarkNumberCase{"TinyNegativeRoundsToZero", -0.00004, "", "0"},
                      PlacemarkNumberCase{"Whole", 1500, "1500", "1500"},
                      PlacemarkNumberCase{"Tilt", 12.5, "12.5", "12.5"},
                      PlacemarkNumberCase{"CarryIntoTheInteger", 9.99996, "10", "10"},
                      PlacemarkNumberCase{"NoThousandsSeparator", 12739868.92, "12739868.92",
                                          "12739868.92"},
                      PlacemarkNumberCase{"NoExponent", 1e21, "1000000000000000000000",
                                          "1000000000000000000000"}),
    zge::testing::CaseName{});

TEST(ViewPlacemark, IsThirtyLinesEachEndedByCarriageReturnAndLineFeed) {
  const std::string file = ViewPlacemarkFile({0.5, 0, 1000, 0});
  EXPECT_EQ(file,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<kml xmlns=\"http://earth.google.com/kml/2.2\">\r\n"
            "<Placemark>\r\n"
            "<LookAt>\r\n"
            "<longitude></longitude>\r\n"
            "<latitude>.5</latitude>\r\n"
            "<range>1000</range>\r\n"
            "<tilt>0</tilt>\r\n"
            "</LookAt>\r\n"
            "<styleUrl>root://styleMaps#default+nicon=0x307+hicon=0x317</styleUrl>\r\n"
            "<Style>\r\n"
            "<IconStyle>\r\n"
            "<Icon>\r\n"
            "<href>root://icons/palette-3.png</href>\r\n"
            "<x>96</x>\r\n"
            "<y>128</y>\r\n"
            "<w>32</w>\r\n"
            "<h>32</h>\r\n"
            "</Icon>\r\n"
            "</IconStyle>\r\n"
            "</Style>\r\n"
            "<Point>\r\n"
            "<coordinates>\r\n"
            ",\r\n"
            ".5,\r\n"
            "0\r\n"
            "</coordinates>\r\n"
            "</Point>\r\n"
            "</Placemark>\r\n"
            "</kml>\r\n");
}

TEST(ViewPlacemark, AValueThatIsNotANumberWritesNoFile) {
  EXPECT_THROW(
      static_cast<void>(ViewPlacemarkFile({std::numeric_limits<double>::quiet_NaN(), 0, 1000, 0})),
      Error);
  EXPECT_THROW(
      static_cast<void>(ViewPlacemarkFile({0, 0, std::numeric_limits<double>::infinity(), 0})),
      Error);
}

}  // namespace
}  // namespace zge::kml
