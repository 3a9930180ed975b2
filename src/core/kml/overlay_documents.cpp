#include "kml/overlay_documents.h"

#include <array>
#include <cassert>
#include <cmath>
#include <memory_resource>

#include "base/error.h"
#include "kml/kml_text.h"
#include "kml/text_cursor.h"

namespace zge::kml {
namespace {

// Pieces are string views of known length: a bare char16_t literal would be
// measured character by character at run time.
using namespace std::string_view_literals;

// A host text and the name it goes by in errors.
struct Escaped {
  std::u16string_view text;
  std::string_view what;
};

// Each document lists its pieces once, as a function of an `emit` sink; it
// runs first with Measure, which validates every text and adds up the
// length, then with Write, which fills the text sized to that length.
class Measure {
 public:
  void operator()(std::u16string_view literal) noexcept { length_ += literal.size(); }
  void operator()(std::string_view ascii) noexcept { length_ += ascii.size(); }
  void operator()(const Escaped& text) { length_ += EscapedLength(text.text, text.what); }

  [[nodiscard]] std::size_t Length() const noexcept { return length_; }

 private:
  std::size_t length_ = 0;
};

class Write {
 public:
  explicit Write(TextCursor& cursor) noexcept : cursor_(cursor) {}

  void operator()(std::u16string_view literal) noexcept { cursor_.Literal(literal); }
  void operator()(std::string_view ascii) noexcept { cursor_.Ascii(ascii); }
  void operator()(const Escaped& text) noexcept { cursor_.Escaped(text.text); }

 private:
  TextCursor& cursor_;
};

template <typename Pieces>
std::u16string Build(const Pieces& pieces) {
  Measure measure;
  pieces(measure);
  std::u16string document;
  TextCursor cursor(document, measure.Length());
  Write write(cursor);
  pieces(write);
  assert(cursor.AtEnd());
  return document;
}

// A number's text, made before the document is measured.
class NumberText {
 public:
  NumberText(double value, std::string_view what)
      : length_(FloatToChars(value, buffer_.data(), what)) {}

  [[nodiscard]] std::string_view View() const noexcept { return {buffer_.data(), length_}; }

 private:
  std::array<char, kMaxFloatChars> buffer_;  // written by FloatToChars
  std::size_t length_;
};

// The placemark of one position: its name, description and icon, then the
// coordinates that `emitCoordinates` writes.
template <typename Emit, typename Coordinates>
void EmitIconPlacemark(Emit& emit, const Escaped& name, const Escaped& description,
                       const Escaped& icon, const Coordinates& emitCoordinates) {
  emit(u"<Placemark><name>"sv);
  emit(name);
  emit(u"</name><description>"sv);
  emit(description);
  emit(u"</description><Style><IconStyle><Icon><href>"sv);
  emit(icon);
  emit(u"</href></Icon></IconStyle></Style><Point><coordinates>"sv);
  emitCoordinates();
  emit(u"</coordinates></Point></Placemark>"sv);
}

// The placemark of a moving position, its icon turned to the heading. Its
// name and description are host texts or fixed ones.
template <typename Emit>
void EmitHeadingPlacemark(Emit& emit, const auto& name, const auto& description,
                          std::string_view heading, const Escaped& icon, std::string_view longitude,
                          std::string_view latitude) {
  emit(u"<Placemark><name>"sv);
  emit(name);
  emit(u"</name><description>"sv);
  emit(description);
  emit(u"</description><Style><IconStyle><heading>"sv);
  emit(heading);
  emit(u"</heading><Icon><href>"sv);
  emit(icon);
  emit(u"</href></Icon></IconStyle></Style><Point><coordinates>"sv);
  emit(longitude);
  emit(","sv);
  emit(latitude);
  emit(u",0</coordinates></Point></Placemark>"sv);
}

// The tuples of all route points, "lon,lat,0" joined by single blanks, as
// ASCII. Each number is formatted once and copied into both the line and the
// point's placemark; a short route's list stays on the stack.
class CoordinateList {
 public:
  explicit CoordinateList(std::span<const RoutePoint> points) {
    constexpr std::size_t kTypicalTupleLength = 40;
    text_.reserve(points.size() * kTypicalTupleLength);
    std::array<char, kMaxFloatChars> number;  // written by FloatToChars
    for (const RoutePoint& point : points) {
      if (!text_.empty()) {
        text_.push_back(' ');
      }
      text_.append(number.data(), FloatToChars(point.longitude, number.data(), "Point longitude"));
      text_.push_back(',');
      text_.append(number.data(), FloatToChars(point.latitude, number.data(), "Point latitude"));
      text_.append(",0");
    }
  }

  [[nodiscard]] std::string_view Text() const noexcept { return text_; }

 private:
  std::array<std::byte, 8192> stack_;  // handed to resource_, written by the string
  std::pmr::monotonic_buffer_resource resource_{stack_.data(), stack_.size()};
  std::pmr::string text_{&resource_};
};

// Walks the tuples of a CoordinateList in order.
class TupleReader {
 public:
  explicit TupleReader(std::string_view list) noexcept : rest_(list) {}

