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
    switch (format) {
    case OutputFormat::original:
        return "Orijinali Koru";
    case OutputFormat::jpeg:
        return "JPEG";
    case OutputFormat::png:
        return "PNG";
    case OutputFormat::heic:
        return "HEIC";
    case OutputFormat::tiff:
        return "TIFF";
    case OutputFormat::webp:
        return "WebP";
    case OutputFormat::avif:
        return "AVIF";
    }
    return {};
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
    return format == OutputFormat::original || format == OutputFormat::jpeg ||
           format == OutputFormat::heic || format == OutputFormat::webp ||
           format == OutputFormat::avif;
}

WrittenType utType(OutputFormat format, const std::filesystem::path& source)
{
    switch (format) {
    case OutputFormat::jpeg:
        return WrittenType::jpeg;
    case OutputFormat::png:
        return WrittenType::png;
    case OutputFormat::heic:
        return WrittenType::heic;
    case OutputFormat::tiff:
        return WrittenType::tiff;
    case OutputFormat::webp:
        return WrittenType::webp;
    case OutputFormat::avif:
        return WrittenType::avif;
    case OutputFormat::original:
        break;
    }
    const std::string extension = lowercaseExtension(source);
    if (extension == "jpg" || extension == "jpeg")
        return WrittenType::jpeg;
    if (extension == "heic" || extension == "heif")
        return WrittenType::heic;
    if (extension == "tif" || extension == "tiff")
        return WrittenType::tiff;
    return WrittenType::png;
}

std::string fileExtension(OutputFormat format, const std::filesystem::path& source)
{
    switch (format) {
    case OutputFormat::jpeg:
        return "jpg";
    case OutputFormat::png:
        return std::string(preferredFilenameExtension(WrittenType::png));
    case OutputFormat::heic:
        return std::string(preferredFilenameExtension(WrittenType::heic));
    case OutputFormat::tiff:
        return std::string(preferredFilenameExtension(WrittenType::tiff));
    case OutputFormat::webp:
        return std::string(preferredFilenameExtension(WrittenType::webp));
    case OutputFormat::avif:
        return std::string(preferredFilenameExtension(WrittenType::avif));
    case OutputFormat::original:
        break;
    }
    const std::string extension = lowercaseExtension(source);
    if (extension == "jpeg")
        return "jpg";
    for (std::string_view kept : {"jpg", "png", "heic", "heif", "tif", "tiff"})
        if (extension == kept)
            return extension;
    return "png";
}

std::string_view identifier(WrittenType type)
{
    switch (type) {
    case WrittenType::jpeg:
        return "public.jpeg";
    case WrittenType::png:
        return "public.png";
    case WrittenType::heic:
        return "public.heic";
    case WrittenType::tiff:
        return "public.tiff";
    case WrittenType::webp:
        return "org.webmproject.webp";
    case WrittenType::avif:
        return "public.avif";
    }
    return {};
}

std::string_view preferredFilenameExtension(WrittenType type)
{
    switch (type) {
    case WrittenType::jpeg:
        return "jpeg";
    case WrittenType::png:
        return "png";
    case WrittenType::heic:
        return "heic";
    case WrittenType::tiff:
        return "tiff";
    case WrittenType::webp:
        return "webp";
    case WrittenType::avif:
        return "avif";
    }
    return {};
}

bool supportsTransparency(WrittenType type)
{
    return type == WrittenType::png || type == WrittenType::tiff || type == WrittenType::webp ||
           type == WrittenType::avif;
}

} // namespace pictavo
