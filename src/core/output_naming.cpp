#include "output_naming.h"

namespace pictavo {

std::string outputBaseName(const ResizeSettings& settings, const std::filesystem::path& source)
{
    return fileNamePart(settings.prefix) + source.filename().stem().string() +
           fileNamePart(settings.suffix);
}

std::string fileNamePart(std::string_view text)
{
    std::string part(text);
    for (char& c : part)
        if (c == '/' || c == '\0')
            c = '_';
    return part;
}

std::filesystem::path outputFileName(const ResizeSettings& settings,
                                     const std::filesystem::path& source)
{
    return outputBaseName(settings, source) + "." + fileExtension(settings.format, source);
}

} // namespace pictavo
