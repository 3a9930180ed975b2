// How values become text inside the overlay documents: numbers, integers,
// colours, Booleans and host texts. Nothing here depends on the process's
// locale: numbers always carry "." as their decimal point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zge::kml {

// The longest text FloatToChars writes for any finite double.
inline constexpr std::size_t kMaxFloatChars = 400;

// A finite value rounded to 15 significant digits in plain decimal form:
// no exponent, trailing zeros of the fraction dropped, "0" for zero and
// negative zero. Writes into `out` (at least kMaxFloatChars long) and returns
// the length. Throws zge::Error (invalid argument) for NaN and infinities;
// `what` names the value in that error ("Latitude").
std::size_t FloatToChars(double value, char* out, std::string_view what = "value");
std::string FloatToStr(double value, std::string_view what = "value");

// Decimal, "-" when negative, no plus sign or leading zeros.
std::string IntToStr(std::int32_t value);
std::string_view BoolToStr(bool value);  // "1" or "0"

// `alpha` followed by `color` (0x00BBGGRR, taken as unsigned) in upper-case
// hexadecimal of at least six digits; `defaultText` when `color` is 0.
std::string ColorText(std::uint32_t color, std::string_view alpha, std::string_view defaultText);

// Longitude "," latitude ",0", each by FloatToStr.
std::u16string Coordinates(double latitude, double longitude);

// Host text as XML character data: "&", "<", ">" and carriage return become
// references, so the parsed text equals the host's text exactly. Throws
// zge::Error (invalid argument), naming `what` and the position, when the
// text holds a character XML 1.0 cannot carry at all (a control character
// other than tab, line feed and carriage return, U+FFFE, U+FFFF, or a
// surrogate without its partner).
std::size_t EscapedLength(std::u16string_view text, std::string_view what);
void AppendEscaped(std::u16string& out, std::u16string_view text);

}  // namespace zge::kml
