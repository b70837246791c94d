#pragma once

#include "vips_runtime.h"

#include <filesystem>

namespace pictavo::detail {

// Encodes an 8-bit RGB or RGBA image as lossy WebP. With `strip`, the file holds no metadata
// chunk at all: libvips 8.14 writes an EXIF chunk whatever its strip option says. Throws
// ProcessingError.
void writeWebp(const vips::VImage& image, int quality, bool strip,
               const std::filesystem::path& file);

} // namespace pictavo::detail
