#include "free_name_finder.h"

#include "output_naming.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <utility>

namespace pictavo {

FreeNameFinder::FreeNameFinder(std::shared_ptr<const OpenFolder> folder,
                               std::filesystem::path subfolder, const ResizeSettings& settings,
                               const std::filesystem::path& source)
    : m_folder(std::move(folder)), m_subfolder(std::move(subfolder)),
      m_name(outputBaseName(settings, source)), m_extension(fileExtension(settings.format, source))
{}

std::filesystem::path FreeNameFinder::next()
{
    for (;; ++m_counter) {
        const std::filesystem::path name = candidate();
        struct stat status {};
        if (::fstatat(m_folder->descriptor(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            ++m_counter;
            return m_folder->path() / name;
        }
    }
}

FreeNameFinder FreeNameFinder::within(std::shared_ptr<const OpenFolder> folder) const
{
    FreeNameFinder moved = *this;
    moved.m_folder = std::move(folder);
    moved.m_subfolder.clear();
    return moved;
}

// Relative to the folder's descriptor.
std::filesystem::path FreeNameFinder::candidate() const
{
    const std::string number = m_counter == 1 ? "" : "-" + std::to_string(m_counter);
    return m_subfolder / (m_name + number + "." + m_extension);
}

} // namespace pictavo
