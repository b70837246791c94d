#pragma once

#include "geometry.h"
#include "resize_settings.h"

namespace pictavo::detail {

// A rectangle in whole pixels.
struct PixelRect {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool operator==(const PixelRect&) const = default;
};

// The geometry of one conversion snapped to whole pixels, all in the upright orientation.
// `crop` is the part of the image that is used (fill cuts its overhang off here, before any
// resampling, so that a thin strip never becomes a giant intermediate image); it is scaled to
// `scaled` and placed on the canvas at `offset`.
struct RenderPlan {
    PixelSize canvas;
    PixelRect crop;
    PixelSize scaled;
    PixelSize offset;

    bool hasMargins() const { return scaled.width < canvas.width || scaled.height < canvas.height; }
};

RenderPlan planRender(PixelSize upright, const ResizeSettings& settings);

// The same rectangle in the stored orientation of an image that is turned by a quarter.
PixelRect transposed(const PixelRect& rect);

// The largest JPEG DCT shrink factor (1, 2, 4 or 8) that still decodes `crop` of an image
// with at least `scaled` pixels, so the resampler only ever reduces.
int jpegShrinkFactor(const PixelRect& crop, PixelSize scaled);

} // namespace pictavo::detail
