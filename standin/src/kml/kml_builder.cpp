#include "kml/kml_builder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <optional>

namespace standin {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsSpace(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// KML numbers are ASCII; anything else is not a number.
std::optional<std::string> Ascii(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c >= 0x80) {
      return std::nullopt;
    }
    out.push_back(static_cast<char>(c));
  }
  return out;
}

std::optional<double> ParseNumber(std::u16string_view text) {
  const auto ascii = Ascii(Trim(text));
  if (!ascii || ascii->empty()) {
    return std::nullopt;
  }
  const char* begin = ascii->data();
  const char* end = begin + ascii->size();
  if (*begin == '+') {
    ++begin;  // from_chars takes no plus sign; KML writers may
  }
  double value = 0;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::uint32_t> ParseColour(std::u16string_view text) {
  const auto ascii = Ascii(Trim(text));
  if (!ascii || ascii->empty() || ascii->size() > 8) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  const char* end = ascii->data() + ascii->size();
  const auto [stop, error] = std::from_chars(ascii->data(), end, value, 16);
  if (error != std::errc() || stop != end) {
    return std::nullopt;
  }
  return value;
}

std::optional<bool> ParseBoolean(std::u16string_view text) {
  const std::u16string_view trimmed = Trim(text);
  if (trimmed == u"1" || trimmed == u"true") {
    return true;
  }
  if (trimmed == u"0" || trimmed == u"false") {
    return false;
  }
  return std::nullopt;
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
    while (i < n && IsSpace(text[i])) {
      ++i;
    }
    if (i == n) {
      break;
    }
    const std::size_t start = i;
    while (i < n && !IsSpace(text[i]) && text[i] != u',') {
      ++i;
    }
    if (const auto number = ParseNumber(text.substr(start, i - start))) {
      tuple.push_back(*number);
    } else {
      tupleValid = false;
    }
    std::size_t next = i;
    while (next < n && IsSpace(text[next])) {
      ++next;
    }
    if (next < n && text[next] == u',') {
      i = next + 1;  // the tuple goes on
    } else {
      finishTuple();
    }
  }
  if (!tuple.empty() || !tupleValid) {
    finishTuple();
  }
  return out;
}

