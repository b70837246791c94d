#include "size_limited_encoding.h"
#include "test_images.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

using namespace test;

// A 640 × 480 photo-like JPEG (blurred colour noise) carrying 30 kB of XMP, which every output
// keeps and which the limit must count.
void writePhoto(const fs::path& path)
{
    const auto band = [] {
        return vips::VImage::gaussnoise(640, 480, vips::VImage::option()->set("sigma", 50))
            .gaussblur(1.5);
    };
    vips::VImage photo = band().bandjoin({band(), band()}).cast(VIPS_FORMAT_UCHAR);
    const std::string xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><!--" + std::string(30'000, 'x') + "--></x:xmpmeta>";
    vips_image_set_blob_copy(photo.get_image(), VIPS_META_XMP_NAME, xmp.data(), xmp.size());
    photo.write_to_file(path.c_str(), vips::VImage::option()->set("Q", 95));
}

class SizeLimit : public testing::Test {
protected:
    void SetUp() override { writePhoto(source); }

    // At 640 × 480; no limit when `limit` is 0.
    ResizeSettings limited(OutputFormat format, double quality, std::int64_t limit)
    {
        ResizeSettings settings = target(640, 480, ResizeMode::fit, format);
        settings.quality = quality;
        settings.limitFileSize = limit > 0;
        settings.maxFileSizeBytes = limit;
        return settings;
    }
    // The file `from` (the photo by default) converts to.
    Bytes convert(OutputFormat format, double quality, std::int64_t limit, fs::path from = {})
    {
        ImageProcessor::process(from.empty() ? source : from, dir / "out",
                                limited(format, quality, limit));
        return readFile(dir / "out");
    }

    TempDir dir;
    fs::path source = dir / "photo.jpg";
};

// A limit of exactly the size one quality gives takes that very file; one byte less takes a
// smaller one. Both sides of JPEG's switch to full chroma at 0.9 are crossed.
TEST_F(SizeLimit, TakesTheHighestQualityWhoseWholeFileFits)
{
    const std::pair<OutputFormat, std::vector<double>> cases[]{
        {OutputFormat::jpeg, {0.2, 0.75, 0.89, 0.95}},
        {OutputFormat::original, {0.6}},
        {OutputFormat::webp, {0.3, 0.85}},
        {OutputFormat::heic, {0.5}},
        {OutputFormat::avif, {0.4, 0.85}},
    };
    for (const auto& [format, qualities] : cases)
        for (const double quality : qualities) {
            const std::string row = std::string(rawValue(format)) + " " + std::to_string(quality);
            const Bytes exact = convert(format, quality, 0);
            const auto size = static_cast<std::int64_t>(exact.size());
            // (libheif maps neighbouring qualities to one quantiser here and there.)
            ASSERT_GE(convert(format, quality + 0.01, 0).size(), exact.size()) << row;
            EXPECT_EQ(convert(format, 0.1, size), exact) << row;
            const Bytes smaller = convert(format, 1.0, size - 1);
            EXPECT_LE(static_cast<std::int64_t>(smaller.size()), size - 1) << row;
            EXPECT_GT(smaller.size(), exact.size() * 9 / 10) << row;
        }
}

// Lossless types ignore the limit; a lossy one that cannot fit fails and writes nothing.
TEST_F(SizeLimit, LosslessTypesIgnoreItAndWhatCannotFitIsNotWritten)
{
    solid(64, 48, {30, 90, 200}).write_to_file((dir / "flat.png").c_str());
    for (const auto& [format, from] : {std::pair{OutputFormat::png, source},
                                       {OutputFormat::tiff, source},
                                       {OutputFormat::original, dir / "flat.png"}})
        EXPECT_EQ(convert(format, 0.9, 100, from), convert(format, 0.9, 0, from))
            << rawValue(format);

    for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::webp, OutputFormat::avif}) {
        writeFile(dir / "out", Bytes{'o', 'l', 'd'});
        EXPECT_EQ(failureOf(source, dir / "out", limited(format, 0.9, 20'000)),
                  ProcessingError::exceedsSizeLimit)
            << rawValue(format);
        EXPECT_EQ(readFile(dir / "out"), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"flat.png", "out", "photo.jpg"}));
    }
}

// The search's rule on sizes that are not monotone in quality: the quality it takes fits and
// the next one up does not, in few encodes.
TEST(SizeLimitSearch, StopsAtAFittingQualityWhoseNextStepDoesNot)
{
    const auto smooth = [](int q) {
        return 2'000.0 * std::exp(q / 16.0);
    };
    const std::function<double(int)> curves[]{
        smooth, [&](int q) { return smooth(q) * (q >= 90 ? 1.8 : 1.0); }, // a jump
        [&](int q) { return smooth(q) * (q % 7 == 0 ? 1.04 : 1.0); },     // bumps
    };
    int encodes = 0, searches = 0;
    for (const auto& curve : curves)
        for (const std::int64_t limit : {5'000, 20'000, 90'000, 150'000, 180'000, 3'000'000}) {
            const auto sizeAt = [&](int q) {
                return static_cast<std::int64_t>(curve(q));
            };
            const detail::LimitedFile file =
                detail::encodeWithinLimit([&](int q) { return Bytes(std::size_t(sizeAt(q)), 0); },
                                          Encoder::vipsJpeg, {1920 * 1080, 0, 1}, limit);
            EXPECT_EQ(static_cast<std::int64_t>(file.bytes.size()), sizeAt(file.quality));
            EXPECT_LE(sizeAt(file.quality), limit) << limit;
            EXPECT_TRUE(file.quality == 100 || sizeAt(file.quality + 1) > limit) << limit;
            encodes += file.encodes;
            ++searches;
        }
    // Curves unlike any photo's still take few encodes, where stepping one quality at a time
    // would take dozens.
    EXPECT_LE(encodes, 6 * searches);
}

} // namespace
} // namespace pictavo
