#pragma once

#include "encoded_metadata.h"
#include "vips_runtime.h"

namespace pictavo::detail {

// The two codecs written in a HEIF container: HEVC makes HEIC, AV1 makes AVIF.
enum class HeifCodec { hevc, av1 };

// Encodes an in-memory 8-bit RGB or RGBA image through libheif directly, which lets the
// encoder's speed be chosen (libvips always uses a slow setting). HEVC takes three bands
// only. Returns the bytes of the whole file. Throws ProcessingError.
Bytes encodeHeif(const vips::VImage& rgb, HeifCodec codec, int quality,
                 const EncodedMetadata& metadata);

} // namespace pictavo::detail
