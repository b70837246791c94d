#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace pictavo::detail {

struct JpegHeader {
    std::int64_t width = 0;  // as stored
    std::int64_t height = 0; // as stored
    int orientation = 1;     // EXIF orientation, 1..8
};

// Reads a baseline, progressive or arithmetic-coded 8-bit JPEG's frame size and EXIF
// orientation straight from its marker segments: a few hundred bytes instead of a whole
// decoder set-up, which makes probing a large folder fast. Nothing for anything else (other
// formats, 12-bit or lossless JPEGs, broken headers), which the caller then hands to libvips.
std::optional<JpegHeader> readJpegHeader(const std::filesystem::path& path);

} // namespace pictavo::detail
