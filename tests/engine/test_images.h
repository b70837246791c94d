#pragma once

// Helpers for engine tests: temporary folders, images made with libvips, pixel comparisons.

#include "image_processor.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>
#include <vips/vips8>

namespace pictavo::test {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return m_path; }
    fs::path operator/(const std::string& name) const { return m_path / name; }
    std::vector<std::string> entries() const; // sorted names, hidden ones included

private:
    fs::path m_path;
};

// The shared real-file folder; tests that need it skip when it is absent.
fs::path testdata();
bool hasTestdata();

// An 8-bit sRGB image of one colour (3 or 4 values).
vips::VImage solid(int width, int height, const std::vector<double>& colour);

// Fully decoded copy of a file (the orientation is not applied).
vips::VImage decode(const fs::path& path);

// The values of one pixel, one per band.
std::vector<double> pixelAt(const vips::VImage& image, int x, int y);

// Whether each band of a pixel is within `tolerance` of `expected`.
bool near(const std::vector<double>& actual, const std::vector<double>& expected,
          double tolerance = 12);

// Peak signal-to-noise ratio of two images of equal size and bands, in dB.
double psnr(const vips::VImage& a, const vips::VImage& b);

bool hasField(const vips::VImage& image, const char* name);
Bytes blobField(const vips::VImage& image, const char* name);

Bytes readFile(const fs::path& path);
void writeFile(const fs::path& path, const Bytes& bytes);

// What a HEIF file's primary image carries, read with libheif itself: the ICC profile, and the
// EXIF block without libheif's offset word.
Bytes heifProfile(const fs::path& path);
Bytes heifExif(const fs::path& path);

// Settings for a `width` × `height` target; everything else as a new value holds it.
ResizeSettings target(std::int64_t width, std::int64_t height, ResizeMode mode = ResizeMode::fit,
                      OutputFormat format = OutputFormat::original, bool keepMetadata = true);

// Why process() refused the conversion, or nothing when it wrote the file.
std::optional<ProcessingError::Code> failureOf(const fs::path& source, const fs::path& destination,
                                               const ResizeSettings& settings = {});

// A minimal EXIF block ("Exif\0\0" + big-endian TIFF) holding only the Orientation entry.
Bytes exifWithOrientation(int orientation);

// A JPEG with `exif` inserted as its APP1 segment right after the start marker.
Bytes withExifSegment(const Bytes& jpeg, const Bytes& exif);

// A stored `width` × `height` JPEG (no metadata) with a red block in its top-left corner and
// a green block in its top-right corner, on grey.
Bytes markedCornersJpeg(int width, int height);

// markedCornersJpeg() carrying an EXIF block that holds only `orientation`.
Bytes turnedJpeg(int width, int height, int orientation);

} // namespace pictavo::test
