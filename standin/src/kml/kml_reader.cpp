#include "kml/kml_reader.h"

#include <windows.h>

#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "kml/kml_builder.h"
#include "model/error.h"
#include "model/result_codes.h"
#include "model/text.h"
#include "platform/com_types.h"
#include "platform/win32_error.h"

namespace standin {
namespace {

// Deeper documents are refused rather than risking the stack of the
// recursive walks over the tree. XmlLite's own limit is the same.
constexpr std::size_t kMaxElementDepth = 256;

struct Position {
  UINT line = 1;
  UINT column = 1;
};

[[noreturn]] void ThrowInvalid(const std::string& context, Position at, const std::string& reason) {
  throw Error(codes::kInvalidArg, context + ": invalid KML at line " + std::to_string(at.line) +
                                      ", column " + std::to_string(at.column) + ": " + reason);
}

std::string ReasonOf(HRESULT hr) {
  std::string reason;
  switch (static_cast<std::uint32_t>(hr)) {
    case MX_E_INPUTEND:
      reason = "the text ends inside markup";
      break;
    case MX_E_ENCODING:
    case MX_E_ENCODINGSWITCH:
    case MX_E_ENCODINGSIGNATURE:
    case WC_E_ENCNAME:
      reason = "the text does not match its encoding";
      break;
    case WC_E_ELEMENTMATCH:
      reason = "an end tag does not match its start tag";
      break;
    case WC_E_UNDECLAREDENTITY:
      reason = "an undeclared entity";
      break;
    case WC_E_DTDPROHIBITED:
      reason = "a document type declaration (not allowed)";
      break;
    case NC_E_UNDECLAREDPREFIX:
      reason = "an undeclared namespace prefix";
      break;
    case WC_E_XMLCHARACTER:
      reason = "a character that XML does not allow";
      break;
    case SC_E_MAXELEMENTDEPTH:
      reason = "elements nested deeper than " + std::to_string(kMaxElementDepth);
      break;
    default:
      reason = "malformed XML";
  }
  return reason + " (XmlLite " + HexCode(hr) + ")";
}

bool IsKmlNamespace(std::u16string_view uri) {
  return uri.empty() || uri.starts_with(u"http://www.opengis.net/kml/") ||
         uri.starts_with(u"http://earth.google.com/kml/");
}

KmlNamespace NamespaceOf(std::u16string_view uri) {
  if (IsKmlNamespace(uri)) {
    return KmlNamespace::kKml;
  }
  return uri.starts_with(u"http://www.google.com/kml/ext/") ? KmlNamespace::kGx
                                                            : KmlNamespace::kOther;
}

std::u16string_view View(const WCHAR* text, UINT length) {
  return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text), length)
              : std::u16string_view();
}

// One of the reader's texts of the current node; valid until the next Read.
std::u16string_view TextOf(IXmlReader& reader,
                           HRESULT (STDMETHODCALLTYPE IXmlReader::*get)(LPCWSTR*, UINT*),
                           const char* what) {
  const WCHAR* text = nullptr;
  UINT length = 0;
  ThrowIfFailed((reader.*get)(&text, &length), what);
  return View(text, length);
}

std::u16string_view LocalName(IXmlReader& reader) {
  return TextOf(reader, &IXmlReader::GetLocalName, "IXmlReader::GetLocalName");
}

std::u16string QualifiedName(IXmlReader& reader) {
  return std::u16string(
      TextOf(reader, &IXmlReader::GetQualifiedName, "IXmlReader::GetQualifiedName"));
}

std::u16string_view NamespaceUri(IXmlReader& reader) {
  return TextOf(reader, &IXmlReader::GetNamespaceUri, "IXmlReader::GetNamespaceUri");
}

std::u16string_view Value(IXmlReader& reader) {
  return TextOf(reader, &IXmlReader::GetValue, "IXmlReader::GetValue");
}

struct Attributes {
  std::vector<std::pair<std::u16string, std::u16string>> texts;
  std::vector<XmlAttribute> views;
};

// The element's attributes without a namespace prefix (id, x, y, units);
// leaves the reader on the element again.
void ReadAttributes(IXmlReader& reader, Attributes& out) {
  out.texts.clear();
  out.views.clear();
  HRESULT hr = reader.MoveToFirstAttribute();
  ThrowIfFailed(hr, "IXmlReader::MoveToFirstAttribute");
  while (hr == S_OK) {
    if (TextOf(reader, &IXmlReader::GetPrefix, "IXmlReader::GetPrefix").empty()) {
      out.texts.emplace_back(LocalName(reader), Value(reader));
    }
    hr = reader.MoveToNextAttribute();
    ThrowIfFailed(hr, "IXmlReader::MoveToNextAttribute");
  }
  ThrowIfFailed(reader.MoveToElement(), "IXmlReader::MoveToElement");
  for (const auto& [name, value] : out.texts) {
    out.views.push_back({name, value});
  }
}

