#pragma once

// Real image files for tests that cannot include libvips headers (Qt code): plain functions
// over paths, implemented with libvips.

#include <filesystem>

namespace pictavo::test {

// A one-colour image of `width` × `height`; the type follows the extension (.jpg, .png, .heic,
// .tif, .webp); `sixteenBits` stores 16 bits a sample (PNG, TIFF).
void writeSampleImage(const std::filesystem::path& path, int width, int height,
                      bool sixteenBits = false);

// A JPEG stored as `width` × `height` whose EXIF orientation is `orientation`.
void writeTurnedJpeg(const std::filesystem::path& path, int width, int height, int orientation);

// A JPEG whose header is intact but whose pixel data stops halfway.
void writeTruncatedJpeg(const std::filesystem::path& path, int width, int height);

} // namespace pictavo::test
