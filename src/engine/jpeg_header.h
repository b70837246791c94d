#pragma once

#include "regular_file.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace pictavo::detail {

struct JpegHeader {
    std::int64_t width = 0;  // as stored
    std::int64_t height = 0; // as stored
    int orientation = 1;     // EXIF orientation, 1..8
};

// What the first bytes of a file say about it as a JPEG.
struct JpegHeaderScan {
    std::optional<JpegHeader> header;
    // When the bytes end before the header does: how many bytes from the start would at least
    // be needed to go on. 0 when more bytes would not help.
    std::size_t needed = 0;
};

// Reads a baseline, progressive or arithmetic-coded 8-bit JPEG's frame size and orientation
// from its marker segments up to the first scan, as libjpeg and libvips read them: the
// orientation is IFD0's entry in the first APP1 segment that starts with "Exif", interpreted
// through libexif as libvips does. A header that libjpeg would refuse or read differently
// (other frame types, 12-bit or lossless JPEGs, duplicate or unknown markers, stray bytes) gives
// no header, and the caller hands the file to libvips instead.
JpegHeaderScan scanJpegHeader(std::span<const unsigned char> bytes);

// scanJpegHeader() on the start of a regular file, reading only as far as the header goes: a
// few kilobytes instead of a whole decoder set-up, which makes probing a large folder fast.
// Nothing for anything else, including FIFOs and devices, which are never read.
std::optional<JpegHeader> readJpegHeader(RegularFile& file);

} // namespace pictavo::detail
