#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace pictavo {

// Which image type a conversion writes; `original` follows the source's extension.
enum class OutputFormat { original, jpeg, png, heic, tiff, webp, avif };

// The image types the engine can write.
enum class WrittenType { jpeg, png, heic, tiff, webp, avif };

inline constexpr std::array<OutputFormat, 7> kAllOutputFormats{
    OutputFormat::original, OutputFormat::jpeg, OutputFormat::png, OutputFormat::heic,
    OutputFormat::tiff,     OutputFormat::webp, OutputFormat::avif};

// The library code that turns a rendered canvas into a file's bytes.
enum class Encoder { vipsJpeg, vipsPng, vipsTiff, webp, heifHevc, heifAv1 };

// The largest canvas an encoder takes. A side under `narrowSide` pixels limits the other side to
// `longestBesideNarrow` (0: no such rule); `longest` 0 means no limit beyond the pixel count.
struct SideLimit {
    std::int64_t longest = 0;
    std::int64_t narrowSide = 0;
    std::int64_t longestBesideNarrow = 0;

    bool admits(std::int64_t width, std::int64_t height) const;
};

// Everything the program knows about one image type, in one row.
struct FormatTraits {
    WrittenType type;
    OutputFormat format;
    std::string_view identifier; // the type's uniform identifier ("public.jpeg")
    std::string_view cliName;    // the name --format takes
    std::string_view label;      // the Turkish label the window shows and stores
    std::string_view extension;  // the extension written when the type is chosen
    std::string_view preferred;  // the platform's preferred extension for the type
    std::string_view alias;      // a second spelling of the extension, or empty
    // Whether "keep the original" writes a source of this type as this type (otherwise as
    // PNG), and whether it then keeps the source's own spelling of the extension.
    bool keptAsOriginal;
    bool keepsSpelling;
    bool readable;
    bool lossy; // takes a quality
    bool alpha; // keeps transparency
    SideLimit sides;
    Encoder encoder;

    bool names(std::string_view lowercaseExtension) const;
};

// The written types, in the order of kAllOutputFormats.
std::span<const FormatTraits> allFormatTraits();
const FormatTraits& traitsOf(WrittenType type);

// The type of an explicit format; nothing for `original`.
const FormatTraits* traitsOf(OutputFormat format);

// The type whose extension or alias is `lowercaseExtension` ("jpg", "heif" …).
const FormatTraits* traitsForExtension(std::string_view lowercaseExtension);

// The label and the command-line name of "keep the original".
inline constexpr std::string_view kOriginalLabel = "Orijinali Koru";
inline constexpr std::string_view kOriginalCliName = "original";

// What "keep the original" writes for a source whose type the engine cannot write.
inline constexpr WrittenType kOriginalFallback = WrittenType::png;

} // namespace pictavo
