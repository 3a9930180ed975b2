#include "kml/kml_text.h"

#include <array>
#include <cassert>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "base/error.h"
#include "kml/text_cursor.h"

namespace zge::kml {
namespace {

constexpr int kSignificantDigits = 15;

[[noreturn]] void ThrowNotFinite(std::string_view what) {
  throw Error(codes::kInvalidArgument, std::string(what) + " is not a finite number");
}

// The digits of a non-zero finite value rounded to 15 significant digits,
// trailing zeros dropped, and the power of ten of the first digit.
struct Significand {
  bool negative = false;
  std::array<char, kSignificantDigits> digits{};
  int count = 0;
  int exponent = 0;
};

Significand RoundedSignificand(double value) {
  // "-d.ddddddddddddde-ddd": sign, 15 digits, point, "e", sign, 3 digits.
  std::array<char, 32> scientific{};
  const auto result = std::to_chars(scientific.data(), scientific.data() + scientific.size(), value,
                                    std::chars_format::scientific, kSignificantDigits - 1);
  assert(result.ec == std::errc());
  const char* at = scientific.data();
  Significand s;
  s.negative = *at == '-';
  if (s.negative) {
    ++at;
  }
  s.digits[0] = *at++;
  ++at;  // the decimal point
  std::memcpy(&s.digits[1], at, kSignificantDigits - 1);
  at += kSignificantDigits - 1;
  ++at;  // 'e'
  const bool negativeExponent = *at++ == '-';
  int exponent = 0;
  for (; at != result.ptr; ++at) {
    exponent = exponent * 10 + (*at - '0');
  }
  s.exponent = negativeExponent ? -exponent : exponent;
  s.count = kSignificantDigits;
  while (s.count > 1 && s.digits[static_cast<std::size_t>(s.count - 1)] == '0') {
    --s.count;
  }
  return s;
}

// Lays the digits out as a plain decimal: std::to_chars has no format that
// rounds to significant digits without switching to an exponent.
std::size_t LayOutPlain(const Significand& s, char* out) {
  char* at = out;
  if (s.negative) {
    *at++ = '-';
  }
  const char* digits = s.digits.data();
  if (s.exponent < 0) {
    *at++ = '0';
    *at++ = '.';
    at = std::fill_n(at, -s.exponent - 1, '0');
    at = std::copy_n(digits, s.count, at);
  } else if (s.count <= s.exponent + 1) {
    at = std::copy_n(digits, s.count, at);
    at = std::fill_n(at, s.exponent + 1 - s.count, '0');
  } else {
    at = std::copy_n(digits, s.exponent + 1, at);
    *at++ = '.';
    at = std::copy(digits + s.exponent + 1, digits + s.count, at);
  }
  return static_cast<std::size_t>(at - out);
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Below U+0040: the control characters other than tab and line feed
// (carriage return is escaped, the others cannot be carried) and "&<>".
constexpr std::uint64_t kCareBelow40 = (std::uint64_t{1} << 0x20) - 1 - (1U << u'\t') -
                                       (1U << u'\n') + (std::uint64_t{1} << u'&') +
                                       (std::uint64_t{1} << u'<') + (std::uint64_t{1} << u'>');

// Whether `c` is escaped or needs checking; host texts are mostly letters,
// which pass with one comparison.
inline bool NeedsCare(char16_t c) {
  if (c < 0x40) {
    return ((kCareBelow40 >> c) & 1U) != 0;
  }
  return c >= 0xD800 && (c <= 0xDFFF || c >= 0xFFFE);
}

// Characters that are not in XML 1.0's Char production (surrogates are
// judged with their partner by the caller).
bool IsForbiddenUnit(char16_t c) {
  if (c < 0x20) {
    return c != u'\t' && c != u'\n' && c != u'\r';
  }
  return c == 0xFFFE || c == 0xFFFF;
}

// `value` in upper-case hexadecimal, zero-padded to at least `minDigits`.
std::string UpperHex(std::uint32_t value, std::size_t minDigits) {
  std::array<char, 8> hex{};
  const auto end = std::to_chars(hex.data(), hex.data() + hex.size(), value, 16).ptr;
  const auto digits = static_cast<std::size_t>(end - hex.data());
  std::string text(digits < minDigits ? minDigits - digits : 0, '0');
  for (const char* at = hex.data(); at != end; ++at) {
    text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*at))));
  }
  return text;
}

[[noreturn]] void ThrowUncarriable(std::string_view what, char16_t c, std::size_t index) {
  throw Error(codes::kInvalidArgument,
              std::string(what) + " holds a character KML cannot carry (U+" + UpperHex(c, 4) +
                  " at position " + std::to_string(index + 1) + ")");
}

constexpr std::u16string_view kAmp = u"&amp;";
constexpr std::u16string_view kLt = u"&lt;";
constexpr std::u16string_view kGt = u"&gt;";
constexpr std::u16string_view kCr = u"&#13;";

// The reference that stands for `c`, or an empty view when `c` stays.
inline std::u16string_view ReferenceFor(char16_t c) {
  switch (c) {
    case u'&':
      return kAmp;
    case u'<':
      return kLt;
    case u'>':
      return kGt;
    case u'\r':
      return kCr;
    default:
      return {};
  }
}

// The characters the escaping replaces, as bits below U+0040.
constexpr std::uint64_t kEscapedBelow40 = (std::uint64_t{1} << u'&') | (std::uint64_t{1} << u'<') |
                                          (std::uint64_t{1} << u'>') | (std::uint64_t{1} << u'\r');

