// SaveScreenShot's file writer: a GlobeImage encoded with WIC, as PNG when
// the name ends in ".png" (any case), else as JPEG at the given quality.
#pragma once

#include <cstdint>
#include <string>

#include "render/globe_painter.h"

namespace standin {

// Throws standin::Error (E_INVALIDARG) naming the path when the file cannot
// be written; a file it created is removed again.
void WriteScreenShot(const std::u16string& path, std::int32_t quality, const GlobeImage& image);

}  // namespace standin
