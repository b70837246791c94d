#include "source_image.h"
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

std::vector<double> rgbaAt(const Thumbnail& thumbnail, int x, int y)
{
    const std::size_t at = (std::size_t(y) * std::size_t(thumbnail.width) + std::size_t(x)) * 4;
    return {double(thumbnail.rgba[at]), double(thumbnail.rgba[at + 1]),
            double(thumbnail.rgba[at + 2]), double(thumbnail.rgba[at + 3])};
}

// A thumbnail covers its frame exactly whatever the source's shape; a preview (what the shared
// cache stores) holds the whole upright picture within its side, never enlarged. Unreadable
// files give neither.
TEST(Thumbnail, CoversTheFramePreviewFitsTheSide)
{
    TempDir dir;
    solid(600, 300, {10, 200, 30}).write_to_file((dir / "wide.png").c_str());
    solid(90, 400, {10, 200, 30, 128}).write_to_file((dir / "tall.webp").c_str());
    solid(40, 20, {10, 200, 30}).write_to_file((dir / "small.jpg").c_str());
    writeFile(dir / "turned.jpg", turnedJpeg(80, 40, 6));
    writeFile(dir / "notes.jpg", Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    const Bytes jpeg = markedCornersJpeg(400, 300);
    writeFile(dir / "cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2)));
    const Bytes webp = readFile(dir / "tall.webp");
    writeFile(dir / "cut.webp", Bytes(webp.begin(), webp.begin() + long(webp.size() / 2)));
    const struct {
        const char* name;
        std::pair<int, int> preview; // {0, 0}: unreadable
    } cases[] = {{"wide.png", {256, 128}}, {"tall.webp", {58, 256}}, {"small.jpg", {40, 20}},
                 {"turned.jpg", {40, 80}}, {"notes.jpg", {0, 0}},    {"cut.jpg", {0, 0}},
                 {"cut.webp", {0, 0}},     {"missing.png", {0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<Thumbnail> thumbnail = makeThumbnail(dir / c.name, 82, 62);
        const std::optional<Thumbnail> preview = makePreview(dir / c.name, 256);
        ASSERT_EQ(thumbnail.has_value(), c.preview.first != 0);
        ASSERT_EQ(preview.has_value(), c.preview.first != 0);
        if (!thumbnail)
            continue;
        EXPECT_EQ(std::pair(thumbnail->width, thumbnail->height), std::pair(82, 62));
        EXPECT_EQ(thumbnail->rgba.size(), 82u * 62u * 4u);
        EXPECT_EQ(std::pair(preview->width, preview->height), c.preview);
    }
    EXPECT_TRUE(near(rgbaAt(*makeThumbnail(dir / "wide.png", 82, 62), 41, 31), {10, 200, 30, 255}));
    EXPECT_TRUE(
        near(rgbaAt(*makeThumbnail(dir / "tall.webp", 82, 62), 41, 31), {10, 200, 30, 128}));
    EXPECT_FALSE(makeThumbnail(dir / "wide.png", 0, 62));

    // Upright, the stored top-left block shows top right and the top-right block bottom right.
    const std::optional<Thumbnail> turned = makeThumbnail(dir / "turned.jpg", 20, 40);
    ASSERT_TRUE(turned);
    EXPECT_TRUE(near(rgbaAt(*turned, 18, 1), {255, 0, 0, 255}, 40));
    EXPECT_TRUE(near(rgbaAt(*turned, 18, 38), {0, 255, 0, 255}, 40));
    EXPECT_TRUE(near(rgbaAt(*turned, 1, 20), {128, 128, 128, 255}, 20));
    EXPECT_TRUE(near(rgbaAt(*makePreview(dir / "turned.jpg", 40), 18, 38), {0, 255, 0, 255}, 40));
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
    const ResizeSettings settings = target(40, 20, ResizeMode::fit, OutputFormat::png);

    for (const std::string name :
         {"fifo.jpg", "zero.jpg", "folder.jpg", "dangling.jpg", "link.jpg"}) {
        SCOPED_TRACE(name);
        const bool readable = name == "link.jpg";
        const fs::path source = dir / name;
        const fs::path output = dir / (name + ".png");
        const auto info = promptly([source] { return ImageProcessor::imageInfo(source); });
        ASSERT_TRUE(info) << "imageInfo hangs";
        EXPECT_EQ(*info, readable ? std::optional(ImageInfo{
                                        40, 20, std::int64_t(fs::file_size(dir / "real.jpg"))})
                                  : std::nullopt);
        const auto failure =
            promptly([source, output, settings] { return failureOf(source, output, settings); });
        ASSERT_TRUE(failure) << "process hangs";
        EXPECT_EQ(*failure, readable ? std::nullopt : std::optional(ProcessingError::cannotRead));
        EXPECT_EQ(fs::exists(output), readable);
        const auto thumbnail = promptly([source] { return makeThumbnail(source, 8, 4); });
        ASSERT_TRUE(thumbnail) << "makeThumbnail hangs";
        EXPECT_EQ(thumbnail->has_value(), readable);
    }
    EXPECT_TRUE(near(pixelAt(decode(dir / "link.jpg.png"), 2, 2), {255, 0, 0}, 40));
    // Past that check the loaders read only the file opened there, so a FIFO put at the path
    // in between blocks nothing either.
    EXPECT_EQ(promptly([&] { return detail::RegularFile(dir / "fifo.jpg").isOpen(); }), false);
}

} // namespace
} // namespace pictavo
