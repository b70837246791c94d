#include "test_images.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace pictavo {
namespace {

using namespace test;

ResizeSettings smallJpeg(bool keepMetadata = true)
{
    ResizeSettings settings;
    settings.width = 50;
    settings.height = 50;
    settings.mode = ResizeMode::stretch;
    settings.format = OutputFormat::jpeg;
    settings.keepMetadata = keepMetadata;
    return settings;
}

enum class Samples { uchar8, ushort16, float32 };

// One way a loader can hand over pixels: grey or RGB, with or without alpha, 8-bit, 16-bit or
// float, with or without an embedded profile that matches the colour bands.
struct Layout {
    int colourBands;
    bool alpha;
    Samples samples;
    bool profile;

    std::string name() const
    {
        const char* depth[] = {"8", "16", "float"};
        return std::string(colourBands == 1 ? "grey" : "rgb") + (alpha ? "+alpha " : " ") +
               depth[static_cast<int>(samples)] + (profile ? " icc" : "");
    }
};

const std::vector<double> kOrange{230, 120, 40};
constexpr double kGrey = 90;
constexpr double kTranslucent = 102; // 40 % of 255

// 80 × 40 pixels of one colour: the left half opaque, the right half at 40 % opacity when the
// layout has alpha. Float samples and alpha run from 0 to 1, as float TIFFs hold them.
vips::VImage layoutSource(const Layout& layout, const Bytes& profile)
{
    const vips::VImage srgb =
        solid(80, 40, layout.colourBands == 1 ? std::vector{kGrey, kGrey, kGrey} : kOrange);
    vips::VImage colour = srgb;
    switch (layout.samples) {
    case Samples::uchar8:
        break;
    case Samples::ushort16:
        colour = (srgb.cast(VIPS_FORMAT_USHORT) * 257).cast(VIPS_FORMAT_USHORT);
        break;
    case Samples::float32:
        // Device values of the profile, or linear light without one.
        colour = layout.profile ? srgb.cast(VIPS_FORMAT_FLOAT) / 255
                                : srgb.colourspace(VIPS_INTERPRETATION_scRGB);
        break;
    }
    if (layout.colourBands == 1)
        colour = colour.extract_band(0);
    const double opaque = layout.samples == Samples::uchar8     ? 255
                          : layout.samples == Samples::ushort16 ? 65535
                                                                : 1;
    vips::VImage image = colour;
    if (layout.alpha) {
        const vips::VImage alpha = (vips::VImage::black(80, 40) + opaque)
                                       .insert(vips::VImage::black(40, 40) + opaque * 0.4, 40, 0);
        image = colour.bandjoin(alpha.cast(colour.format()));
    }
    const bool grey = layout.colourBands == 1;
    const VipsInterpretation interpretation[] = {
        grey ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB,
        grey ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_RGB16,
        grey ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_scRGB};
    image = image.copy(vips::VImage::option()->set(
        "interpretation", interpretation[static_cast<int>(layout.samples)]));
    if (layout.profile)
        vips_image_set_blob_copy(image.get_image(), VIPS_META_ICC_NAME, profile.data(),
                                 profile.size());
    return image;
}

// What a pixel of `colour` at `opacity` (0…255, none for an opaque source) reads in the output.
std::vector<double> shown(std::vector<double> colour, std::optional<double> opacity,
                          bool opaqueType)
{
    if (!opacity)
        return colour;
    if (!opaqueType) {
        colour.push_back(*opacity);
        return colour;
    }
    for (double& value : colour)
        value = (value * *opacity + 255 * (255 - *opacity)) / 255;
    return colour;
}

// Every sample layout, with and without its profile and metadata, comes out of every written
// type with the right colour and opacity; opaque types show translucent pixels on white.
TEST(Colour, EverySampleLayoutKeepsItsColourAndOpacity)
{
    const Bytes rgbProfile =
        blobField(solid(1, 1, kOrange)
                      .icc_transform("srgb", vips::VImage::option()->set("input_profile", "srgb")),
                  VIPS_META_ICC_NAME);
    // libvips has no built-in grey profile; the real file's "Gray Gamma 2.2" is used if present.
    const Bytes greyProfile =
        hasTestdata()
            ? blobField(decode(testdata() / "03-png/gray8_grayICC.png"), VIPS_META_ICC_NAME)
            : Bytes{};
    std::vector<Layout> layouts;
    for (const int colourBands : {1, 3})
        for (const bool alpha : {false, true})
            for (const Samples samples : {Samples::uchar8, Samples::ushort16, Samples::float32})
                for (const bool profile : {false, true})
                    layouts.push_back({colourBands, alpha, samples, profile});

    TempDir dir;
    for (const Layout& layout : layouts) {
        const Bytes& icc = layout.colourBands == 1 ? greyProfile : rgbProfile;
        if (layout.profile && icc.empty())
            continue;
        // PNG holds 8 and 16 bits; floats need TIFF.
        const fs::path source = dir / (layout.samples == Samples::uchar8 ? "in.png" : "in.tif");
        layoutSource(layout, icc).write_to_file(source.c_str());
        const std::vector<double> colour =
            layout.colourBands == 1 ? std::vector{kGrey, kGrey, kGrey} : kOrange;
        const std::optional<double> opaque = layout.alpha ? std::optional(255.0) : std::nullopt;
        const std::optional<double> translucent =
            layout.alpha ? std::optional(kTranslucent) : std::nullopt;
        // Without a profile, keeping metadata changes nothing about the colours.
        for (const bool keep : layout.profile ? std::vector{false, true} : std::vector{false}) {
            for (const OutputFormat format :
                 {OutputFormat::jpeg, OutputFormat::png, OutputFormat::heic, OutputFormat::tiff}) {
                SCOPED_TRACE(layout.name() + (keep ? " kept " : " dropped ") +
                             std::string(rawValue(format)));
                ResizeSettings settings;
                settings.width = 40;
                settings.height = 20;
                settings.mode = ResizeMode::stretch;
                settings.format = format;
                settings.keepMetadata = keep;
                ImageProcessor::process(source, dir / "out", settings);
                const vips::VImage out = decode(dir / "out");
                const bool opaqueType =
                    format == OutputFormat::jpeg || format == OutputFormat::heic;
                for (const auto& [x, opacity] :
                     {std::pair{10, opaque}, std::pair{30, translucent}}) {
                    const std::vector<double> expected = shown(colour, opacity, opaqueType);
                    const std::vector<double> actual = pixelAt(out, x, 10);
                    EXPECT_TRUE(near(actual, expected, 8))
                        << "at x=" << x << ": " << testing::PrintToString(actual) << " instead of "
                        << testing::PrintToString(expected);
                }
            }
        }
    }
}

// A real 16-bit RGBA TIFF with an sRGB profile keeps its colours and alpha with and without
// metadata; JPEG shows it blended onto white.
TEST(Colour, Real16BitTiffWithAlphaAndProfileKeepsItsPixels)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
    const fs::path source = testdata() / "04-tiff/rgba16_lzw_sRGBicc.tiff";
    const vips::VImage original = decode(source);
    const vips::VImage straight = original / 257;
    const vips::VImage onWhite = original.flatten(vips::VImage::option()
                                                      ->set("background", std::vector{65535.0})
                                                      ->set("max_alpha", 65535.0)) /
                                 257;
    TempDir dir;
    for (const bool keep : {false, true}) {
        for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::png}) {
            SCOPED_TRACE(std::string(rawValue(format)) + (keep ? " kept" : " dropped"));
            ResizeSettings settings;
            settings.width = original.width();
            settings.height = original.height();
            settings.format = format;
            settings.keepMetadata = keep;
            ImageProcessor::process(source, dir / "out", settings);
            const vips::VImage out = decode(dir / "out");
            EXPECT_GT(psnr(out, format == OutputFormat::png ? straight : onWhite), 35);
        }
    }
}

