#include "test_images.h"

#include <functional>
#include <gtest/gtest.h>

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

struct ColourSource {
    std::string name;
    std::function<vips::VImage()> make;
    std::vector<double> expected; // the sRGB colour the output must show
    double tolerance = 14;        // CMYK round trips lose a little to gamut mapping
};

// Sources in every sample layout the loaders produce convert to the right colour instead of
// failing: grey, grey + alpha, palette, 16-bit, CMYK, Lab.
TEST(Colour, EverySampleLayoutConvertsToTheRightColour)
{
    const std::vector<double> orange{230, 120, 40};
    const std::vector<ColourSource> sources{
        {"gray.png",
         [] {
             return solid(60, 60, {90})
                 .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
         },
         {90, 90, 90}},
        {"grayalpha.png",
         [] {
             return solid(60, 60, {90, 255})
                 .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
         },
         {90, 90, 90}},
        {"gray16.png",
         [] {
             return (solid(60, 60, {90}).cast(VIPS_FORMAT_USHORT) * 257)
                 .cast(VIPS_FORMAT_USHORT)
                 .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_GREY16));
         },
         {90, 90, 90}},
        {"rgb16.png",
         [&] {
             return (solid(60, 60, orange).cast(VIPS_FORMAT_USHORT) * 257)
                 .cast(VIPS_FORMAT_USHORT)
                 .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
         },
         orange},
        {"rgba16.tif",
         [&] {
             return (solid(60, 60, {230, 120, 40, 255}).cast(VIPS_FORMAT_USHORT) * 257)
                 .cast(VIPS_FORMAT_USHORT)
                 .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
         },
         orange},
        {"cmyk.tif", [&] { return solid(60, 60, orange).colourspace(VIPS_INTERPRETATION_CMYK); },
         orange, 20},
        {"cmyk.jpg", [&] { return solid(60, 60, orange).colourspace(VIPS_INTERPRETATION_CMYK); },
         orange, 20},
        {"lab.tif", [&] { return solid(60, 60, orange).colourspace(VIPS_INTERPRETATION_LAB); },
         orange},
    };
    TempDir dir;
    for (const ColourSource& source : sources) {
        SCOPED_TRACE(source.name);
        const fs::path path = dir / source.name;
        // JPEG sources at a high quality, so that only the conversion is measured.
        const std::string saveName = path.string() + (path.extension() == ".jpg" ? "[Q=97]" : "");
        source.make().write_to_file(saveName.c_str());
        for (const bool keep : {true, false}) {
            ASSERT_NO_THROW(ImageProcessor::process(path, dir / "out.jpg", smallJpeg(keep)));
            const vips::VImage out = decode(dir / "out.jpg");
            EXPECT_EQ(out.bands(), 3);
            EXPECT_TRUE(near(pixelAt(out, 25, 25), source.expected, source.tolerance))
                << "keep=" << keep << " got " << pixelAt(out, 25, 25)[0] << ","
                << pixelAt(out, 25, 25)[1] << "," << pixelAt(out, 25, 25)[2];
        }
    }
}

TEST(Colour, PaletteSourceConverts)
{
    TempDir dir;
    solid(60, 60, {20, 200, 120})
        .pngsave((dir / "palette.png").c_str(), vips::VImage::option()->set("palette", true));
    ImageProcessor::process(dir / "palette.png", dir / "out.jpg", smallJpeg());
    EXPECT_TRUE(near(pixelAt(decode(dir / "out.jpg"), 25, 25), {20, 200, 120}, 14));
}

// Colours look the same in a colour-managed viewer: either the profile travels with the
// untouched pixels, or the pixels are converted to sRGB and carry no profile.
TEST(Colour, WideGamutSourcesKeepTheirLook)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
    TempDir dir;
    for (const char* name :
         {"06-jpeg-special/dciP3_color-ring.jpg", "06-jpeg-special/adobeRGB_CanonT6.jpg",
          "06-jpeg-special/rec2020_color-bars.jpg"}) {
        SCOPED_TRACE(name);
        const fs::path source = testdata() / name;
        const vips::VImage original = decode(source);
        ResizeSettings settings;
        settings.width = original.width() / 4;
        settings.height = original.height() / 4;
        settings.mode = ResizeMode::stretch;
        settings.format = OutputFormat::png;

        const vips::VImage inSrgb =
            original
                .resize(0.25, vips::VImage::option()->set("vscale", double(settings.height) /
                                                                        original.height()))
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
