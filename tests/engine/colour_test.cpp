#include "test_images.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

using namespace test;

const std::vector<double> kOrange{230, 120, 40};
const std::vector<double> kGrey{90, 90, 90};

// `image` (80 × 40) with an alpha band: left half opaque, right half at 40 %.
vips::VImage withAlpha(const vips::VImage& image)
{
    const vips::VImage alpha = vips::VImage::black(80, 40) + 255;
    return image.bandjoin(
        alpha.insert(vips::VImage::black(40, 40) + 102, 40, 0).cast(image.format()));
}

// The layouts users meet come out of every written type with the right colour and opacity, with
// or without metadata; opaque types show translucent pixels on white. CMYK round trips lose a
// little to gamut mapping.
TEST(Colour, EverySourceLayoutKeepsItsColourAndOpacity)
{
    const vips::VImage orange = solid(80, 40, kOrange);
    const vips::VImage grey = solid(80, 40, kGrey).extract_band(0);
    const vips::VImage rgba16 =
        (withAlpha(orange).cast(VIPS_FORMAT_USHORT) * 257)
            .cast(VIPS_FORMAT_USHORT)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    const vips::VImage srgb =
        orange.icc_transform("srgb", vips::VImage::option()->set("input_profile", "srgb"));
    // Kept profiles keep their pixels, which must still be scaled, not clipped, to 8 bits.
    const vips::VImage rgba16Profiled = rgba16.copy();
    const Bytes profile = blobField(srgb, VIPS_META_ICC_NAME);
    vips_image_set_blob_copy(rgba16Profiled.get_image(), VIPS_META_ICC_NAME, profile.data(),
                             profile.size());
    const struct {
        std::string file;
        vips::VImage image;
        const std::vector<double>& colour;
        bool alpha;
    } cases[] = {
        {"srgb.jpg", srgb, kOrange, false},
        {"rgba16.png", rgba16, kOrange, true},
        {"rgba16-profile.png", rgba16Profiled, kOrange, true},
        {"cmyk.jpg[Q=97]", orange.colourspace(VIPS_INTERPRETATION_CMYK), kOrange, false},
        {"grey-alpha.png", withAlpha(grey), kGrey, true},
        {"palette.png[palette]", withAlpha(orange), kOrange, true},
        {"lab.tif", orange.colourspace(VIPS_INTERPRETATION_LAB), kOrange, false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const fs::path source = dir / c.file.substr(0, c.file.find('['));
        c.image.write_to_file((dir / c.file).c_str());
        for (const bool keep : {false, true})
            for (const OutputFormat format :
                 {OutputFormat::jpeg, OutputFormat::png, OutputFormat::heic, OutputFormat::tiff}) {
                SCOPED_TRACE(c.file + (keep ? " kept " : " ") + std::string(rawValue(format)));
                ImageProcessor::process(source, dir / "out",
                                        target(40, 20, ResizeMode::stretch, format, keep));
                const vips::VImage out = decode(dir / "out");
                const bool opaqueType =
                    format == OutputFormat::jpeg || format == OutputFormat::heic;
                for (const auto& [x, opacity] :
                     {std::pair{10, 255.0}, {30, c.alpha ? 102.0 : 255.0}}) {
                    std::vector<double> expected = c.colour;
                    for (double& value : expected)
                        if (opaqueType)
                            value = (value * opacity + 255 * (255 - opacity)) / 255;
                    if (c.alpha && !opaqueType)
                        expected.push_back(opacity);
                    EXPECT_TRUE(
                        near(pixelAt(out, x, 10), expected, c.file.starts_with("cmyk") ? 20 : 8))
                        << "at x=" << x << ": " << testing::PrintToString(pixelAt(out, x, 10));
                }
            }
    }
}

// Colours look the same in a colour-managed viewer: either the profile travels with the
// untouched pixels (JPEG embeds any), or the pixels are converted to sRGB and carry no profile
// (metadata off, or a profile libpng refused; at full size such a PNG is rendered twice).
TEST(Colour, WideGamutSourcesKeepTheirLook)
{
    SKIP_WITHOUT_TESTDATA();
    TempDir dir;
    for (const auto& [name, divisor] : {std::pair{"06-jpeg-special/dciP3_color-ring.jpg", 4},
                                        {"06-jpeg-special/adobeRGB_CanonT6.jpg", 4},
                                        {"06-jpeg-special/rec2020_color-bars.jpg", 4},
                                        {"06-jpeg-special/rec2020_color-bars.jpg", 1}}) {
        const vips::VImage original = decode(testdata() / name);
        const Bytes icc = blobField(original, VIPS_META_ICC_NAME);
        const int height = original.height() / divisor;
        const vips::VImage inSrgb =
            original
                .resize(1.0 / divisor,
                        vips::VImage::option()->set("vscale", double(height) / original.height()))
                .icc_transform("srgb", vips::VImage::option()->set("embedded", true));
        for (const bool keep : {false, true})
            for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::png}) {
                SCOPED_TRACE(testing::Message() << name << " / " << divisor << " "
                                                << rawValue(format) << (keep ? " kept" : ""));
                ImageProcessor::process(
                    testdata() / name, dir / "out",
                    target(original.width() / divisor, height, ResizeMode::stretch, format, keep));
                const vips::VImage out = decode(dir / "out");
                const Bytes profile = blobField(out, VIPS_META_ICC_NAME);
                const bool travels = keep && (format == OutputFormat::jpeg || !profile.empty());
                EXPECT_EQ(profile, travels ? icc : Bytes{});
                const vips::VImage shown =
                    profile.empty()
                        ? out
                        : out.icc_transform("srgb", vips::VImage::option()->set("embedded", true));
                EXPECT_GT(psnr(shown, inSrgb), format == OutputFormat::jpeg ? 30 : 35);
            }
    }
}

} // namespace
} // namespace pictavo
