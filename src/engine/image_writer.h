#pragma once

#include "encoded_metadata.h"
#include "resize_settings.h"
#include "vips_runtime.h"

#include <optional>

namespace pictavo::detail {

// Encodes the rendered canvas as `type` into memory: the bytes of the whole file, for the
// caller to write with every write checked. `metadata` absent means the output carries nothing
// of the source. Throws ProcessingError.
Bytes encodeImage(const vips::VImage& canvas, WrittenType type, int quality,
                  const std::optional<EncodedMetadata>& metadata);

// The source's metadata prepared for an output of `width` × `height` upright pixels.
EncodedMetadata metadataFor(const vips::VImage& source, std::int64_t width, std::int64_t height,
                            bool withProfile);

// Whether the encoded file carries an ICC profile.
bool hasEmbeddedProfile(const Bytes& file);

} // namespace pictavo::detail
