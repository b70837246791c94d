#include "exif_edit.h"
#include "test_images.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string_view>

namespace pictavo {
namespace {

using namespace test;

enum class Corner { topLeft, topRight, bottomLeft, bottomRight };

struct OrientationCase {
    int orientation;
    Corner red;   // where the stored top-left block must appear
    Corner green; // where the stored top-right block must appear
};

class Orientation : public testing::TestWithParam<OrientationCase> {};

std::vector<double> cornerPixel(const vips::VImage& image, Corner corner)
{
    const int inset = 3;
    const int right = image.width() - 1 - inset;
    const int bottom = image.height() - 1 - inset;
    switch (corner) {
    case Corner::topLeft:
        return pixelAt(image, inset, inset);
    case Corner::topRight:
        return pixelAt(image, right, inset);
    case Corner::bottomLeft:
        return pixelAt(image, inset, bottom);
    case Corner::bottomRight:
        return pixelAt(image, right, bottom);
    }
    return {};
}

TEST_P(Orientation, MarkedCornersEndUpright)
{
    const OrientationCase& c = GetParam();
    TempDir dir;
    const int storedWidth = 80;
    const int storedHeight = 40;
    writeFile(dir / "in.jpg", withExifSegment(markedCornersJpeg(storedWidth, storedHeight),
                                              exifWithOrientation(c.orientation)));
    const bool quarter = c.orientation >= 5 && c.orientation <= 8;
    const int uprightWidth = quarter ? storedHeight : storedWidth;
    const int uprightHeight = quarter ? storedWidth : storedHeight;

    const std::optional<ImageInfo> info = ImageProcessor::imageInfo(dir / "in.jpg");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, uprightWidth);
    EXPECT_EQ(info->height, uprightHeight);

    for (const bool keepMetadata : {true, false}) {
        ResizeSettings settings;
        settings.width = uprightWidth;
        settings.height = uprightHeight;
        settings.format = OutputFormat::png;
        settings.keepMetadata = keepMetadata;
        ImageProcessor::process(dir / "in.jpg", dir / "out.png", settings);
        const vips::VImage out = decode(dir / "out.png");
        ASSERT_EQ(out.width(), uprightWidth);
        ASSERT_EQ(out.height(), uprightHeight);
        EXPECT_TRUE(near(cornerPixel(out, c.red), {255, 0, 0}, 40)) << "keep=" << keepMetadata;
        EXPECT_TRUE(near(cornerPixel(out, c.green), {0, 255, 0}, 40)) << "keep=" << keepMetadata;
    }

    // Downscaled and written by a lossy encoder with metadata, the result is upright and
    // says so.
    for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::webp, OutputFormat::avif}) {
        ResizeSettings half;
        half.width = uprightWidth / 2;
        half.height = uprightHeight / 2;
        half.format = format;
        ImageProcessor::process(dir / "in.jpg", dir / "out", half);
        const vips::VImage image = decode(dir / "out");
        ASSERT_EQ(image.width(), half.width) << rawValue(format);
        EXPECT_TRUE(near(cornerPixel(image, c.red), {255, 0, 0}, 60)) << rawValue(format);
        // libvips drops the orientation of HEIF images on reading: ask libheif.
        const Bytes exif = format == OutputFormat::avif ? heifExif(dir / "out")
                                                        : blobField(image, VIPS_META_EXIF_NAME);
        EXPECT_EQ(detail::exifOrientation(exif.data(), exif.size()), 1) << rawValue(format);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllValues, Orientation,
    testing::Values(OrientationCase{1, Corner::topLeft, Corner::topRight},
                    OrientationCase{2, Corner::topRight, Corner::topLeft},
                    OrientationCase{3, Corner::bottomRight, Corner::bottomLeft},
                    OrientationCase{4, Corner::bottomLeft, Corner::bottomRight},
                    OrientationCase{5, Corner::topLeft, Corner::bottomLeft},
                    OrientationCase{6, Corner::topRight, Corner::bottomRight},
                    OrientationCase{7, Corner::bottomRight, Corner::topRight},
                    OrientationCase{8, Corner::bottomLeft, Corner::topLeft},
                    // Invalid values count as 1.
                    OrientationCase{0, Corner::topLeft, Corner::topRight},
                    OrientationCase{9, Corner::topLeft, Corner::topRight}),
    [](const testing::TestParamInfo<OrientationCase>& info) {
        return "Value" + std::to_string(info.param.orientation);
    });

// An EXIF entry as some writer stored it: TIFF field type (1 BYTE, 2 ASCII, 3 SHORT, 4 LONG,
// 5 RATIONAL, 8 SSHORT, 9 SLONG) and its values, a rational as numerator and denominator.
struct Tag {
    unsigned type;
    std::vector<std::uint32_t> values;
};