Position PositionOf(IXmlReader& reader) {
  Position at;
  if (FAILED(reader.GetLineNumber(&at.line)) || FAILED(reader.GetLinePosition(&at.column))) {
    return Position{};
  }
  return at;
}

// The input as characters, for the checks that XmlLite does not make:
// UTF-16 as code units, everything else (UTF-8, single-byte code pages) as
// bytes, in which markup is ASCII.
struct InputText {
  std::string_view bytes;
  std::u16string units;
  bool wide = false;
};

InputText InputOf(std::span<const std::byte> raw) {
  InputText input;
  const auto* data = reinterpret_cast<const unsigned char*>(raw.data());
  const std::size_t size = raw.size();
  const bool littleEndian =
      size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == '<' && data[1] == 0));
  const bool bigEndian =
      size >= 2 && ((data[0] == 0xFE && data[1] == 0xFF) || (data[0] == 0 && data[1] == '<'));
  if (littleEndian || bigEndian) {
    input.wide = true;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
      const unsigned first = littleEndian ? data[i] : data[i + 1];
      const unsigned second = littleEndian ? data[i + 1] : data[i];
      input.units.push_back(static_cast<char16_t>(first | (second << 8)));
    }
    if (!input.units.empty() && input.units.front() == 0xFEFF) {
      input.units.erase(0, 1);
    }
    return input;
  }
  input.bytes = std::string_view(reinterpret_cast<const char*>(data), size);
  if (input.bytes.starts_with("\xEF\xBB\xBF")) {
    input.bytes.remove_prefix(3);
  }
  return input;
}

template <class Char>
bool EndsWithAscii(std::basic_string_view<Char> text, std::string_view ascii) {
  if (text.size() < ascii.size()) {
    return false;
  }
  const std::size_t start = text.size() - ascii.size();
  for (std::size_t i = 0; i < ascii.size(); ++i) {
    if (text[start + i] != static_cast<Char>(ascii[i])) {
      return false;
    }
  }
  return true;
}

template <class Char>
bool IsXmlSpace(Char c) {
  return c == Char(' ') || c == Char('\t') || c == Char('\r') || c == Char('\n');
}

// Does the text end with the root's end tag (trailing white space, comments
// and processing instructions aside)? XmlLite on some platforms reads a
// document that stops short as if its open elements were closed.
template <class Char>
bool EndsWithEndTag(std::basic_string_view<Char> text, std::basic_string_view<Char> endTagStart) {
  while (true) {
    while (!text.empty() && IsXmlSpace(text.back())) {
      text.remove_suffix(1);
    }
    std::size_t start = std::basic_string_view<Char>::npos;
    if (EndsWithAscii(text, "-->")) {
      const Char open[] = {Char('<'), Char('!'), Char('-'), Char('-')};
      start = text.rfind(std::basic_string_view<Char>(open, 4));
    } else if (EndsWithAscii(text, "?>")) {
      start = text.rfind(Char('<'));
    } else {
      break;
    }
    if (start == std::basic_string_view<Char>::npos) {
      return false;
    }
    text = text.substr(0, start);
  }
  if (!EndsWithAscii(text, ">")) {
    return false;
  }
  std::basic_string_view<Char> tag = text.substr(std::min(text.rfind(Char('<')), text.size()));
  if (!tag.starts_with(endTagStart)) {
    return false;
  }
  tag.remove_prefix(endTagStart.size());
  tag.remove_suffix(1);
  for (const Char c : tag) {
    if (!IsXmlSpace(c)) {
      return false;
    }
  }
  return true;
}

