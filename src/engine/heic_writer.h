#pragma once

#include "encoded_metadata.h"
#include "vips_runtime.h"

#include <filesystem>

namespace pictavo::detail {

// Encodes an in-memory 8-bit RGB image as HEIC through libheif directly, which lets the x265
// preset be chosen (libvips always uses the slow one). Throws ProcessingError.
void writeHeic(const vips::VImage& rgb, int quality, const EncodedMetadata& metadata,
               const std::filesystem::path& file);

} // namespace pictavo::detail
