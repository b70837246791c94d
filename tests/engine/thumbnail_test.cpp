#include "test_images.h"
#include "thumbnail.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

using namespace test;

std::vector<double> rgbAt(const Thumbnail& thumbnail, int x, int y)
{
    const std::size_t at = (std::size_t(y) * std::size_t(thumbnail.width) + std::size_t(x)) * 4;
    return {double(thumbnail.rgba[at]), double(thumbnail.rgba[at + 1]),
            double(thumbnail.rgba[at + 2]), double(thumbnail.rgba[at + 3])};
}

TEST(Thumbnail, CoversTheFrameExactlyWhateverTheSourceShape)
{
    TempDir dir;
    solid(80, 40, {10, 200, 30}).write_to_file((dir / "wide.png").c_str());
    solid(32, 24, {10, 200, 30}).write_to_file((dir / "small.jpg").c_str());
    solid(40, 90, {10, 200, 30, 128}).write_to_file((dir / "tall.webp").c_str());
    for (const char* name : {"wide.png", "small.jpg", "tall.webp"}) {
        SCOPED_TRACE(name);
        const std::optional<Thumbnail> thumbnail = makeThumbnail(dir / name, 82, 62);
        ASSERT_TRUE(thumbnail);
        EXPECT_EQ(thumbnail->width, 82);
        EXPECT_EQ(thumbnail->height, 62);
        ASSERT_EQ(thumbnail->rgba.size(), 82u * 62u * 4u);
    }
    EXPECT_TRUE(near(rgbAt(*makeThumbnail(dir / "wide.png", 82, 62), 41, 31), {10, 200, 30, 255}));
    EXPECT_TRUE(near(rgbAt(*makeThumbnail(dir / "tall.webp", 82, 62), 41, 31), {10, 200, 30, 128}));
}

TEST(Thumbnail, TurnsTheSourceUpright)
{
    TempDir dir;
    // Stored 80 × 40 with orientation 6: upright it is 40 × 80 and the stored top-left block
    // shows top right, the stored top-right block bottom right.
    writeFile(dir / "turned.jpg",
              withExifSegment(markedCornersJpeg(80, 40), exifWithOrientation(6)));
    const std::optional<Thumbnail> thumbnail = makeThumbnail(dir / "turned.jpg", 20, 40);
    ASSERT_TRUE(thumbnail);
    ASSERT_EQ(thumbnail->width, 20);
    ASSERT_EQ(thumbnail->height, 40);
    EXPECT_TRUE(near(rgbAt(*thumbnail, 18, 1), {255, 0, 0, 255}, 40));
    EXPECT_TRUE(near(rgbAt(*thumbnail, 18, 38), {0, 255, 0, 255}, 40));
    EXPECT_TRUE(near(rgbAt(*thumbnail, 1, 20), {128, 128, 128, 255}, 20));
}

TEST(Thumbnail, UnreadableFilesGiveNothing)
{
    TempDir dir;
    writeFile(dir / "notes.jpg", Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    const Bytes jpeg = markedCornersJpeg(400, 300);
    writeFile(dir / "cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2)));
    solid(20, 20, {1, 2, 3}).write_to_file((dir / "picture.gif").c_str());
    EXPECT_FALSE(makeThumbnail(dir / "notes.jpg", 82, 62));
    EXPECT_FALSE(makeThumbnail(dir / "cut.jpg", 82, 62));
    EXPECT_FALSE(makeThumbnail(dir / "picture.gif", 82, 62)); // not a family the engine reads
    EXPECT_FALSE(makeThumbnail(dir / "missing.png", 82, 62));
    EXPECT_FALSE(makeThumbnail(dir / "notes.jpg", 0, 62));
}

TEST(Thumbnail, RealPhotosOfEveryFamily)
{
    if (!hasTestdata())
        GTEST_SKIP() << "shared test data absent";
    for (const char* name :
         {"01-jpeg-camera-exif/Canon_EOS_1000D_orient6.jpg", "02-heic/iPhoneXS_orient6_gps.heic",
          "03-png/photo_rgb16.png", "04-tiff/cmyk8_jpeg.tif", "05-webp/lossy_photo.webp"}) {
        SCOPED_TRACE(name);
        const std::optional<Thumbnail> thumbnail = makeThumbnail(testdata() / name, 164, 124);
        ASSERT_TRUE(thumbnail);
        EXPECT_EQ(thumbnail->width, 164);
        EXPECT_EQ(thumbnail->height, 124);
    }
}

} // namespace
} // namespace pictavo