namespace {

using Tags = std::initializer_list<std::u16string_view>;

constexpr std::u16string_view kContainers[] = {u"Document", u"Folder"};
constexpr std::u16string_view kLeafFeatures[] = {u"Placemark", u"NetworkLink", u"GroundOverlay",
                                                 u"ScreenOverlay", u"PhotoOverlay"};
constexpr std::u16string_view kFeatureProperties[] = {u"name",   u"visibility", u"description",
                                                      u"Style",  u"StyleMap",   u"styleUrl",
                                                      u"LookAt", u"Camera"};
constexpr std::u16string_view kGeometries[] = {u"Point",         u"LineString",    u"LinearRing",
                                               u"Polygon",       u"MultiGeometry", u"gx:Track",
                                               u"gx:MultiTrack", u"Model"};

// The literal in `tags` equal to `name`, which outlives the element; empty
// when there is none.
template <class List>
std::u16string_view Among(const List& tags, std::u16string_view name) {
  for (const std::u16string_view tag : tags) {
    if (tag == name) {
      return tag;
    }
  }
  return {};
}

bool IsContainer(std::u16string_view tag) { return !Among(kContainers, tag).empty(); }
bool IsFeature(std::u16string_view tag) {
  return IsContainer(tag) || !Among(kLeafFeatures, tag).empty();
}
bool IsOverlay(std::u16string_view tag) {
  return tag == u"GroundOverlay" || tag == u"ScreenOverlay";
}

// The child elements each element of the vocabulary reads, besides those
// of features.
std::u16string_view ChildOf(std::u16string_view parent, std::u16string_view name) {
  if (parent == u"MultiGeometry") {
    return Among(kGeometries, name);
  }
  if (parent == u"Style") {
    return Among(Tags{u"IconStyle", u"LabelStyle", u"LineStyle", u"PolyStyle"}, name);
  }
  if (parent == u"StyleMap") {
    return Among(Tags{u"Pair"}, name);
  }
  if (parent == u"Pair") {
    return Among(Tags{u"key", u"styleUrl", u"Style"}, name);
  }
  if (parent == u"IconStyle") {
    return Among(Tags{u"color", u"scale", u"heading", u"Icon", u"hotSpot"}, name);
  }
  if (parent == u"Icon") {
    return Among(Tags{u"href"}, name);
  }
  if (parent == u"LabelStyle") {
    return Among(Tags{u"color", u"scale"}, name);
  }
  if (parent == u"LineStyle") {
    return Among(Tags{u"color", u"width"}, name);
  }
  if (parent == u"PolyStyle") {
    return Among(Tags{u"color", u"fill", u"outline"}, name);
  }
  if (parent == u"Point") {
    return Among(Tags{u"coordinates"}, name);
  }
  if (parent == u"LineString") {
    return Among(Tags{u"coordinates"}, name);
  }
  if (parent == u"LinearRing") {
    return Among(Tags{u"coordinates"}, name);
  }
  if (parent == u"Polygon") {
    return Among(Tags{u"outerBoundaryIs", u"innerBoundaryIs"}, name);
  }
  if (parent == u"outerBoundaryIs") {
    return Among(Tags{u"LinearRing"}, name);
  }
  if (parent == u"innerBoundaryIs") {
    return Among(Tags{u"LinearRing"}, name);
  }
  if (parent == u"gx:MultiTrack") {
    return Among(Tags{u"gx:Track"}, name);
  }
  if (parent == u"gx:Track") {
    return Among(Tags{u"gx:coord"}, name);
  }
  if (parent == u"Model") {
    return Among(Tags{u"Location"}, name);
  }
  if (parent == u"Location") {
    return Among(Tags{u"longitude", u"latitude", u"altitude"}, name);
  }
  if (parent == u"LatLonBox") {
    return Among(Tags{u"north", u"south", u"east", u"west", u"rotation"}, name);
  }
  if (parent == u"gx:LatLonQuad") {
    return Among(Tags{u"coordinates"}, name);
  }
  if (parent == u"LookAt") {
    return Among(Tags{u"longitude", u"latitude", u"altitude", u"range", u"tilt", u"heading"}, name);
  }
  if (parent == u"Camera") {
    return Among(Tags{u"longitude", u"latitude", u"altitude", u"tilt", u"heading"}, name);
  }
  if (parent == u"Link") {
    return Among(Tags{u"href", u"refreshMode", u"refreshInterval"}, name);
  }
  if (parent == u"Url") {
    return Among(Tags{u"href", u"refreshMode", u"refreshInterval"}, name);
  }
  return {};
}

std::u16string_view FeatureChild(std::u16string_view feature, std::u16string_view name) {
  if (const auto common = Among(kFeatureProperties, name); !common.empty()) {
    return common;
  }
  if (feature == u"Placemark") {
    return Among(kGeometries, name);
  }
  if (feature == u"GroundOverlay") {
    return Among(Tags{u"Icon", u"color", u"drawOrder", u"LatLonBox", u"gx:LatLonQuad"}, name);
  }
  if (feature == u"ScreenOverlay") {
    return Among(Tags{u"Icon", u"color", u"drawOrder", u"overlayXY", u"screenXY", u"rotationXY",
                      u"size", u"rotation"},
                 name);
  }
  if (feature == u"NetworkLink") {
    return Among(Tags{u"Link", u"Url"}, name);
  }
  return {};
}

KmlUnits UnitsOf(std::u16string_view text) {
  if (text == u"pixels") {
    return KmlUnits::kPixels;
  }
  if (text == u"insetPixels") {
    return KmlUnits::kInsetPixels;
  }
  return KmlUnits::kFraction;
}

KmlVec2 VecOf(std::span<const XmlAttribute> attributes) {
  KmlVec2 vec;
  for (const XmlAttribute& attribute : attributes) {
    if (attribute.name == u"x") {
      if (const auto x = ParseNumber(attribute.value)) {
        vec.x = *x;
      }
    } else if (attribute.name == u"y") {
      if (const auto y = ParseNumber(attribute.value)) {
        vec.y = *y;
      }
    } else if (attribute.name == u"xunits") {
      vec.xUnits = UnitsOf(Trim(attribute.value));
    } else if (attribute.name == u"yunits") {
      vec.yUnits = UnitsOf(Trim(attribute.value));
    }
  }
  return vec;
}

std::u16string_view IdOf(std::span<const XmlAttribute> attributes) {
  for (const XmlAttribute& attribute : attributes) {
    if (attribute.name == u"id") {
      return attribute.value;
    }
  }
  return {};
}

// gx:coord: "lon lat [alt]" separated by white space.
std::optional<KmlCoordinate> ParseTrackCoordinate(std::u16string_view text) {
  std::u16string tuple(Trim(text));
  bool lastSpace = false;
  std::u16string commas;
  for (const char16_t c : tuple) {
    const bool space = IsSpace(c);
    if (space && !lastSpace) {
      commas.push_back(u',');
    }
    if (!space) {
      commas.push_back(c);
    }
    lastSpace = space;
  }
  const auto parsed = ParseKmlCoordinates(commas);
  if (parsed.size() != 1) {
    return std::nullopt;
  }
  return parsed.front();
}

// StyleMaps naming StyleMaps: followed this deep, no further (cycles end).
constexpr int kMaxStyleDepth = 4;

}  // namespace

