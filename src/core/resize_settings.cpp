#include "resize_settings.h"

#include <algorithm>

namespace pictavo {

std::string lowercaseExtension(const std::filesystem::path& source)
{
    std::string extension = source.extension().string();
    if (!extension.empty() && extension.front() == '.')
        extension.erase(0, 1);
    // Extensions are compared in ASCII; a non-ASCII extension never matches a known one.
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return extension;
}

std::string_view rawValue(ResizeMode mode)
{
    switch (mode) {
    case ResizeMode::fit:
        return "Sığdır";
    case ResizeMode::fill:
        return "Doldur";
    case ResizeMode::stretch:
        return "Esnet";
    }
    return {};
}

std::string_view rawValue(OutputFormat format)
{
    const FormatTraits* traits = traitsOf(format);
    return traits ? traits->label : kOriginalLabel;
}

std::string_view modeDescription(ResizeMode mode)
{
    switch (mode) {
    case ResizeMode::fit:
        return "Oranı korur, görselin tamamı görünür";
    case ResizeMode::fill:
        return "Oranı korur, kenarlardan kırpar";
    case ResizeMode::stretch:
        return "Tam ölçüye esnetir";
    }
    return {};
}

std::optional<ResizeMode> resizeModeFromRawValue(std::string_view text)
{
    for (ResizeMode mode : kAllResizeModes)
        if (rawValue(mode) == text)
            return mode;
    return std::nullopt;
}

std::optional<OutputFormat> outputFormatFromRawValue(std::string_view text)
{
    for (OutputFormat format : kAllOutputFormats)
        if (rawValue(format) == text)
            return format;
    return std::nullopt;
}

bool supportsQuality(OutputFormat format)
{
    // "Keep the original" may write a lossy type, so it shows the quality.
    const FormatTraits* traits = traitsOf(format);
    return !traits || traits->lossy;
}

WrittenType utType(OutputFormat format, const std::filesystem::path& source)
{
    if (const FormatTraits* traits = traitsOf(format))
        return traits->type;
    const FormatTraits* kept = traitsForExtension(lowercaseExtension(source));
    return kept && kept->keptAsOriginal ? kept->type : kOriginalFallback;
}

std::string fileExtension(OutputFormat format, const std::filesystem::path& source)
{
    if (const FormatTraits* traits = traitsOf(format))
        return std::string(traits->extension);
    std::string extension = lowercaseExtension(source);
    const FormatTraits* kept = traitsForExtension(extension);
    if (kept && kept->keptAsOriginal)
        return kept->keepsSpelling ? extension : std::string(kept->extension);
    return std::string(traitsOf(kOriginalFallback).extension);
}

std::string_view identifier(WrittenType type)
{
    return traitsOf(type).identifier;
}

std::string_view preferredFilenameExtension(WrittenType type)
{
    return traitsOf(type).preferred;
}

bool supportsTransparency(WrittenType type)
{
    return traitsOf(type).alpha;
}

std::vector<TargetSize> targetSizes(const ResizeSettings& settings)
{
    if (settings.multipleSizes)
        return settings.sizes;
    return {{settings.width, settings.height}};
}

bool hasValidSizes(const ResizeSettings& settings)
{
    const std::vector<TargetSize> sizes = targetSizes(settings);
    // A size listed twice would write into its folder twice, each waiting for the other's name.
    for (auto size = sizes.begin(); size != sizes.end(); ++size)
        if (size->width < 1 || size->height < 1 || std::find(sizes.begin(), size, *size) != size)
            return false;
    return !sizes.empty() && sizes.size() <= kMaxTargetSizes;
}

ResizeSettings atSize(ResizeSettings settings, TargetSize size)
{
    settings.width = size.width;
    settings.height = size.height;
    settings.multipleSizes = false;
    settings.sizes.clear();
    return settings;
}

std::string sizeFolderName(TargetSize size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

} // namespace pictavo
