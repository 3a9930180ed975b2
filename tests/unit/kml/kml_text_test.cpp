// Number, integer, colour and coordinate texts, and the escaping of host
// texts, as they appear inside the overlay documents.
#include "kml/kml_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <string>

#include "base/error.h"
#include "case_name.h"

namespace zge::kml {
namespace {

struct NumberCase {
  const char* what;
  double value;
  const char* text;
};
ZGE_PRINTS_CASE_BY(NumberCase, what)

class FloatToStrTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FloatToStrTest, WritesFifteenSignificantDigitsAsPlainDecimal) {
  EXPECT_EQ(FloatToStr(GetParam().value), GetParam().text);
}

TEST_P(FloatToStrTest, FloatToCharsWritesTheSameText) {
  std::string buffer(kMaxFloatChars, '#');
  const std::size_t length = FloatToChars(GetParam().value, buffer.data());
  EXPECT_EQ(buffer.substr(0, length), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FloatToStrTest,
    ::testing::Values(NumberCase{"Fraction", 12.5, "12.5"},
                      NumberCase{"NegativeBelowOne", -0.25, "-0.25"}, NumberCase{"Zero", 0.0, "0"},
                      NumberCase{"NegativeZero", -0.0, "0"}, NumberCase{"Whole", 8.0, "8"},
                      NumberCase{"WholeWithZeros", 180.0, "180"},
                      NumberCase{"NegativeWhole", -90.0, "-90"},
                      NumberCase{"RoundedTo15Digits", 47.123456789012345, "47.1234567890123"},
                      NumberCase{"TwoThirds", 2.0 / 3, "0.666666666666667"},
                      NumberCase{"RoundsUpIntoNextDecade", 9.9999999999999964, "10"},
                      NumberCase{"RoundsUpOverThePoint", 99.99999999999999, "100"},
                      NumberCase{"ZeroAfterThePointKept", 1.05, "1.05"},
                      NumberCase{"BelowTenThousandth", 0.00001234, "0.00001234"},
                      NumberCase{"TenThousandth", 0.0001, "0.0001"},
                      NumberCase{"Tiny", 1e-7, "0.0000001"},
                      NumberCase{"TinyNegative", -1e-17, "-0.00000000000000001"},
                      NumberCase{"Huge", 1e20, "100000000000000000000"},
                      NumberCase{"HugeRounded", 123456789012345678.0, "123456789012346000"},
                      NumberCase{"Fifteen9s", 999999999999999.0, "999999999999999"},
                      NumberCase{"Sixteen9sRoundUp", 9999999999999999.0, "10000000000000000"}),
    ::zge::testing::CaseName());

TEST(FloatToCharsTest, ExtremeMagnitudesFitTheDocumentedBuffer) {
  for (const double value :
       {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
        std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min()}) {
    std::string buffer(kMaxFloatChars, '#');
    const std::size_t length = FloatToChars(value, buffer.data());
    ASSERT_LE(length, kMaxFloatChars) << value;
    EXPECT_EQ(buffer.substr(0, length).find_first_not_of("-.0123456789"), std::string::npos);
  }
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::max()).size(), 309U);
  EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::denorm_min()),
            "-0." + std::string(323, '0') + "494065645841247");
}

struct NotFiniteCase {
  const char* what;
  double value;
};
ZGE_PRINTS_CASE_BY(NotFiniteCase, what)

class NotFiniteTest : public ::testing::TestWithParam<NotFiniteCase> {};

TEST_P(NotFiniteTest, ThrowsNamingTheValue) {
  try {
    FloatToStr(GetParam().value, "Latitude");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Code(), codes::kInvalidArgument);
    EXPECT_STREQ(e.what(), "Latitude is not a finite number");
  }
  EXPECT_THROW(Coordinates(GetParam().value, 1.0), Error);
  EXPECT_THROW(Coordinates(1.0, GetParam().value), Error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotFiniteTest,
    ::testing::Values(NotFiniteCase{"NaN", std::numeric_limits<double>::quiet_NaN()},
                      NotFiniteCase{"Infinity", std::numeric_limits<double>::infinity()},
                      NotFiniteCase{"MinusInfinity", -std::numeric_limits<double>::infinity()}),
    ::zge::testing::CaseName());

// A comma as the decimal point, the way a German desktop has it.
class CommaPunct : public std::numpunct<char> {
 protected:
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

class CommaLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedC_ = std::setlocale(LC_ALL, nullptr);
    savedGlobal_ = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    germanAvailable_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  void TearDown() override {
    std::locale::global(savedGlobal_);
    std::setlocale(LC_ALL, savedC_.c_str());
  }

  std::string savedC_;
  std::locale savedGlobal_;
  bool germanAvailable_ = false;
};

TEST_F(CommaLocaleTest, NumbersKeepThePoint) {
  EXPECT_EQ(std::use_facet<std::numpunct<char>>(std::locale()).decimal_point(), ',');
  EXPECT_EQ(FloatToStr(12.5), "12.5");
  EXPECT_EQ(FloatToStr(1234567.25), "1234567.25");
  EXPECT_EQ(IntToStr(-1234567), "-1234567");
  EXPECT_EQ(Coordinates(51.5, -0.125), u"-0.125,51.5,0");
  if (!germanAvailable_) {
    GTEST_LOG_(INFO) << "de_DE.UTF-8 is not installed: only the C++ locale had a comma";
  }
}