struct KmlBuilder::Record {
  std::shared_ptr<FeatureNode> node;
  std::u16string_view tag;
  KmlStyle inlineStyle;
  std::u16string styleUrl;
  std::u16string ownStyleMap;
  std::vector<KmlGeometry> parts;
  std::u16string imageHref;
  std::optional<std::uint32_t> colour;
  int drawOrder = 0;
  GroundPlacement ground;
  bool hasBox = false;
  ScreenPlacement screen;
  FeatureView view;
  KmlCoordinate modelAt;
  std::u16string linkHref;
  std::u16string refreshMode;
  double refreshInterval = 4;
};

KmlBuilder::KmlBuilder() = default;
KmlBuilder::~KmlBuilder() = default;

std::u16string_view KmlBuilder::Accept(std::u16string_view name, KmlNamespace space,
                                       const Frame& parent) const {
  if (parent.tag.empty() || space == KmlNamespace::kOther) {
    return {};
  }
  std::u16string qualified(space == KmlNamespace::kGx ? u"gx:" : u"");
  qualified += name;
  if (parent.tag == u"kml") {
    if (top_) {
      return {};  // only the first top-level feature is loaded
    }
    if (const auto feature = Among(kContainers, qualified); !feature.empty()) {
      return feature;
    }
    return Among(kLeafFeatures, qualified);
  }
  if (IsContainer(parent.tag)) {
    if (const auto feature = Among(kContainers, qualified); !feature.empty()) {
      return feature;
    }
    if (const auto feature = Among(kLeafFeatures, qualified); !feature.empty()) {
      return feature;
    }
  }
  if (IsFeature(parent.tag)) {
    return FeatureChild(parent.tag, qualified);
  }
  return ChildOf(parent.tag, qualified);
}

