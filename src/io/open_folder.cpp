#include "open_folder.h"

#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace pictavo {

std::shared_ptr<const OpenFolder> OpenFolder::open(const std::filesystem::path& path)
{
    const int descriptor =
        ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    return std::make_shared<const OpenFolder>(descriptor, path);
}

OpenFolder::OpenFolder(int descriptor, std::filesystem::path path) noexcept
    : m_descriptor(descriptor), m_path(std::move(path))
{}

OpenFolder::~OpenFolder()
{
    ::close(m_descriptor);
}

} // namespace pictavo
