#include "test_images.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <gtest/gtest.h>
#include <thread>

namespace pictavo {
namespace {

using namespace test;

// A JPEG whose header claims `width` × `height` pixels, followed by too little data.
Bytes jpegClaiming(int width, int height)
{
    Bytes jpeg = markedCornersJpeg(64, 32);
    std::size_t at = 2;
    while (!(jpeg[at] == 0xFF && (jpeg[at + 1] == 0xC0 || jpeg[at + 1] == 0xC2)))
        ++at;
    jpeg[at + 5] = static_cast<unsigned char>(height >> 8);
    jpeg[at + 6] = static_cast<unsigned char>(height & 0xFF);
    jpeg[at + 7] = static_cast<unsigned char>(width >> 8);
    jpeg[at + 8] = static_cast<unsigned char>(width & 0xFF);
    return jpeg;
}

TEST(BadSources, FailAsUnreadableAndWriteNothing)
{
    TempDir dir;
    const Bytes jpeg = markedCornersJpeg(300, 200);
    writeFile(dir / "text.jpg", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    writeFile(dir / "empty.png", Bytes{});
    writeFile(dir / "half.jpg", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2));
    writeFile(dir / "header-only.jpg", Bytes(jpeg.begin(), jpeg.begin() + 400));
    writeFile(dir / "giant.jpg", jpegClaiming(60000, 60000));
    writeFile(dir / "claims-more.jpg", jpegClaiming(16000, 15000)); // within the size limits
    writeFile(dir / "vector.png", Bytes{'<', 's', 'v', 'g', '/', '>'});
    // Reaching rows deep inside a PNG strip costs time that grows with the square of its rows.
    vips::VImage::black(1, 150'000).cast(VIPS_FORMAT_UCHAR).pngsave((dir / "strip.png").c_str());
    fs::create_directory(dir / "folder.jpg");

    for (const char* name :
         {"text.jpg", "empty.png", "half.jpg", "header-only.jpg", "giant.jpg", "claims-more.jpg",
          "vector.png", "strip.png", "folder.jpg", "missing.jpg"}) {
        EXPECT_EQ(failureOf(dir / name, dir / "out.jpg"), ProcessingError::cannotRead) << name;
        EXPECT_FALSE(fs::exists(dir / "out.jpg"));
    }
    for (const char* name : {"text.jpg", "empty.png", "vector.png", "folder.jpg", "missing.jpg"})
        EXPECT_EQ(ImageProcessor::imageInfo(dir / name), std::nullopt) << name;
    // The header is readable; refusing the size is the conversion's job.
    EXPECT_TRUE(ImageProcessor::imageInfo(dir / "giant.jpg"));
}

// libvips reports a cut-off JPEG only now and then when it decodes at a reduced DCT scale, so
// the same file is tried several times, at a small target that uses that scale.
TEST(BadSources, CutOffJpegsFailEveryTime)
{
    TempDir dir;
    const Bytes whole = markedCornersJpeg(200, 100);
    writeFile(dir / "half.jpg", Bytes(whole.begin(), whole.begin() + long(whole.size() / 2)));
    writeFile(dir / "no-end.jpg", Bytes(whole.begin(), whole.end() - 2));
    Bytes trailer = whole;
    trailer.insert(trailer.end(), {'t', 'r', 'a', 'i', 'l', 'e', 'r', 0xFF, 0x00});
    writeFile(dir / "trailer.jpg", trailer);
    for (int attempt = 0; attempt < 10; ++attempt)
        for (const char* name : {"half.jpg", "no-end.jpg"})
            EXPECT_EQ(failureOf(dir / name, dir / "out.png", target(20, 10)),
                      ProcessingError::cannotRead);
    EXPECT_FALSE(fs::exists(dir / "out.png"));
    EXPECT_EQ(failureOf(dir / "trailer.jpg", dir / "out.png", target(20, 10)), std::nullopt);
}

// A source cut short while it is converted (rewritten by another program, failing on a network
// disk) fails as unreadable or converts whole; the process never dies of it, as it did when a
// memory-mapped file shrank under the decoder.
TEST(BadSources, SourcesCutDuringTheConversionFailCleanly)
{
    TempDir dir;
    const auto band = [] {
        return vips::VImage::gaussnoise(2400, 1800);
    };
    const vips::VImage noise = band().bandjoin({band(), band()}).cast(VIPS_FORMAT_UCHAR);
    for (const char* name : {"big.jpg", "big.webp", "big.png", "big.tif"}) {
        noise.write_to_file((dir / name).c_str());
        const Bytes whole = readFile(dir / name);
        std::atomic<bool> done{false};
        std::thread cutter([&] {
            while (!done) {
                fs::resize_file(dir / name, whole.size() / 3);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                writeFile(dir / name, whole);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        for (int attempt = 0; attempt < 6; ++attempt) {
            const std::optional<ProcessingError::Code> failure =
                failureOf(dir / name, dir / "out.jpg",
                          target(1200, 900, ResizeMode::fit, OutputFormat::jpeg));
            EXPECT_EQ(failure.value_or(ProcessingError::cannotRead), ProcessingError::cannotRead)
                << name;
            EXPECT_EQ(fs::exists(dir / "out.jpg") ? decode(dir / "out.jpg").width() : 1200, 1200);
            fs::remove(dir / "out.jpg");
        }
        done = true;
        cutter.join();
    }
}

// Camera JPEGs with damaged pixel data fail, whether they are decoded at full or at 1/8 DCT
// scale; stray bytes before a marker, which libjpeg also warns about, do not matter.
TEST(BadSources, DamagedCameraJpegsFailStrayBytesDoNot)
{
    SKIP_WITHOUT_TESTDATA();
    TempDir dir;
    for (const char* name : {"Samsung_GT-I9000_orient6_gps0.jpg", "Canon_EOS_1000D_orient6.jpg",
                             "Apple_iPhone_6_Plus_orient6_gps.JPG"}) { // the last has restarts
        SCOPED_TRACE(name);
        const fs::path clean = testdata() / "01-jpeg-camera-exif" / name;
        const Bytes whole = readFile(clean);
        const auto middle = static_cast<long>(whole.size() / 2);
        Bytes zeroed = whole;
        std::fill(zeroed.begin() + middle, zeroed.begin() + middle + 20'000, 0);
        Bytes cut(whole.begin(), whole.begin() + middle);
        cut.insert(cut.end(), {0xFF, 0xD9});
        // Stray bytes just before the first scan, found by walking the marker segments.
        std::size_t scan = 2;
        while (scan + 4 < whole.size() && whole[scan + 1] != 0xDA)
            scan += 2 + ((std::size_t(whole[scan + 2]) << 8) | whole[scan + 3]);
        Bytes stray = whole;
        stray.insert(stray.begin() + long(scan), {0x00, 0x5A, 0xA5});
        writeFile(dir / "zeroed.jpg", zeroed);
        writeFile(dir / "cut.jpg", cut);
        writeFile(dir / "stray.jpg", stray);

        const std::optional<ImageInfo> info = ImageProcessor::imageInfo(clean);
        ASSERT_TRUE(info);
        const ResizeSettings reduced = // decoded at 1/8 DCT scale
            target(info->width / 10, info->height / 10, ResizeMode::stretch, OutputFormat::png,
                   false);
        const ResizeSettings full =
            target(info->width, info->height, ResizeMode::stretch, OutputFormat::png, false);
        for (const ResizeSettings& settings : {reduced, full})
            for (const char* damaged : {"zeroed.jpg", "cut.jpg"})
                EXPECT_EQ(failureOf(dir / damaged, dir / "out.png", settings),
                          ProcessingError::cannotRead)
                    << damaged << " at " << settings.width;
        EXPECT_FALSE(fs::exists(dir / "out.png"));
        ImageProcessor::process(clean, dir / "clean.png", reduced);
        ImageProcessor::process(dir / "stray.jpg", dir / "stray.png", reduced);
        EXPECT_GT(psnr(decode(dir / "stray.png"), decode(dir / "clean.png")), 60);
    }
}

TEST(BadSources, ContentDecidesNotTheExtension)
{
    TempDir dir;
    solid(40, 30, {10, 200, 10}).pngsave((dir / "really-png.jpg").c_str());
    writeFile(dir / "really-jpeg.png", markedCornersJpeg(40, 30));
    for (const char* name : {"really-png.jpg", "really-jpeg.png"}) {
        EXPECT_EQ(ImageProcessor::imageInfo(dir / name)->width, 40) << name;
        ImageProcessor::process(dir / name, dir / "out", target(20, 15));
        EXPECT_EQ(decode(dir / "out").width(), 20) << name;
    }
}

struct Canvas {
    std::int64_t width;
    std::int64_t height;
    OutputFormat format;
    bool fits;
};

// Each encoder's largest canvas is written and one pixel more is refused as "cannot create",
// before an output name is taken: libjpeg's 65,500 a side, x265's 4,216 beside a side under 32
// pixels, HEVC's and AV1's 16,384 a side, WebP's 16,383, and 100 Mpx for any type.
TEST(BadSettings, CanvasesAreWrittenUpToWhatEachTypeHolds)
{
    TempDir dir;
    solid(20, 20, {1, 2, 3}).write_to_file((dir / "in.png").c_str());
    for (const Canvas& canvas : {Canvas{65'500, 1, OutputFormat::jpeg, true},
                                 {65'501, 1, OutputFormat::jpeg, false},
                                 {4'216, 31, OutputFormat::heic, true},
                                 {4'217, 31, OutputFormat::heic, false},
                                 {16'385, 64, OutputFormat::heic, false},
                                 {16'383, 1, OutputFormat::webp, true},
                                 {16'384, 1, OutputFormat::webp, false},
                                 {2, 16'384, OutputFormat::avif, true},
                                 {16'385, 1, OutputFormat::avif, false},
                                 {10'001, 10'000, OutputFormat::png, false},
                                 {INT64_MAX, INT64_MAX, OutputFormat::tiff, false}}) {
        SCOPED_TRACE(testing::Message()
                     << canvas.width << "x" << canvas.height << " " << rawValue(canvas.format));
        ResizeSettings settings =
            target(canvas.width, canvas.height, ResizeMode::stretch, canvas.format);
        if (canvas.fits) {
            ImageProcessor::process(dir / "in.png", dir / "out", settings);
            const vips::VImage out = decode(dir / "out");
            EXPECT_EQ(out.width(), canvas.width);
            EXPECT_EQ(out.height(), canvas.height);
            fs::remove(dir / "out");
            continue;
        }
        int namesTaken = 0;
        try {
            ImageProcessor::processToNewFile(dir / "in.png", settings, [&] {
                ++namesTaken;
                return dir / "out";
            });
            ADD_FAILURE() << "written";
        } catch (const ProcessingError& error) {
            EXPECT_EQ(error.code(), ProcessingError::cannotCreate);
        }
        EXPECT_EQ(namesTaken, 0);
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in.png"}));
    }
    // Sizes below one pixel count as one, in every type.
    for (const OutputFormat format : kAllOutputFormats) {
        ImageProcessor::process(dir / "in.png", dir / "out",
                                target(INT64_MIN, 0, ResizeMode::fit, format));
        EXPECT_EQ(decode(dir / "out").width(), 1) << rawValue(format);
    }
}

} // namespace
} // namespace pictavo
