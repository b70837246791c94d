#pragma once

#include "encoded_metadata.h"
#include "resize_settings.h"
#include "vips_runtime.h"

#include <filesystem>
#include <optional>

namespace pictavo::detail {

// Encodes the rendered canvas as `type` into `file`. `metadata` absent means the output
// carries nothing of the source. Throws ProcessingError.
void writeImage(const vips::VImage& canvas, WrittenType type, int quality,
                const std::optional<EncodedMetadata>& metadata, const std::filesystem::path& file);

// The source's metadata prepared for an output of `width` × `height` upright pixels.
EncodedMetadata metadataFor(const vips::VImage& source, std::int64_t width, std::int64_t height,
                            bool withProfile);

// Whether the written file carries an ICC profile.
bool hasEmbeddedProfile(const std::filesystem::path& file);

} // namespace pictavo::detail
