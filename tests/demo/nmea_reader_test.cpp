#include "nmea_reader.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// A sentence with its correct checksum: "$" body "*hh".
std::string Sentence(const std::string& body) {
  char sum[4];
  std::snprintf(sum, sizeof sum, "%02X", nav::NmeaChecksum(body));
  return "$" + body + "*" + sum;
}

nav::NmeaReader Read(const std::string& text) {
  std::istringstream input(text);
  return nav::ReadNmea(input);
}

constexpr char kRmc[] = "GPRMC,081500.00,A,3554.000,N,01431.500,E,6.4,045.0,140626,,,A";
constexpr char kGga[] = "GPGGA,081500.00,3554.000,N,01431.500,E,1,09,0.9,2.0,M,40.0,M,,";

TEST(NmeaReaderTest, MergesTheSentencesOfOneTimeIntoOneFix) {
  const auto reader = Read(Sentence(kRmc) + "\r\n" + Sentence(kGga) + "\r\n" +
                           Sentence("GPVTG,046.0,T,,M,6.5,N,12.0,K,A") + "\r\n" +
                           Sentence("HEHDT,050.5,T") + "\r\n");
  ASSERT_EQ(reader.Fixes().size(), 1U);
  const nav::Fix& fix = reader.Fixes()[0];
  // 2026-06-14 08:15:00 UTC.
  EXPECT_DOUBLE_EQ(fix.time, 1781424900.0);
  EXPECT_DOUBLE_EQ(fix.latitude, 35.9);
  EXPECT_DOUBLE_EQ(fix.longitude, 14.525);
  EXPECT_EQ(fix.speedKnots, 6.5);
  EXPECT_EQ(fix.courseDegrees, 46.0);
  EXPECT_EQ(fix.headingDegrees, 50.5);
  EXPECT_EQ(fix.satellites, 9);
  EXPECT_TRUE(reader.Skipped().empty());
}

TEST(NmeaReaderTest, SouthAndWestAreNegative) {
  const auto reader =
      Read(Sentence("GPRMC,000001,A,3330.000,S,07030.000,W,0.0,0.0,010100,,") + "\n");
  ASSERT_EQ(reader.Fixes().size(), 1U);
  EXPECT_DOUBLE_EQ(reader.Fixes()[0].latitude, -33.5);
  EXPECT_DOUBLE_EQ(reader.Fixes()[0].longitude, -70.5);
  EXPECT_DOUBLE_EQ(reader.Fixes()[0].time, 946684801.0);
}

TEST(NmeaReaderTest, EachTimeGivesItsOwnFixAndMidnightMovesToTheNextDay) {
  const auto reader =
      Read(Sentence("GPRMC,235950,A,3554.000,N,01431.500,E,6.0,45.0,311226,,") + "\n" +
           Sentence("GPGGA,000010,3554.100,N,01431.600,E,1,08,1.0,1.0,M,,M,,") + "\n");
  ASSERT_EQ(reader.Fixes().size(), 2U);
  EXPECT_DOUBLE_EQ(reader.Fixes()[1].time - reader.Fixes()[0].time, 20.0);
}

struct DamagedCase {
  const char* name;
  std::string line;
  nav::SkipReason reason;
};

// Test names carry the case; the listing needs no bytes of it.
void PrintTo(const DamagedCase& c, std::ostream* out) { *out << c.name; }

class DamagedLineTest : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedLineTest, IsSkippedForItsReasonAndTheLogGoesOn) {
  const DamagedCase& damaged = GetParam();
  const auto reader =
      Read(Sentence(kRmc) + "\n" + damaged.line + "\n" +
           Sentence("GPRMC,081510.00,A,3554.100,N,01431.600,E,6.4,045.0,140626,,") + "\n");
  EXPECT_EQ(reader.Fixes().size(), 2U);
  ASSERT_EQ(reader.Skipped().size(), 1U);
  EXPECT_EQ(reader.Skipped()[0].line, 2U);
  EXPECT_EQ(reader.Skipped()[0].reason, damaged.reason)
      << nav::Describe(reader.Skipped()[0].reason);
  EXPECT_EQ(reader.SkippedCount(damaged.reason), 1U);
}