void put(Bytes& out, std::uint32_t value, unsigned size, bool bigEndian)
{
    for (unsigned i = 0; i < size; ++i) {
        const unsigned shift = 8 * (bigEndian ? size - 1 - i : i);
        out.push_back(static_cast<unsigned char>(value >> shift));
    }
}

// An APP1 "Exif" payload whose IFD0 and IFD1 each hold at most an Orientation entry.
Bytes exifBlock(bool bigEndian, const std::optional<Tag>& ifd0, const std::optional<Tag>& ifd1 = {},
                std::uint32_t ifd0Offset = 8)
{
    const unsigned char order = bigEndian ? 'M' : 'I';
    Bytes tiff{order, order};
    put(tiff, 42, 2, bigEndian);
    put(tiff, ifd0Offset, 4, bigEndian);
    const auto ifdSize = [](const std::optional<Tag>& tag) {
        return tag ? 18u : 6u;
    };
    const std::uint32_t ifd1Offset = 8 + ifdSize(ifd0);
    const std::uint32_t dataOffset = ifd1Offset + (ifd1 ? ifdSize(ifd1) : 0);
    Bytes data;
    const auto writeIfd = [&](const std::optional<Tag>& tag, std::uint32_t next) {
        put(tiff, tag ? 1 : 0, 2, bigEndian);
        if (tag) {
            const unsigned size = tag->type <= 2 ? 1 : tag->type == 3 || tag->type == 8 ? 2 : 4;
            const bool rational = tag->type == 5;
            Bytes value;
            for (const std::uint32_t v : tag->values)
                put(value, v, size, bigEndian);
            put(tiff, 0x0112, 2, bigEndian);
            put(tiff, tag->type, 2, bigEndian);
            put(tiff, std::uint32_t(rational ? tag->values.size() / 2 : tag->values.size()), 4,
                bigEndian);
            if (value.size() <= 4) {
                value.resize(4);
                tiff.insert(tiff.end(), value.begin(), value.end());
            } else {
                put(tiff, dataOffset + std::uint32_t(data.size()), 4, bigEndian);
                data.insert(data.end(), value.begin(), value.end());
            }
        }
        put(tiff, next, 4, bigEndian);
    };
    writeIfd(ifd0, ifd1 ? ifd1Offset : 0);
    if (ifd1)
        writeIfd(ifd1, 0);
    Bytes block{'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), tiff.begin(), tiff.end());
    block.insert(block.end(), data.begin(), data.end());
    return block;
}

Bytes segment(unsigned char marker, const Bytes& payload)
{
    Bytes out{0xFF, marker, static_cast<unsigned char>((payload.size() + 2) >> 8),
              static_cast<unsigned char>((payload.size() + 2) & 0xFF)};
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

// `jpeg` with `segments` put right after the start marker, or right before the first scan.
Bytes withSegments(Bytes jpeg, const std::vector<Bytes>& segments, bool beforeScan = false)
{
    std::size_t at = 2;
    while (beforeScan && !(jpeg.at(at) == 0xFF && jpeg.at(at + 1) == 0xDA))
        at += 2 + ((std::size_t(jpeg.at(at + 2)) << 8) | jpeg.at(at + 3));
    for (auto it = segments.rbegin(); it != segments.rend(); ++it)
        jpeg.insert(jpeg.begin() + long(at), it->begin(), it->end());
    return jpeg;
}

// Every way of storing the orientation that libvips reads must give the queue the size the
// conversion produces: the probe reads headers itself, the conversion through libvips.
TEST(OrientationStorage, ProbeAndConversionAgreeOnTheUprightSize)
{
    const Bytes jpeg = markedCornersJpeg(48, 24);
    const auto bytes = [](std::string_view text) {
        return Bytes(text.begin(), text.end());
    };
    const Bytes xmp = bytes(std::string_view("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    const Bytes fakeExif = bytes(std::string_view("ExifXXMM\0\x2a\0\0\0\x08\0\0", 16));
    const auto app1 = [](const Bytes& payload) {
        return segment(0xE1, payload);
    };
    const auto turned = [&](bool bigEndian, Tag tag) {
        return withSegments(jpeg, {app1(exifBlock(bigEndian, tag))});
    };
    struct Case {
        const char* name;
        Bytes file;
        bool quarterTurn;
    };
    const std::vector<Case> cases{
        {"short, big-endian", turned(true, {3, {6}}), true},
        {"short, little-endian", turned(false, {3, {8}}), true},
        {"long, big-endian", turned(true, {4, {6}}), true},
        {"long, little-endian", turned(false, {4, {5}}), true},
        {"long beyond 16 bits", turned(true, {4, {0x10006}}), true},
        {"byte", turned(false, {1, {7}}), true},
        {"signed short", turned(true, {8, {6}}), true},
        {"signed long", turned(false, {9, {6}}), true},
        {"rational", turned(true, {5, {6, 1}}), true},
        {"two values", turned(false, {3, {6, 1}}), true},
        {"text", turned(false, {2, {' ', '6', 0}}), true},
        {"out of range", turned(true, {3, {0x0106}}), false},
        {"thumbnail directory only",
         withSegments(jpeg, {app1(exifBlock(true, std::nullopt, Tag{3, {6}}))}), false},
        {"first of two blocks",
         withSegments(jpeg,
                      {app1(exifBlock(true, std::nullopt)), app1(exifBlock(true, {{3, {6}}}))}),
         false},
        {"damaged first block",
         withSegments(jpeg, {app1(fakeExif), app1(exifBlock(true, {{3, {6}}}))}), false},
        {"after XMP", withSegments(jpeg, {app1(xmp), app1(exifBlock(false, {{3, {6}}}))}), true},
        {"after the frame header", withSegments(jpeg, {app1(exifBlock(true, {{3, {6}}}))}, true),
         true},
        {"directory offset near 4 GB",
         withSegments(jpeg, {app1(exifBlock(true, {{3, {6}}}, {}, 0xFFFFFFFE))}), false},
    };

    TempDir dir;
    ResizeSettings asLarge;
    asLarge.width = 1000;
    asLarge.height = 1000;
    asLarge.preventUpscaling = true;
    asLarge.format = OutputFormat::png;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir / "in.jpg", c.file);
        const std::optional<ImageInfo> info = ImageProcessor::imageInfo(dir / "in.jpg");
        ASSERT_TRUE(info);
        ImageProcessor::process(dir / "in.jpg", dir / "out.png", asLarge);
        const vips::VImage out = decode(dir / "out.png");
        EXPECT_EQ(info->width, out.width());
        EXPECT_EQ(info->height, out.height());
        EXPECT_EQ(out.width(), c.quarterTurn ? 24 : 48);
    }
}

TEST(HeifOrientation, RotationBoxIsNotAppliedTwice)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
    // Stored 4032×3024 with a 90° rotation box and EXIF orientation 6: libheif turns it once.
    const fs::path source = testdata() / "02-heic/iPhoneXS_orient6_gps.heic";
    const std::optional<ImageInfo> info = ImageProcessor::imageInfo(source);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 3024);
    EXPECT_EQ(info->height, 4032);

    TempDir dir;
    ResizeSettings settings;
    settings.width = 300;
    settings.height = 400;
    settings.mode = ResizeMode::stretch;
    settings.keepMetadata = false; // converted to sRGB, like the reference below
    ImageProcessor::process(source, dir / "out.png", settings);
    const vips::VImage out = decode(dir / "out.png");
    const vips::VImage reference =
        vips::VImage::new_from_file(source.c_str())
            .resize(300.0 / 3024, vips::VImage::option()->set("vscale", 400.0 / 4032))
            .icc_transform("srgb", vips::VImage::option()->set("embedded", true))
            .copy_memory();
    ASSERT_EQ(out.width(), reference.width());
    ASSERT_EQ(out.height(), reference.height());
    EXPECT_GT(psnr(out.extract_band(0, vips::VImage::option()->set("n", 3)), reference), 30);
}

