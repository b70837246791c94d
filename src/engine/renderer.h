#pragma once

#include "render_plan.h"
#include "source_image.h"

#include <filesystem>

namespace pictavo::detail {

struct RenderedCanvas {
    vips::VImage pixels; // in memory, exactly the canvas size, 8-bit sRGB-tagged
    bool profileKept = false;
};

// A source's pixels, decoded at 1/`shrink` JPEG DCT scale (1 for the other families).
struct DecodedSource {
    vips::VImage image;
    int shrink = 1;
    bool inMemory = false; // random access; otherwise streamed once, top to bottom
};

// The JPEG DCT shrink that a render of `plan` allows (1 for the other families): the largest
// that still leaves the resampler only reducing.
int decodeShrink(const SourceImage& source, const RenderPlan& plan);

// Decodes the source once into memory, for several renders. Throws ProcessingError::cannotRead
// when the pixel data is damaged.
DecodedSource decodeSource(VipsBlob* bytes, const SourceImage& source, int shrink);

// As renderCanvas(), from pixels decodeSource() gave at a shrink no larger than the plan's.
RenderedCanvas renderDecoded(const DecodedSource& decoded, const SourceImage& source,
                             const RenderPlan& plan, WrittenType type, bool keepRgbProfile);

// Whether a canvas of `plan` can be made from the canvas rendered for `larger`: the same part of
// the source, scaled no larger.
bool derivable(const RenderPlan& larger, const RenderPlan& plan);

// The canvas of `plan` resampled from the picture on `larger`, rendered for `largerPlan`, which
// `plan` is derivable() from: that picture is already upright and in its output colours, so
// only resampling and placing are left.
RenderedCanvas renderFromLarger(const RenderedCanvas& larger, const RenderPlan& largerPlan,
                                const RenderPlan& plan, WrittenType type);

// Decodes, resamples, turns upright and places the source on its canvas, all in memory.
// Throws ProcessingError: cannotRead when the pixel data is damaged, cannotCreate when the
// pipeline cannot be built.
// `bytes` are the whole source file, as `source` was opened from.
RenderedCanvas renderCanvas(VipsBlob* bytes, const SourceImage& source, const RenderPlan& plan,
                            WrittenType type, bool keepRgbProfile);

} // namespace pictavo::detail
