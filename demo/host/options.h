// The demo host's command line. Portable: wmain converts to UTF-8 first.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace demo {

struct Options {
  std::string nmea;  // empty: the sample beside the program
  std::string gpx;
  std::string out = "out";
  double speed = 3000;         // times real time
  std::optional<double> from;  // seconds since 1970 UTC, or of the day (see ParseTime)
  std::optional<double> to;
  bool headless = false;  // close at the end instead of waiting for the user
  bool headingUp = false;
  int legEvery = 40;            // fixes per track leg
  double updatesPerSecond = 5;  // live position updates, at most
};

class OptionsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "2026-06-14T08:00:00Z" (seconds since 1970) or "08:00[:00]" (seconds of
// the day, matched against the fixes' time of day).
[[nodiscard]] std::optional<double> ParseTime(const std::string& text);

// Throws OptionsError naming the faulty argument.
[[nodiscard]] Options ParseOptions(const std::vector<std::string>& arguments);

inline constexpr char kUsage[] =
    "usage: ZelkanGEDemo [--nmea FILE] [--gpx FILE] [--speed X] [--from TIME] [--to TIME]\n"
    "                    [--out DIR] [--headless] [--heading-up] [--leg-every N]\n"
    "  TIME is 2026-06-14T08:00:00Z or a UTC time of day, 08:00 or 08:00:30";

}  // namespace demo
