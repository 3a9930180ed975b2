// The view placemark: a small KML file holding a placemark at the view's
// focus point with a LookAt of the view, which Google Earth opens to return
// to that view. Its lines and number forms are fixed: files written by
// earlier versions and the programs that read them rely on them.
#pragma once

#include <string>

namespace zge::kml {

struct ViewPlacemark {
  double latitude = 0;
  double longitude = 0;
  double range = 0;
  double tilt = 0;
};

// Latitude and longitude: rounded to four decimals, trailing zeros and a
// bare point dropped, no digit before the point when the integer part is 0
// (".5", "-.25"), and the empty text for a value that rounds to 0.
std::string CoordinateText(double value);
// Range and tilt: as CoordinateText, but with a digit before the point
// ("0.5") and "0" for a value that rounds to 0.
std::string MeasureText(double value);

// The file's 30 lines, each ended by CR LF; single-byte text. Throws
// zge::Error (invalid argument) for a value that is not a finite number,
// which no KML reader could take back.
std::string ViewPlacemarkFile(const ViewPlacemark& view);

}  // namespace zge::kml
