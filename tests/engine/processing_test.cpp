#include "test_images.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

using namespace test;

const std::vector<double> kBlue{30, 90, 200};

class Processing : public testing::Test {
protected:
    void SetUp() override { solid(400, 300, kBlue).write_to_file(source.c_str()); }

    TempDir dir;
    fs::path source = dir / "photo.jpg";
};

TEST_F(Processing, OutputIsExactlyTheCanvasForEveryModeAndTarget)
{
    for (const auto& [width, height] :
         {std::pair{1920, 1080}, {1, 1}, {1, 500}, {500, 1}, {401, 299}, {17, 13}})
        for (const ResizeMode mode : kAllResizeModes)
            for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::png}) {
                ImageProcessor::process(source, dir / "out", target(width, height, mode, format));
                const vips::VImage image = decode(dir / "out");
                EXPECT_EQ(std::pair(image.width(), image.height()), std::pair(width, height))
                    << rawValue(mode) << " " << rawValue(format);
            }
    ResizeSettings guarded = target(1920, 1080, ResizeMode::fill);
    guarded.preventUpscaling = true;
    ImageProcessor::process(source, dir / "out.jpg", guarded);
    EXPECT_EQ(decode(dir / "out.jpg").width(), 400);
}

// Fit margins and transparent source areas are white in the types without alpha and clear in
// the others, also when the source itself has no alpha.
TEST_F(Processing, MarginsAndClearAreasAreWhiteOrTransparentByType)
{
    // Left half opaque blue, right half fully transparent; fitted into 400×100 with
    // 100-pixel margins left and right.
    solid(200, 100, {30, 90, 200, 255})
        .insert(solid(100, 100, {0, 0, 0, 0}), 100, 0)
        .write_to_file((dir / "alpha.png").c_str());
    for (const char* name : {"photo.jpg", "alpha.png"}) {
        for (const OutputFormat format : kAllOutputFormats) {
            SCOPED_TRACE(std::string(name) + " " + std::string(rawValue(format)));
            ImageProcessor::process(dir / name, dir / "out",
                                    target(400, 100, ResizeMode::fit, format));
            const vips::VImage out = decode(dir / "out");
            const bool opaque = format == OutputFormat::jpeg || format == OutputFormat::heic ||
                                (format == OutputFormat::original && name[0] == 'p');
            ASSERT_EQ(out.bands(), opaque ? 3 : 4);
            const std::vector<double> clear =
                opaque ? std::vector<double>{255, 255, 255} : std::vector<double>{0, 0, 0, 0};
            const auto seen = [&](int x) {
                std::vector<double> pixel = pixelAt(out, x, 50);
                if (pixel.size() == 4 && pixel[3] == 0)
                    pixel = {0, 0, 0, 0}; // the colour under a clear pixel does not matter
                return pixel;
            };
            EXPECT_TRUE(near(seen(5), clear));
            EXPECT_TRUE(near(seen(395), clear));
            std::vector<double> blue = kBlue;
            if (!opaque)
                blue.push_back(255);
            EXPECT_TRUE(near(seen(150), blue, 16));
            if (name[0] == 'a') {
                EXPECT_TRUE(near(seen(250), clear));
            }
        }
    }
}

TEST_F(Processing, FillCutsEqualPartsOffOppositeSides)
{
    // Left half red, right half blue, 400×300; filled into 100×300 keeps the middle quarter.
    solid(400, 300, {255, 0, 0})
        .insert(solid(200, 300, {0, 0, 255}), 200, 0)
        .write_to_file((dir / "halves.png").c_str());
    ImageProcessor::process(dir / "halves.png", dir / "out.png",
                            target(100, 300, ResizeMode::fill));
    const vips::VImage image = decode(dir / "out.png");
    ASSERT_EQ(image.width(), 100);
    EXPECT_TRUE(near(pixelAt(image, 10, 150), {255, 0, 0}));
    EXPECT_TRUE(near(pixelAt(image, 89, 150), {0, 0, 255}));
    EXPECT_EQ(image.bands(), 3) << "a fill without margins needs no alpha";
}

// Premultiplied resampling keeps the edge of a white area on clear black white; straight
// resampling would blend in the black of the clear pixels.
TEST_F(Processing, ResamplingLeavesNoDarkFringeAtTransparentEdges)
{
    solid(64, 64, {0, 0, 0, 0})
        .insert(solid(32, 64, {255, 255, 255, 255}), 0, 0)
        .write_to_file((dir / "edge.png").c_str());
    ImageProcessor::process(dir / "edge.png", dir / "out.png",
                            target(45, 45, ResizeMode::stretch, OutputFormat::png));
    const vips::VImage image = decode(dir / "out.png");
    for (int x = 0; x < image.width(); ++x) {
        const std::vector<double> p = pixelAt(image, x, 20);
        EXPECT_TRUE(p[3] <= 16 || p[0] > 230) << "x=" << x << " alpha=" << p[3];
    }
}

