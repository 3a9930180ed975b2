// A description's HTML as the balloon shows it: readable text, never a
// page. Paragraphs, headings, divisions and table rows start new lines,
// <br> breaks one, list items become "• " lines, links show their text,
// entities (named ones of HTML's common set, &#N; and &#xN;) are decoded,
// and script and style elements, comments and every other tag are dropped
// (nothing is ever run). Runs of white space become one space. Text
// without any markup comes back with its own line ends. Portable.
#pragma once

#include <string>
#include <string_view>

namespace standin {

[[nodiscard]] std::u16string TextOfHtml(std::u16string_view html);

}  // namespace standin
