#include "test_images.h"
#include "thumbnail.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

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

// What the shared cache stores: the whole picture, not a crop, and no bigger than the photo.
TEST(Thumbnail, PreviewFitsTheWholePictureWithinTheSide)
{
    TempDir dir;
    solid(600, 300, {10, 200, 30}).write_to_file((dir / "wide.png").c_str());
    solid(90, 400, {10, 200, 30, 128}).write_to_file((dir / "tall.webp").c_str());
    solid(40, 20, {10, 200, 30}).write_to_file((dir / "small.jpg").c_str());
    const struct {
        const char* name;
        int width, height;
    } cases[] = {{"wide.png", 256, 128}, {"tall.webp", 58, 256}, {"small.jpg", 40, 20}};
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.name);
        const std::optional<Thumbnail> preview = makePreview(dir / expected.name, 256);
        ASSERT_TRUE(preview);
        EXPECT_EQ(preview->width, expected.width);
        EXPECT_EQ(preview->height, expected.height);
        EXPECT_TRUE(
            near(rgbAt(*preview, 0, 0), rgbAt(*preview, preview->width - 1, preview->height - 1)));
    }
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
    const std::optional<Thumbnail> preview = makePreview(dir / "turned.jpg", 40);
    ASSERT_TRUE(preview);
    EXPECT_EQ(std::pair(preview->width, preview->height), std::pair(20, 40));
    EXPECT_TRUE(near(rgbAt(*preview, 18, 38), {0, 255, 0, 255}, 40));
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

// `read()`'s result, or nothing when it has not returned within a few seconds. It runs on its
// own thread, which is left behind if it hangs, so that a regression fails instead of hanging
// the suite.
template <typename Read> auto promptly(Read read) -> std::optional<decltype(read())>
{
    using Result = decltype(read());
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(read));
    std::future<Result> result = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
        return std::nullopt;
    return result.get();
}

// A FIFO blocks whoever opens it and /dev/zero never ends: intake, conversion and thumbnails
// must turn away everything but regular files without opening it, and still follow a link to
// a real photo.
TEST(SpecialFiles, OnlyRegularFilesAreReadAndNothingBlocks)
{
    TempDir dir;
    writeFile(dir / "real.jpg", markedCornersJpeg(40, 20));
    ASSERT_EQ(::mkfifo((dir / "fifo.jpg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero.jpg");
    fs::create_directory(dir / "folder.jpg");
    fs::create_symlink(dir / "gone.jpg", dir / "dangling.jpg");
    fs::create_symlink(dir / "real.jpg", dir / "link.jpg");
    ResizeSettings settings;
    settings.width = 40;
    settings.height = 20;
    settings.format = OutputFormat::png;

    for (const std::string name :
         {"fifo.jpg", "zero.jpg", "folder.jpg", "dangling.jpg", "link.jpg"}) {
        SCOPED_TRACE(name);
        const bool readable = name == "link.jpg";
        const fs::path source = dir / name;
        const fs::path output = dir / (name + ".png");

        const auto info = promptly([source] { return ImageProcessor::imageInfo(source); });
        ASSERT_TRUE(info) << "imageInfo hangs";
        EXPECT_EQ(info->has_value(), readable);
        if (readable) {
            EXPECT_EQ(**info, (ImageInfo{40, 20, std::int64_t(fs::file_size(dir / "real.jpg"))}));
        }

        const auto failure = promptly([source, output, settings] {
            try {
                ImageProcessor::process(source, output, settings);
                return std::optional<ProcessingError::Code>();
            } catch (const ProcessingError& error) {
                return std::optional(error.code());
            }
        });
        ASSERT_TRUE(failure) << "process hangs";
        EXPECT_EQ(*failure, readable ? std::nullopt : std::optional(ProcessingError::cannotRead));
        EXPECT_EQ(fs::exists(output), readable);

        const auto thumbnail = promptly([source] { return makeThumbnail(source, 8, 4); });
        ASSERT_TRUE(thumbnail) << "makeThumbnail hangs";
        EXPECT_EQ(thumbnail->has_value(), readable);
    }
    if (fs::exists(dir / "link.jpg.png")) {
        EXPECT_TRUE(near(pixelAt(decode(dir / "link.jpg.png"), 2, 2), {255, 0, 0}, 40));
    }
}

TEST(Thumbnail, RealPhotosOfEveryFamily)
{
    if (!hasTestdata())
        GTEST_SKIP() << "shared test data absent";
    for (const char* name :
         {"01-jpeg-camera-exif/Canon_EOS_1000D_orient6.jpg", "02-heic/iPhoneXS_orient6_gps.heic",
          "03-png/photo_rgb16.png", "04-tiff/cmyk8_jpeg.tif", "05-webp/lossy_photo.webp",
          "02-heic/not-hevc_example.avif"}) {
        SCOPED_TRACE(name);
        const std::optional<Thumbnail> thumbnail = makeThumbnail(testdata() / name, 164, 124);
        ASSERT_TRUE(thumbnail);
        EXPECT_EQ(thumbnail->width, 164);
        EXPECT_EQ(thumbnail->height, 124);
    }
}

} // namespace
} // namespace pictavo
