#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(OptionsTest, DefaultsReplayTheSampleAtDemoSpeed) {
  const demo::Options options = demo::ParseOptions({});
  EXPECT_TRUE(options.nmea.empty());
  EXPECT_TRUE(options.gpx.empty());
  EXPECT_EQ(options.out, "out");
  EXPECT_FALSE(options.headless);
  EXPECT_FALSE(options.from.has_value());
}

TEST(OptionsTest, ReadsEveryOption) {
  const demo::Options options =
      demo::ParseOptions({"--nmea", "a.nmea", "--gpx", "b.gpx", "--speed", "60", "--from", "08:00",
                          "--to", "2026-06-14T12:30:15Z", "--out", "C:\\out", "--headless",
                          "--heading-up", "--leg-every", "10"});
  EXPECT_EQ(options.nmea, "a.nmea");
  EXPECT_EQ(options.gpx, "b.gpx");
  EXPECT_EQ(options.speed, 60);
  EXPECT_EQ(options.from, 8 * 3600.0);
  EXPECT_EQ(options.to, 1781440215.0);
  EXPECT_EQ(options.out, "C:\\out");
  EXPECT_TRUE(options.headless);
  EXPECT_TRUE(options.headingUp);
  EXPECT_EQ(options.legEvery, 10);
}

struct TimeCase {
  const char* text;
  std::optional<double> seconds;
};

TEST(OptionsTest, TimesOfDayAndUtcInstants) {
  const TimeCase cases[] = {
      {"08:00", 28800},
      {"23:59:59", 86399},
      {"1970-01-02T00:00:00Z", 86400},
      {"24:00", std::nullopt},
      {"08:60", std::nullopt},
      {"8", std::nullopt},
      {"08:00x", std::nullopt},
      {"2026-06-14T08:00:00", std::nullopt},  // no zone: not UTC for sure
      {"2026-13-14T08:00:00Z", std::nullopt},
  };
  for (const TimeCase& c : cases) {
    EXPECT_EQ(demo::ParseTime(c.text), c.seconds) << c.text;
  }
}

TEST(OptionsTest, RefusesWhatItCannotUse) {
  const std::vector<std::vector<std::string>> cases = {
      {"--speed", "0"}, {"--speed", "fast"},    {"--speed"},  {"--from", "noon"},
      {"--nmea"},       {"--leg-every", "2.5"}, {"--replay"},
  };
  for (const auto& arguments : cases) {
    EXPECT_THROW(static_cast<void>(demo::ParseOptions(arguments)), demo::OptionsError)
        << arguments.front();
  }
}

}  // namespace
