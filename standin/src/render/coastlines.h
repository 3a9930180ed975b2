// Natural Earth's land outlines and country borders (standin/data), decoded
// from the compact form make_coastlines.mjs writes. Portable: the bytes come
// from wherever the caller keeps them (the executable's resources).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "render/globe_view.h"

namespace standin {

struct GeoLine {
  // Longitudes run on without a jump where a line crosses the date line
  // (179 is followed by 181, not -179), so they may leave -180..180; the
  // planar outline is then closed wherever the line is.
  std::vector<GeoPoint> points;
  // The bounding box of those longitudes (east may pass 180, west -180).
  LatLonBox bounds;
  // A ring that goes once around a pole (Antarctica): 1 north, -1 south,
  // else 0. Its planar outline closes along that pole's edge.
  int pole = 0;
};

// The finest shoreline (GSHHG full resolution) of one region: closed
// rings like the land's, those cut by the region's box closed along it, so
// they are whole only for views that lie inside the box.
struct HarbourRegion {
  LatLonBox box;
  std::vector<GeoLine> land;
};

struct Coastlines {
  // Closed rings (the first point repeated at the end), outer shores and
  // the shores of lakes and inland seas alike: inside an odd number of
  // rings is land.
  std::vector<GeoLine> land;        // 1:50m
  std::vector<GeoLine> coarseLand;  // 1:110m, for views of a whole side of the globe
  std::vector<GeoLine> fineLand;    // 1:10m, for views of a coast
  std::vector<GeoLine> borders;     // 1:50m land borders between countries
  std::vector<HarbourRegion> harbours;
};

// Which layers to keep: the world's (1:110m, 1:50m, borders), the coasts'
// (1:10m and the harbour regions, wanted only close up), or all.
enum class CoastLayers { kWorld, kCoasts, kAll };

// Throws standin::Error (E_FAIL) naming the fault when the data is damaged:
// a wrong header, counts beyond the data, a point off the globe, bytes left
// over. Layers not kept are read and checked all the same.
[[nodiscard]] Coastlines DecodeCoastlines(std::span<const std::byte> data,
                                          CoastLayers keep = CoastLayers::kAll);

}  // namespace standin
