#include "kml/html_text.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "model/text.h"

namespace standin {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

void AppendCodePoint(std::u16string& out, std::uint32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    code = 0xFFFD;
  }
  if (code < 0x10000) {
    out.push_back(static_cast<char16_t>(code));
  } else {
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  }
}

// The entity at `text` (after its '&'), and how many characters it took.
std::optional<std::pair<std::u16string, std::size_t>> Entity(std::u16string_view text) {
  const std::size_t end = text.find(u';');
  if (end == std::u16string_view::npos || end == 0 || end > 10) {
    return std::nullopt;
  }
  const std::u16string_view name = text.substr(0, end);
  std::u16string out;
  if (name.front() == u'#') {
    const bool hex = name.size() > 1 && AsciiLower(name[1]) == u'x';
    std::uint32_t code = 0;
    const std::u16string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) {
      return std::nullopt;
    }
    for (const char16_t c : digits) {
      const char16_t l = AsciiLower(c);
      const int value = l >= u'0' && l <= u'9'          ? l - u'0'
                        : hex && l >= u'a' && l <= u'f' ? l - u'a' + 10
                                                        : -1;
      if (value < 0) {
        return std::nullopt;
      }
      code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
      if (code > 0x10FFFF) {
        code = 0x110000;
      }
    }
    AppendCodePoint(out, code);
    return std::pair{out, end + 1};
  }
  static constexpr std::array<std::pair<std::u16string_view, char16_t>, 16> kNamed = {{
      {u"amp", u'&'},
      {u"lt", u'<'},
      {u"gt", u'>'},
      {u"quot", u'"'},
      {u"apos", u'\''},
      {u"nbsp", u'\u00A0'},
      {u"copy", u'\u00A9'},
      {u"reg", u'\u00AE'},
      {u"deg", u'\u00B0'},
      {u"middot", u'\u00B7'},
      {u"ndash", u'\u2013'},
      {u"mdash", u'\u2014'},
      {u"hellip", u'\u2026'},
      {u"euro", u'\u20AC'},
      {u"bull", u'\u2022'},
      {u"times", u'\u00D7'},
  }};
  for (const auto& [entity, character] : kNamed) {
    if (entity == name) {
      return std::pair{std::u16string(1, character), end + 1};
    }
  }
  return std::nullopt;
}

class TextWriter {
 public:
  void Character(char16_t c) {
    if (IsBlank(c)) {
      pendingSpace_ = !out_.empty() && out_.back() != u'\n';
      return;
    }
    if (pendingSpace_) {
      out_.push_back(u' ');
    }
    pendingSpace_ = false;
    out_.push_back(c);
  }
  void Text(std::u16string_view text) {
    for (const char16_t c : text) {
      Character(c);
    }
  }
  // Ends the line; `blank` leaves an empty line after it (a paragraph).
  void Break(bool blank) {
    pendingSpace_ = false;
    while (!out_.empty() && out_.back() == u' ') {
      out_.pop_back();
    }
    if (out_.empty()) {
      return;
    }
    if (out_.back() != u'\n') {
      out_.push_back(u'\n');
    }
    if (blank && (out_.size() < 2 || out_[out_.size() - 2] != u'\n')) {
      out_.push_back(u'\n');
    }
  }
  std::u16string Finish() {
    while (!out_.empty() && (out_.back() == u'\n' || out_.back() == u' ')) {
      out_.pop_back();
    }
    return std::move(out_);
  }

 private:
  std::u16string out_;
  bool pendingSpace_ = false;
};

bool HasMarkup(std::u16string_view text) { return text.find(u'<') != std::u16string_view::npos; }

// The tag's name, lower case, without '/'.
std::u16string TagName(std::u16string_view tag) {
  std::size_t i = tag.starts_with(u'/') ? 1 : 0;
  const std::size_t start = i;
  while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != u'/' && tag[i] != u'>') {
    ++i;
  }
  return AsciiLower(tag.substr(start, i - start));
}

void ApplyTag(TextWriter& writer, const std::u16string& name, bool closing) {
  if (name == u"br") {
    writer.Break(false);
  } else if (name == u"p" || name == u"h1" || name == u"h2" || name == u"h3" || name == u"h4" ||
             name == u"table") {
    writer.Break(true);
  } else if (name == u"div" || name == u"tr" || name == u"ul" || name == u"ol" || name == u"hr" ||
             name == u"li" || name == u"dt" || name == u"dd") {
    writer.Break(false);
    if (name == u"li" && !closing) {
      writer.Text(u"\u2022 ");
    }
  } else if (name == u"td" || name == u"th") {
    writer.Character(u' ');
  }
}

}  // namespace

std::u16string TextOfHtml(std::u16string_view html) {
  TextWriter writer;
  const bool markup = HasMarkup(html);
  std::size_t i = 0;
  while (i < html.size()) {
    const char16_t c = html[i];
    if (c == u'&') {
      if (const auto entity = Entity(html.substr(i + 1))) {
        writer.Text(entity->first);
        i += 1 + entity->second;
        continue;
      }
    }
    if (c == u'\n' && !markup) {
      writer.Break(false);
      ++i;
      continue;
    }
    if (c != u'<' || !markup) {
      writer.Character(c);
      ++i;
      continue;
    }
    if (html.substr(i).starts_with(u"<!--")) {
      const std::size_t end = html.find(u"-->", i + 4);
      i = end == std::u16string_view::npos ? html.size() : end + 3;
      continue;
    }
    const std::size_t close = html.find(u'>', i);
    if (close == std::u16string_view::npos) {
      break;  // a cut tag shows nothing
    }
    const std::u16string_view tag = html.substr(i + 1, close - i - 1);
    const std::u16string name = TagName(tag);
    i = close + 1;
    if ((name == u"script" || name == u"style") && !tag.starts_with(u'/')) {
      // Their content is code, never text: skipped to the end tag.
      const std::u16string rest = AsciiLower(html.substr(i));
      const std::size_t end = rest.find(u"</" + name);
      if (end == std::u16string::npos) {
        break;
      }
      const std::size_t after = rest.find(u'>', end);
      i += after == std::u16string::npos ? rest.size() : after + 1;
      continue;
    }
    ApplyTag(writer, name, tag.starts_with(u'/'));
  }
  return writer.Finish();
}

}  // namespace standin
