#include "test_images.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <gtest/gtest.h>
#include <thread>

namespace pictavo {
namespace {

using namespace test;

ProcessingError::Code failureOf(const fs::path& source, const fs::path& destination,
                                const ResizeSettings& settings = {})
{
    try {
        ImageProcessor::process(source, destination, settings);
    } catch (const ProcessingError& error) {
        return error.code();
    }
    ADD_FAILURE() << source << " converted although it should not";
    return ProcessingError::cannotRead;
}

// A JPEG whose header claims `width` × `height` pixels, followed by too little data.
Bytes jpegClaiming(int width, int height)
{
    Bytes jpeg = markedCornersJpeg(64, 32);
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<unsigned char>(height >> 8);
            jpeg[i + 6] = static_cast<unsigned char>(height & 0xFF);
            jpeg[i + 7] = static_cast<unsigned char>(width >> 8);
            jpeg[i + 8] = static_cast<unsigned char>(width & 0xFF);
            break;
        }
    }
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
    fs::create_directory(dir / "folder.jpg");

    for (const char* name : {"text.jpg", "empty.png", "half.jpg", "header-only.jpg", "giant.jpg",
                             "claims-more.jpg", "vector.png", "folder.jpg", "missing.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(failureOf(dir / name, dir / "out.jpg"), ProcessingError::cannotRead);
        EXPECT_FALSE(fs::exists(dir / "out.jpg"));
    }
    for (const char* name : {"text.jpg", "empty.png", "vector.png", "folder.jpg", "missing.jpg"})
        EXPECT_EQ(ImageProcessor::imageInfo(dir / name), std::nullopt) << name;
    // The header is readable; refusing the size is the conversion's job.
    EXPECT_TRUE(ImageProcessor::imageInfo(dir / "giant.jpg"));
}

// libvips reports a cut-off JPEG only now and then when it decodes at a reduced DCT scale, so
// the same file is tried several times, at the small targets that use that scale.
TEST(BadSources, CutOffJpegsFailEveryTime)
{
    TempDir dir;
    const Bytes whole = markedCornersJpeg(200, 100);
    writeFile(dir / "half.jpg", Bytes(whole.begin(), whole.begin() + long(whole.size() / 2)));
    writeFile(dir / "no-end.jpg", Bytes(whole.begin(), whole.end() - 2));
    Bytes trailer = whole;
    trailer.insert(trailer.end(), {'t', 'r', 'a', 'i', 'l', 'e', 'r', 0xFF, 0x00});
    writeFile(dir / "trailer.jpg", trailer);
    ResizeSettings small;
    small.width = 20;
    small.height = 10;
    for (int attempt = 0; attempt < 10; ++attempt) {
        EXPECT_EQ(failureOf(dir / "half.jpg", dir / "out.png", small), ProcessingError::cannotRead);
        EXPECT_EQ(failureOf(dir / "no-end.jpg", dir / "out.png", small),
                  ProcessingError::cannotRead);
    }
    EXPECT_FALSE(fs::exists(dir / "out.png"));
    ImageProcessor::process(dir / "trailer.jpg", dir / "out.png", small); // data after the end
    EXPECT_TRUE(fs::exists(dir / "out.png"));
}

// Where the primary image's first scan starts, found by walking the marker segments.
std::size_t firstScan(const Bytes& jpeg)
{
    std::size_t at = 2;
    while (at + 4 < jpeg.size() && jpeg[at + 1] != 0xDA)
        at += 2 + ((std::size_t(jpeg[at + 2]) << 8) | jpeg[at + 3]);
    return at;
}

// Camera JPEGs with damaged pixel data fail, whether they are decoded at full or at 1/8 DCT
// scale; stray bytes before a marker, which libjpeg also warns about, do not matter.
TEST(BadSources, DamagedCameraJpegsFailStrayBytesDoNot)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
    TempDir dir;
    for (const char* name : {"Samsung_GT-I9000_orient6_gps0.jpg", "Canon_EOS_1000D_orient6.jpg",
                             "Apple_iPhone_6_Plus_orient6_gps.JPG"}) { // the last has restarts
        SCOPED_TRACE(name);
        const Bytes whole = readFile(testdata() / "01-jpeg-camera-exif" / name);
        const auto middle = static_cast<long>(whole.size() / 2);
        Bytes zeroed = whole;
        std::fill(zeroed.begin() + middle, zeroed.begin() + middle + 20'000, 0);
        Bytes cut(whole.begin(), whole.begin() + middle);
        cut.insert(cut.end(), {0xFF, 0xD9});
        Bytes stray = whole;
        const auto scan = static_cast<long>(firstScan(whole));
        stray.insert(stray.begin() + scan, {0x00, 0x5A, 0xA5});
        writeFile(dir / "zeroed.jpg", zeroed);
        writeFile(dir / "cut.jpg", cut);
        writeFile(dir / "stray.jpg", stray);

        const std::optional<ImageInfo> info = ImageProcessor::imageInfo(dir / "stray.jpg");
        ASSERT_TRUE(info);
        ResizeSettings reduced; // decoded at 1/8 DCT scale
        reduced.width = info->width / 10;
        reduced.height = info->height / 10;
        reduced.mode = ResizeMode::stretch;
        reduced.keepMetadata = false;
        ResizeSettings full = reduced;
        full.width = info->width;
        full.height = info->height;
        for (const ResizeSettings& settings : {reduced, full}) {
            for (const char* damaged : {"zeroed.jpg", "cut.jpg"})
                EXPECT_EQ(failureOf(dir / damaged, dir / "out.png", settings),
                          ProcessingError::cannotRead)
                    << damaged << " at " << settings.width;
            EXPECT_FALSE(fs::exists(dir / "out.png"));
        }
        ImageProcessor::process(testdata() / "01-jpeg-camera-exif" / name, dir / "clean.png",
                                reduced);
        ImageProcessor::process(dir / "stray.jpg", dir / "stray.png", reduced);
        EXPECT_GT(psnr(decode(dir / "stray.png"), decode(dir / "clean.png")), 60);
    }
}

TEST(BadSources, ExtremeStripsAreRefusedQuickly)
{
    TempDir dir;
    vips::VImage::black(1, 150'000).cast(VIPS_FORMAT_UCHAR).pngsave((dir / "strip.png").c_str());
    ResizeSettings settings;
    settings.mode = ResizeMode::fill;
    EXPECT_EQ(failureOf(dir / "strip.png", dir / "out.png", settings), ProcessingError::cannotRead);
}

TEST(BadSources, ContentDecidesNotTheExtension)
{
    TempDir dir;
    solid(40, 30, {10, 200, 10}).pngsave((dir / "really-png.jpg").c_str());
    writeFile(dir / "really-jpeg.png", markedCornersJpeg(40, 30));
    for (const char* name : {"really-png.jpg", "really-jpeg.png"}) {
        const std::optional<ImageInfo> info = ImageProcessor::imageInfo(dir / name);
        ASSERT_TRUE(info) << name;
        EXPECT_EQ(info->width, 40);
        ResizeSettings settings;
        settings.width = 20;
        settings.height = 15;
        ImageProcessor::process(dir / name, dir / "out", settings);
        EXPECT_EQ(decode(dir / "out").width(), 20) << name;
    }
}

struct Canvas {
    std::int64_t width;
    std::int64_t height;
    OutputFormat format;
};

ResizeSettings settingsFor(const Canvas& canvas)
{
    ResizeSettings settings;
    settings.width = canvas.width;
    settings.height = canvas.height;
    settings.format = canvas.format;
    return settings;
}

// Each just past what its encoder takes: libjpeg's 65,500 a side, x265's 4,216 beside a side
// under 32 pixels, HEVC's and AV1's 16,384 a side, WebP's 16,383.
TEST(BadSettings, CanvasesNoFormatCanHoldAreRefused)
{
    TempDir dir;
    solid(20, 20, {1, 2, 3}).write_to_file((dir / "in.png").c_str());
    for (const Canvas& canvas :
         {Canvas{65'501, 10, OutputFormat::jpeg}, Canvas{10, 65'535, OutputFormat::jpeg},
          Canvas{4'217, 31, OutputFormat::heic}, Canvas{1, 4'217, OutputFormat::heic},
          Canvas{16'385, 64, OutputFormat::heic}, Canvas{20'000, 20'000, OutputFormat::png},
          Canvas{16'384, 8, OutputFormat::webp}, Canvas{8, 16'384, OutputFormat::webp},
          Canvas{16'385, 8, OutputFormat::avif}, Canvas{8, 16'385, OutputFormat::avif},
          Canvas{INT64_MAX, INT64_MAX, OutputFormat::tiff},
          Canvas{INT64_MAX, 1, OutputFormat::png}}) {
        EXPECT_EQ(failureOf(dir / "in.png", dir / "out", settingsFor(canvas)),
                  ProcessingError::cannotCreate)
            << canvas.width << "x" << canvas.height;
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
}

TEST(BadSettings, TinyOddAndLimitTargetsStillConvert)
{
    TempDir dir;
    solid(20, 20, {1, 2, 3}).write_to_file((dir / "in.png").c_str());
    for (const OutputFormat format : kAllOutputFormats) {
        ResizeSettings settings;
        settings.width = INT64_MIN;
        settings.height = 0;
        settings.format = format;
        ImageProcessor::process(dir / "in.png", dir / "out", settings);
        EXPECT_EQ(decode(dir / "out").width(), 1) << rawValue(format);
    }
    for (const Canvas& canvas :
         {Canvas{1921, 1081, OutputFormat::heic}, Canvas{4'216, 31, OutputFormat::heic},
          Canvas{1, 4'216, OutputFormat::heic}, Canvas{65'500, 2, OutputFormat::jpeg},
          Canvas{16'383, 3, OutputFormat::webp}, Canvas{3, 16'384, OutputFormat::avif}}) {
        ImageProcessor::process(dir / "in.png", dir / "out", settingsFor(canvas));
        const vips::VImage out = decode(dir / "out");
        EXPECT_EQ(out.width(), canvas.width);
        EXPECT_EQ(out.height(), canvas.height);
    }
}

TEST(Concurrency, IndependentConversionsRunSideBySide)
{
    TempDir dir;
    solid(300, 200, {90, 10, 10}).write_to_file((dir / "in.jpg").c_str());
    std::vector<std::thread> workers;
    std::atomic<int> failures = 0;
    for (int i = 0; i < 4; ++i) {
        workers.emplace_back([&, i] {
            ResizeSettings settings;
            settings.width = 100 + i;
            settings.height = 50;
            try {
                ImageProcessor::process(dir / "in.jpg", dir / ("out" + std::to_string(i) + ".jpg"),
                                        settings);
            } catch (const ProcessingError&) {
                ++failures;
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(failures, 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(decode(dir / ("out" + std::to_string(i) + ".jpg")).width(), 100 + i);
}

} // namespace
} // namespace pictavo
