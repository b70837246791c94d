#include "test_images.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

using namespace test;

enum class Samples { uchar8, ushort16, float32 };

const std::vector<double> kOrange{230, 120, 40};
const std::vector<double> kGrey{90, 90, 90};

// 80 × 40 pixels of one colour, grey or RGB, 8-bit, 16-bit or float, optionally with an alpha
// band (left half opaque, right half at 40 %) and an embedded profile. Float samples and alpha
// run from 0 to 1, as float TIFFs hold them, in the profile's space or else in linear light.
vips::VImage layoutSource(bool grey, bool alpha, Samples samples, const Bytes& profile)
{
    const vips::VImage srgb = solid(80, 40, grey ? kGrey : kOrange);
    const double opaque[] = {255, 65535, 1};
    vips::VImage image = samples == Samples::uchar8 ? srgb
                         : samples == Samples::ushort16
                             ? (srgb.cast(VIPS_FORMAT_USHORT) * 257).cast(VIPS_FORMAT_USHORT)
                         : profile.empty() ? srgb.colourspace(VIPS_INTERPRETATION_scRGB)
                                           : srgb.cast(VIPS_FORMAT_FLOAT) / 255;
    image = grey ? image.extract_band(0) : image;
    const double full = opaque[int(samples)];
    if (alpha)
        image = image.bandjoin((vips::VImage::black(80, 40) + full)
                                   .insert(vips::VImage::black(40, 40) + full * 0.4, 40, 0)
                                   .cast(image.format()));
    const VipsInterpretation interpretation[] = {
        grey ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB,
        grey ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_RGB16,
        grey ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_scRGB};
    image = image.copy(vips::VImage::option()->set("interpretation", interpretation[int(samples)]));
    if (!profile.empty())
        vips_image_set_blob_copy(image.get_image(), VIPS_META_ICC_NAME, profile.data(),
                                 profile.size());
    return image;
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
    TempDir dir;
    // Grey or RGB, with or without alpha, 8-bit, 16-bit or float, with or without a profile.
    for (int layout = 0; layout < 24; ++layout) {
        const bool grey = layout & 1;
        const bool alpha = layout & 2;
        const auto samples = Samples(layout / 4 % 3);
        const Bytes profile = layout < 12 ? Bytes{} : grey ? greyProfile : rgbProfile;
        if (layout >= 12 && profile.empty())
            continue;
        // PNG holds 8 and 16 bits; floats need TIFF.
        const fs::path source = dir / (samples == Samples::uchar8 ? "in.png" : "in.tif");
        layoutSource(grey, alpha, samples, profile).write_to_file(source.c_str());
        // Without a profile, keeping metadata changes nothing about the colours.
        for (const bool keep : {false, true}) {
            if (keep && profile.empty())
                continue;
            for (const OutputFormat format :
                 {OutputFormat::jpeg, OutputFormat::png, OutputFormat::heic, OutputFormat::tiff}) {
                SCOPED_TRACE(testing::Message()
                             << "layout " << layout << (keep ? " kept " : " ") << rawValue(format));
                ImageProcessor::process(source, dir / "out",
                                        target(40, 20, ResizeMode::stretch, format, keep));
                const vips::VImage out = decode(dir / "out");
                const bool opaqueType =
                    format == OutputFormat::jpeg || format == OutputFormat::heic;
                for (const auto& [x, opacity] : {std::pair{10, 255.0}, {30, 102.0}}) {
                    std::vector<double> expected = grey ? kGrey : kOrange;
                    for (double& value : expected)
                        if (alpha && opaqueType)
                            value = (value * opacity + 255 * (255 - opacity)) / 255;
                    if (alpha && !opaqueType)
                        expected.push_back(opacity);
                    EXPECT_TRUE(near(pixelAt(out, x, 10), expected, 8))
                        << "at x=" << x << ": " << testing::PrintToString(pixelAt(out, x, 10));
                }
            }
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
    const vips::VImage orange = solid(60, 60, kOrange);
    TempDir dir;
    for (const std::string name : {"cmyk.tif", "cmyk.jpg[Q=97]", "cmyk-no-adobe.jpg[Q=97]",
                                   "lab.tif", "palette.png[palette]"}) {
        const fs::path path = dir / name.substr(0, name.find('['));
        orange
            .colourspace(name.starts_with("cmyk")  ? VIPS_INTERPRETATION_CMYK
                         : name.starts_with("lab") ? VIPS_INTERPRETATION_LAB
                                                   : VIPS_INTERPRETATION_sRGB)
            .write_to_file((dir / name).c_str());
        if (name.starts_with("cmyk-no-adobe"))
            dropAdobeSegment(path);
        for (const bool keep : {true, false}) {
            ImageProcessor::process(path, dir / "out.jpg",
                                    target(50, 50, ResizeMode::stretch, OutputFormat::jpeg, keep));
            EXPECT_TRUE(near(pixelAt(decode(dir / "out.jpg"), 25, 25), kOrange, 20)) << name;
        }
    }
}

// Colours look the same in a colour-managed viewer: either the profile travels with the
// untouched pixels (JPEG embeds any), or the pixels are converted to sRGB and carry no profile
// (metadata off, or a profile libpng refused; at full size such a PNG is rendered twice).
TEST(Colour, WideGamutSourcesKeepTheirLook)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
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
