#include "output_naming.h"

namespace pictavo {

namespace {

std::string baseName(const ResizeSettings& settings, const std::filesystem::path& source)
{
    return fileNamePart(settings.prefix) + source.filename().stem().string() +
           fileNamePart(settings.suffix);
}

} // namespace

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
    return baseName(settings, source) + "." + fileExtension(settings.format, source);
}

FreeNameFinder::FreeNameFinder(std::filesystem::path folder, const ResizeSettings& settings,
                               const std::filesystem::path& source)
    : m_folder(std::move(folder)), m_name(baseName(settings, source)),
      m_extension(fileExtension(settings.format, source))
{}

std::filesystem::path FreeNameFinder::next()
{
    for (;; ++m_counter) {
        std::error_code error;
        const std::filesystem::path path = candidate();
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
            ++m_counter;
            return path;
        }
    }
}

std::filesystem::path FreeNameFinder::candidate() const
{
    const std::string number = m_counter == 1 ? "" : "-" + std::to_string(m_counter);
    return m_folder / (m_name + number + "." + m_extension);
}

} // namespace pictavo
