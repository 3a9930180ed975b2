// The KML documents of the overlays: waypoint, live GPS position, route and
// track leg. Each is one line of UTF-16 text with no white space between
// elements, built in one allocation (its length is computed first).
//
// Every host text is escaped (kml_text.h), so each document is well-formed
// for any input and Google Earth stores names exactly as the host gave them.
// A text XML cannot carry, or a coordinate that is not a finite number,
// throws zge::Error (invalid argument) before anything is built.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zge::kml {

// "<?xml ...?><kml xmlns=...><Document><name>" and "</Document></kml>".
inline constexpr std::u16string_view kDocumentHead =
    u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    u"<kml xmlns=\"http://earth.google.com/kml/2.2\"><Document><name>";
inline constexpr std::u16string_view kDocumentTail = u"</Document></kml>";

// The live GPS document of `name` is named this prefix followed by the name.
inline constexpr std::u16string_view kLiveGpsPrefix = u"GPS ";
// The boat placemark of every track leg.
inline constexpr std::u16string_view kBoatName = u"GPS";

std::u16string WaypointDocument(std::u16string_view name, std::u16string_view description,
                                std::u16string_view icon, double latitude, double longitude);

std::u16string LiveGpsDocument(std::u16string_view name, std::u16string_view description,
                               std::u16string_view icon, double latitude, double longitude,
                               std::int32_t heading);

struct RoutePoint {
  std::u16string_view name;
  std::u16string_view description;
  std::u16string_view icon;
  double latitude = 0;
  double longitude = 0;
};

// Empty text for a route without points.
std::u16string RouteDocument(std::span<const RoutePoint> points, std::u16string_view name,
                             std::u16string_view description, std::uint32_t color);

struct TrackLeg {
  double fromLatitude = 0;
  double fromLongitude = 0;
  double toLatitude = 0;
  double toLongitude = 0;
  std::uint32_t color = 0;
  std::int32_t index = 0;
  std::int32_t heading = 0;
  bool visible = true;
};

// The leg's document is named TrackLegDocumentName(name, leg.index).
std::u16string TrackLegDocument(std::u16string_view name, std::u16string_view icon,
                                const TrackLeg& leg);
// A track's name followed by the leg's number ("Leg" and 12 give "Leg12").
std::u16string TrackLegDocumentName(std::u16string_view name, std::int32_t index);

}  // namespace zge::kml
