#include "nmea_reader.h"

#include <charconv>
#include <cmath>
#include <istream>
#include <string>

namespace nav {
namespace {

std::vector<std::string_view> SplitFields(std::string_view body) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = body.find(',', start);
    fields.push_back(body.substr(start, comma == std::string_view::npos ? comma : comma - start));
    if (comma == std::string_view::npos) {
      return fields;
    }
    start = comma + 1;
  }
}

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return std::nullopt;
}

// A field's problem, carried out of the sentence parsers.
struct FieldFault {
  SkipReason reason;
};

class Fields {
 public:
  explicit Fields(std::vector<std::string_view> fields) : fields_(std::move(fields)) {}

  void Require(std::size_t count) const {
    if (fields_.size() < count) {
      throw FieldFault{SkipReason::kTooFewFields};
    }
  }

  [[nodiscard]] std::string_view Text(std::size_t index) const {
    Require(index + 1);
    if (fields_[index].empty()) {
      throw FieldFault{SkipReason::kEmptyField};
    }
    return fields_[index];
  }

  [[nodiscard]] bool Empty(std::size_t index) const {
    return index >= fields_.size() || fields_[index].empty();
  }

  [[nodiscard]] double Number(std::size_t index) const {
    const std::string_view text = Text(index);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
      throw FieldFault{SkipReason::kBadField};
    }
    return value;
  }

  [[nodiscard]] std::optional<double> OptionalNumber(std::size_t index) const {
    if (Empty(index)) {
      return std::nullopt;
    }
    return Number(index);
  }

  // ddmm.mmm (latitude) or dddmm.mmm (longitude) and its hemisphere letter.
  [[nodiscard]] double Angle(std::size_t index, char positive, char negative, double limit) const {
    const double raw = Number(index);
    const std::string_view hemisphere = Text(index + 1);
    const double degrees = std::floor(raw / 100.0);
    const double minutes = raw - degrees * 100.0;
    if (raw < 0 || minutes >= 60.0 || hemisphere.size() != 1) {
      throw FieldFault{SkipReason::kBadField};
    }
    double value = degrees + minutes / 60.0;
    if (hemisphere[0] == negative) {
      value = -value;
    } else if (hemisphere[0] != positive) {
      throw FieldFault{SkipReason::kBadField};
    }
    if (std::abs(value) > limit) {
      throw FieldFault{SkipReason::kBadField};
    }
    return value;
  }

  // hhmmss.ss as seconds of the day.
  [[nodiscard]] double TimeOfDay(std::size_t index) const {
    const double raw = Number(index);
    const double hours = std::floor(raw / 10000.0);
    const double minutes = std::floor((raw - hours * 10000.0) / 100.0);
    const double seconds = raw - hours * 10000.0 - minutes * 100.0;
    if (raw < 0 || hours >= 24 || minutes >= 60 || seconds >= 61) {
      throw FieldFault{SkipReason::kBadField};
    }
    return hours * 3600.0 + minutes * 60.0 + seconds;
  }

  // ddmmyy as the seconds from 1970 to that midnight.
  [[nodiscard]] double Date(std::size_t index) const {
    const std::string_view text = Text(index);
    if (text.size() != 6) {
      throw FieldFault{SkipReason::kBadField};
    }
    int digits[6];
    for (std::size_t i = 0; i < 6; ++i) {
      if (text[i] < '0' || text[i] > '9') {
        throw FieldFault{SkipReason::kBadField};
      }
      digits[i] = text[i] - '0';
    }
    const int day = digits[0] * 10 + digits[1];
    const int month = digits[2] * 10 + digits[3];
    const int twoDigitYear = digits[4] * 10 + digits[5];
    if (day < 1 || day > 31 || month < 1 || month > 12) {
      throw FieldFault{SkipReason::kBadField};
    }
    // NMEA has two-digit years; receivers of the last century set the window.
    const int year = twoDigitYear < 80 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
    // Days from civil date (H. Hinnant's algorithm).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long days = static_cast<long long>(era) * 146097 + dayOfEra - 719468;
    return static_cast<double>(days) * 86400.0;
  }

 private:
  std::vector<std::string_view> fields_;
};

}  // namespace

std::string_view Describe(SkipReason reason) {
  switch (reason) {
    case SkipReason::kNotASentence:
      return "not a sentence";
    case SkipReason::kNoChecksum:
      return "cut short (no checksum)";
    case SkipReason::kBadChecksum:
      return "bad checksum";
    case SkipReason::kTooFewFields:
      return "too few fields";
    case SkipReason::kEmptyField:
      return "empty field";
    case SkipReason::kBadField:
      return "unreadable field";
    case SkipReason::kNoFix:
      return "no fix";
    case SkipReason::kOtherSentence:
      return "other sentence";
  }
  return "unknown";
}

