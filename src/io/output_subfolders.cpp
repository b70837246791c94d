#include "output_subfolders.h"

#include "output_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

bool isPlainComponent(const fs::path& component)
{
    const std::string& name = component.native();
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Walks down from the root by descriptors, refusing a link at every step (O_NOFOLLOW).
std::shared_ptr<const OpenFolder> makeBelow(const OpenFolder& root, const fs::path& relative)
{
    if (relative.empty() || relative.is_absolute())
        return nullptr;
    int folder = root.descriptor();
    for (const fs::path& component : relative) {
        int next = -1;
        if (isPlainComponent(component) &&
            (::mkdirat(folder, component.c_str(), 0777) == 0 || errno == EEXIST))
            next = ::openat(folder, component.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder != root.descriptor())
            ::close(folder);
        if (next < 0)
            return nullptr;
        folder = next;
    }
    return std::make_shared<const OpenFolder>(folder, root.path() / relative);
}

} // namespace

OutputSubfolders::OutputSubfolders(std::shared_ptr<const OpenFolder> root) : m_root(std::move(root))
{}

std::shared_ptr<const OpenFolder> OutputSubfolders::prepare(const fs::path& relative)
{
    const std::lock_guard lock(m_mutex);
    if (const auto known = m_prepared.find(relative); known != m_prepared.end())
        return known->second;
    std::shared_ptr<const OpenFolder> made = makeBelow(*m_root, relative);
    if (made)
        removeAbandonedTemporaries(*made);
    m_prepared.emplace(relative, made);
    return made;
}

} // namespace pictavo