void KmlBuilder::StartElement(std::u16string_view localName, KmlNamespace space,
                              std::span<const XmlAttribute> attributes) {
  if (open_.empty()) {
    open_.push_back(Frame{u"kml"});
    return;
  }
  const Frame& parent = open_.back();
  Frame frame = parent;
  frame.tag = Accept(localName, space, parent);
  const std::u16string_view tag = frame.tag;
  if (!tag.empty()) {
    text_.clear();
  }
  if (IsFeature(tag)) {
    StartFeature(tag, frame, parent);
  } else if (tag == u"Style") {
    if (parent.tag == u"Pair") {
      styleStore_.push_back(std::make_unique<KmlStyle>());
      frame.style = parent.pair->style = styleStore_.back().get();
    } else if (IsContainer(parent.tag)) {
      styleStore_.push_back(std::make_unique<KmlStyle>());
      frame.style = styleStore_.back().get();
      if (const auto id = IdOf(attributes); !id.empty()) {
        sharedStyles_.try_emplace(std::u16string(id), frame.style);
      }
    } else {
      frame.style = &parent.record->inlineStyle;
    }
  } else if (tag == u"StyleMap") {
    std::u16string id(IdOf(attributes));
    if (!IsContainer(parent.tag)) {
      // A feature's own StyleMap, found by a name no document can write.
      id = u"\u0001";
      for (const char digit : std::to_string(records_.size())) {
        id.push_back(char16_t(digit));
      }
      parent.record->ownStyleMap = id;
    }
    frame.styleMap = &styleMaps_[id];
  } else if (tag == u"Pair") {
    pairStore_.push_back(std::make_unique<StyleMapPair>());
    frame.pair = pairStore_.back().get();
    parent.styleMap->push_back(frame.pair);
  } else if (tag == u"hotSpot") {
    frame.style->hotSpot = VecOf(attributes);
  } else if (tag == u"overlayXY" || tag == u"screenXY" || tag == u"rotationXY" || tag == u"size") {
    const KmlVec2 vec = VecOf(attributes);
    ScreenPlacement& screen = parent.record->screen;
    if (tag == u"overlayXY") {
      screen.overlayXY = vec;
    }
    if (tag == u"screenXY") {
      screen.screenXY = vec;
    }
    if (tag == u"rotationXY") {
      screen.rotationXY = vec;
    }
    if (tag == u"size") {
      screen.size = vec;
    }
  } else if (tag == u"LatLonBox") {
    parent.record->hasBox = true;
  } else if (!Among(kGeometries, tag).empty() || tag == u"LinearRing") {
    StartPart(tag, *parent.record, parent.tag);
  }
  open_.push_back(frame);
}

void KmlBuilder::StartFeature(std::u16string_view tag, Frame& frame, const Frame& parent) {
  auto node = std::make_shared<FeatureNode>();
  if (parent.tag == u"kml") {
    top_ = node;
  } else {
    node->parent = parent.record->node;
    parent.record->node->children.push_back(node);
  }
  records_.push_back(std::make_unique<Record>());
  Record& record = *records_.back();
  record.node = std::move(node);
  record.tag = tag;
  frame.record = &record;
  frame.style = nullptr;
  frame.pair = nullptr;
  frame.styleMap = nullptr;
}

void KmlBuilder::StartPart(std::u16string_view tag, Record& record, std::u16string_view parentTag) {
  if (parentTag == u"outerBoundaryIs" || parentTag == u"innerBoundaryIs") {
    return;
  }
  if (tag == u"MultiGeometry" || tag == u"gx:MultiTrack") {
    return;
  }
  KmlGeometry part;
  if (tag == u"Polygon") {
    part.kind = KmlGeometry::Kind::kPolygon;
  } else if (tag == u"Point" || tag == u"Model") {
    part.kind = KmlGeometry::Kind::kPoint;
  } else {
    part.kind = KmlGeometry::Kind::kLine;  // LineString, LinearRing, gx:Track
  }
  record.parts.push_back(std::move(part));
}

void KmlBuilder::Text(std::u16string_view text) {
  if (!open_.empty() && !open_.back().tag.empty()) {
    text_ += text;
  }
}

void KmlBuilder::EndElement() {
  if (open_.empty()) {
    return;
  }
  const Frame frame = open_.back();
  open_.pop_back();
  if (frame.tag.empty() || open_.empty()) {
    return;
  }
  const std::u16string_view parentTag = open_.back().tag;
  Record* record = frame.record;
  if (frame.tag == u"LookAt" || frame.tag == u"Camera") {
    if (record && IsFeature(parentTag)) {
      record->view.camera = frame.tag == u"Camera";
      record->node->view = std::make_shared<const FeatureView>(record->view);
      record->node->hasView = true;
    }
    return;
  }
  if (frame.tag == u"Model" && record && !record->parts.empty()) {
    record->parts.back().points = {record->modelAt};
    return;
  }
  FinishLeaf(frame, parentTag);
}

