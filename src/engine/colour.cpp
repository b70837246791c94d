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

vips::VImage toUchar(const vips::VImage& image)
{
    if (image.format() == VIPS_FORMAT_UCHAR)
        return image;
    if (image.format() == VIPS_FORMAT_USHORT)
        return (image >> 8).cast(VIPS_FORMAT_UCHAR);
    // Float and wider integer samples are clipped into range by the cast.
    return image.cast(VIPS_FORMAT_UCHAR);
}

// Grey with or without alpha becomes RGB by repeating the grey band.
vips::VImage toThreeColourBands(const vips::VImage& image)
{
    const bool alpha = hasAlpha(image);
    const int colourBands = image.bands() - (alpha ? 1 : 0);
    if (colourBands == 3)
        return image;
    vips::VImage colour = image.extract_band(0);
    if (colourBands >= 3)
        colour = image.extract_band(0, vips::VImage::option()->set("n", 3));
    else
        colour = colour.bandjoin({colour, colour});
    return alpha ? colour.bandjoin(image.extract_band(image.bands() - 1)) : colour;
}

vips::VImage toSrgb(const vips::VImage& image, std::string_view profileSpace, int colourBands)
{
    if (profileMatchesBands(profileSpace, colourBands)) {
        try {
            return image.icc_transform("srgb", vips::VImage::option()
                                                   ->set("embedded", true)
                                                   ->set("depth", 8)
                                                   ->set("intent", VIPS_INTENT_RELATIVE));
        } catch (const vips::VError&) {
            // A damaged profile is ignored rather than failing the whole image.
            vips_error_clear();
        }
    }
    try {
        return image.colourspace(VIPS_INTERPRETATION_sRGB);
    } catch (const vips::VError&) {
        vips_error_clear();
        return image;
    }
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
        return image.interpretation() == VIPS_INTERPRETATION_scRGB ? 1.0 : 255.0;
    default:
        return 255.0;
    }
}

OutputColour toOutputColour(const vips::VImage& image, bool keepRgbProfile)
{
    const int colourBands = image.bands() - (hasAlpha(image) ? 1 : 0);
    const std::string_view space = profileColourSpace(image);
    const bool integerSamples =
        image.format() == VIPS_FORMAT_UCHAR || image.format() == VIPS_FORMAT_USHORT;

    if (keepRgbProfile && space == "RGB " && colourBands == 3 && integerSamples)
        return {toUchar(image), true};
    return {toThreeColourBands(toUchar(toSrgb(image, space, colourBands))), false};
}

} // namespace pictavo::detail
