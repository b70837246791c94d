#include "test_images.h"

#include "sample_files.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <libheif/heif.h>
#include <random>

namespace pictavo::test {

namespace {
// Tests call libvips directly as well as through the engine.
const bool kVipsStarted = VIPS_INIT("pictavo-test") == 0;
} // namespace

TempDir::TempDir()
{
    std::random_device random;
    m_path = fs::temp_directory_path() / ("pictavo-test-" + std::to_string(random()));
    fs::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
}

std::vector<std::string> TempDir::entries() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

fs::path testdata()
{
    return PICTAVO_TESTDATA_DIR;
}

bool hasTestdata()
{
    return fs::is_regular_file(testdata() / "manifest.tsv");
}

vips::VImage solid(int width, int height, const std::vector<double>& colour)
{
    if (!kVipsStarted)
        ADD_FAILURE() << "libvips did not start";
    vips::VImage black = vips::VImage::black(width, height);
    return (black.new_from_image(colour))
        .cast(VIPS_FORMAT_UCHAR)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

vips::VImage decode(const fs::path& path)
{
    return vips::VImage::new_from_file(path.c_str()).copy_memory();
}

std::vector<double> pixelAt(const vips::VImage& image, int x, int y)
{
    return const_cast<vips::VImage&>(image).getpoint(x, y);
}

bool near(const std::vector<double>& actual, const std::vector<double>& expected, double tolerance)
{
    if (actual.size() != expected.size())
        return false;
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (std::abs(actual[i] - expected[i]) > tolerance)
            return false;
    return true;
}

double psnr(const vips::VImage& a, const vips::VImage& b)
{
    const vips::VImage difference = a.cast(VIPS_FORMAT_FLOAT) - b.cast(VIPS_FORMAT_FLOAT);
    const double meanSquare = (difference * difference).avg();
    if (meanSquare == 0)
        return 100;
    return 10 * std::log10(255.0 * 255.0 / meanSquare);
}

bool hasField(const vips::VImage& image, const char* name)
{
    return vips_image_get_typeof(image.get_image(), name) != 0;
}

Bytes blobField(const vips::VImage& image, const char* name)
{
    if (!hasField(image, name))
        return {};
    size_t length = 0;
    const void* data = image.get_blob(name, &length);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return Bytes(bytes, bytes + length);
}

Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

namespace {

template <typename Read> Bytes fromPrimaryHeifImage(const fs::path& path, Read read)
{
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    Bytes bytes;
    if (heif_context_read_from_file(context, path.c_str(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        bytes = read(handle);
        heif_image_handle_release(handle);
    }
    heif_context_free(context);
    return bytes;
}

} // namespace

Bytes heifProfile(const fs::path& path)
{
    return fromPrimaryHeifImage(path, [](heif_image_handle* handle) {
        Bytes profile(heif_image_handle_get_raw_color_profile_size(handle));
        if (!profile.empty())
            heif_image_handle_get_raw_color_profile(handle, profile.data());
        return profile;
    });
}

Bytes heifExif(const fs::path& path)
{
    return fromPrimaryHeifImage(path, [](heif_image_handle* handle) {
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1)
            return Bytes{};
        Bytes block(heif_image_handle_get_metadata_size(handle, id));
        heif_image_handle_get_metadata(handle, id, block.data());
        return block.size() > 4 ? Bytes(block.begin() + 4, block.end()) : Bytes{};
    });
}

ResizeSettings target(std::int64_t width, std::int64_t height, ResizeMode mode, OutputFormat format,
                      bool keepMetadata)
{
    ResizeSettings settings;
    settings.width = width;
    settings.height = height;
    settings.mode = mode;
    settings.format = format;
    settings.keepMetadata = keepMetadata;
    return settings;
}

std::optional<ProcessingError::Code> failureOf(const fs::path& source, const fs::path& destination,
                                               const ResizeSettings& settings)
{
    try {
        ImageProcessor::process(source, destination, settings);
    } catch (const ProcessingError& error) {
        return error.code();
    }
    return std::nullopt;
}

Bytes exifWithOrientation(int orientation)
{
    const auto value = static_cast<unsigned char>(orientation);
    return {'E',  'x',  'i', 'f', 0, 0,                       // APP1 identifier
            'M',  'M',  0,   42,  0, 0, 0, 8,                 // big-endian TIFF header, IFD0 at 8
            0,    1,                                          // one entry
            0x01, 0x12, 0,   3,   0, 0, 0, 1, 0, value, 0, 0, // Orientation, SHORT, 1 value
            0,    0,    0,   0};                              // no next IFD
}

Bytes withExifSegment(const Bytes& jpeg, const Bytes& exif)
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

Bytes markedCornersJpeg(int width, int height)
{
    const int block = std::min(width, height) / 4;
    vips::VImage image = solid(width, height, {128, 128, 128});
    image = image.insert(solid(block, block, {255, 0, 0}), 0, 0);
    image = image.insert(solid(block, block, {0, 255, 0}), width - block, 0);
    void* buffer = nullptr;
    size_t length = 0;
    vips_image_write_to_buffer(image.get_image(), ".jpg", &buffer, &length, "Q", 95, "strip", TRUE,
                               nullptr);
    Bytes bytes(static_cast<unsigned char*>(buffer), static_cast<unsigned char*>(buffer) + length);
    g_free(buffer);
    return bytes;
}

Bytes turnedJpeg(int width, int height, int orientation)
{
    return withExifSegment(markedCornersJpeg(width, height), exifWithOrientation(orientation));
}

} // namespace pictavo::test

namespace pictavo::test {

void writeSampleImage(const std::filesystem::path& path, int width, int height)
{
    solid(width, height, {70, 130, 180}).write_to_file(path.c_str());
}

void writeTurnedJpeg(const std::filesystem::path& path, int width, int height, int orientation)
{
    writeFile(path, turnedJpeg(width, height, orientation));
}

void writeTruncatedJpeg(const std::filesystem::path& path, int width, int height)
{
    const Bytes jpeg = markedCornersJpeg(width, height);
    writeFile(path, Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)));
}

} // namespace pictavo::test