void KmlBuilder::FinishLeaf(const Frame& frame, std::u16string_view parentTag) {
  const std::u16string_view tag = frame.tag;
  if (frame.pair && parentTag == u"Pair") {
    if (tag == u"key") {
      frame.pair->key = Trim(text_);
    }
    if (tag == u"styleUrl") {
      frame.pair->styleUrl = Trim(text_);
    }
    return;
  }
  if (frame.style) {
    FinishStyleLeaf(tag, parentTag, *frame.style);
    return;
  }
  if (!frame.record) {
    return;
  }
  Record& record = *frame.record;
  FeatureNode& node = *record.node;
  if (tag == u"name") {
    node.name = text_;
  } else if (tag == u"visibility") {
    if (const auto visible = ParseBoolean(text_)) {
      node.visible = *visible;
    }
  } else if (tag == u"description") {
    node.description = text_;
  } else if (tag == u"styleUrl") {
    record.styleUrl = Trim(text_);
  } else if (tag == u"coordinates") {
    std::vector<KmlCoordinate> points = ParseKmlCoordinates(text_);
    const std::u16string_view boundary =
        open_.size() >= 2 ? open_[open_.size() - 2].tag : std::u16string_view();
    if (parentTag == u"gx:LatLonQuad") {
      if (points.size() == 4) {
        record.ground.quad = std::move(points);
      }
    } else if (record.parts.empty()) {
      return;
    } else if (boundary == u"innerBoundaryIs") {
      record.parts.back().holes.push_back(std::move(points));
    } else {
      record.parts.back().points = std::move(points);
    }
  } else if (tag == u"gx:coord") {
    if (const auto at = ParseTrackCoordinate(text_); at && !record.parts.empty()) {
      record.parts.back().points.push_back(*at);
    }
  } else {
    FinishOverlayLeaf(tag, parentTag, record);
  }
}

void KmlBuilder::FinishStyleLeaf(std::u16string_view tag, std::u16string_view styleTag,
                                 KmlStyle& style) {
  if (tag == u"color") {
    const auto colour = ParseColour(text_);
    if (!colour) {
      return;
    }
    if (styleTag == u"IconStyle") {
      style.iconColour = colour;
    }
    if (styleTag == u"LabelStyle") {
      style.labelColour = colour;
    }
    if (styleTag == u"LineStyle") {
      style.lineColour = colour;
    }
    if (styleTag == u"PolyStyle") {
      style.polyColour = colour;
    }
  } else if (tag == u"scale") {
    const auto scale = ParseNumber(text_);
    if (!scale || *scale < 0) {
      return;
    }
    if (styleTag == u"IconStyle") {
      style.iconScale = scale;
    }
    if (styleTag == u"LabelStyle") {
      style.labelScale = scale;
    }
  } else if (tag == u"heading") {
    if (const auto heading = ParseNumber(text_)) {
      style.heading = heading;
    }
  } else if (tag == u"width") {
    if (const auto width = ParseNumber(text_); width && *width >= 0) {
      style.lineWidth = width;
    }
  } else if (tag == u"fill") {
    if (const auto fill = ParseBoolean(text_)) {
      style.fill = fill;
    }
  } else if (tag == u"outline") {
    if (const auto outline = ParseBoolean(text_)) {
      style.outline = outline;
    }
  } else if (tag == u"href") {
    style.iconHref = std::u16string(Trim(text_));
  }
}

