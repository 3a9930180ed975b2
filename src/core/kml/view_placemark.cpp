#include "kml/view_placemark.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "base/error.h"

namespace zge::kml {
namespace {

// Google Earth's own KML 2.2 namespace, as the overlay documents use it.
constexpr std::string_view kKmlStartTag = "<kml xmlns=\"http://earth.google.com/kml/2.2\">";

void CheckFinite(double value, std::string_view what) {
  if (!std::isfinite(value)) {
    throw Error(codes::kInvalidArgument,
                "The view's " + std::string(what) + " is not a finite number");
  }
}

// The value rounded to four decimals, without trailing zeros or a bare
// point; "0" when it rounds to zero (never "-0").
std::string FourDecimals(double value) {
  // A double below 1e309 has at most 309 integer digits.
  std::array<char, 330> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::fixed, 4);
  if (error != std::errc()) {
    throw Error(codes::kInvalidArgument, "A view value cannot be written as text");
  }
  std::string text(buffer.data(), end);
  while (text.back() == '0') {
    text.pop_back();
  }
  if (text.back() == '.') {
    text.pop_back();
  }
  if (text == "-0") {
    text = "0";
  }
  return text;
}

}  // namespace

std::string CoordinateText(double value) {
  std::string text = FourDecimals(value);
  if (text == "0") {
    return {};
  }
  // "0.5" -> ".5", "-0.25" -> "-.25".
  const std::size_t zero = text.front() == '-' ? 1 : 0;
  if (text.size() > zero + 1 && text[zero] == '0' && text[zero + 1] == '.') {
    text.erase(zero, 1);
  }
  return text;
}

std::string MeasureText(double value) { return FourDecimals(value); }

std::string ViewPlacemarkFile(const ViewPlacemark& view) {
  CheckFinite(view.latitude, "latitude");
  CheckFinite(view.longitude, "longitude");
  CheckFinite(view.range, "range");
  CheckFinite(view.tilt, "tilt");
  const std::string latitude = CoordinateText(view.latitude);
  const std::string longitude = CoordinateText(view.longitude);
  const std::array<std::string, 30> lines = {
      R"(<?xml version="1.0" encoding="UTF-8"?>)",
      std::string(kKmlStartTag),
      "<Placemark>",
      "<LookAt>",
      "<longitude>" + longitude + "</longitude>",
      "<latitude>" + latitude + "</latitude>",
      "<range>" + MeasureText(view.range) + "</range>",
      "<tilt>" + MeasureText(view.tilt) + "</tilt>",
      "</LookAt>",
      "<styleUrl>root://styleMaps#default+nicon=0x307+hicon=0x317</styleUrl>",
      "<Style>",
      "<IconStyle>",
      "<Icon>",
      "<href>root://icons/palette-3.png</href>",
      "<x>96</x>",
      "<y>128</y>",
      "<w>32</w>",
      "<h>32</h>",
      "</Icon>",
      "</IconStyle>",
      "</Style>",
      "<Point>",
      "<coordinates>",
      longitude + ",",
      latitude + ",",
      "0",
      "</coordinates>",
      "</Point>",
      "</Placemark>",
      "</kml>",
  };
  std::string file;
  for (const std::string& line : lines) {
    file += line;
    file += "\r\n";
  }
  return file;
}

}  // namespace zge::kml
