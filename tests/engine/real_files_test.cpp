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
    SKIP_WITHOUT_TESTDATA();
    TempDir dir;
    int converted = 0;
    int refused = 0;
    for (const ManifestRow& row : manifest()) {
        SCOPED_TRACE(row.file);
        const fs::path source = testdata() / row.file;
        const auto failure = failureOf(source, dir / "out.jpg",
                                       target(160, 120, ResizeMode::fit, OutputFormat::jpeg));
        if (!row.decodes) {
            EXPECT_EQ(failure, ProcessingError::cannotRead);
            EXPECT_FALSE(fs::exists(dir / "out.jpg"));
            ++refused;
            continue;
        }
        ASSERT_EQ(failure, std::nullopt);
        const vips::VImage out = decode(dir / "out.jpg");
        EXPECT_EQ(std::pair(out.width(), out.height()), std::pair(160, 120));
        fs::remove(dir / "out.jpg");
        ++converted;
        // HEIF sizes are listed after the rotation box; other files as stored.
        const bool heif = row.type == "HEIC" || row.type == "HEIF" || row.type == "AVIF";
        const bool quarter = !heif && row.orientation >= "5" && row.orientation <= "8";
        const std::string width = row.size.substr(0, row.size.find('x'));
        const std::string height = row.size.substr(row.size.find('x') + 1);
        const std::optional<ImageInfo> info = ImageProcessor::imageInfo(source);
        ASSERT_TRUE(info);
        EXPECT_EQ(std::to_string(info->width), quarter ? height : width);
        EXPECT_EQ(std::to_string(info->height), quarter ? width : height);
        EXPECT_EQ(info->fileSize, static_cast<std::int64_t>(fs::file_size(source)));
    }
    EXPECT_GT(converted, 60);
    EXPECT_GT(refused, 10);
}

// Camera JPEGs are decoded at a reduced DCT scale when that still gives at least the pixels
// drawn; the result must stay indistinguishable from a full-resolution decode.
TEST(RealFiles, ReducedScaleDecodeMatchesFullDecode)
{
    SKIP_WITHOUT_TESTDATA();
    TempDir dir;
    for (const char* name : {"01-jpeg-camera-exif/Leica_T_Typ701_orient8.jpg",
                             "06-jpeg-special/progressive_CanonEOS6D.jpg"}) {
        const vips::VImage full = vips::VImage::new_from_file((testdata() / name).c_str())
                                      .autorot()
                                      .colourspace(VIPS_INTERPRETATION_sRGB)
                                      .copy_memory();
        for (const auto& [width, height] : {std::pair{1920, 1080}, {400, 300}}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(width));
            ImageProcessor::process(
                testdata() / name, dir / "out.png",
                target(width, height, ResizeMode::stretch, OutputFormat::png, false));
            const vips::VImage reference =
                full.resize(double(width) / full.width(),
                            vips::VImage::option()->set("vscale", double(height) / full.height()));
            const vips::VImage out = decode(dir / "out.png");
            ASSERT_EQ(std::pair(out.width(), out.height()),
                      std::pair(reference.width(), reference.height()));
            EXPECT_GT(psnr(out, reference), 38);
        }
    }
}

} // namespace
} // namespace pictavo
