#include "test_images.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

using namespace test;

ResizeSettings settingsFor(std::int64_t width, std::int64_t height, ResizeMode mode,
                           OutputFormat format = OutputFormat::original)
{
    ResizeSettings settings;
    settings.width = width;
    settings.height = height;
    settings.mode = mode;
    settings.format = format;
    return settings;
}

class Processing : public testing::Test {
protected:
    void SetUp() override
    {
        source = dir / "photo.jpg";
        solid(400, 300, {30, 90, 200}).write_to_file(source.c_str());
    }

    TempDir dir;
    fs::path source;
};

TEST_F(Processing, OutputIsExactlyTheCanvasForEveryModeAndTarget)
{
    const std::vector<std::pair<int, int>> targets{{1920, 1080}, {1, 1},     {1, 500},   {500, 1},
                                                   {401, 299},   {399, 301}, {333, 777}, {17, 13}};
    for (const auto& [width, height] : targets) {
        for (const ResizeMode mode : kAllResizeModes) {
            for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::png}) {
                const fs::path out = dir / "out";
                ImageProcessor::process(source, out, settingsFor(width, height, mode, format));
                const vips::VImage image = decode(out);
                EXPECT_EQ(image.width(), width) << rawValue(mode) << " " << rawValue(format);
                EXPECT_EQ(image.height(), height) << rawValue(mode) << " " << rawValue(format);
            }
        }
    }
}

TEST_F(Processing, GuardKeepsSmallImagesAtTheirOwnSize)
{
    ResizeSettings settings = settingsFor(1920, 1080, ResizeMode::fill);
    settings.preventUpscaling = true;
    ImageProcessor::process(source, dir / "out.jpg", settings);
    const vips::VImage image = decode(dir / "out.jpg");
    EXPECT_EQ(image.width(), 400);
    EXPECT_EQ(image.height(), 300);
}

TEST_F(Processing, FitMarginsAreWhiteForJpegAndTransparentForTypesWithAlpha)
{
    // 400×300 into 800×300: 200-pixel margins left and right.
    ImageProcessor::process(source, dir / "out.jpg",
                            settingsFor(800, 300, ResizeMode::fit, OutputFormat::jpeg));
    const vips::VImage jpeg = decode(dir / "out.jpg");
    EXPECT_TRUE(near(pixelAt(jpeg, 5, 150), {255, 255, 255}));
    EXPECT_TRUE(near(pixelAt(jpeg, 795, 150), {255, 255, 255}));
    EXPECT_TRUE(near(pixelAt(jpeg, 400, 150), {30, 90, 200}));

    for (const OutputFormat format :
         {OutputFormat::png, OutputFormat::tiff, OutputFormat::webp, OutputFormat::avif}) {
        const fs::path out = dir / "out.any";
        ImageProcessor::process(source, out, settingsFor(800, 300, ResizeMode::fit, format));
        const vips::VImage image = decode(out);
        ASSERT_EQ(image.bands(), 4);
        EXPECT_EQ(pixelAt(image, 5, 150)[3], 0) << rawValue(format);
        EXPECT_EQ(pixelAt(image, 795, 150)[3], 0) << rawValue(format);
        EXPECT_TRUE(near(pixelAt(image, 400, 150), {30, 90, 200, 255})) << rawValue(format);
    }
}

TEST_F(Processing, FillCutsEqualPartsOffOppositeSides)
{
    // Left half red, right half blue, 400×300; filled into 100×300 keeps the middle quarter.
    vips::VImage halves = solid(400, 300, {255, 0, 0}).insert(solid(200, 300, {0, 0, 255}), 200, 0);
    halves.write_to_file((dir / "halves.png").c_str());
    ImageProcessor::process(dir / "halves.png", dir / "out.png",
                            settingsFor(100, 300, ResizeMode::fill));
    const vips::VImage image = decode(dir / "out.png");
    ASSERT_EQ(image.width(), 100);
    EXPECT_TRUE(near(pixelAt(image, 10, 150), {255, 0, 0}));
    EXPECT_TRUE(near(pixelAt(image, 89, 150), {0, 0, 255}));
    EXPECT_EQ(image.bands(), 3) << "a fill without margins needs no alpha";
}