void KmlBuilder::FinishOverlayLeaf(std::u16string_view tag, std::u16string_view parentTag,
                                   Record& record) {
  const auto number = ParseNumber(text_);
  if (parentTag == u"LookAt" || parentTag == u"Camera") {
    if (!number) {
      return;
    }
    FeatureView& view = record.view;
    if (tag == u"longitude") {
      view.longitude = *number;
    }
    if (tag == u"latitude") {
      view.latitude = *number;
    }
    if (tag == u"altitude") {
      view.altitude = *number;
    }
    if (tag == u"range") {
      view.range = *number;
    }
    if (tag == u"tilt") {
      view.tilt = *number;
    }
    if (tag == u"heading") {
      view.heading = *number;
    }
  } else if (parentTag == u"Location") {
    if (!number) {
      return;
    }
    if (tag == u"longitude") {
      record.modelAt.longitude = *number;
    }
    if (tag == u"latitude") {
      record.modelAt.latitude = std::clamp(*number, -90.0, 90.0);
    }
    if (tag == u"altitude") {
      record.modelAt.altitude = *number;
    }
  } else if (parentTag == u"LatLonBox") {
    if (!number) {
      return;
    }
    GroundPlacement& box = record.ground;
    if (tag == u"north") {
      box.north = std::clamp(*number, -90.0, 90.0);
    }
    if (tag == u"south") {
      box.south = std::clamp(*number, -90.0, 90.0);
    }
    if (tag == u"east") {
      box.east = *number;
    }
    if (tag == u"west") {
      box.west = *number;
    }
    if (tag == u"rotation") {
      box.rotation = *number;
    }
  } else if (parentTag == u"Link" || parentTag == u"Url") {
    if (tag == u"href") {
      record.linkHref = Trim(text_);
    }
    if (tag == u"refreshMode") {
      record.refreshMode = Trim(text_);
    }
    if (tag == u"refreshInterval" && number) {
      record.refreshInterval = *number;
    }
  } else if (tag == u"href") {
    record.imageHref = Trim(text_);
  } else if (tag == u"color") {
    record.colour = ParseColour(text_);
  } else if (tag == u"drawOrder" && number) {
    record.drawOrder = static_cast<int>(std::clamp(*number, -1e9, 1e9));
  } else if (tag == u"rotation" && number) {
    record.screen.rotation = *number;
  }
}

std::optional<KmlStyle> KmlBuilder::Resolve(std::u16string_view url, KmlResources& resources,
                                            int depth) {
  if (url.empty() || depth > kMaxStyleDepth) {
    return std::nullopt;
  }
  if (url.front() != u'#') {
    if (url.find(u'#') == std::u16string_view::npos) {
      return std::nullopt;
    }
    return resources.ExternalStyle(url);
  }
  const std::u16string id(url.substr(1));
  if (const auto shared = sharedStyles_.find(id); shared != sharedStyles_.end()) {
    return *shared->second;
  }
  const auto map = styleMaps_.find(id);
  if (id.empty() || map == styleMaps_.end()) {
    return std::nullopt;
  }
  for (const StyleMapPair* pair : map->second) {
    if (pair->key != u"normal") {
      continue;
    }
    KmlStyle style = Resolve(pair->styleUrl, resources, depth + 1).value_or(KmlStyle{});
    if (pair->style) {
      style.Merge(*pair->style);
    }
    return style;
  }
  return std::nullopt;
}

