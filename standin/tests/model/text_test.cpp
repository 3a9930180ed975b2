#include "model/text.h"

#include "test.h"

using namespace standin;

STANDIN_TEST(Utf8RoundTripsEveryPlane) {
  const struct {
    std::u16string utf16;
    std::string utf8;
  } kCases[] = {
      {u"", ""},
      {u"Roads", "Roads"},
      {u"M\u00fcnchen", "M\xC3\xBCnchen"},
      {u"\u20ac", "\xE2\x82\xAC"},
      {u"\U0001F30D", "\xF0\x9F\x8C\x8D"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ_IN(ToUtf8(c.utf16), c.utf8, c.utf8);
    EXPECT_TRUE(ToUtf16(c.utf8) == c.utf16);
  }
}

STANDIN_TEST(LoneSurrogatesAndBadBytesBecomeReplacementCharacters) {
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t{0xD800})), std::string("\xEF\xBF\xBD"));
  EXPECT_TRUE(ToUtf16("\xFF") == u"\uFFFD");
  EXPECT_TRUE(ToUtf16("\xC0\x80") == u"\uFFFD\uFFFD");  // overlong
}

STANDIN_TEST(HexCodeHasEightUpperCaseDigits) {
  EXPECT_EQ(HexCode(static_cast<std::int32_t>(0x80048002)), std::string("0x80048002"));
  EXPECT_EQ(HexCode(0x00048003), std::string("0x00048003"));
  EXPECT_EQ(HexCode(static_cast<std::int32_t>(0x8000FFFF)), std::string("0x8000FFFF"));
}

STANDIN_TEST(AsciiCaseFoldingLeavesOtherLettersAlone) {
  EXPECT_EQ(AsciiLower(std::string_view("GetMainHWND")), std::string("getmainhwnd"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase(u"X.PNG", u"x.png"));
  EXPECT_TRUE(!EqualsIgnoringAsciiCase(u"\u00c4", u"\u00e4"));
}