// The line and column just after the last character.
template <class Char>
Position EndOf(std::basic_string_view<Char> text) {
  Position at;
  for (const Char c : text) {
    if (c == Char('\n')) {
      ++at.line;
      at.column = 1;
    } else if (sizeof(Char) > 1 || (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++at.column;  // a UTF-8 continuation byte is part of the character before
    }
  }
  return at;
}

bool EndsWithRootEndTag(const InputText& input, const std::u16string& rootName) {
  if (input.wide) {
    const std::u16string endTag = u"</" + rootName;
    return EndsWithEndTag(std::u16string_view(input.units), std::u16string_view(endTag));
  }
  const std::string endTag = "</" + ToUtf8(rootName);
  return EndsWithEndTag(input.bytes, std::string_view(endTag));
}

// A text that opens with "<?" and has nothing after it but blanks: its XML
// declaration (or first processing instruction) is cut short, or no
// element follows it. Wine's XmlLite fails an assertion on such texts and
// ends the process, so they are refused before it sees them.
template <class Char>
bool DeclarationCutShort(std::basic_string_view<Char> text) {
  const Char open[] = {Char('<'), Char('?')};
  const Char close[] = {Char('?'), Char('>')};
  if (!text.starts_with(std::basic_string_view<Char>(open, 2))) {
    return false;
  }
  const std::size_t end = text.find(std::basic_string_view<Char>(close, 2));
  if (end == std::basic_string_view<Char>::npos) {
    return true;
  }
  for (const Char c : text.substr(end + 2)) {
    if (!IsXmlSpace(c)) {
      return false;
    }
  }
  return true;
}

bool DeclarationCutShort(const InputText& input) {
  return input.wide ? DeclarationCutShort(std::u16string_view(input.units))
                    : DeclarationCutShort(input.bytes);
}

Position EndOf(const InputText& input) {
  return input.wide ? EndOf(std::u16string_view(input.units)) : EndOf(input.bytes);
}

com_ptr<IXmlReader> OpenReader(std::span<const std::byte> bytes, bool forceUtf8) {
  if (bytes.size() > UINT_MAX) {
    throw Error(codes::kInvalidArg, "the KML is larger than 4 GB");
  }
  const com_ptr<IStream> stream = com_ptr<IStream>(SHCreateMemStream(
      reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  if (!stream) {
    throw Error(codes::kOutOfMemory, "SHCreateMemStream failed");
  }
  com_ptr<IXmlReader> reader;
  ThrowIfFailed(CreateXmlReader(__uuidof(IXmlReader), reader.put_void(), nullptr),
                "CreateXmlReader");
  ThrowIfFailed(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit),
                "IXmlReader::SetProperty(DtdProcessing)");
  if (forceUtf8) {
    com_ptr<IUnknown> input;
    ThrowIfFailed(CreateXmlReaderInputWithEncodingName(stream.get(), nullptr, L"utf-8", FALSE,
                                                       nullptr, input.put()),
                  "CreateXmlReaderInputWithEncodingName");
    ThrowIfFailed(reader->SetInput(input.get()), "IXmlReader::SetInput");
  } else {
    ThrowIfFailed(reader->SetInput(stream.get()), "IXmlReader::SetInput");
  }
  return reader;
}

struct OpenElement {
  Position at;
  std::u16string name;
};

// Feeds the document to the builder; the root element's position is where
// a document without features is refused.
Position Parse(std::span<const std::byte> bytes, bool forceUtf8, const std::string& context,
               KmlBuilder& builder) {
  const InputText input = InputOf(bytes);
  if (DeclarationCutShort(input)) {
    ThrowInvalid(context, EndOf(input), "the text ends in or right after its XML declaration");
  }
  const com_ptr<IXmlReader> readerObject = OpenReader(bytes, forceUtf8);
  IXmlReader& reader = *readerObject.get();
  std::vector<OpenElement> open;
  Attributes attributes;
  std::u16string rootName;
  Position rootAt;
  bool rootIsEmpty = false;
  XmlNodeType type = XmlNodeType_None;
  HRESULT hr = S_OK;
  // Every node but the end tags that close elements at the end of the
  // text takes at least one character. More nodes than that means the
  // reader is repeating itself: Wine's XmlLite returns the same text node
  // for ever when the text stops inside character data.
  const std::size_t maxNodes = bytes.size() + kMaxElementDepth + 1;
  std::size_t nodes = 0;
  while ((hr = reader.Read(&type)) == S_OK) {
    if (++nodes > maxNodes) {
      ThrowInvalid(context, EndOf(input), "the text ends inside an element");
    }
    switch (type) {
      case XmlNodeType_Element: {
        const Position at = PositionOf(reader);
        const std::u16string_view local = LocalName(reader);
        const KmlNamespace space = NamespaceOf(NamespaceUri(reader));
        const bool inKml = space == KmlNamespace::kKml;
        const bool empty = reader.IsEmptyElement() != FALSE;
        if (rootName.empty()) {
          rootName = QualifiedName(reader);
          rootAt = at;
          rootIsEmpty = empty;
          if (local != u"kml" || !inKml) {
            ThrowInvalid(context, at, "the root element is <" + ToUtf8(rootName) + ">, not <kml>");
          }
        }
        if (open.size() >= kMaxElementDepth) {
          ThrowInvalid(context, at,
                       "elements nested deeper than " + std::to_string(kMaxElementDepth));
        }
        ReadAttributes(reader, attributes);
        builder.StartElement(LocalName(reader), space, attributes.views);
        if (empty) {
          builder.EndElement();
        } else {
          open.push_back({at, QualifiedName(reader)});
        }
        break;
      }
      case XmlNodeType_EndElement:
        if (open.empty()) {
          ThrowInvalid(context, PositionOf(reader), "an end tag without start");
        }
        open.pop_back();
        builder.EndElement();
        break;
      case XmlNodeType_Text:
      case XmlNodeType_CDATA:
      case XmlNodeType_Whitespace:
        builder.Text(Value(reader));
        break;
      default:
        break;
    }
  }
  if (FAILED(hr)) {
    ThrowInvalid(context, PositionOf(reader), ReasonOf(hr));
  }
  if (rootName.empty()) {
    ThrowInvalid(context, EndOf(input), "there is no root element");
  }
  if (!open.empty()) {
    const OpenElement& last = open.back();
    ThrowInvalid(context, EndOf(input),
                 "the element <" + ToUtf8(last.name) + "> (line " + std::to_string(last.at.line) +
                     ", column " + std::to_string(last.at.column) + ") is not closed");
  }
  if (!rootIsEmpty && !EndsWithRootEndTag(input, rootName)) {
    ThrowInvalid(context, EndOf(input),
                 "the text ends before the end tag of <" + ToUtf8(rootName) + ">");
  }
  return rootAt;
}

std::shared_ptr<FeatureNode> Build(std::span<const std::byte> bytes, bool forceUtf8,
                                   const std::string& context, KmlResources& resources) {
  KmlBuilder builder;
  const Position rootAt = Parse(bytes, forceUtf8, context, builder);
  std::shared_ptr<FeatureNode> top = builder.Finish(resources);
  if (!top) {
    ThrowInvalid(context, rootAt,
                 "<kml> holds no feature (Document, Folder, Placemark, NetworkLink or overlay)");
  }
  return top;
}

std::string Utf8Of(std::u16string_view text) {
  if (text.size() > INT_MAX / 4) {
    throw Error(codes::kInvalidArg, "the KML text is too long");
  }
  const auto* wide = reinterpret_cast<const WCHAR*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  ThrowLastErrorIf(size <= 0, "WideCharToMultiByte");
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ThrowLastErrorIf(
      WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8.data(), size, nullptr, nullptr) != size,
      "WideCharToMultiByte");
  return utf8;
}

}  // namespace