void KmlBuilder::BuildShape(Record& record, KmlResources& resources) {
  const std::u16string url = record.styleUrl.empty() && !record.ownStyleMap.empty()
                                 ? u"#" + record.ownStyleMap
                                 : record.styleUrl;
  KmlStyle style = Resolve(url, resources, 0).value_or(KmlStyle{});
  style.Merge(record.inlineStyle);
  auto shape = std::make_shared<PlacemarkShape>();
  if (record.tag == u"Placemark") {
    std::erase_if(record.parts, [](const KmlGeometry& part) { return part.points.empty(); });
    if (record.parts.empty()) {
      return;
    }
    const KmlGeometry& first = record.parts.front();
    shape->kind = first.kind == KmlGeometry::Kind::kPoint  ? PlacemarkShape::Kind::kPoint
                  : first.kind == KmlGeometry::Kind::kLine ? PlacemarkShape::Kind::kLine
                                                           : PlacemarkShape::Kind::kPolygon;
    shape->coordinates = first.points;
    if (record.parts.size() > 1 || first.kind == KmlGeometry::Kind::kPolygon) {
      shape->parts = std::move(record.parts);
    }
  } else if (record.tag == u"GroundOverlay" && (record.hasBox || !record.ground.quad.empty())) {
    shape->kind = PlacemarkShape::Kind::kGroundOverlay;
    const GroundPlacement& box = record.ground;
    shape->coordinates = {
        box.quad.empty() ? KmlCoordinate{(box.east + box.west) / 2, (box.north + box.south) / 2}
                         : box.quad.front()};
  } else if (record.tag == u"ScreenOverlay") {
    shape->kind = PlacemarkShape::Kind::kScreenOverlay;
  } else {
    return;
  }
  if (IsOverlay(record.tag)) {
    auto overlay = std::make_shared<OverlayShape>();
    if (!record.imageHref.empty()) {
      overlay->image = resources.Image(record.imageHref, false);
    }
    overlay->colour = record.colour.value_or(0xFFFFFFFF);
    overlay->drawOrder = record.drawOrder;
    overlay->ground = std::move(record.ground);
    overlay->screen = record.screen;
    shape->overlay = std::move(overlay);
  }
  shape->heading = style.heading;
  if (style.lineColour) {
    shape->lineColour = *style.lineColour;
  }
  if (style.lineWidth) {
    shape->lineWidth = *style.lineWidth;
  }
  const bool looks = style.iconHref || style.iconScale || style.iconColour || style.hotSpot ||
                     style.labelColour || style.labelScale || style.polyColour || style.fill ||
                     style.outline;
  if (looks) {
    auto look = std::make_shared<PlacemarkLook>();
    if (style.iconHref && !style.iconHref->empty() &&
        shape->kind != PlacemarkShape::Kind::kScreenOverlay &&
        shape->kind != PlacemarkShape::Kind::kGroundOverlay) {
      look->iconGiven = true;
      look->icon = resources.Image(*style.iconHref, true);
    }
    look->iconScale = style.iconScale.value_or(1.0);
    look->iconColour = style.iconColour.value_or(0xFFFFFFFF);
    look->hotSpot = style.hotSpot.value_or(KmlVec2{});
    look->labelColour = style.labelColour.value_or(0xFFFFFFFF);
    look->labelScale = style.labelScale.value_or(1.0);
    look->polyColour = style.polyColour.value_or(0xFFFFFFFF);
    look->fill = style.fill.value_or(true);
    look->outline = style.outline.value_or(true);
    shape->look = std::move(look);
  }
  record.node->shape = std::move(shape);
}

std::shared_ptr<FeatureNode> KmlBuilder::Finish(KmlResources& resources) {
  for (const auto& record : records_) {
    BuildShape(*record, resources);
    if (record->tag != u"NetworkLink" || record->linkHref.empty()) {
      continue;
    }
    std::u16string path;
    if (auto child = resources.Linked(record->linkHref, path)) {
      child->parent = record->node;
      record->node->children.push_back(std::move(child));
      if (record->refreshMode == u"onInterval") {
        record->node->refresh = std::make_shared<const LinkRefresh>(
            LinkRefresh{path, std::max(record->refreshInterval, 1.0)});
      }
    }
  }
  records_.clear();
  return std::move(top_);
}

std::unordered_map<std::u16string, KmlStyle> KmlBuilder::SharedStyles(KmlResources& resources) {
  std::unordered_map<std::u16string, KmlStyle> styles;
  for (const auto& [id, style] : sharedStyles_) {
    styles.emplace(id, *style);
  }
  for (const auto& [id, pairs] : styleMaps_) {
    if (id.empty() || styles.contains(id)) {
      continue;
    }
    if (auto style = Resolve(u"#" + id, resources, 0)) {
      styles.emplace(id, std::move(*style));
    }
  }
  return styles;
}

}  // namespace standin
