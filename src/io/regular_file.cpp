#include "regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo::detail {

bool isRegularFile(const std::filesystem::path& path) noexcept
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

RegularFile::RegularFile(const std::filesystem::path& path) noexcept
{
    // O_NONBLOCK only matters when a FIFO was put at the path: the open then returns at once
    // and fstat() turns it away. On a regular file it changes nothing.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        return;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return;
    }
    m_descriptor = descriptor;
}

RegularFile::~RegularFile()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

std::size_t RegularFile::read(std::uint64_t offset, unsigned char* into, std::size_t count) noexcept
{
    std::size_t done = 0;
    while (isOpen() && done < count) {
        const ssize_t got =
            ::pread(m_descriptor, into + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::uint64_t RegularFile::size() const noexcept
{
    struct stat status {};
    return isOpen() && ::fstat(m_descriptor, &status) == 0
               ? static_cast<std::uint64_t>(status.st_size)
               : 0;
}

std::optional<FileContent> readWholeFile(RegularFile& file)
{
    if (!file.isOpen())
        return std::nullopt;
    FileContent content;
    content.size = file.size();
    if (content.size == 0)
        return content;
    content.bytes.reset(static_cast<unsigned char*>(std::malloc(content.size)));
    if (!content.bytes || file.read(0, content.bytes.get(), content.size) != content.size)
        return std::nullopt;
    return content;
}

} // namespace pictavo::detail