  std::string_view Next() noexcept {
    const std::size_t blank = rest_.find(' ');
    const std::string_view tuple = rest_.substr(0, blank);
    rest_.remove_prefix(blank == std::string_view::npos ? rest_.size() : blank + 1);
    return tuple;
  }

 private:
  std::string_view rest_;
};

}  // namespace

std::u16string WaypointDocument(std::u16string_view name, std::u16string_view description,
                                std::u16string_view icon, double latitude, double longitude) {
  const NumberText longitudeText(longitude, "Longitude");
  const NumberText latitudeText(latitude, "Latitude");
  const Escaped nameText{name, "Name"};
  return Build([&](auto& emit) {
    emit(kDocumentHead);
    emit(nameText);
    emit(u"</name>"sv);
    EmitIconPlacemark(emit, nameText, Escaped{description, "Description"}, Escaped{icon, "Icon"},
                      [&] {
                        emit(longitudeText.View());
                        emit(","sv);
                        emit(latitudeText.View());
                        emit(",0"sv);
                      });
    emit(kDocumentTail);
  });
}

std::u16string LiveGpsDocument(std::u16string_view name, std::u16string_view description,
                               std::u16string_view icon, double latitude, double longitude,
                               std::int32_t heading) {
  const NumberText longitudeText(longitude, "Longitude");
  const NumberText latitudeText(latitude, "Latitude");
  const std::string headingText = IntToStr(heading);
  const Escaped nameText{name, "Name"};
  return Build([&](auto& emit) {
    emit(kDocumentHead);
    emit(kLiveGpsPrefix);
    emit(nameText);
    emit(u"</name>"sv);
    EmitHeadingPlacemark(emit, nameText, Escaped{description, "Description"}, headingText,
                         Escaped{icon, "Icon"}, longitudeText.View(), latitudeText.View());
    emit(kDocumentTail);
  });
}

std::u16string RouteDocument(std::span<const RoutePoint> points, std::u16string_view name,
                             std::u16string_view description, std::uint32_t color) {
  if (points.empty()) {
    return {};
  }
  const std::string colorText = ColorText(color, "7F", "7F00FFFF");
  const CoordinateList coordinates(points);
  const Escaped nameText{name, "Name"};
  const Escaped descriptionText{description, "Description"};
  return Build([&](auto& emit) {
    emit(kDocumentHead);
    emit(nameText);
    emit(u"</name><Style id=\"YellowLine\"><LineStyle><color>"sv);
    emit(colorText);
    emit(u"</color><width>4</width></LineStyle></Style><description>"sv);
    emit(descriptionText);
    emit(u"</description><Placemark><name>"sv);
    emit(nameText);
    emit(u"</name><description>"sv);
    emit(descriptionText);
    emit(
        u"</description><styleUrl>#YellowLine</styleUrl><LineString>"
        u"<extrude>0</extrude><tessellate>0</tessellate><altitudeMode>absolute</altitudeMode>"
        u"<coordinates>"sv);
    emit(coordinates.Text());
    emit(u"</coordinates></LineString></Placemark>"sv);
    TupleReader tuples(coordinates.Text());
    for (const RoutePoint& point : points) {
      EmitIconPlacemark(emit, Escaped{point.name, "Point name"},
                        Escaped{point.description, "Point description"},
                        Escaped{point.icon, "Point icon"}, [&] { emit(tuples.Next()); });
    }
    emit(kDocumentTail);
  });
}

std::u16string TrackLegDocument(std::u16string_view name, std::u16string_view icon,
                                const TrackLeg& leg) {
  const NumberText fromLongitude(leg.fromLongitude, "From longitude");
  const NumberText fromLatitude(leg.fromLatitude, "From latitude");
  const NumberText toLongitude(leg.toLongitude, "To longitude");
  const NumberText toLatitude(leg.toLatitude, "To latitude");
  const std::string colorText = ColorText(leg.color, "FF", "FF00FF00");
  const std::string indexText = IntToStr(leg.index);
  const std::string headingText = IntToStr(leg.heading);
  return Build([&](auto& emit) {
    emit(kDocumentHead);
    emit(Escaped{name, "Name"});
    emit(indexText);
    emit(u"</name><Placemark><visibility>"sv);
    emit(BoolToStr(leg.visible));
    emit(u"</visibility><Style><LineStyle><color>"sv);
    emit(colorText);
    emit(
        u"</color><width>4</width></LineStyle></Style><LineString>"
        u"<extrude>0</extrude><tessellate>0</tessellate>"
        u"<altitudeMode>relativeToGround</altitudeMode><coordinates>"sv);
    emit(fromLongitude.View());
    emit(","sv);
    emit(fromLatitude.View());
    emit(",0 "sv);
    emit(toLongitude.View());
    emit(","sv);
    emit(toLatitude.View());
    emit(u",0</coordinates></LineString></Placemark>"sv);
    EmitHeadingPlacemark(emit, kBoatName, u"Boat Description"sv, headingText, Escaped{icon, "Icon"},
                         toLongitude.View(), toLatitude.View());
    emit(kDocumentTail);
  });
}

std::u16string TrackLegDocumentName(std::u16string_view name, std::int32_t index) {
  const std::string number = IntToStr(index);
  std::u16string documentName(name);
  documentName.append(number.begin(), number.end());
  return documentName;
}

}  // namespace zge::kml
