#pragma once

#include <cstdint>
#include <vector>

namespace pictavo::detail {

using Bytes = std::vector<unsigned char>;

// Rewrites an EXIF block (with or without its "Exif\0\0" header) for pixels that are already
// upright and `width` × `height` large: Orientation becomes 1, the EXIF pixel dimensions
// follow the new size and the embedded thumbnail (IFD1) is dropped; every other entry stays. Empty
// when the block cannot be parsed, so that a damaged block is dropped instead of written out.
Bytes normalizedExif(const unsigned char* data, std::size_t size, std::int64_t width,
                     std::int64_t height);

// Reads the Orientation entry of an EXIF block; 0 when there is none.
int exifOrientation(const unsigned char* data, std::size_t size);

} // namespace pictavo::detail
