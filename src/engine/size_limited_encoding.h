#pragma once

#include "exif_edit.h"
#include "format_traits.h"

#include <cstdint>
#include <functional>

namespace vips {
class VImage;
}

namespace pictavo::detail {

// The lowest quality a size limit may choose, on the encoders' 1…100 scale: below it every
// photo turns to blocks.
inline constexpr int kLowestLimitedQuality = 5;

// What the search knows of a picture before its first trial.
struct PictureTraits {
    std::int64_t pixels = 0;
    std::int64_t fixedBytes = 0; // the metadata every quality carries alike
    double detail = 1;           // fineDetail() of the canvas
};

// The file a size limit chose.
struct LimitedFile {
    Bytes bytes;
    int quality = 0; // kLowestLimitedQuality…100
    int encodes = 0; // the trials it took, the chosen one included
};

// The whole file, metadata included, encoded at one quality from 1 to 100.
using EncodeAtQuality = std::function<Bytes(int quality)>;

// How much fine detail (edges, texture, noise) the canvas holds: the mean distance of its grey
// levels from a slightly blurred copy. Encoded sizes grow with it at every quality.
double fineDetail(const vips::VImage& canvas);

// The file at the highest quality from kLowestLimitedQuality to 100 whose whole length is at
// most `limitBytes`. Throws ProcessingError(exceedsSizeLimit) when the lowest quality does not
// fit, and what `encode` throws.
LimitedFile encodeWithinLimit(const EncodeAtQuality& encode, Encoder encoder,
                              const PictureTraits& picture, std::int64_t limitBytes);

} // namespace pictavo::detail
