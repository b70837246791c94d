#pragma once

#include "exif_edit.h"
#include "vips_runtime.h"

namespace pictavo::detail {

// Encodes an 8-bit RGB or RGBA image as lossy WebP. With `strip`, the file holds no metadata
// chunk at all: libvips 8.14 writes an EXIF chunk whatever its strip option says. Throws
// ProcessingError.
Bytes encodeWebp(const vips::VImage& image, int quality, bool strip);

} // namespace pictavo::detail
