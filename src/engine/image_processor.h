#pragma once

#include "open_folder.h"
#include "processing_error.h"
#include "resize_settings.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pictavo {

// Upright pixel size and byte size of an image file.
struct ImageInfo {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t fileSize = 0;
    // What one pixel takes once decoded, 4 at least (8-bit RGBA); a 16-bit RGBA PNG takes 8.
    int decodedBytesPerPixel = 4;

    bool operator==(const ImageInfo&) const = default;
};

namespace ImageProcessor {

// Sources above this many pixels are refused as unreadable: decoding them would need
// gigabytes of memory, and no camera produces them (the largest sensors are ~150 MP).
inline constexpr std::int64_t kMaxSourcePixels = 250'000'000;

// Sources longer than this on either side are refused as unreadable too: reaching rows deep
// inside a PNG costs libvips time that grows with the square of the row count (a 4 KB strip of
// 2,000,000 × 1 pixels took a minute). No photograph comes near it.
inline constexpr std::int64_t kMaxSourceSide = 100'000;

// Source files above this many bytes are refused as unreadable: a conversion reads its source
// whole, and the largest source admitted above, at 16 bits in four bands, takes 2 GB.
inline constexpr std::int64_t kMaxSourceFileBytes = kMaxSourcePixels * 8;

// Canvases above this many pixels are refused as "cannot create"; the canvas is rendered in
// memory at 4 bytes a pixel, so this caps one conversion at about 400 MB.
inline constexpr std::int64_t kMaxCanvasPixels = 100'000'000;

// Converts one image file into one output file. Writes atomically: the destination is either
// the complete new file or left as it was. Throws ProcessingError; safe on any thread.
void process(const std::filesystem::path& source, const std::filesystem::path& destination,
             const ResizeSettings& settings);

// Converts like process(), but never replaces a file: the output is put in place under the
// first name `nextName` hands out that is still free at that moment. Another program creating
// a file between a name check and the write therefore costs only a number in the name. Every
// name is taken by its last component in `folder`, held open by the caller for the whole run,
// or when there is none, in the folder of the first name, opened once. Returns the name used.
// Throws ProcessingError.
std::filesystem::path processToNewFile(const std::filesystem::path& source,
                                       const ResizeSettings& settings,
                                       const std::function<std::filesystem::path()>& nextName,
                                       std::shared_ptr<const OpenFolder> folder = nullptr);

// One size of a several-size conversion, and where its file goes (as for processToNewFile()).
struct SizedOutput {
    TargetSize size;
    std::function<std::filesystem::path()> nextName;
    std::shared_ptr<const OpenFolder> folder;
};

// What became of one size: the file written, or why none was.
struct SizedResult {
    std::filesystem::path written;
    std::optional<ProcessingError> error;
};

// Converts one source into a new file for each output, in their order, each as
// processToNewFile() would at that size. The source is read and decoded once, at the scale the
// largest size needs, and every size is made from that decoded picture. A size that fails
// leaves the files written before it in place, and the sizes after it are still made. Throws
// nothing but what memory allocation throws.
std::vector<SizedResult> processToNewFiles(const std::filesystem::path& source,
                                           const ResizeSettings& settings,
                                           const std::vector<SizedOutput>& outputs);

// The upright pixel size and byte size, read from the header only; nothing when the file
// cannot be read as a supported image. Never throws.
std::optional<ImageInfo> imageInfo(const std::filesystem::path& path);

// The lower-case extensions intake accepts.
const std::set<std::string>& supportedExtensions();

} // namespace ImageProcessor
} // namespace pictavo