TEST_F(Processing, TransparentAreasAreCompositedOnWhiteOnlyForOpaqueTypes)
{
    // Opaque red left half, fully transparent right half.
    vips::VImage rgba =
        solid(200, 100, {255, 0, 0, 255}).insert(solid(100, 100, {0, 0, 0, 0}), 100, 0);
    rgba.write_to_file((dir / "alpha.png").c_str());

    ImageProcessor::process(dir / "alpha.png", dir / "out.jpg",
                            settingsFor(200, 100, ResizeMode::stretch, OutputFormat::jpeg));
    const vips::VImage jpeg = decode(dir / "out.jpg");
    EXPECT_TRUE(near(pixelAt(jpeg, 150, 50), {255, 255, 255}));
    EXPECT_TRUE(near(pixelAt(jpeg, 50, 50), {255, 0, 0}));

    for (const OutputFormat format :
         {OutputFormat::png, OutputFormat::original, OutputFormat::webp, OutputFormat::avif}) {
        ImageProcessor::process(dir / "alpha.png", dir / "out.png",
                                settingsFor(200, 100, ResizeMode::stretch, format));
        const vips::VImage image = decode(dir / "out.png");
        ASSERT_EQ(image.bands(), 4) << rawValue(format);
        EXPECT_EQ(pixelAt(image, 150, 50)[3], 0) << rawValue(format);
        EXPECT_TRUE(near(pixelAt(image, 50, 50), {255, 0, 0, 255})) << rawValue(format);
    }
}

TEST_F(Processing, ResamplingLeavesNoDarkFringeAtTransparentEdges)
{
    // White opaque disc-free square on transparent black: premultiplied resampling keeps the
    // edge pixels white-ish; straight resampling would blend in the black of the clear area.
    vips::VImage rgba =
        solid(64, 64, {0, 0, 0, 0}).insert(solid(32, 64, {255, 255, 255, 255}), 0, 0);
    rgba.write_to_file((dir / "edge.png").c_str());
    ImageProcessor::process(dir / "edge.png", dir / "out.png",
                            settingsFor(45, 45, ResizeMode::stretch, OutputFormat::png));
    const vips::VImage image = decode(dir / "out.png");
    for (int x = 0; x < image.width(); ++x) {
        const std::vector<double> p = pixelAt(image, x, 20);
        if (p[3] > 16) {
            EXPECT_GT(p[0], 230) << "x=" << x << " alpha=" << p[3];
        }
    }
}

TEST_F(Processing, QualityChangesLossyOutputOnly)
{
    vips::VImage noise = vips::VImage::bandjoin({vips::VImage::gaussnoise(300, 200),
                                                 vips::VImage::gaussnoise(300, 200),
                                                 vips::VImage::gaussnoise(300, 200)});
    noise.cast(VIPS_FORMAT_UCHAR).write_to_file((dir / "noise.png").c_str());
    auto sizeAt = [&](OutputFormat format, double quality) {
        ResizeSettings settings = settingsFor(300, 200, ResizeMode::stretch, format);
        settings.quality = quality;
        ImageProcessor::process(dir / "noise.png", dir / "q.out", settings);
        return fs::file_size(dir / "q.out");
    };
    EXPECT_LT(sizeAt(OutputFormat::jpeg, 0.4), sizeAt(OutputFormat::jpeg, 0.95));
    EXPECT_LT(sizeAt(OutputFormat::heic, 0.4), sizeAt(OutputFormat::heic, 0.95));
    EXPECT_LT(sizeAt(OutputFormat::webp, 0.4), sizeAt(OutputFormat::webp, 0.95));
    EXPECT_LT(sizeAt(OutputFormat::avif, 0.4), sizeAt(OutputFormat::avif, 0.95));
    EXPECT_EQ(sizeAt(OutputFormat::png, 0.4), sizeAt(OutputFormat::png, 1.0));
    EXPECT_EQ(sizeAt(OutputFormat::tiff, 0.4), sizeAt(OutputFormat::tiff, 1.0));
    // Out-of-range values are clamped to the encoder's range instead of reaching it.
    EXPECT_EQ(sizeAt(OutputFormat::jpeg, 7.0), sizeAt(OutputFormat::jpeg, 1.0));
    EXPECT_EQ(sizeAt(OutputFormat::jpeg, -3.0), sizeAt(OutputFormat::jpeg, 0.0));
    EXPECT_EQ(sizeAt(OutputFormat::jpeg, std::nan("")), sizeAt(OutputFormat::jpeg, 0.9));
}

