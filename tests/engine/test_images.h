#pragma once

// Helpers for engine tests: temporary folders, images made with libvips, pixel comparisons.

#include "image_processor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <libheif/heif.h>
#include <optional>
#include <random>
#include <string>
#include <vector>
#include <vips/vips8>

namespace pictavo::test {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// Tests call libvips directly as well as through the engine.
inline const bool kVipsStarted = VIPS_INIT("pictavo-test") == 0;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() : m_path(fs::temp_directory_path() / ("pictavo-test-" + randomName()))
    {
        fs::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ignored;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return m_path; }
    fs::path operator/(const std::string& name) const { return m_path / name; }

    // Sorted names, hidden ones included.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    static std::string randomName() { return std::to_string(std::random_device()()); }

    fs::path m_path;
};

// The shared real-file folder (PICTAVO_TESTDATA overrides where it is looked for); tests that
// need it skip when it is absent.
inline fs::path testdata()
{
    const char* overridden = std::getenv("PICTAVO_TESTDATA");
    return overridden != nullptr ? overridden : PICTAVO_TESTDATA_DIR;
}

inline bool hasTestdata()
{
    return fs::is_regular_file(testdata() / "manifest.tsv");
}

// Ends a test that is about real camera files when they are not next to the checkout.
#define SKIP_WITHOUT_TESTDATA()                                                                    \
    if (!::pictavo::test::hasTestdata())                                                           \
    GTEST_SKIP() << "the shared camera photos are absent from " << ::pictavo::test::testdata()     \
                 << ": this test is about real files and has nothing to check without them"

// An 8-bit sRGB image of one colour (3 or 4 values).
inline vips::VImage solid(int width, int height, const std::vector<double>& colour)
{
    if (!kVipsStarted)
        ADD_FAILURE() << "libvips did not start";
    return vips::VImage::black(width, height)
        .new_from_image(colour)
        .cast(VIPS_FORMAT_UCHAR)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// Fully decoded copy of a file (the orientation is not applied).
inline vips::VImage decode(const fs::path& path)
{
    return vips::VImage::new_from_file(path.c_str()).copy_memory();
}

// The values of one pixel, one per band.
inline std::vector<double> pixelAt(vips::VImage image, int x, int y)
{
    return image.getpoint(x, y);
}

// Whether each band of a pixel is within `tolerance` of `expected`.
inline bool near(const std::vector<double>& actual, const std::vector<double>& expected,
                 double tolerance = 12)
{
    return actual.size() == expected.size() &&
           std::equal(actual.begin(), actual.end(), expected.begin(),
                      [&](double a, double e) { return std::abs(a - e) <= tolerance; });
}

// Peak signal-to-noise ratio of two images of equal size and bands, in dB.
inline double psnr(const vips::VImage& a, const vips::VImage& b)
{
    const vips::VImage difference = a.cast(VIPS_FORMAT_FLOAT) - b.cast(VIPS_FORMAT_FLOAT);
    const double meanSquare = (difference * difference).avg();
    return meanSquare == 0 ? 100 : 10 * std::log10(255.0 * 255.0 / meanSquare);
}

inline bool hasField(const vips::VImage& image, const char* name)
{
    return vips_image_get_typeof(image.get_image(), name) != 0;
}

inline Bytes blobField(const vips::VImage& image, const char* name)
{
    size_t length = 0;
    const auto* data = hasField(image, name)
                           ? static_cast<const unsigned char*>(image.get_blob(name, &length))
                           : nullptr;
    return Bytes(data, data + length);
}

inline Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// The EXIF block of a HEIF file's primary image, read with libheif itself (libvips drops its
// orientation on reading), without libheif's offset word.
inline Bytes heifExif(const fs::path& path)
{
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_item_id id = 0;
    Bytes block;
    if (heif_context_read_from_file(context, path.c_str(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) == 1) {
            block.resize(heif_image_handle_get_metadata_size(handle, id));
            heif_image_handle_get_metadata(handle, id, block.data());
        }
        heif_image_handle_release(handle);
    }
    heif_context_free(context);
    return block.size() > 4 ? Bytes(block.begin() + 4, block.end()) : Bytes{};
}

// Settings for a `width` × `height` target; everything else as a new value holds it.
inline ResizeSettings target(std::int64_t width, std::int64_t height,
                             ResizeMode mode = ResizeMode::fit,
                             OutputFormat format = OutputFormat::original, bool keepMetadata = true)
{
    ResizeSettings settings;
    settings.width = width;
    settings.height = height;
    settings.mode = mode;
    settings.format = format;
    settings.keepMetadata = keepMetadata;
    return settings;
}

// Why process() refused the conversion, or nothing when it wrote the file.
inline std::optional<ProcessingError::Code>
failureOf(const fs::path& source, const fs::path& destination, const ResizeSettings& settings = {})
{
    try {
        ImageProcessor::process(source, destination, settings);
    } catch (const ProcessingError& error) {
        return error.code();
    }
    return std::nullopt;
}

// A minimal EXIF block ("Exif\0\0" + TIFF) holding only the Orientation entry.
inline Bytes exifWithOrientation(int orientation, bool bigEndian = true)
{
    const auto value = static_cast<unsigned char>(orientation);
    Bytes exif{'E',  'x',  'i', 'f', 0, 0,       // APP1 identifier
               'M',  'M',  0,   42,  0, 0, 0, 8, // big-endian TIFF header, IFD0 at 8
               0,    1,                          // one entry
               0x01, 0x12, 0,   3,   0, 0, 0, 1, 0, value, 0, 0, // Orientation, SHORT, 1 value
               0,    0,    0,   0};                              // no next IFD
    if (!bigEndian) {
        exif[6] = exif[7] = 'I';
        for (const auto& [at, size] :
             {std::pair{8, 2}, {10, 4}, {14, 2}, {16, 2}, {18, 2}, {20, 4}, {24, 2}, {28, 4}})
            std::reverse(exif.begin() + at, exif.begin() + at + size);
    }
    return exif;
}

// A JPEG with `exif` (or any other APP1 content) inserted as an APP1 segment right after the
// start marker.
inline Bytes withExifSegment(const Bytes& jpeg, const Bytes& exif)
{
    const std::size_t length = exif.size() + 2;
    Bytes result{jpeg.at(0),
                 jpeg.at(1),
                 0xFF,
                 0xE1,
                 static_cast<unsigned char>(length >> 8),
                 static_cast<unsigned char>(length & 0xFF)};
    result.insert(result.end(), exif.begin(), exif.end());
    result.insert(result.end(), jpeg.begin() + 2, jpeg.end());
    return result;
}

// A stored `width` × `height` JPEG (no metadata) with a red block in its top-left corner and
// a green block in its top-right corner, on grey.
inline Bytes markedCornersJpeg(int width, int height)
{
    const int block = std::min(width, height) / 4;
    void* buffer = nullptr;
    size_t length = 0;
    solid(width, height, {128, 128, 128})
        .insert(solid(block, block, {255, 0, 0}), 0, 0)
        .insert(solid(block, block, {0, 255, 0}), width - block, 0)
        .write_to_buffer(".jpg", &buffer, &length,
                         vips::VImage::option()->set("Q", 95)->set("strip", true));
    Bytes bytes(static_cast<unsigned char*>(buffer), static_cast<unsigned char*>(buffer) + length);
    g_free(buffer);
    return bytes;
}

// markedCornersJpeg() carrying an EXIF block that holds only `orientation`.
inline Bytes turnedJpeg(int width, int height, int orientation)
{
    return withExifSegment(markedCornersJpeg(width, height), exifWithOrientation(orientation));
}

} // namespace pictavo::test
