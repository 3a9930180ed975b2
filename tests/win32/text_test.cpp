#include "win32/text.h"

#include <gtest/gtest.h>

#include "win32/ansi_code_page.h"

namespace zge::win32 {
namespace {

TEST(TextTest, WideTextAndBstrsKeepEveryUnit) {
  const std::u16string text(u"a\u00e9\u4e2d\0z", 5);
  const unique_bstr bstr = MakeBstr(text);
  EXPECT_EQ(::SysStringLen(bstr.get()), 5u);
  EXPECT_EQ(FromBstr(bstr.get()), text);
  EXPECT_EQ(ToU16string(ToWstring(text)), text);
  EXPECT_EQ(FromBstr(nullptr), u"");
}

TEST(TextTest, CodePageRoundTripsWhatItHasAndReplacesWhatItLacks) {
  AnsiCodePage codePage;
  EXPECT_EQ(codePage.ToWide("Google Earth"), u"Google Earth");
  EXPECT_EQ(codePage.ToAnsi(u"Google Earth"), "Google Earth");
  EXPECT_EQ(codePage.ToWide(""), u"");
  // No single-byte code page has this character.
  EXPECT_EQ(codePage.ToAnsi(u"\u4e2d"), "?");
}

TEST(TextTest, ExactConversionRefusesLookAlikesAndUtf8HasNoByteOrderMark) {
  AnsiCodePage codePage;
  EXPECT_EQ(codePage.ToAnsiExact(u"Harbour ?"), "Harbour ?");
  EXPECT_EQ(codePage.ToAnsiExact(u"\u4e2d"), std::nullopt);
  // A best-fit mapping would make these a path separator and a colon.
  EXPECT_EQ(codePage.ToAnsiExact(u"a\u2215b"), std::nullopt);
  EXPECT_EQ(codePage.ToAnsiExact(u"a\uff1ab"), std::nullopt);
  EXPECT_EQ(codePage.ToUtf8(u"\u00c6r\u00f8 \U0001F6A2"), "\xc3\x86r\xc3\xb8 \xf0\x9f\x9a\xa2");
  EXPECT_EQ(codePage.ToUtf8(u""), "");
}

}  // namespace
}  // namespace zge::win32
