#include "test_images.h"

#include "sample_files.h"

namespace pictavo::test {

void writeSampleImage(const std::filesystem::path& path, int width, int height, bool sixteenBits)
{
    const vips::VImage image = solid(width, height, {70, 130, 180});
    if (!sixteenBits)
        return image.write_to_file(path.c_str());
    (image.cast(VIPS_FORMAT_USHORT) * 257)
        .cast(VIPS_FORMAT_USHORT)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16))
        .write_to_file(path.c_str());
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