std::uint8_t NmeaChecksum(std::string_view body) {
  std::uint8_t sum = 0;
  for (const char c : body) {
    sum = static_cast<std::uint8_t>(sum ^ static_cast<std::uint8_t>(c));
  }
  return sum;
}

void NmeaReader::Skip(SkipReason reason) {
  ++counts_[static_cast<std::size_t>(reason)];
  skipped_.push_back({lines_, reason});
}

void NmeaReader::Flush() {
  if (current_) {
    fixes_.push_back(*current_);
  }
  current_.reset();
  currentTimeOfDay_.reset();
}

void NmeaReader::StartFix(double timeOfDay) {
  if (currentTimeOfDay_ && *currentTimeOfDay_ == timeOfDay) {
    return;
  }
  Flush();
  // Past midnight without a new date from RMC: the next day.
  if (dayStart_ && timeOfDay + 43200.0 < lastTimeOfDay_) {
    *dayStart_ += 86400.0;
  }
  lastTimeOfDay_ = timeOfDay;
  current_.emplace();
  current_->time = dayStart_.value_or(0) + timeOfDay;
  currentTimeOfDay_ = timeOfDay;
}

void NmeaReader::Add(std::string_view line) {
  ++lines_;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) {
    line.remove_suffix(1);
  }
  if (line.empty()) {
    return;
  }
  if (line.front() != '$' && line.front() != '!') {
    return Skip(SkipReason::kNotASentence);
  }
  const std::size_t star = line.rfind('*');
  if (star == std::string_view::npos || star + 3 != line.size()) {
    return Skip(SkipReason::kNoChecksum);
  }
  const auto high = HexDigit(line[star + 1]);
  const auto low = HexDigit(line[star + 2]);
  const std::string_view body = line.substr(1, star - 1);
  if (!high || !low || NmeaChecksum(body) != *high * 16 + *low) {
    return Skip(SkipReason::kBadChecksum);
  }
  const Fields fields(SplitFields(body));
  try {
    const std::string_view address = fields.Text(0);
    if (address.size() != 5) {
      return Skip(SkipReason::kOtherSentence);
    }
    const std::string_view type = address.substr(2);
    if (type == "RMC") {
      fields.Require(10);
      if (fields.Text(2) != "A") {
        return Skip(SkipReason::kNoFix);
      }
      const double timeOfDay = fields.TimeOfDay(1);
      const double latitude = fields.Angle(3, 'N', 'S', 90);
      const double longitude = fields.Angle(5, 'E', 'W', 180);
      const auto speed = fields.OptionalNumber(7);
      const auto course = fields.OptionalNumber(8);
      const double dayStart = fields.Date(9);
      if (!dayStart_ || *dayStart_ != dayStart) {
        dayStart_ = dayStart;
        lastTimeOfDay_ = timeOfDay;
      }
      StartFix(timeOfDay);
      current_->time = dayStart + timeOfDay;
      current_->latitude = latitude;
      current_->longitude = longitude;
      if (speed) {
        current_->speedKnots = speed;
      }
      if (course) {
        current_->courseDegrees = course;
      }
    } else if (type == "GGA") {
      fields.Require(8);
      const double timeOfDay = fields.TimeOfDay(1);
      const double latitude = fields.Angle(2, 'N', 'S', 90);
      const double longitude = fields.Angle(4, 'E', 'W', 180);
      if (fields.Number(6) == 0) {
        return Skip(SkipReason::kNoFix);
      }
      const auto satellites = fields.OptionalNumber(7);
      StartFix(timeOfDay);
      current_->latitude = latitude;
      current_->longitude = longitude;
      if (satellites) {
        current_->satellites = static_cast<int>(*satellites);
      }
    } else if (type == "VTG") {
      // Course and speed belong to the position just reported.
      fields.Require(8);
      const double course = fields.Number(1);
      const double speed = fields.Number(5);
      if (!current_) {
        return Skip(SkipReason::kOtherSentence);
      }
      current_->courseDegrees = course;
      current_->speedKnots = speed;
    } else if (type == "HDT") {
      fields.Require(3);
      const double heading = fields.Number(1);
      if (heading < 0 || heading > 360) {
        return Skip(SkipReason::kBadField);
      }
      if (!current_) {
        return Skip(SkipReason::kOtherSentence);
      }
      current_->headingDegrees = heading;
    } else {
      return Skip(SkipReason::kOtherSentence);
    }
  } catch (const FieldFault& fault) {
    Skip(fault.reason);
  }
}

void NmeaReader::Finish() { Flush(); }

NmeaReader ReadNmea(std::istream& input) {
  NmeaReader reader;
  std::string line;
  while (std::getline(input, line)) {
    reader.Add(line);
  }
  reader.Finish();
  return reader;
}

}  // namespace nav
