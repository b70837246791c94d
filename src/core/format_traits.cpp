#include "format_traits.h"

#include <algorithm>

namespace pictavo {

namespace {

using T = WrittenType;
using F = OutputFormat;

// The JPEG format stores each side in 16 bits, but libjpeg refuses sides above 65,500
// (JPEG_MAX_DIMENSION), both when it starts to encode and when it reads a header.
constexpr SideLimit kJpegSides{65'500};
// HEVC's largest level (6.2) allows pictures of up to 16,888 pixels a side; staying at 16,384
// keeps every output within what a conforming decoder must open. libheif codes a picture with
// a side under 32 pixels in 16-pixel coding tree units, which HEVC forbids from level 5 up; the
// levels below allow a side of at most √(8 × 2,228,224) = 4,222 pixels, which x265 turns into
// 4,216 on its 8-pixel grid. x265 refuses anything longer.
constexpr SideLimit kHeicSides{16'384, 32, 4'216};
// libwebp stores each side in 14 bits.
constexpr SideLimit kWebpSides{16'383};
// AV1's largest levels allow pictures 16,384 pixels wide, and libavif-based viewers refuse
// images of more than 16,384 × 16,384 pixels; keeping both sides within 16,384 opens everywhere.
constexpr SideLimit kAvifSides{16'384};
// PNG and TIFF hold whatever canvas the engine makes.
constexpr SideLimit kAnySides{};

// type, format, identifier, CLI name, label, extension, preferred, alias, kept as original,
// keeps spelling, readable, lossy, alpha, sides, encoder
constexpr std::array<FormatTraits, 6> kTraits{{
    {T::jpeg, F::jpeg, "public.jpeg", "jpeg", "JPEG", "jpg", "jpeg", "jpeg", true, false, true,
     true, false, kJpegSides, Encoder::vipsJpeg},
    {T::png, F::png, "public.png", "png", "PNG", "png", "png", "", true, true, true, false, true,
     kAnySides, Encoder::vipsPng},
    {T::heic, F::heic, "public.heic", "heic", "HEIC", "heic", "heic", "heif", true, true, true,
     true, false, kHeicSides, Encoder::heifHevc},
    {T::tiff, F::tiff, "public.tiff", "tiff", "TIFF", "tiff", "tiff", "tif", true, true, true,
     false, true, kAnySides, Encoder::vipsTiff},
    {T::webp, F::webp, "org.webmproject.webp", "webp", "WebP", "webp", "webp", "", false, false,
     true, true, true, kWebpSides, Encoder::webp},
    {T::avif, F::avif, "public.avif", "avif", "AVIF", "avif", "avif", "", false, false, true, true,
     true, kAvifSides, Encoder::heifAv1},
}};

} // namespace

bool SideLimit::admits(std::int64_t width, std::int64_t height) const
{
    if (longest == 0)
        return true;
    const std::int64_t shorter = std::min(width, height);
    const std::int64_t longer = std::max(width, height);
    return longer <= longest &&
           (narrowSide == 0 || shorter >= narrowSide || longer <= longestBesideNarrow);
}

bool FormatTraits::names(std::string_view lowercaseExtension) const
{
    return lowercaseExtension == extension || (!alias.empty() && lowercaseExtension == alias);
}

std::span<const FormatTraits> allFormatTraits()
{
    return kTraits;
}

const FormatTraits& traitsOf(WrittenType type)
{
    return *std::find_if(kTraits.begin(), kTraits.end(),
                         [type](const FormatTraits& row) { return row.type == type; });
}

const FormatTraits* traitsOf(OutputFormat format)
{
    for (const FormatTraits& row : kTraits)
        if (row.format == format)
            return &row;
    return nullptr;
}

const FormatTraits* traitsForExtension(std::string_view lowercaseExtension)
{
    for (const FormatTraits& row : kTraits)
        if (row.names(lowercaseExtension))
            return &row;
    return nullptr;
}

} // namespace pictavo
