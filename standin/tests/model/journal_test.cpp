#include "model/journal.h"

#include <cmath>
#include <limits>

#include "test.h"

using namespace standin;

STANDIN_TEST(NumbersUseTheShortestRoundTripForm) {
  const struct {
    double value;
    const char* text;
  } kCases[] = {
      {0.0, "0"},   {-0.0, "-0"},       {52.5, "52.5"},     {13.4, "13.4"},  {1000.0, "1000"},
      {0.1, "0.1"}, {1.4e7, "1.4e+07"}, {-33.87, "-33.87"}, {1e-7, "1e-07"}, {2.5, "2.5"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ_IN(JournalNumber(c.value), std::string(c.text), c.text);
  }
  EXPECT_EQ(JournalNumber(std::int32_t{-7}), std::string("-7"));
  EXPECT_EQ(JournalBool(true), std::string("1"));
  EXPECT_EQ(JournalBool(false), std::string("0"));
}

STANDIN_TEST(StringsAreQuotedAndEscapedInFull) {
  const struct {
    std::u16string text;
    const char* journal;
  } kCases[] = {
      {u"Roads", "\"Roads\""},
      {u"C:\\x.png", "\"C:\\\\x.png\""},
      {u"say \"hi\"", "\"say \\\"hi\\\"\""},
      {u"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
      {std::u16string(u"\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
      {u"M\u00fcnchen", "\"M\xC3\xBCnchen\""},
      {u"<kml><Document><name>x</name></Document></kml>",
       "\"<kml><Document><name>x</name></Document></kml>\""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ_IN(JournalString(c.text), std::string(c.journal), c.journal);
  }
  EXPECT_EQ(JournalString(std::u16string(5000, u'a')).size(), std::size_t{5002});
}
