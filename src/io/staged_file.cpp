#include "staged_file.h"

#include "processing_error.h"
#include "temporary_registry.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pictavo::detail {

namespace {

constexpr std::string_view kMarker = ".pictavo-";
constexpr std::size_t kRandomLength = 6;
constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string randomPart()
{
    unsigned char bytes[kRandomLength]{};
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // Without entropy the names only need to differ; O_EXCL settles any clash.
        static std::atomic<unsigned long long> counter{0};
        unsigned long long mix = static_cast<unsigned long long>(
                                     std::chrono::steady_clock::now().time_since_epoch().count()) ^
                                 (++counter * 0x9E3779B97F4A7C15ull);
        for (unsigned char& byte : bytes) {
            byte = static_cast<unsigned char>(mix);
            mix = (mix >> 8) | (mix << 56);
        }
    }
    std::string part;
    for (const unsigned char byte : bytes)
        part += kAlphabet[byte % kAlphabet.size()];
    return part;
}

} // namespace

bool isStagedFileName(std::string_view name)
{
    if (name.size() < 2 + kMarker.size() + kRandomLength || name.front() != '.')
        return false;
    const std::string_view random = name.substr(name.size() - kRandomLength);
    return name.substr(name.size() - kRandomLength - kMarker.size(), kMarker.size()) == kMarker &&
           random.find_first_not_of(kAlphabet) == std::string_view::npos;
}

StagedFile::StagedFile(std::shared_ptr<const OpenFolder> folder, std::string name)
    : m_folder(std::move(folder)), m_name(std::move(name))
{
    const int at = m_folder->descriptor();
    // The name is cut so that the temporary name stays within the 255-byte limit of a name.
    const std::string start = "." + m_name.substr(0, 200) + std::string(kMarker);
    for (int attempt = 0; attempt < 100 && m_descriptor < 0; ++attempt) {
        m_temporary = start + randomPart();
        // 0666 lets the kernel apply the umask and any default ACL of the folder, as for
        // any file a program creates.
        m_descriptor = ::openat(at, m_temporary.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_descriptor < 0 && errno != EEXIST)
            break;
    }
    if (m_descriptor < 0)
        throw ProcessingError(ProcessingError::cannotWrite);
    // Without locks (some network file systems) the file is merely unprotected from a
    // clean-up by another run into the same folder; the write itself is unaffected.
    ::flock(m_descriptor, LOCK_EX);
    m_registration = registerTemporary(at, m_temporary.c_str());
    // A replaced file keeps its mode, so a private photo stays private.
    struct stat existing {};
    if (::fstatat(at, m_name.c_str(), &existing, 0) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(m_descriptor, existing.st_mode & 07777);
}

StagedFile::~StagedFile()
{
    if (!m_committed)
        ::unlinkat(m_folder->descriptor(), m_temporary.c_str(), 0);
    unregisterTemporary(m_registration);
    ::close(m_descriptor);
}

void StagedFile::write(std::span<const unsigned char> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(m_descriptor, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        // EFBIG past the file size limit, ENOSPC, EDQUOT, EIO: the file is incomplete.
        if (written <= 0)
            throw ProcessingError(ProcessingError::cannotWrite);
        done += static_cast<std::size_t>(written);
    }
    m_written += done;
}

// Asked of the file itself rather than of the writes: the size on disk is what a reader gets.
bool StagedFile::isComplete(bool durable) const
{
    struct stat written {};
    return m_written > 0 && ::fstat(m_descriptor, &written) == 0 &&
           static_cast<std::size_t>(written.st_size) == m_written &&
           (!durable || ::fsync(m_descriptor) == 0);
}

void StagedFile::commit()
{
    const int at = m_folder->descriptor();
    if (!isComplete(true) || ::renameat(at, m_temporary.c_str(), at, m_name.c_str()) != 0)
        throw ProcessingError(ProcessingError::cannotWrite);
    m_committed = true;
}

bool StagedFile::commitAsNew(const std::string& name)
{
    if (!isComplete(false))
        throw ProcessingError(ProcessingError::cannotWrite);
    const int at = m_folder->descriptor();
    if (::renameat2(at, m_temporary.c_str(), at, name.c_str(), RENAME_NOREPLACE) == 0) {
        m_committed = true;
        return true;
    }
    if (errno == EEXIST)
        return false;
    // File systems without RENAME_NOREPLACE: a hard link also refuses to replace anything.
    if (errno != EINVAL && errno != ENOSYS)
        throw ProcessingError(ProcessingError::cannotWrite);
    if (::linkat(at, m_temporary.c_str(), at, name.c_str(), 0) != 0) {
        if (errno == EEXIST)
            return false;
        throw ProcessingError(ProcessingError::cannotWrite);
    }
    ::unlinkat(at, m_temporary.c_str(), 0);
    m_committed = true;
    return true;
}

} // namespace pictavo::detail
