// Arbitrary host texts and numbers through every overlay document. Each
// document must either be refused with an invalid-argument error, and then
// the input really holds a character XML cannot carry or a coordinate that is
// not finite, or parse as well-formed XML whose names, descriptions and icon
// references are exactly the host's texts and whose coordinates are the
// host's numbers to 15 significant digits.
#include <expat.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/error.h"
#include "kml/overlay_documents.h"

namespace {

using namespace zge::kml;

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "FUZZ CHECK FAILED: %s %s\n", what, detail.c_str());
  std::abort();
}

void Check(bool condition, const char* what, const std::string& detail = {}) {
  if (!condition) {
    Fail(what, detail);
  }
}

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// UTF-16 to UTF-8; false when the text holds a lone surrogate or a code point
// outside XML's Char production.
bool ToUtf8(std::u16string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (!IsXmlChar(c)) {
      return false;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return true;
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  Check(ToUtf8(text, out), "host text expected to be carriable");
  return out;
}

// The texts of the elements a document's reader looks at, in document order.
struct Parsed {
  std::string documentName;
  std::string documentDescription;
  std::vector<std::string> placemarkNames;
  std::vector<std::string> placemarkDescriptions;
  std::vector<std::string> hrefs;
  std::vector<std::string> coordinates;
};

struct ParseState {
  std::vector<std::string> path;
  std::string text;
  Parsed parsed;
};

void OnStart(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
  auto* state = static_cast<ParseState*>(data);
  state->path.emplace_back(name);
  state->text.clear();
}

void OnText(void* data, const XML_Char* text, int length) {
  static_cast<ParseState*>(data)->text.append(text, static_cast<std::size_t>(length));
}

void OnEnd(void* data, const XML_Char* name) {
  auto* state = static_cast<ParseState*>(data);
  const std::string element = name;
  state->path.pop_back();
  const std::string parent = state->path.empty() ? "" : state->path.back();
  Parsed& p = state->parsed;
  if (element == "name" && parent == "Document") {
    p.documentName = state->text;
  } else if (element == "description" && parent == "Document") {
    p.documentDescription = state->text;
  } else if (element == "name" && parent == "Placemark") {
    p.placemarkNames.push_back(state->text);
  } else if (element == "description" && parent == "Placemark") {
    p.placemarkDescriptions.push_back(state->text);
  } else if (element == "href") {
    p.hrefs.push_back(state->text);
  } else if (element == "coordinates") {
    p.coordinates.push_back(state->text);
  }
  state->text.clear();
}

Parsed Parse(const std::u16string& document) {
  std::string utf8;
  Check(ToUtf8(document, utf8), "document holds a character XML cannot carry");
  XML_Parser parser = XML_ParserCreate(nullptr);
  ParseState state;
  XML_SetUserData(parser, &state);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser, OnText);
  const bool wellFormed =
      XML_Parse(parser, utf8.data(), static_cast<int>(utf8.size()), 1) == XML_STATUS_OK;
  const std::string error = wellFormed ? "" : XML_ErrorString(XML_GetErrorCode(parser));
  XML_ParserFree(parser);
  Check(wellFormed, "document is not well-formed XML", error + ": " + utf8);
  return state.parsed;
}

// A number read back must be the value rounded to 15 significant digits.
void CheckNumber(const std::string& text, double value) {
  const double read = std::strtod(text.c_str(), nullptr);
  Check(text.find_first_not_of("-.0123456789") == std::string::npos, "number has an exponent",
        text);
  if (std::isinf(read)) {  // the largest doubles round up past the largest
    Check(std::fabs(value) > 1.79769313486231e308, "number overflows", text);
    return;
  }
  const double tolerance = 6e-15 * std::fabs(value) + std::numeric_limits<double>::denorm_min();
  Check(std::fabs(read - value) <= tolerance, "number is not the value", text);
}

void CheckTuple(const std::string& tuple, double latitude, double longitude) {
  const std::size_t comma = tuple.find(',');
  const std::size_t altitude = tuple.rfind(",0");
  Check(comma != std::string::npos && altitude == tuple.size() - 2 && altitude > comma,
        "malformed tuple", tuple);
  CheckNumber(tuple.substr(0, comma), longitude);
  CheckNumber(tuple.substr(comma + 1, altitude - comma - 1), latitude);
}

