#include "output_subfolders.h"

#include "output_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

bool isPlainComponent(const fs::path& component)
{
    const std::string& name = component.native();
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Walks down from the root by descriptors, refusing a link at every step (O_NOFOLLOW).
bool makeBelow(const fs::path& root, const fs::path& relative)
{
    if (relative.empty() || relative.is_absolute())
        return false;
    int folder = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const fs::path& component : relative) {
        if (folder < 0)
            return false;
        int next = -1;
        if (isPlainComponent(component) &&
            (::mkdirat(folder, component.c_str(), 0777) == 0 || errno == EEXIST))
            next = ::openat(folder, component.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(folder);
        folder = next;
    }
    if (folder < 0)
        return false;
    ::close(folder);
    return true;
}

} // namespace

OutputSubfolders::OutputSubfolders(fs::path root) : m_root(std::move(root)) {}

bool OutputSubfolders::prepare(const fs::path& relative)
{
    const std::lock_guard lock(m_mutex);
    if (const auto known = m_prepared.find(relative); known != m_prepared.end())
        return known->second;
    const bool made = makeBelow(m_root, relative);
    if (made)
        removeAbandonedTemporaries(m_root / relative);
    m_prepared.emplace(relative, made);
    return made;
}

} // namespace pictavo
