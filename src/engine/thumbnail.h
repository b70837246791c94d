#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace pictavo {

// A small upright picture of an image file: 8-bit sRGB with alpha, four bytes a pixel, rows
// top to bottom without padding.
struct Thumbnail {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// The image scaled to cover `width` × `height` and cropped to it about its centre, turned
// upright. A preview embedded in the file may stand in for the full image. Nothing when the
// path is not a regular file once links are followed (a FIFO or a device is never opened), is
// not a readable image of a supported type, or is too large to decode safely. Never throws;
// safe on any thread, and frees the thread's libvips state before it returns.
std::optional<Thumbnail> makeThumbnail(const std::filesystem::path& path, int width, int height);

// The whole image turned upright and scaled, aspect kept, to fit within `longSide` ×
// `longSide`; never enlarged. What a shared thumbnail cache stores. Refuses the same files as
// makeThumbnail() and is as safe to call.
std::optional<Thumbnail> makePreview(const std::filesystem::path& path, int longSide);

} // namespace pictavo
