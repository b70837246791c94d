#pragma once

#include "resize_settings.h"

#include <cstdint>
#include <optional>

namespace pictavo {

struct PixelSize {
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool operator==(const PixelSize&) const = default;
};

// Where the decoded image lands on the canvas, in canvas pixels; never rounded.
struct DrawRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const DrawRect&) const = default;
};

// The longest side the decoder may deliver: the largest of the header size and the target,
// with an absent header dimension replaced by the settings' value.
std::int64_t decodeBound(std::optional<std::int64_t> headerWidth,
                         std::optional<std::int64_t> headerHeight, const ResizeSettings& settings);

// The written image's size for an upright image of `image` pixels (each at least 1):
// the target with values below 1 counted as 1, or the image's own size when the upscaling
// guard is on and the image fits inside the target in both dimensions.
PixelSize canvasSize(PixelSize image, const ResizeSettings& settings);

// Where `image` is drawn on `canvas` for the given mode (centred for fit and fill).
DrawRect drawRect(PixelSize image, PixelSize canvas, ResizeMode mode);

} // namespace pictavo
