#pragma once

#include "jpeg_integrity.h"
#include "vips_runtime.h"

#include <filesystem>
#include <optional>

namespace pictavo::detail {

// Decoded pixels above this many bytes are left to libvips, which streams them in strips
// after a separate damage check. 128 MB holds a 42 MP photo at full scale; the run's memory
// estimate already counts four bytes for every source pixel, more than any decode here takes.
inline constexpr std::size_t kMaxOnePassJpegBytes = 128'000'000;

// A JPEG file's pixels at 1/`shrink` DCT scale, decoded once with the damage check made on
// the way and identical to what libvips' jpegload with that shrink gives, carrying the
// metadata of `header` (the file's jpegload image). Nothing when the pixels would be too large
// for one buffer. Throws ProcessingError::cannotRead when the data is damaged.
std::optional<vips::VImage> decodeJpegSource(std::span<const unsigned char> file,
                                             const vips::VImage& header, int shrink);

// The image libvips' jpegload would make at 1/`shrink` scale from pixels decoded at that
// scale, with the metadata of `header`. Throws ProcessingError::cannotRead when the pixels do
// not fit the header.
vips::VImage jpegSourceImage(JpegPixels pixels, const vips::VImage& header, int shrink);

} // namespace pictavo::detail
