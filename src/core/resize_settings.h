#pragma once

#include "format_traits.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

// How the decoded image is placed on the target canvas.
enum class ResizeMode { fit, fill, stretch };

inline constexpr std::array<ResizeMode, 3> kAllResizeModes{ResizeMode::fit, ResizeMode::fill,
                                                           ResizeMode::stretch};

// One width × height of a several-size run.
struct TargetSize {
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool operator==(const TargetSize&) const = default;
};

// The most sizes one run writes.
inline constexpr std::size_t kMaxTargetSizes = 16;

// Everything the user decides about a conversion. The value enforces no ranges.
struct ResizeSettings {
    std::int64_t width = 1920;
    std::int64_t height = 1080;
    ResizeMode mode = ResizeMode::fit;
    OutputFormat format = OutputFormat::original;
    double quality = 0.9;
    bool keepMetadata = true;
    bool preventUpscaling = false;
    std::string prefix;
    std::string suffix = "_resized";
    // Files found in an added folder are written to the same subfolders under the output folder.
    bool keepFolderStructure = false;
    // While on, every image is written at each of `sizes`, each size in its own subfolder
    // (sizeFolderName()); `width` and `height` are then not used.
    bool multipleSizes = false;
    std::vector<TargetSize> sizes;
    // A lossy output takes the highest quality whose whole file stays within the limit; the
    // quality above is then not used. Bytes, so that the command line's limits are exact.
    bool limitFileSize = false;
    std::int64_t maxFileSizeBytes = 500'000;

    bool operator==(const ResizeSettings&) const = default;
};

// The sizes a run writes, in order: `sizes` while multipleSizes is on, else width × height.
std::vector<TargetSize> targetSizes(const ResizeSettings& settings);

// Whether a run may start with these sizes: one to kMaxTargetSizes of them, every side at least
// 1, none twice.
bool hasValidSizes(const ResizeSettings& settings);

// The settings of a one-size conversion at `size`.
ResizeSettings atSize(ResizeSettings settings, TargetSize size);

// The subfolder of the output folder that a several-size run writes `size` to: "1920x1080".
std::string sizeFolderName(TargetSize size);

// The Turkish label of a case; it is also the case's raw value.
std::string_view rawValue(ResizeMode mode);
std::string_view rawValue(OutputFormat format);

// One-line description shown under the mode picker.
std::string_view modeDescription(ResizeMode mode);

// Builds a case only from its exact raw value (case-sensitive, Turkish letters included).
std::optional<ResizeMode> resizeModeFromRawValue(std::string_view text);
std::optional<OutputFormat> outputFormatFromRawValue(std::string_view text);

bool supportsQuality(OutputFormat format);

// The path's extension without the dot, ASCII letters lower-cased ("IMG.JPG" → "jpg").
std::string lowercaseExtension(const std::filesystem::path& source);

// The image type written for `source` (its path extension decides for `original`).
WrittenType utType(OutputFormat format, const std::filesystem::path& source);

// The output file-name extension, without the dot.
std::string fileExtension(OutputFormat format, const std::filesystem::path& source);

// The type's identifier: "public.jpeg", "public.png", "public.heic", "public.tiff",
// "org.webmproject.webp" or "public.avif".
std::string_view identifier(WrittenType type);

// The platform's preferred extension for a written type: jpeg, png, heic, tiff, webp, avif.
std::string_view preferredFilenameExtension(WrittenType type);

bool supportsTransparency(WrittenType type);

} // namespace pictavo