// Renames a JPEG's Adobe segment (APP14) to APP15, as in CMYK files that carry none.
void dropAdobeSegment(const fs::path& path)
{
    Bytes jpeg = readFile(path);
    for (std::size_t at = 2; at + 4 < jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA;
         at += 2 + ((std::size_t(jpeg[at + 2]) << 8) | jpeg[at + 3]))
        if (jpeg[at + 1] == 0xEE)
            jpeg[at + 1] = 0xEF;
    writeFile(path, jpeg);
}

// Palette, CMYK and Lab sources come out in the right colour (CMYK round trips lose a little
// to gamut mapping). libvips reads CMYK JPEGs as inverted whether or not Adobe's segment says
// so, and so does the engine.
TEST(Colour, OtherColourSpacesConvertToTheRightColour)
{
    const std::vector<double> orange = kOrange;
    const std::vector<std::pair<std::string, vips::VImage>> sources{
        {"cmyk.tif", solid(60, 60, orange).colourspace(VIPS_INTERPRETATION_CMYK)},
        {"cmyk.jpg[Q=97]", solid(60, 60, orange).colourspace(VIPS_INTERPRETATION_CMYK)},
        {"cmyk-no-adobe.jpg[Q=97]", solid(60, 60, orange).colourspace(VIPS_INTERPRETATION_CMYK)},
        {"lab.tif", solid(60, 60, orange).colourspace(VIPS_INTERPRETATION_LAB)},
        {"palette.png[palette]", solid(60, 60, orange)}};
    TempDir dir;
    for (const auto& [name, image] : sources) {
        const fs::path path = dir / name.substr(0, name.find('['));
        image.write_to_file((dir / name).c_str());
        if (name.starts_with("cmyk-no-adobe"))
            dropAdobeSegment(path);
        for (const bool keep : {true, false}) {
            ImageProcessor::process(path, dir / "out.jpg", smallJpeg(keep));
            EXPECT_TRUE(near(pixelAt(decode(dir / "out.jpg"), 25, 25), orange, 20)) << name;
        }
    }
}

