#include "staged_file.h"

#include "processing_error.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pictavo::detail {

namespace {

// Mode for the new file: the replaced file's own mode, or rw-r--r-- as image writers use.
mode_t modeFor(const std::filesystem::path& destination)
{
    struct stat existing {};
    if (::stat(destination.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        return existing.st_mode & 07777;
    return 0644;
}

} // namespace

StagedFile::StagedFile(std::filesystem::path destination) : m_destination(std::move(destination))
{
    const std::filesystem::path folder = m_destination.parent_path().empty()
                                             ? std::filesystem::path(".")
                                             : m_destination.parent_path();
    // The name is cut so that the temporary name stays within the 255-byte limit of a name.
    const std::string name = m_destination.filename().string().substr(0, 200);
    std::string pattern = (folder / ("." + name + ".pictavo-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int descriptor = ::mkstemp(buffer.data());
    if (descriptor < 0)
        throw ProcessingError(ProcessingError::cannotWrite);
    m_temporary = buffer.data();
    ::fchmod(descriptor, modeFor(m_destination));
    ::close(descriptor);
}

StagedFile::~StagedFile()
{
    if (!m_committed)
        ::unlink(m_temporary.c_str());
}

bool StagedFile::isComplete(bool durable) const
{
    const int descriptor = ::open(m_temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat written {};
    const bool complete = ::fstat(descriptor, &written) == 0 && written.st_size > 0 &&
                          (!durable || ::fsync(descriptor) == 0);
    ::close(descriptor);
    return complete;
}

void StagedFile::commit()
{
    if (!isComplete(true) || ::rename(m_temporary.c_str(), m_destination.c_str()) != 0)
        throw ProcessingError(ProcessingError::cannotWrite);
    m_committed = true;
}

bool StagedFile::commitAsNew(const std::filesystem::path& destination)
{
    if (!isComplete(false))
        throw ProcessingError(ProcessingError::cannotWrite);
    if (::renameat2(AT_FDCWD, m_temporary.c_str(), AT_FDCWD, destination.c_str(),
                    RENAME_NOREPLACE) == 0) {
        m_committed = true;
        return true;
    }
    if (errno == EEXIST)
        return false;
    // File systems without RENAME_NOREPLACE: a hard link also refuses to replace anything.
    if (errno != EINVAL && errno != ENOSYS)
        throw ProcessingError(ProcessingError::cannotWrite);
    if (::link(m_temporary.c_str(), destination.c_str()) != 0) {
        if (errno == EEXIST)
            return false;
        throw ProcessingError(ProcessingError::cannotWrite);
    }
    ::unlink(m_temporary.c_str());
    m_committed = true;
    return true;
}

} // namespace pictavo::detail