void CheckTexts(const std::vector<std::string>& actual, const std::vector<std::string>& expected,
                const char* what) {
  Check(actual == expected, what);
}

struct Texts {
  std::u16string name;
  std::u16string description;
  std::u16string icon;
};

std::u16string TakeText(FuzzedDataProvider& input) {
  const auto length = input.ConsumeIntegralInRange<std::size_t>(0, 24);
  std::u16string text;
  for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
    text += static_cast<char16_t>(input.ConsumeIntegral<std::uint16_t>());
  }
  return text;
}

Texts TakeTexts(FuzzedDataProvider& input) {
  Texts t;
  t.name = TakeText(input);
  t.description = TakeText(input);
  t.icon = TakeText(input);
  return t;
}

// Mostly ordinary coordinates, sometimes any bit pattern (NaN, infinities,
// subnormals, the largest values).
double TakeNumber(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) {
    return std::bit_cast<double>(input.ConsumeIntegral<std::uint64_t>());
  }
  return input.ConsumeFloatingPointInRange<double>(-360.0, 360.0);
}

bool Carriable(std::u16string_view text) {
  std::string ignored;
  return ToUtf8(text, ignored);
}

bool Valid(const Texts& t) {
  return Carriable(t.name) && Carriable(t.description) && Carriable(t.icon);
}

// Runs `build`; true when it produced a document, false when it refused.
template <typename Build>
bool Produces(const char* kind, const Build& build, bool expectValid, std::u16string& document) {
  try {
    document = build();
  } catch (const zge::Error& e) {
    Check(e.Code() == zge::codes::kInvalidArgument, "wrong error code", e.what());
    Check(!expectValid, "valid input refused", std::string(kind) + ": " + e.what());
    return false;
  }
  Check(expectValid, "invalid input accepted", kind);
  return true;
}

void FuzzWaypoint(const Texts& t, double latitude, double longitude) {
  const bool valid = Valid(t) && std::isfinite(latitude) && std::isfinite(longitude);
  std::u16string document;
  if (!Produces(
          "waypoint",
          [&] { return WaypointDocument(t.name, t.description, t.icon, latitude, longitude); },
          valid, document)) {
    return;
  }
  const Parsed p = Parse(document);
  Check(p.documentName == Utf8(t.name), "waypoint document name");
  CheckTexts(p.placemarkNames, {Utf8(t.name)}, "waypoint placemark name");
  CheckTexts(p.placemarkDescriptions, {Utf8(t.description)}, "waypoint description");
  CheckTexts(p.hrefs, {Utf8(t.icon)}, "waypoint icon");
  Check(p.coordinates.size() == 1, "waypoint coordinates");
  CheckTuple(p.coordinates[0], latitude, longitude);
}

void FuzzLiveGps(const Texts& t, double latitude, double longitude, std::int32_t heading) {
  const bool valid = Valid(t) && std::isfinite(latitude) && std::isfinite(longitude);
  std::u16string document;
  if (!Produces(
          "live GPS",
          [&] {
            return LiveGpsDocument(t.name, t.description, t.icon, latitude, longitude, heading);
          },
          valid, document)) {
    return;
  }
  const Parsed p = Parse(document);
  Check(p.documentName == "GPS " + Utf8(t.name), "live GPS document name");
  CheckTexts(p.placemarkNames, {Utf8(t.name)}, "live GPS placemark name");
  CheckTexts(p.placemarkDescriptions, {Utf8(t.description)}, "live GPS description");
  CheckTexts(p.hrefs, {Utf8(t.icon)}, "live GPS icon");
  Check(p.coordinates.size() == 1, "live GPS coordinates");
  CheckTuple(p.coordinates[0], latitude, longitude);
}

