#pragma once

#include "geometry.h"
#include "vips_runtime.h"

#include <filesystem>
#include <optional>

namespace pictavo::detail {

// A source file opened for its header; no pixels are decoded until the image is rendered.
struct SourceImage {
    vips::VImage image;
    SourceFamily family;
    int orientation = 1; // EXIF orientation, 1..8; anything else counts as 1
    PixelSize stored;    // as stored in the file, before the orientation is applied

    bool turnsQuarter() const { return orientation >= 5; }
    PixelSize upright() const
    {
        return turnsQuarter() ? PixelSize{stored.height, stored.width} : stored;
    }
};

// Opens the header of a supported image from an opened file, reading no more of it than the
// header needs (a WebP excepted, read whole); nothing when the file is not one.
std::optional<SourceImage> openSource(RegularFile& file);

// Opens the header of a supported image from the whole file's bytes, which the image keeps
// alive; nothing when they are not one. A conversion reads its source once, into these bytes,
// and every later look at it (the header, the decode, a second render) reads them: a file
// changed or swapped at the path meanwhile cannot mix into one picture.
std::optional<SourceImage> openSource(VipsBlob* bytes);

// As above, for bytes already known to be of `family`; `jpegShrink` > 1 asks the JPEG decoder
// for a DCT-scaled image.
std::optional<SourceImage> openSource(VipsBlob* bytes, SourceFamily family, int jpegShrink = 1);

// Turns a stored-orientation image upright. The input must allow random access.
vips::VImage applyOrientation(const vips::VImage& image, int orientation);

} // namespace pictavo::detail