using nav::SkipReason;
INSTANTIATE_TEST_SUITE_P(
    Lines, DamagedLineTest,
    testing::Values(
        DamagedCase{"BadChecksum", "$GPGGA,081505,3554.0,N,01431.5,E,1,08,1.0,1.0,M,,M,,*00",
                    SkipReason::kBadChecksum},
        DamagedCase{"ChecksumNotHex", Sentence(kGga).substr(0, Sentence(kGga).size() - 2) + "ZZ",
                    SkipReason::kBadChecksum},
        DamagedCase{"CutShort", "$GPRMC,081505.00,A,3554.0", SkipReason::kNoChecksum},
        DamagedCase{"CutInTheChecksum", Sentence(kGga).substr(0, Sentence(kGga).size() - 1),
                    SkipReason::kNoChecksum},
        DamagedCase{"EmptyLatitude", Sentence("GPRMC,081505,A,,N,01431.5,E,6.4,45.0,140626,,"),
                    SkipReason::kEmptyField},
        DamagedCase{"EmptyTime", Sentence("GPGGA,,3554.0,N,01431.5,E,1,08,1.0,1.0,M,,M,,"),
                    SkipReason::kEmptyField},
        DamagedCase{"AllFieldsEmpty", Sentence("GPRMC,,,,,,,,,,,"), SkipReason::kEmptyField},
        DamagedCase{"TooFewFields", Sentence("GPRMC,081505,A,3554.0,N"), SkipReason::kTooFewFields},
        DamagedCase{"MinutesPastSixty", Sentence("GPRMC,081505,A,3575.0,N,01431.5,E,6,45,140626,,"),
                    SkipReason::kBadField},
        DamagedCase{"HemisphereLetter", Sentence("GPRMC,081505,A,3554.0,X,01431.5,E,6,45,140626,,"),
                    SkipReason::kBadField},
        DamagedCase{"LatitudeBeyondPole",
                    Sentence("GPGGA,081505,9130.0,N,01431.5,E,1,8,1,1,M,,M,,"),
                    SkipReason::kBadField},
        DamagedCase{"NotANumber", Sentence("GPRMC,081505,A,35x4.0,N,01431.5,E,6,45,140626,,"),
                    SkipReason::kBadField},
        DamagedCase{"BadDate", Sentence("GPRMC,081505,A,3554.0,N,01431.5,E,6,45,321326,,"),
                    SkipReason::kBadField},
        DamagedCase{"ReceiverWarning", Sentence("GPRMC,081505,V,3554.0,N,01431.5,E,6,45,140626,,"),
                    SkipReason::kNoFix},
        DamagedCase{"GgaWithoutFix", Sentence("GPGGA,081505,3554.0,N,01431.5,E,0,00,,,M,,M,,"),
                    SkipReason::kNoFix},
        DamagedCase{"Noise", "\x7f\x01garbage", SkipReason::kNotASentence},
        DamagedCase{"SatellitesInView", Sentence("GPGSV,1,1,01,05,40,083,46"),
                    SkipReason::kOtherSentence}),
    [](const testing::TestParamInfo<DamagedCase>& param) { return std::string(param.param.name); });

TEST(NmeaReaderTest, BlankLinesAreNeitherFixesNorDamage) {
  const auto reader = Read("\r\n\n" + Sentence(kRmc) + "\r\n\r\n");
  EXPECT_EQ(reader.Fixes().size(), 1U);
  EXPECT_TRUE(reader.Skipped().empty());
  EXPECT_EQ(reader.Lines(), 4U);
}

TEST(NmeaReaderTest, HeadingBeforeAnyPositionIsNotAFix) {
  const auto reader = Read(Sentence("HEHDT,050.5,T") + "\n");
  EXPECT_TRUE(reader.Fixes().empty());
  EXPECT_EQ(reader.SkippedCount(nav::SkipReason::kOtherSentence), 1U);
}

// The sample voyage (samples/, made by tools/make_voyage.py): every fix
// read, exactly the lines damaged on purpose skipped.
TEST(NmeaReaderTest, ReadsTheSampleVoyage) {
  std::ifstream file(ZGE_SAMPLES_DIR "/valletta-syracuse.nmea", std::ios::binary);
  ASSERT_TRUE(file) << "no sample voyage at " ZGE_SAMPLES_DIR;
  const auto reader = nav::ReadNmea(file);
  EXPECT_GT(reader.Fixes().size(), 2000U);
  EXPECT_EQ(reader.SkippedCount(SkipReason::kBadChecksum), 2U);
  EXPECT_EQ(reader.SkippedCount(SkipReason::kNoChecksum), 2U);
  EXPECT_EQ(reader.SkippedCount(SkipReason::kEmptyField), 2U);
  EXPECT_EQ(reader.SkippedCount(SkipReason::kNoFix), 1U);
  for (std::size_t i = 1; i < reader.Fixes().size(); ++i) {
    ASSERT_GT(reader.Fixes()[i].time, reader.Fixes()[i - 1].time) << "fix " << i;
    ASSERT_TRUE(reader.Fixes()[i].headingDegrees.has_value()) << "fix " << i;
  }
}

}  // namespace