TEST_F(Processing, EveryWrittenTypeDecodesAsThatType)
{
    const std::vector<std::pair<OutputFormat, std::string>> loaders{
        {OutputFormat::jpeg, "jpegload"}, {OutputFormat::png, "pngload"},
        {OutputFormat::heic, "heifload"}, {OutputFormat::tiff, "tiffload"},
        {OutputFormat::webp, "webpload"}, {OutputFormat::avif, "heifload"}};
    for (const auto& [format, loader] : loaders) {
        const fs::path out = dir / ("typed-" + std::string(rawValue(format)));
        ImageProcessor::process(source, out, settingsFor(64, 48, ResizeMode::fill, format));
        const vips::VImage image = vips::VImage::new_from_file(out.c_str());
        EXPECT_EQ(image.get_string("vips-loader"), loader);
        if (loader == "heifload") {
            EXPECT_EQ(std::string(image.get_string("heif-compression")),
                      format == OutputFormat::avif ? "av1" : "hevc");
        }
        EXPECT_TRUE(near(pixelAt(image.copy_memory(), 32, 24), {30, 90, 200}, 16)) << loader;
    }
}

TEST_F(Processing, ReplacesAnExistingDestination)
{
    writeFile(dir / "out.jpg", Bytes(1000, 'x'));
    ImageProcessor::process(source, dir / "out.jpg", settingsFor(40, 30, ResizeMode::fit));
    EXPECT_EQ(decode(dir / "out.jpg").width(), 40);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"out.jpg", "photo.jpg"}));
}

TEST_F(Processing, FailedWriteLeavesNothingBehindAndDamagesNothing)
{
    // The destination's folder does not exist.
    EXPECT_THROW(ImageProcessor::process(source, dir / "missing" / "out.jpg", ResizeSettings{}),
                 ProcessingError);

    // A folder stands where the file should go: the encode succeeds, the rename cannot.
    fs::create_directory(dir / "taken.jpg");
    writeFile(dir / "taken.jpg" / "keep.txt", Bytes{'k'});
    try {
        ImageProcessor::process(source, dir / "taken.jpg", ResizeSettings{});
        ADD_FAILURE() << "expected a write failure";
    } catch (const ProcessingError& error) {
        EXPECT_EQ(error.code(), ProcessingError::cannotWrite);
    }
    EXPECT_EQ(readFile(dir / "taken.jpg" / "keep.txt"), Bytes{'k'});
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"photo.jpg", "taken.jpg"}))
        << "no temporary file may stay behind";
}

TEST_F(Processing, InfoReportsTheUprightSizeAndByteCount)
{
    const std::optional<ImageInfo> info = ImageProcessor::imageInfo(source);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 400);
    EXPECT_EQ(info->height, 300);
    EXPECT_EQ(info->fileSize, static_cast<std::int64_t>(fs::file_size(source)));

    writeFile(dir / "turned.jpg",
              withExifSegment(markedCornersJpeg(80, 40), exifWithOrientation(8)));
    const std::optional<ImageInfo> turned = ImageProcessor::imageInfo(dir / "turned.jpg");
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->width, 40);
    EXPECT_EQ(turned->height, 80);
}

} // namespace
} // namespace pictavo

namespace pictavo {
namespace {

using namespace test;

TEST(NewFiles, NeverReplaceAFileThatAppearedMeanwhile)
{
    TempDir dir;
    solid(40, 30, {10, 20, 30}).write_to_file((dir / "in.png").c_str());
    const Bytes theirs{'t', 'h', 'e', 'i', 'r', 's'};
    int calls = 0;
    // a.png was free when the caller checked; another program creates it before the write.
    const fs::path written =
        ImageProcessor::processToNewFile(dir / "in.png", ResizeSettings{}, [&]() -> fs::path {
            ++calls;
            if (calls == 1) {
                writeFile(dir / "a.png", theirs);
                return dir / "a.png";
            }
            return dir / ("a-" + std::to_string(calls) + ".png");
        });
    EXPECT_EQ(written, dir / "a-2.png");
    EXPECT_EQ(readFile(dir / "a.png"), theirs);
    EXPECT_EQ(decode(dir / "a-2.png").width(), 1920);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a-2.png", "a.png", "in.png"}));

    // A free name is simply used.
    EXPECT_EQ(ImageProcessor::processToNewFile(dir / "in.png", ResizeSettings{},
                                               [&] { return dir / "b.png"; }),
              dir / "b.png");
}

TEST(NewFiles, UnwritableFolderIsAWriteFailure)
{
    TempDir dir;
    solid(40, 30, {10, 20, 30}).write_to_file((dir / "in.png").c_str());
    EXPECT_THROW(ImageProcessor::processToNewFile(dir / "in.png", ResizeSettings{},
                                                  [&] { return dir / "gone" / "a.png"; }),
                 ProcessingError);
}

} // namespace
} // namespace pictavo