std::shared_ptr<FeatureNode> ReadKmlText(std::u16string_view text, const std::string& context,
                                         KmlResources& resources) {
  if (text.empty()) {
    ThrowInvalid(context, Position{}, "the text is empty");
  }
  const std::string utf8 = Utf8Of(text);
  return Build(std::as_bytes(std::span(utf8)), true, context, resources);
}

std::shared_ptr<FeatureNode> ReadKmlBytes(std::span<const std::byte> bytes,
                                          const std::string& context, KmlResources& resources) {
  if (bytes.empty()) {
    ThrowInvalid(context, Position{}, "the file is empty");
  }
  return Build(bytes, false, context, resources);
}

std::shared_ptr<FeatureNode> ReadKmlText(std::u16string_view text, const std::string& context) {
  KmlResources none;
  return ReadKmlText(text, context, none);
}

std::shared_ptr<FeatureNode> ReadKmlBytes(std::span<const std::byte> bytes,
                                          const std::string& context) {
  KmlResources none;
  return ReadKmlBytes(bytes, context, none);
}

std::unordered_map<std::u16string, KmlStyle> ReadKmlStyles(std::span<const std::byte> bytes,
                                                           const std::string& context) {
  if (bytes.empty()) {
    ThrowInvalid(context, Position{}, "the file is empty");
  }
  KmlBuilder builder;
  Parse(bytes, false, context, builder);
  KmlResources none;  // styles of styles' files are not followed further
  return builder.SharedStyles(none);
}

}  // namespace standin