// Colours look the same in a colour-managed viewer: either the profile travels with the
// untouched pixels, or the pixels are converted to sRGB and carry no profile. At full size the
// PNG that libpng refused a profile is rendered from the file a second time.
TEST(Colour, WideGamutSourcesKeepTheirLook)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
    TempDir dir;
    for (const auto& [name, divisor] : {std::pair{"06-jpeg-special/dciP3_color-ring.jpg", 4},
                                        std::pair{"06-jpeg-special/adobeRGB_CanonT6.jpg", 4},
                                        std::pair{"06-jpeg-special/rec2020_color-bars.jpg", 4},
                                        std::pair{"06-jpeg-special/rec2020_color-bars.jpg", 1}}) {
        SCOPED_TRACE(std::string(name) + " / " + std::to_string(divisor));
        const fs::path source = testdata() / name;
        const vips::VImage original = decode(source);
        ResizeSettings settings;
        settings.width = original.width() / divisor;
        settings.height = original.height() / divisor;
        settings.mode = ResizeMode::stretch;
        settings.format = OutputFormat::png;

        const vips::VImage inSrgb =
            original
                .resize(1.0 / divisor, vips::VImage::option()->set(
                                           "vscale", double(settings.height) / original.height()))
                .icc_transform("srgb", vips::VImage::option()->set("embedded", true));

        settings.keepMetadata = false;
        ImageProcessor::process(source, dir / "off.png", settings);
        const vips::VImage off = decode(dir / "off.png");
        EXPECT_FALSE(hasField(off, VIPS_META_ICC_NAME));
        EXPECT_GT(psnr(off, inSrgb), 35);

        // JPEG embeds any profile; libpng refuses some, and then the pixels must be sRGB.
        settings.keepMetadata = true;
        for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::png}) {
            settings.format = format;
            ImageProcessor::process(source, dir / "on.out", settings);
            const vips::VImage on = decode(dir / "on.out");
            const Bytes profile = blobField(on, VIPS_META_ICC_NAME);
            if (format == OutputFormat::jpeg) {
                EXPECT_EQ(profile, blobField(original, VIPS_META_ICC_NAME));
            }
            const double tolerance = format == OutputFormat::jpeg ? 30 : 35;
            if (profile.empty()) {
                EXPECT_GT(psnr(on, inSrgb), tolerance);
            } else {
                EXPECT_EQ(profile, blobField(original, VIPS_META_ICC_NAME));
                EXPECT_GT(
                    psnr(on.icc_transform("srgb", vips::VImage::option()->set("embedded", true)),
                         inSrgb),
                    tolerance);
            }
        }
    }
}

} // namespace
} // namespace pictavo
