#include "output_files.h"

#include "staged_file.h"
#include "temporary_registry.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {

namespace {

// An unlocked file of the staged form at `name`, still the same file when unlinked.
void removeIfAbandoned(int folder, const char* name)
{
    const int descriptor = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return;
    struct stat opened {};
    struct stat named {};
    if (::fstat(descriptor, &opened) == 0 && S_ISREG(opened.st_mode) &&
        ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
        ::unlinkat(folder, name, 0);
    ::close(descriptor);
}

} // namespace

void removeAbandonedTemporaries(const OpenFolder& folder)
{
    // A descriptor of its own: one duplicated from the folder's would share its reading place.
    const int descriptor = ::openat(folder.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* directory = descriptor < 0 ? nullptr : ::fdopendir(descriptor);
    if (directory == nullptr) {
        if (descriptor >= 0)
            ::close(descriptor);
        return;
    }
    while (const dirent* entry = ::readdir(directory))
        if (detail::isStagedFileName(entry->d_name))
            removeIfAbandoned(folder.descriptor(), entry->d_name);
    ::closedir(directory);
}

bool flushFileSystem(const OpenFolder& folder)
{
    return ::syncfs(folder.descriptor()) == 0;
}

bool flushFileSystem(const std::filesystem::path& folder)
{
    const std::shared_ptr<const OpenFolder> open = OpenFolder::open(folder);
    return open && flushFileSystem(*open);
}

} // namespace pictavo
