#include "exif_edit.h"
#include "test_images.h"

#include <gtest/gtest.h>

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

    // Downscaled and written as JPEG with metadata, the result is upright and says so.
    ResizeSettings half;
    half.width = uprightWidth / 2;
    half.height = uprightHeight / 2;
    ImageProcessor::process(dir / "in.jpg", dir / "out.jpg", half);
    const vips::VImage jpeg = decode(dir / "out.jpg");
    EXPECT_TRUE(near(cornerPixel(jpeg, c.red), {255, 0, 0}, 60));
    const Bytes exif = blobField(jpeg, VIPS_META_EXIF_NAME);
    EXPECT_EQ(detail::exifOrientation(exif.data(), exif.size()), 1);
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

} // namespace
} // namespace pictavo
