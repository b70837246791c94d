#pragma once

#include "vips_runtime.h"

namespace pictavo::detail {

struct OutputColour {
    vips::VImage image; // 8-bit, three colour bands plus alpha when the source had one
    bool profileKept = false;
};

// Brings any source (grey, palette, CMYK, 16-bit, wide gamut, Lab …) to 8-bit RGB.
// With `keepRgbProfile`, pixels described by an embedded RGB profile stay in that profile's
// space so the profile can travel with them; every other image is converted to sRGB, which
// is what viewers assume for an image without a profile.
OutputColour toOutputColour(const vips::VImage& image, bool keepRgbProfile);

// Whether the last band of the image is alpha.
bool hasAlpha(const vips::VImage& image);

// The largest alpha value for the image's sample format.
double maxAlpha(const vips::VImage& image);

} // namespace pictavo::detail
