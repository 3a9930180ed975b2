#include "kml_builder.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace standin {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// KML numbers are ASCII; anything else is not a number.
std::optional<std::string> Ascii(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c >= 0x80) return std::nullopt;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

std::optional<double> ParseNumber(std::u16string_view text) {
  const auto ascii = Ascii(Trim(text));
  if (!ascii || ascii->empty()) return std::nullopt;
  const char* begin = ascii->data();
  const char* end = begin + ascii->size();
  if (*begin == '+') ++begin;  // from_chars takes no plus sign; KML writers may
  double value = 0;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> ParseColour(std::u16string_view text) {
  const auto ascii = Ascii(Trim(text));
  if (!ascii || ascii->empty() || ascii->size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  const char* end = ascii->data() + ascii->size();
  const auto [stop, error] = std::from_chars(ascii->data(), end, value, 16);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<bool> ParseBoolean(std::u16string_view text) {
  const std::u16string_view trimmed = Trim(text);
  if (trimmed == u"1" || trimmed == u"true") return true;
  if (trimmed == u"0" || trimmed == u"false") return false;
  return std::nullopt;
}

bool IsContainer(std::u16string_view name) { return name == u"Document" || name == u"Folder"; }

bool IsLeafFeature(std::u16string_view name) {
  return name == u"Placemark" || name == u"NetworkLink" || name == u"GroundOverlay" ||
         name == u"ScreenOverlay" || name == u"PhotoOverlay";
}

}  // namespace

std::vector<KmlCoordinate> ParseKmlCoordinates(std::u16string_view text) {
  std::vector<KmlCoordinate> out;
  std::vector<double> tuple;
  bool tupleValid = true;
  const auto finishTuple = [&] {
    if (tupleValid && (tuple.size() == 2 || tuple.size() == 3) && std::abs(tuple[1]) <= 90.0) {
      out.push_back({tuple[0], tuple[1], tuple.size() == 3 ? tuple[2] : 0.0});
    }
    tuple.clear();
    tupleValid = true;
  };
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (true) {
    while (i < n && IsSpace(text[i])) ++i;
    if (i == n) break;
    const std::size_t start = i;
    while (i < n && !IsSpace(text[i]) && text[i] != u',') ++i;
    if (const auto number = ParseNumber(text.substr(start, i - start))) {
      tuple.push_back(*number);
    } else {
      tupleValid = false;
    }
    std::size_t next = i;
    while (next < n && IsSpace(text[next])) ++next;
    if (next < n && text[next] == u',') {
      i = next + 1;  // the tuple goes on
    } else {
      finishTuple();
    }
  }
  if (!tuple.empty() || !tupleValid) finishTuple();
  return out;
}

KmlBuilder::Role KmlBuilder::RoleOf(std::u16string_view name, const Frame& parent) const {
  const bool inPlacemark = parent.placemark != nullptr;
  switch (parent.role) {
    case Role::kRoot:
      if (top_) return Role::kSkipped;  // only the first top-level feature is loaded
      if (IsContainer(name)) return Role::kContainer;
      return IsLeafFeature(name) ? Role::kFeature : Role::kSkipped;
    case Role::kContainer:
      if (IsContainer(name)) return Role::kContainer;
      if (IsLeafFeature(name)) return Role::kFeature;
      [[fallthrough]];
    case Role::kFeature:
      if (name == u"name") return Role::kName;
      if (name == u"visibility") return Role::kVisibility;
      if (name == u"Style") return Role::kStyle;
      if (!inPlacemark) return Role::kSkipped;
      if (name == u"styleUrl") return Role::kStyleUrl;
      if (name == u"MultiGeometry") return Role::kMultiGeometry;
      if (name == u"Point") return Role::kPoint;
      return name == u"LineString" ? Role::kLineString : Role::kSkipped;
    case Role::kStyle:
      if (name == u"IconStyle") return Role::kIconStyle;
      return name == u"LineStyle" ? Role::kLineStyle : Role::kSkipped;
    case Role::kIconStyle:
      return name == u"heading" ? Role::kHeading : Role::kSkipped;
    case Role::kLineStyle:
      if (name == u"color") return Role::kColour;
      return name == u"width" ? Role::kWidth : Role::kSkipped;
    case Role::kMultiGeometry:
      if (name == u"MultiGeometry") return Role::kMultiGeometry;
      if (name == u"Point") return Role::kPoint;
      return name == u"LineString" ? Role::kLineString : Role::kSkipped;
    case Role::kPoint:
    case Role::kLineString:
      return name == u"coordinates" ? Role::kCoordinates : Role::kSkipped;
    default:
      return Role::kSkipped;
  }
}

void KmlBuilder::StartElement(std::u16string_view localName, bool inKmlNamespace,
                              std::u16string_view id) {
  if (open_.empty()) {
    open_.push_back(Frame{Role::kRoot, nullptr, nullptr, nullptr});
    return;
  }
  const Frame& parent = open_.back();
  const Role role = inKmlNamespace ? RoleOf(localName, parent) : Role::kSkipped;
  switch (role) {
    case Role::kContainer:
    case Role::kFeature:
      open_.push_back(StartFeature(role, parent, localName));
      return;
    case Role::kStyle: {
      Frame frame = parent;
      frame.role = role;
      frame.style = NewStyle(parent, id);
      open_.push_back(std::move(frame));
      return;
    }
    default: {
      Frame frame = parent;
      frame.role = role;
      text_.clear();
      open_.push_back(std::move(frame));
    }
  }
}

KmlBuilder::Frame KmlBuilder::StartFeature(Role role, const Frame& parent,
                                           std::u16string_view localName) {
  auto node = std::make_shared<FeatureNode>();
  if (parent.role == Role::kRoot) {
    top_ = node;
  } else {
    node->parent = parent.feature;
    parent.feature->children.push_back(node);
  }
  Frame frame{role, node, nullptr, nullptr};
  if (localName == u"Placemark") {
    placemarks_.push_back(std::make_unique<Placemark>());
    placemarks_.back()->node = node.get();
    frame.placemark = placemarks_.back().get();
  }
  return frame;
}

KmlBuilder::Style* KmlBuilder::NewStyle(const Frame& parent, std::u16string_view id) {
  if (parent.placemark && parent.role == Role::kFeature) return &parent.placemark->inlineStyle;
  styleStore_.push_back(std::make_unique<Style>());
  Style* style = styleStore_.back().get();
  if (!id.empty()) sharedStyles_.try_emplace(std::u16string(id), style);
  return style;
}

void KmlBuilder::Text(std::u16string_view text) {
  if (open_.empty()) return;
  switch (open_.back().role) {
    case Role::kName:
    case Role::kVisibility:
    case Role::kHeading:
    case Role::kColour:
    case Role::kWidth:
    case Role::kStyleUrl:
    case Role::kCoordinates:
      text_ += text;
      return;
    default:
      return;
  }
}

void KmlBuilder::EndElement() {
  if (open_.empty()) return;
  Frame frame = std::move(open_.back());
  open_.pop_back();
  FinishProperty(frame);
}

void KmlBuilder::FinishProperty(const Frame& frame) {
  switch (frame.role) {
    case Role::kName:
      frame.feature->name = text_;
      return;
    case Role::kVisibility:
      if (const auto visible = ParseBoolean(text_)) frame.feature->visible = *visible;
      return;
    case Role::kHeading:
      if (const auto heading = ParseNumber(text_)) frame.style->heading = heading;
      return;
    case Role::kColour:
      if (const auto colour = ParseColour(text_)) frame.style->lineColour = colour;
      return;
    case Role::kWidth:
      if (const auto width = ParseNumber(text_); width && *width >= 0)
        frame.style->lineWidth = width;
      return;
    case Role::kStyleUrl:
      frame.placemark->styleUrl = Trim(text_);
      return;
    case Role::kCoordinates: {
      Placemark& placemark = *frame.placemark;
      if (placemark.hasGeometry) return;  // the first geometry is the one drawn
      placemark.shape.coordinates = ParseKmlCoordinates(text_);
      placemark.shape.kind = open_.back().role == Role::kLineString ? PlacemarkShape::Kind::kLine
                                                                    : PlacemarkShape::Kind::kPoint;
      placemark.hasGeometry = !placemark.shape.coordinates.empty();
      return;
    }
    default:
      return;
  }
}

void KmlBuilder::ApplyStyles() {
  for (const auto& placemark : placemarks_) {
    if (!placemark->hasGeometry) continue;
    Style style;
    const std::u16string_view url = placemark->styleUrl;
    if (url.size() > 1 && url.front() == u'#') {
      if (const auto shared = sharedStyles_.find(std::u16string(url.substr(1)));
          shared != sharedStyles_.end()) {
        style = *shared->second;
      }
    }
    const Style& own = placemark->inlineStyle;
    if (own.heading) style.heading = own.heading;
    if (own.lineColour) style.lineColour = own.lineColour;
    if (own.lineWidth) style.lineWidth = own.lineWidth;
    PlacemarkShape& shape = placemark->shape;
    shape.heading = style.heading;
    if (style.lineColour) shape.lineColour = *style.lineColour;
    if (style.lineWidth) shape.lineWidth = *style.lineWidth;
    placemark->node->shape = std::make_shared<const PlacemarkShape>(std::move(shape));
  }
}

std::shared_ptr<FeatureNode> KmlBuilder::Finish() {
  ApplyStyles();
  placemarks_.clear();
  return std::move(top_);
}

}  // namespace standin