// libavif's --irot 1 turns the picture a quarter anti-clockwise, as EXIF orientation 8 does;
// libheif applies the box while decoding, and the conversion must not turn it again.
TEST(HeifOrientation, AvifRotationBoxTurnsOnce)
{
    if (std::system("avifenc --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "avifenc is not installed";
    TempDir dir;
    writeFile(dir / "stored.jpg", markedCornersJpeg(80, 40));
    decode(dir / "stored.jpg").write_to_file((dir / "stored.png").c_str());
    const std::string command = "avifenc --irot 1 --min 0 --max 10 '" +
                                (dir / "stored.png").string() + "' '" + (dir / "in.avif").string() +
                                "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    const std::optional<ImageInfo> info = ImageProcessor::imageInfo(dir / "in.avif");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 40);
    EXPECT_EQ(info->height, 80);
    for (const OutputFormat format : {OutputFormat::png, OutputFormat::avif}) {
        ResizeSettings settings;
        settings.width = 40;
        settings.height = 80;
        settings.format = format;
        ImageProcessor::process(dir / "in.avif", dir / "out", settings);
        const vips::VImage out = decode(dir / "out");
        ASSERT_EQ(out.width(), 40) << rawValue(format);
        EXPECT_TRUE(near(cornerPixel(out, Corner::bottomLeft), {255, 0, 0}, 60));
        EXPECT_TRUE(near(cornerPixel(out, Corner::topLeft), {0, 255, 0}, 60));
    }
}

} // namespace
} // namespace pictavo
