// The data built into the executable as RCDATA resources (standin/data and
// the surface image; see resources.rc.in): decoded on first use, kept for
// the process's life, read-only after that.
#pragma once

#include "render/coastlines.h"
#include "render/surface_image.h"
#include "render/surface_painter.h"

namespace standin {

// nullptr when the resource is missing or cannot be decoded; the reason
// goes once to the debugger (OutputDebugString) and the globe is painted
// without it. The first call decodes, on a thread that has COM initialised
// (WIC decodes the image).
// The world's layers (1:110m, 1:50m, borders), and apart from them, decoded
// on the first close view, the coasts' (1:10m, harbour regions).
[[nodiscard]] const Coastlines* EmbeddedCoastlines();
[[nodiscard]] const Coastlines* EmbeddedCoasts();
[[nodiscard]] const SurfaceImage* EmbeddedSurface();
// The surface's colours split at the 1:50m coast (made from both above on
// first use, about a tenth of a second).
[[nodiscard]] const SurfaceColours* EmbeddedSurfaceColours();

}  // namespace standin