void FuzzRoute(FuzzedDataProvider& input, const Texts& t, std::uint32_t color) {
  const auto count = input.ConsumeIntegralInRange<std::size_t>(0, 4);
  std::vector<Texts> pointTexts;
  std::vector<RoutePoint> points;
  bool valid = Carriable(t.name) && Carriable(t.description);  // a route has no icon of its own
  for (std::size_t i = 0; i < count; ++i) {
    pointTexts.push_back(TakeTexts(input));
  }
  for (const Texts& pt : pointTexts) {
    const double latitude = TakeNumber(input);
    const double longitude = TakeNumber(input);
    valid = valid && Valid(pt) && std::isfinite(latitude) && std::isfinite(longitude);
    points.push_back({pt.name, pt.description, pt.icon, latitude, longitude});
  }
  std::u16string document;
  if (!Produces(
          "route", [&] { return RouteDocument(points, t.name, t.description, color); },
          valid || points.empty(), document)) {
    return;
  }
  if (points.empty()) {
    Check(document.empty(), "route without points is not empty");
    return;
  }
  const Parsed p = Parse(document);
  Check(p.documentName == Utf8(t.name), "route document name");
  Check(p.documentDescription == Utf8(t.description), "route document description");
  std::vector<std::string> names = {Utf8(t.name)};
  std::vector<std::string> descriptions = {Utf8(t.description)};
  std::vector<std::string> hrefs;
  for (const Texts& pt : pointTexts) {
    names.push_back(Utf8(pt.name));
    descriptions.push_back(Utf8(pt.description));
    hrefs.push_back(Utf8(pt.icon));
  }
  CheckTexts(p.placemarkNames, names, "route placemark names");
  CheckTexts(p.placemarkDescriptions, descriptions, "route placemark descriptions");
  CheckTexts(p.hrefs, hrefs, "route icons");
  Check(p.coordinates.size() == points.size() + 1, "route coordinates");
  std::string line;
  for (std::size_t i = 0; i < points.size(); ++i) {
    CheckTuple(p.coordinates[i + 1], points[i].latitude, points[i].longitude);
    line += (i == 0 ? "" : " ") + p.coordinates[i + 1];
  }
  Check(p.coordinates[0] == line, "route line is not the points' tuples", p.coordinates[0]);
}

void FuzzTrackLeg(const Texts& t, const TrackLeg& leg) {
  const bool valid = Carriable(t.name) && Carriable(t.icon) && std::isfinite(leg.fromLatitude) &&
                     std::isfinite(leg.fromLongitude) && std::isfinite(leg.toLatitude) &&
                     std::isfinite(leg.toLongitude);
  std::u16string document;
  if (!Produces(
          "track leg", [&] { return TrackLegDocument(t.name, t.icon, leg); }, valid, document)) {
    return;
  }
  const Parsed p = Parse(document);
  Check(p.documentName == Utf8(t.name) + std::to_string(leg.index), "leg document name");
  CheckTexts(p.placemarkNames, {"GPS"}, "leg boat name");
  CheckTexts(p.placemarkDescriptions, {"Boat Description"}, "leg boat description");
  CheckTexts(p.hrefs, {Utf8(t.icon)}, "leg icon");
  Check(p.coordinates.size() == 2, "leg coordinates");
  const std::size_t blank = p.coordinates[0].find(' ');
  Check(blank != std::string::npos, "leg line has two tuples", p.coordinates[0]);
  CheckTuple(p.coordinates[0].substr(0, blank), leg.fromLatitude, leg.fromLongitude);
  CheckTuple(p.coordinates[0].substr(blank + 1), leg.toLatitude, leg.toLongitude);
  CheckTuple(p.coordinates[1], leg.toLatitude, leg.toLongitude);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const Texts texts = TakeTexts(input);
  TrackLeg leg;
  leg.fromLatitude = TakeNumber(input);
  leg.fromLongitude = TakeNumber(input);
  leg.toLatitude = TakeNumber(input);
  leg.toLongitude = TakeNumber(input);
  leg.color = input.ConsumeIntegral<std::uint32_t>();
  leg.index = input.ConsumeIntegral<std::int32_t>();
  leg.heading = input.ConsumeIntegral<std::int32_t>();
  leg.visible = input.ConsumeBool();

  FuzzWaypoint(texts, leg.toLatitude, leg.toLongitude);
  FuzzLiveGps(texts, leg.toLatitude, leg.toLongitude, leg.heading);
  FuzzTrackLeg(texts, leg);
  FuzzRoute(input, texts, leg.color);
  return 0;
}
