#pragma once

#include "render_plan.h"
#include "source_image.h"

#include <filesystem>

namespace pictavo::detail {

struct RenderedCanvas {
    vips::VImage pixels; // in memory, exactly the canvas size, 8-bit sRGB-tagged
    bool profileKept = false;
};

// Decodes, resamples, turns upright and places the source on its canvas, all in memory.
// Throws ProcessingError: cannotRead when the pixel data is damaged, cannotCreate when the
// pipeline cannot be built.
// `bytes` are the whole source file, as `source` was opened from.
RenderedCanvas renderCanvas(VipsBlob* bytes, const SourceImage& source, const RenderPlan& plan,
                            WrittenType type, bool keepRgbProfile);

} // namespace pictavo::detail
