#include "options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

namespace demo {
namespace {

std::optional<double> Number(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

long long DaysFromCivil(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return static_cast<long long>(era) * 146097 + dayOfEra - 719468;
}

}  // namespace

std::optional<double> ParseTime(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char zone = 0;
  int used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &year, &month, &day, &hour, &minute,
                  &second, &zone, &used) == 7 &&
      zone == 'Z' && static_cast<std::size_t>(used) == text.size()) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
      return std::nullopt;
    }
    return static_cast<double>(DaysFromCivil(year, month, day)) * 86400.0 + hour * 3600.0 +
           minute * 60.0 + second;
  }
  used = 0;
  const int fields =
      std::sscanf(text.c_str(), "%2d:%2d%n:%2d%n", &hour, &minute, &used, &second, &used);
  if (fields < 2 || static_cast<std::size_t>(used) != text.size() || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59) {
    return std::nullopt;
  }
  if (fields == 2) {
    second = 0;
  }
  return hour * 3600.0 + minute * 60.0 + second;
}

Options ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) {
        throw OptionsError(name + " needs a value");
      }
      return arguments[++i];
    };
    const auto refused = [&](const std::string& text, std::string_view what) {
      std::string message = name;
      message.append(": \"").append(text).append("\" ").append(what);
      return OptionsError(message);
    };
    const auto positive = [&](const std::string& text) {
      const auto number = Number(text);
      if (!number || *number <= 0) {
        throw refused(text, "is not a positive number");
      }
      return *number;
    };
    const auto time = [&](const std::string& text) {
      const auto parsed = ParseTime(text);
      if (!parsed) {
        throw refused(text, "is not a time");
      }
      return *parsed;
    };
    if (name == "--nmea") {
      options.nmea = value();
    } else if (name == "--gpx") {
      options.gpx = value();
    } else if (name == "--out") {
      options.out = value();
    } else if (name == "--speed") {
      options.speed = positive(value());
    } else if (name == "--from") {
      options.from = time(value());
    } else if (name == "--to") {
      options.to = time(value());
    } else if (name == "--leg-every") {
      const double every = positive(value());
      if (every != std::floor(every) || every > 100000) {
        throw OptionsError("--leg-every: a whole number of fixes");
      }
      options.legEvery = static_cast<int>(every);
    } else if (name == "--headless") {
      options.headless = true;
    } else if (name == "--heading-up") {
      options.headingUp = true;
    } else {
      throw OptionsError("unknown argument \"" + name + "\"");
    }
  }
  return options;
}

}  // namespace demo