TEST_F(Processing, QualityChangesLossyOutputOnlyAndIsClamped)
{
    vips::VImage::bandjoin({vips::VImage::gaussnoise(300, 200), vips::VImage::gaussnoise(300, 200),
                            vips::VImage::gaussnoise(300, 200)})
        .cast(VIPS_FORMAT_UCHAR)
        .write_to_file((dir / "noise.png").c_str());
    auto sizeAt = [&](OutputFormat format, double quality) {
        ResizeSettings settings = target(300, 200, ResizeMode::stretch, format);
        settings.quality = quality;
        ImageProcessor::process(dir / "noise.png", dir / "q.out", settings);
        return fs::file_size(dir / "q.out");
    };
    for (const OutputFormat format : kAllOutputFormats) {
        if (format == OutputFormat::original)
            continue;
        EXPECT_EQ(sizeAt(format, 0.4) < sizeAt(format, 0.95), supportsQuality(format))
            << rawValue(format);
    }
    EXPECT_EQ(sizeAt(OutputFormat::jpeg, 7.0), sizeAt(OutputFormat::jpeg, 1.0));
    EXPECT_EQ(sizeAt(OutputFormat::jpeg, -3.0), sizeAt(OutputFormat::jpeg, 0.0));
    EXPECT_EQ(sizeAt(OutputFormat::jpeg, std::nan("")), sizeAt(OutputFormat::jpeg, 0.9));
}

TEST_F(Processing, EveryWrittenTypeDecodesAsThatType)
{
    for (const auto& [format, loader] : {std::pair{OutputFormat::jpeg, "jpegload"},
                                         {OutputFormat::png, "pngload"},
                                         {OutputFormat::heic, "heifload"},
                                         {OutputFormat::tiff, "tiffload"},
                                         {OutputFormat::webp, "webpload"},
                                         {OutputFormat::avif, "heifload"}}) {
        const fs::path out = dir / ("typed-" + std::string(rawValue(format)));
        ImageProcessor::process(source, out, target(64, 48, ResizeMode::fill, format));
        const vips::VImage image = vips::VImage::new_from_file(out.c_str());
        EXPECT_STREQ(image.get_string("vips-loader"), loader);
        if (loader == std::string("heifload")) {
            EXPECT_STREQ(image.get_string("heif-compression"),
                         format == OutputFormat::avif ? "av1" : "hevc");
        }
        EXPECT_TRUE(near(pixelAt(image.copy_memory(), 32, 24), kBlue, 16)) << loader;
    }
}

TEST_F(Processing, ReplacesTheDestinationOnlyWhenTheNewFileIsComplete)
{
    writeFile(dir / "out.jpg", Bytes(1000, 'x'));
    ImageProcessor::process(source, dir / "out.jpg", target(40, 30));
    EXPECT_EQ(decode(dir / "out.jpg").width(), 40);

    EXPECT_EQ(failureOf(source, dir / "missing" / "out.jpg"), ProcessingError::cannotWrite);
    // A folder stands where the file should go: the encode succeeds, the rename cannot.
    fs::create_directory(dir / "taken.jpg");
    writeFile(dir / "taken.jpg" / "keep.txt", Bytes{'k'});
    EXPECT_EQ(failureOf(source, dir / "taken.jpg"), ProcessingError::cannotWrite);
    EXPECT_EQ(readFile(dir / "taken.jpg" / "keep.txt"), Bytes{'k'});
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"out.jpg", "photo.jpg", "taken.jpg"}))
        << "no temporary file may stay behind";
}

TEST_F(Processing, InfoReportsTheUprightSizeAndByteCount)
{
    EXPECT_EQ(ImageProcessor::imageInfo(source),
              (ImageInfo{400, 300, std::int64_t(fs::file_size(source))}));
    writeFile(dir / "turned.jpg", turnedJpeg(80, 40, 8));
    EXPECT_EQ(ImageProcessor::imageInfo(dir / "turned.jpg"),
              (ImageInfo{40, 80, std::int64_t(fs::file_size(dir / "turned.jpg"))}));
}

} // namespace
} // namespace pictavo
