#include "colour.h"

#include <cstring>
#include <string_view>

namespace pictavo::detail {

namespace {

// The data colour space signature of an ICC profile: "RGB ", "GRAY", "CMYK", …
std::string_view profileColourSpace(const vips::VImage& image)
{
    if (vips_image_get_typeof(image.get_image(), VIPS_META_ICC_NAME) == 0)
        return {};
    const void* data = nullptr;
    size_t length = 0;
    if (vips_image_get_blob(image.get_image(), VIPS_META_ICC_NAME, &data, &length) != 0 ||
        length < 128) {
        vips_error_clear();
        return {};
    }
    return {static_cast<const char*>(data) + 16, 4};
}

bool profileMatchesBands(std::string_view space, int colourBands)
{
    return (space == "RGB " && colourBands == 3) || (space == "GRAY" && colourBands == 1) ||
           (space == "CMYK" && colourBands == 4);
}

bool floatSamples(const vips::VImage& image)
{
    return image.format() == VIPS_FORMAT_FLOAT || image.format() == VIPS_FORMAT_DOUBLE;
}

vips::VImage toUchar(const vips::VImage& image)
{
    if (image.format() == VIPS_FORMAT_UCHAR)
        return image;
    if (image.format() == VIPS_FORMAT_USHORT)
        return (image >> 8).cast(VIPS_FORMAT_UCHAR);
    // Any other samples are clipped into range by the cast.
    return image.cast(VIPS_FORMAT_UCHAR);
}

// Grey becomes RGB by repeating the grey band; unknown extra colour bands are dropped.
vips::VImage toThreeColourBands(const vips::VImage& colour)
{
    if (colour.bands() == 3)
        return colour;
    if (colour.bands() > 3)
        return colour.extract_band(0, vips::VImage::option()->set("n", 3));
    const vips::VImage grey = colour.extract_band(0);
    // The static bandjoin: called on an image, the vector overload would ignore that image.
    return vips::VImage::bandjoin({grey, grey, grey});
}

// Float samples (only TIFF has them) run from 0 to 1. Under a profile they are its device
// values, which the colour engine takes as 16-bit integers; without one they are linear
// light with sRGB primaries, which is how libvips labels float RGB.
vips::VImage fromFloat(const vips::VImage& colour, bool profileApplies)
{
    const bool grey = colour.bands() == 1;
    if (profileApplies)
        return (colour * 65535.0)
            .cast(VIPS_FORMAT_USHORT)
            .copy(vips::VImage::option()->set("interpretation", grey ? VIPS_INTERPRETATION_GREY16
                                                                     : VIPS_INTERPRETATION_RGB16));
    if (grey)
        return toThreeColourBands(colour).copy(
            vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_scRGB));
    return colour;
}

// Colour bands only: alpha must be taken off first, since icc_transform would clip a 16-bit
// alpha into 8 bits instead of scaling it.
vips::VImage toSrgb(const vips::VImage& colour, bool profileApplies)
{
    if (profileApplies) {
        try {
            return colour.icc_transform("srgb", vips::VImage::option()
                                                    ->set("embedded", true)
                                                    ->set("depth", 8)
                                                    ->set("intent", VIPS_INTENT_RELATIVE));
        } catch (const vips::VError&) {
            // A damaged profile is ignored rather than failing the whole image.
            vips_error_clear();
        }
    }
    try {
        return colour.colourspace(VIPS_INTERPRETATION_sRGB);
    } catch (const vips::VError&) {
        vips_error_clear();
        return colour;
    }
}

// The alpha band scaled, not clipped, to 0…255.
vips::VImage alphaToUchar(const vips::VImage& alpha, double maximum)
{
    if (alpha.format() == VIPS_FORMAT_UCHAR)
        return alpha;
    return (alpha * (255.0 / maximum)).round(VIPS_OPERATION_ROUND_RINT).cast(VIPS_FORMAT_UCHAR);
}

} // namespace

bool hasAlpha(const vips::VImage& image)
{
    return vips_image_hasalpha(image.get_image()) != 0;
}

double maxAlpha(const vips::VImage& image)
{
    switch (image.format()) {
    case VIPS_FORMAT_USHORT:
        return 65535.0;
    case VIPS_FORMAT_FLOAT:
    case VIPS_FORMAT_DOUBLE:
        // Float TIFFs hold alpha from 0 to 1; tiffload turns 8-bit CIELab into float Lab
        // with alpha kept from 0 to 255.
        return image.interpretation() == VIPS_INTERPRETATION_scRGB ||
                       image.interpretation() == VIPS_INTERPRETATION_B_W
                   ? 1.0
                   : 255.0;
    default:
        return 255.0;
    }
}

OutputColour toOutputColour(const vips::VImage& image, bool keepRgbProfile)
{
    // Colour and alpha are converted apart: the colour engine knows nothing of alpha, and a
    // cast of both together would leave 16-bit alpha values in an 8-bit image.
    const bool alpha = hasAlpha(image);
    const int colourBands = image.bands() - (alpha ? 1 : 0);
    vips::VImage colour =
        alpha ? image.extract_band(0, vips::VImage::option()->set("n", colourBands)) : image;
    const std::string_view space = profileColourSpace(image);
    const bool profileApplies = profileMatchesBands(space, colourBands);
    if (floatSamples(colour))
        colour = fromFloat(colour, profileApplies);

    const bool keepProfile = keepRgbProfile && space == "RGB " && colourBands == 3;
    colour =
        keepProfile ? toUchar(colour) : toThreeColourBands(toUchar(toSrgb(colour, profileApplies)));
    if (alpha)
        colour = colour.bandjoin(alphaToUchar(image.extract_band(colourBands), maxAlpha(image)));
    return {colour.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)),
            keepProfile};
}

} // namespace pictavo::detail