TEST(IntToStrTest, WritesDecimalWithSignWhenNegative) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(370), "370");
  EXPECT_EQ(IntToStr(-45), "-45");
  EXPECT_EQ(IntToStr(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(BoolToStr(true), "1");
  EXPECT_EQ(BoolToStr(false), "0");
}

struct ColorCase {
  const char* what;
  std::uint32_t color;
  const char* text;
};
ZGE_PRINTS_CASE_BY(ColorCase, what)

class ColorTextTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ColorTextTest, WritesAlphaAndUpperCaseHexOfAtLeastSixDigits) {
  EXPECT_EQ(ColorText(GetParam().color, "7F", "7F00FFFF"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, ColorTextTest,
                         ::testing::Values(ColorCase{"Red", 255, "7F0000FF"},
                                           ColorCase{"ZeroIsTheDefault", 0, "7F00FFFF"},
                                           ColorCase{"One", 1, "7F000001"},
                                           ColorCase{"BlueGreenRed", 0x00ABCDEF, "7FABCDEF"},
                                           ColorCase{"TopByteSet", 0x8000000F, "7F8000000F"},
                                           ColorCase{"AllBits", 0xFFFFFFFF, "7FFFFFFFFF"}),
                         ::zge::testing::CaseName());

TEST(CoordinatesTest, WritesLongitudeLatitudeAndZeroAltitude) {
  EXPECT_EQ(Coordinates(51.5, -0.125), u"-0.125,51.5,0");
  EXPECT_EQ(Coordinates(0.0, 0.0), u"0,0,0");
  EXPECT_EQ(Coordinates(-0.0, 47.123456789012345), u"47.1234567890123,0,0");
}

struct EscapeCase {
  const char* what;
  std::u16string text;
  std::u16string escaped;
};
ZGE_PRINTS_CASE_BY(EscapeCase, what)

class EscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTest, AppendsCharacterDataThatParsesBackToTheText) {
  std::u16string out = u"<name>";
  AppendEscaped(out, GetParam().text);
  EXPECT_EQ(out, u"<name>" + GetParam().escaped);
  EXPECT_EQ(EscapedLength(GetParam().text, "Name"), GetParam().escaped.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EscapeTest,
    ::testing::Values(EscapeCase{"Empty", u"", u""}, EscapeCase{"Plain", u"Harbour", u"Harbour"},
                      EscapeCase{"Ampersand", u"Fish & Chips", u"Fish &amp; Chips"},
                      EscapeCase{"MarkupStaysText", u"</name><NetworkLink>x</NetworkLink>",
                                 u"&lt;/name&gt;&lt;NetworkLink&gt;x&lt;/NetworkLink&gt;"},
                      EscapeCase{"ReferenceIsNotReinterpreted", u"&amp;", u"&amp;amp;"},
                      EscapeCase{"CarriageReturn", u"a\r\nb", u"a&#13;\nb"},
                      EscapeCase{"TabAndLineFeedStay", u"a\tb\nc", u"a\tb\nc"},
                      EscapeCase{"QuotesStay", u"\"'", u"\"'"},
                      EscapeCase{"NonAscii", u"K\u00f8benhavn \u20ac", u"K\u00f8benhavn \u20ac"},
                      EscapeCase{"SurrogatePair", u"\U0001F6A4 boat", u"\U0001F6A4 boat"},
                      EscapeCase{"AllSpecialAtTheEnds", u"&x>", u"&amp;x&gt;"}),
    ::zge::testing::CaseName());

struct UncarriableCase {
  const char* what;
  std::u16string text;
  const char* message;
};
ZGE_PRINTS_CASE_BY(UncarriableCase, what)

class UncarriableTest : public ::testing::TestWithParam<UncarriableCase> {};

TEST_P(UncarriableTest, ThrowsNamingTheTextTheCharacterAndItsPosition) {
  try {
    EscapedLength(GetParam().text, "Name");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Code(), codes::kInvalidArgument);
    EXPECT_STREQ(e.what(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UncarriableTest,
    ::testing::Values(
        UncarriableCase{"ControlCharacter", u"ab\u0001",
                        "Name holds a character KML cannot carry (U+0001 at position 3)"},
        UncarriableCase{"Nul", std::u16string(1, u'\0'),
                        "Name holds a character KML cannot carry (U+0000 at position 1)"},
        UncarriableCase{"UnitSeparator", u"x\u001f",
                        "Name holds a character KML cannot carry (U+001F at position 2)"},
        UncarriableCase{"NonCharacterFFFE", u"\ufffe",
                        "Name holds a character KML cannot carry (U+FFFE at position 1)"},
        UncarriableCase{"NonCharacterFFFF", u"a\uffff",
                        "Name holds a character KML cannot carry (U+FFFF at position 2)"},
        UncarriableCase{"HighSurrogateAtTheEnd", std::u16string(u"a") + char16_t{0xD83D},
                        "Name holds a character KML cannot carry (U+D83D at position 2)"},
        UncarriableCase{"HighSurrogateBeforeText", std::u16string(1, char16_t{0xD83D}) + u"b",
                        "Name holds a character KML cannot carry (U+D83D at position 1)"},
        UncarriableCase{"LoneLowSurrogate", std::u16string(u"ab") + char16_t{0xDEA4},
                        "Name holds a character KML cannot carry (U+DEA4 at position 3)"},
        UncarriableCase{"TwoHighSurrogates",
                        std::u16string{char16_t{0xD83D}, char16_t{0xD83D}, char16_t{0xDEA4}},
                        "Name holds a character KML cannot carry (U+D83D at position 1)"}),
    ::zge::testing::CaseName());

TEST(UncarriableTest, NamesTheTextTheCallerGives) {
  EXPECT_THROW(
      {
        try {
          EscapedLength(u"\u0007", "Icon");
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "Icon holds a character KML cannot carry (U+0007 at position 1)");
          throw;
        }
      },
      Error);
}

}  // namespace
}  // namespace zge::kml
