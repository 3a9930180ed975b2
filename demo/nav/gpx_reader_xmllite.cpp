#include <windows.h>
// After windows.h: the COM and stream declarations it does not pull in.
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include "gpx_reader.h"

namespace nav {
namespace {

template <class Interface>
struct ComReleaser {
  void operator()(Interface* object) const noexcept { object->Release(); }
};
template <class Interface>
using UniqueCom = std::unique_ptr<Interface, ComReleaser<Interface>>;

std::string Utf8(std::wstring_view text) {
  if (text.empty()) {
    return {};
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    throw std::runtime_error("WideCharToMultiByte failed");
  }
  std::string result(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          size, nullptr, nullptr) != size) {
    throw std::runtime_error("WideCharToMultiByte failed");
  }
  return result;
}

unsigned LineCount(std::span<const char> document) {
  unsigned lines = 1;
  for (const char c : document) {
    lines += c == '\n' ? 1U : 0U;
  }
  return lines;
}

// Wine's XmlLite reads a document cut short as if its open elements had
// been closed, or never returns from it; a file cut off in transfer must
// still be refused, so the document has to end with the root's own end tag.
void CheckEndsWithRootEnd(std::span<const char> document) {
  std::string_view text(document.data(), document.size());
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n')) {
    text.remove_suffix(1);
  }
  // Only an end tag or a self-closed tag can close a root; which root it
  // closes is the reader's question.
  const std::size_t open = text.rfind('<');
  const std::string_view last =
      open == std::string_view::npos ? std::string_view{} : text.substr(open);
  const bool closesAnElement =
      last.ends_with(">") && (last.starts_with("</") || last.ends_with("/>"));
  if (!closesAnElement && !text.ends_with("-->")) {
    throw GpxError(LineCount(std::span<const char>(text.data(), text.size())),
                   "the document ends before its last element is closed: the file is cut short");
  }
}

class GpxBuilder {
 public:
  GpxBuilder(IXmlReader& reader, std::size_t size) : reader_(reader), size_(size) {}

  GpxDocument Read() {
    XmlNodeType node = XmlNodeType_None;
    // Every node takes at least one byte of the document: more nodes than
    // bytes are ends that Wine's XmlLite makes up for a document cut short.
    for (std::size_t nodes = 0;; ++nodes) {
      if (nodes > size_) {
        throw GpxError(Line(), "the document is cut short");
      }
      const HRESULT result = reader_.Read(&node);
      if (FAILED(result)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
        throw GpxError(Line(), std::string("not well-formed XML (XmlLite error ") + code + ")");
      }
      // Wine's XmlLite reports the end of a document cut short as a node of
      // no type, again and again, where Windows fails: both end here, and
      // CheckEndsWithRootEnd tells the cut.
      if (result == S_FALSE || node == XmlNodeType_None) {
        break;
      }
      if (node == XmlNodeType_Element) {
        const bool empty = reader_.IsEmptyElement() != FALSE;
        StartElement();
        if (empty) {
          EndElement();
        }
      } else if (node == XmlNodeType_EndElement) {
        EndElement();
      } else if (node == XmlNodeType_Text || node == XmlNodeType_CDATA) {
        if (text_ != nullptr) {
          *text_ += Utf8(Value());
        }
      }
    }
    if (!sawRoot_) {
      throw GpxError(Line(), "no <gpx> element: not a GPX document");
    }
    return std::move(document_);
  }

 private:
  unsigned Line() {
    UINT line = 0;
    return SUCCEEDED(reader_.GetLineNumber(&line)) ? line : 0;
  }

  std::wstring_view LocalName() {
    const WCHAR* name = nullptr;
    UINT length = 0;
    if (FAILED(reader_.GetLocalName(&name, &length))) {
      throw GpxError(Line(), "unreadable name");
    }
    return {name, length};
  }

  std::wstring_view Value() {
    const WCHAR* value = nullptr;
    UINT length = 0;
    if (FAILED(reader_.GetValue(&value, &length))) {
      throw GpxError(Line(), "unreadable text");
    }
    return {value, length};
  }

  double Coordinate(const wchar_t* attribute, double limit) {
    const unsigned line = Line();
    if (reader_.MoveToAttributeByName(attribute, nullptr) != S_OK) {
      throw GpxError(line, "a point without its " + Utf8(attribute) + " attribute");
    }
    const std::string text = Utf8(Value());
    static_cast<void>(reader_.MoveToElement());
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !(std::abs(value) <= limit)) {
      throw GpxError(line, Utf8(attribute) + "=\"" + text + "\" is not a coordinate");
    }
    return value;
  }

  void StartElement() {
    const std::wstring name(LocalName());
    const std::wstring parent = path_.empty() ? std::wstring() : path_.back();
    if (path_.empty()) {
      if (name != L"gpx") {
        throw GpxError(Line(), "the root is <" + Utf8(name) + ">, not <gpx>");
      }
      sawRoot_ = true;
    } else if ((path_.size() == 1 && name == L"wpt") ||
               (parent == L"rte" && path_.size() == 2 && name == L"rtept")) {
      point_ = GpxPoint{{}, {}, Coordinate(L"lat", 90), Coordinate(L"lon", 180)};
    } else if (path_.size() == 1 && name == L"rte") {
      document_.routes.emplace_back();
    } else if ((parent == L"wpt" || parent == L"rtept") && point_ && path_.size() <= 3) {
      if (name == L"name") {
        text_ = &point_->name;
      }
      if (name == L"desc") {
        text_ = &point_->description;
      }
    } else if (parent == L"rte" && path_.size() == 2 && name == L"name") {
      text_ = &document_.routes.back().name;
    }
    path_.push_back(name);
  }

  void EndElement() {
    if (path_.empty()) {
      return;
    }
    const std::wstring name = path_.back();
    path_.pop_back();
    text_ = nullptr;
    if (name == L"wpt" && path_.size() == 1 && point_) {
      document_.waypoints.push_back(std::move(*point_));
      point_.reset();
    } else if (name == L"rtept" && path_.size() == 2 && point_) {
      document_.routes.back().points.push_back(std::move(*point_));
      point_.reset();
    }
  }

  IXmlReader& reader_;
  std::size_t size_;
  GpxDocument document_;
  std::vector<std::wstring> path_;
  std::optional<GpxPoint> point_;
  std::string* text_ = nullptr;
  bool sawRoot_ = false;
};

}  // namespace

GpxDocument ReadGpx(std::span<const char> document) {
  // Before XmlLite sees it: Wine's reader never returns from some documents
  // cut short.
  CheckEndsWithRootEnd(document);
  if (document.size() > 0x7FFFFFFF) {
    throw std::runtime_error("the GPX file is too large");
  }
  UniqueCom<IStream> stream(SHCreateMemStream(reinterpret_cast<const BYTE*>(document.data()),
                                              static_cast<UINT>(document.size())));
  if (!stream) {
    throw std::runtime_error("SHCreateMemStream failed");
  }
  IXmlReader* rawReader = nullptr;
  const HRESULT created =
      CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(&rawReader), nullptr);
  if (FAILED(created)) {
    throw std::runtime_error("CreateXmlReader failed");
  }
  const UniqueCom<IXmlReader> reader(rawReader);
  if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
      FAILED(reader->SetInput(stream.get()))) {
    throw std::runtime_error("XmlLite could not take the GPX text");
  }
  return GpxBuilder(*reader, document.size()).Read();
}

}  // namespace nav
