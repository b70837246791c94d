#pragma once

#include "encoded_metadata.h"
#include "vips_runtime.h"

#include <filesystem>

namespace pictavo::detail {

// The two codecs written in a HEIF container: HEVC makes HEIC, AV1 makes AVIF.
enum class HeifCodec { hevc, av1 };

// Encodes an in-memory 8-bit RGB or RGBA image through libheif directly, which lets the
// encoder's speed be chosen (libvips always uses a slow setting). HEVC takes three bands
// only. Throws ProcessingError.
void writeHeif(const vips::VImage& rgb, HeifCodec codec, int quality,
               const EncodedMetadata& metadata, const std::filesystem::path& file);

} // namespace pictavo::detail