inline bool StaysAsItIs(char16_t c) { return c >= 0x40 || ((kEscapedBelow40 >> c) & 1U) == 0; }

// The length of the run of characters from `from` that stay as they are.
inline std::size_t PlainRun(std::u16string_view text, std::size_t from) {
  std::size_t end = from;
  while (end < text.size() && StaysAsItIs(text[end])) {
    ++end;
  }
  return end - from;
}

}  // namespace

std::size_t FloatToChars(double value, char* out, std::string_view what) {
  if (!std::isfinite(value)) {
    ThrowNotFinite(what);
  }
  if (value == 0) {  // and negative zero
    *out = '0';
    return 1;
  }
  return LayOutPlain(RoundedSignificand(value), out);
}

std::string FloatToStr(double value, std::string_view what) {
  std::array<char, kMaxFloatChars> buffer{};
  return {buffer.data(), FloatToChars(value, buffer.data(), what)};
}

std::string IntToStr(std::int32_t value) {
  std::array<char, 12> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
  return {buffer.data(), end};
}

std::string_view BoolToStr(bool value) { return value ? "1" : "0"; }

std::string ColorText(std::uint32_t color, std::string_view alpha, std::string_view defaultText) {
  if (color == 0) {
    return std::string(defaultText);
  }
  return std::string(alpha) + UpperHex(color, 6);
}

std::u16string Coordinates(double latitude, double longitude) {
  std::array<char, kMaxFloatChars> lon{};
  std::array<char, kMaxFloatChars> lat{};
  const std::string_view lonText(lon.data(), FloatToChars(longitude, lon.data(), "Longitude"));
  const std::string_view latText(lat.data(), FloatToChars(latitude, lat.data(), "Latitude"));
  constexpr std::u16string_view kComma = u",";
  constexpr std::u16string_view kAltitude = u",0";
  std::u16string tuple;
  TextCursor cursor(tuple, lonText.size() + kComma.size() + latText.size() + kAltitude.size());
  cursor.Ascii(lonText);
  cursor.Literal(kComma);
  cursor.Ascii(latText);
  cursor.Literal(kAltitude);
  assert(cursor.AtEnd());
  return tuple;
}

namespace {

// The exact check, for the rare text with a surrogate or a character XML
// cannot carry: it finds the offender to name it.
std::size_t CheckedEscapedLength(std::u16string_view text, std::string_view what) {
  std::size_t length = text.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (!NeedsCare(c)) {
      continue;
    }
    if (IsHighSurrogate(c)) {
      if (i + 1 == text.size() || !IsLowSurrogate(text[i + 1])) {
        ThrowUncarriable(what, c, i);
      }
      ++i;
    } else if (IsLowSurrogate(c) || IsForbiddenUnit(c)) {
      ThrowUncarriable(what, c, i);
    } else {
      length += ReferenceFor(c).size() - 1;
    }
  }
  return length;
}

// How much longer the escaping makes `c`, and whether `c` needs the exact
// check (a control XML cannot carry, or anything from the surrogates up);
// branch-free, so that the blocks below vectorise.
inline unsigned ExtraLength(char16_t c) {
  const auto flag = [](bool b) { return static_cast<unsigned>(b); };
  return flag(c == u'&') * static_cast<unsigned>(kAmp.size() - 1) +
         (flag(c == u'<') | flag(c == u'>')) * static_cast<unsigned>(kLt.size() - 1) +
         flag(c == u'\r') * static_cast<unsigned>(kCr.size() - 1);
}

inline unsigned NeedsCheck(char16_t c) {
  const auto flag = [](bool b) { return static_cast<unsigned>(b); };
  return (flag(c < 0x20) & flag(c != u'\t') & flag(c != u'\n') & flag(c != u'\r')) |
         flag(c >= 0xD800);
}

}  // namespace

std::size_t EscapedLength(std::u16string_view text, std::string_view what) {
  // Blocks of eight with no early exit let the compiler vectorise the scan.
  constexpr std::size_t kBlock = 8;
  std::size_t extra = 0;
  unsigned check = 0;
  std::size_t i = 0;
  for (; i + kBlock <= text.size(); i += kBlock) {
    unsigned blockExtra = 0;
    for (std::size_t k = 0; k < kBlock; ++k) {
      blockExtra += ExtraLength(text[i + k]);
      check |= NeedsCheck(text[i + k]);
    }
    extra += blockExtra;
  }
  for (; i < text.size(); ++i) {
    extra += ExtraLength(text[i]);
    check |= NeedsCheck(text[i]);
  }
  if (check != 0) {
    return CheckedEscapedLength(text, what);
  }
  return text.size() + extra;
}

char16_t* WriteEscaped(char16_t* out, std::u16string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t run = PlainRun(text, i);
    out = std::copy_n(text.data() + i, run, out);
    i += run;
    if (i < text.size()) {
      const std::u16string_view reference = ReferenceFor(text[i++]);
      out = std::copy(reference.begin(), reference.end(), out);
    }
  }
  return out;
}

void AppendEscaped(std::u16string& out, std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t run = PlainRun(text, i);
    out.append(text.substr(i, run));
    i += run;
    if (i < text.size()) {
      out.append(ReferenceFor(text[i++]));
    }
  }
}

}  // namespace zge::kml
