#include "test_images.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace pictavo {
namespace {

using namespace test;

struct ManifestRow {
    std::string file;
    std::string type;
    std::string size; // "W x H" as stored, or "-"
    std::string orientation;
    bool decodes = false;
};

std::vector<ManifestRow> manifest()
{
    std::vector<ManifestRow> rows;
    std::ifstream in(testdata() / "manifest.tsv");
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream stream(line);
        for (std::string cell; std::getline(stream, cell, '\t');)
            cells.push_back(cell);
        if (cells.size() < 16 || cells[0].starts_with("LICENSES"))
            continue;
        rows.push_back({cells[0], cells[3], cells[4], cells[10], cells[15] == "OK"});
    }
    return rows;
}

// Every readable real file converts and reports its upright size; every damaged one fails
// as unreadable, leaves nothing behind, and nothing crashes.
TEST(RealFiles, ReadableOnesConvertDamagedOnesFailCleanly)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
    TempDir dir;
    int converted = 0;
    int refused = 0;
    for (const ManifestRow& row : manifest()) {
        SCOPED_TRACE(row.file);
        const fs::path source = testdata() / row.file;
        ResizeSettings settings;
        settings.width = 160;
        settings.height = 120;
        settings.format = OutputFormat::jpeg;
        if (!row.decodes) {
            EXPECT_THROW(
                {
                    try {
                        ImageProcessor::process(source, dir / "out.jpg", settings);
                    } catch (const ProcessingError& error) {
                        EXPECT_EQ(error.code(), ProcessingError::cannotRead);
                        throw;
                    }
                },
                ProcessingError);
            EXPECT_FALSE(fs::exists(dir / "out.jpg"));
            ++refused;
            continue;
        }
        const std::optional<ImageInfo> info = ImageProcessor::imageInfo(source);
        ASSERT_TRUE(info);
        // HEIF sizes are listed after the rotation box; other files as stored.
        const bool heif = row.type == "HEIC" || row.type == "HEIF" || row.type == "AVIF";
        const bool quarter = !heif && (row.orientation == "5" || row.orientation == "6" ||
                                       row.orientation == "7" || row.orientation == "8");
        const std::string width = row.size.substr(0, row.size.find('x'));
        const std::string height = row.size.substr(row.size.find('x') + 1);
        EXPECT_EQ(std::to_string(info->width), quarter ? height : width);
        EXPECT_EQ(std::to_string(info->height), quarter ? width : height);
        EXPECT_EQ(info->fileSize, static_cast<std::int64_t>(fs::file_size(source)));

        ASSERT_NO_THROW(ImageProcessor::process(source, dir / "out.jpg", settings));
        const vips::VImage out = decode(dir / "out.jpg");
        EXPECT_EQ(out.width(), 160);
        EXPECT_EQ(out.height(), 120);
        fs::remove(dir / "out.jpg");
        ++converted;
    }
    EXPECT_GT(converted, 60);
    EXPECT_GT(refused, 10);
}

TEST(RealFiles, EveryFamilyConvertsToEveryType)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
    TempDir dir;
    for (const char* name :
         {"01-jpeg-camera-exif/Samsung_GT-I9000_orient6_gps0.jpg",
          "02-heic/alpha_colors-with-alpha.heic", "03-png/photo_rgba_displayICC.png",
          "04-tiff/cmyk8_jpeg.tif", "05-webp/alpha_lossy.webp", "05-webp/exif_orientation6.webp",
          "04-tiff/multipage_3pages_g4fax.tiff", "02-heic/not-hevc_example.avif"}) {
        for (const OutputFormat format : kAllOutputFormats) {
            SCOPED_TRACE(std::string(name) + " -> " + std::string(rawValue(format)));
            ResizeSettings settings;
            settings.width = 200;
            settings.height = 150;
            settings.format = format;
            ASSERT_NO_THROW(ImageProcessor::process(testdata() / name, dir / "out", settings));
            const vips::VImage out = decode(dir / "out");
            EXPECT_EQ(out.width(), 200);
            EXPECT_EQ(out.height(), 150);
        }
    }
}

// Camera JPEGs are decoded at a reduced DCT scale when that still gives at least the pixels
// drawn; the result must stay indistinguishable from a full-resolution decode.
TEST(RealFiles, ReducedScaleDecodeMatchesFullDecode)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
    TempDir dir;
    for (const char* name : {"06-jpeg-special/large_24MP_SonyA6000.jpg",
                             "01-jpeg-camera-exif/Leica_T_Typ701_orient8.jpg",
                             "01-jpeg-camera-exif/Canon_EOS_1000D_orient6.jpg",
                             "01-jpeg-camera-exif/Apple_iPhone_5_orient3_gps.jpg",
                             "06-jpeg-special/progressive_CanonEOS6D.jpg"}) {
        for (const std::pair<int, int>& target :
             {std::pair{1920, 1080}, std::pair{800, 800}, std::pair{400, 300}}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(target.first));
            ResizeSettings settings;
            settings.width = target.first;
            settings.height = target.second;
            settings.mode = ResizeMode::stretch;
            settings.format = OutputFormat::png;
            settings.keepMetadata = false;
            ImageProcessor::process(testdata() / name, dir / "out.png", settings);

            vips::VImage full = vips::VImage::new_from_file((testdata() / name).c_str()).autorot();
            full = full.resize(
                double(target.first) / full.width(),
                vips::VImage::option()->set("vscale", double(target.second) / full.height()));
            const vips::VImage out = decode(dir / "out.png");
            ASSERT_EQ(out.width(), full.width());
            ASSERT_EQ(out.height(), full.height());
            EXPECT_GT(psnr(out, full.colourspace(VIPS_INTERPRETATION_sRGB)), 38);
        }
    }
}

} // namespace
} // namespace pictavo
