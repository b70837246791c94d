#include "jpeg_integrity.h"

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo::detail {

namespace {

constexpr unsigned char kMarkerPrefix = 0xFF;
constexpr unsigned char kStartOfImage = 0xD8;
constexpr unsigned char kEndOfImage = 0xD9;
constexpr unsigned char kStartOfScan = 0xDA;

bool isRestart(unsigned char marker)
{
    return marker >= 0xD0 && marker <= 0xD7;
}

// From just after a scan header to the 0xFF of the marker that ends the scan's data, or size.
std::size_t skipEntropyCodedData(const unsigned char* data, std::size_t size, std::size_t at)
{
    while (at < size) {
        const void* next = std::memchr(data + at, kMarkerPrefix, size - at);
        if (next == nullptr)
            return size;
        at = static_cast<std::size_t>(static_cast<const unsigned char*>(next) - data);
        if (at + 1 >= size)
            return size;
        const unsigned char following = data[at + 1];
        if (following == 0x00 || isRestart(following))
            at += 2; // a stuffed 0xFF byte, or a restart marker inside the scan
        else if (following == kMarkerPrefix)
            at += 1; // fill bytes before a marker
        else
            return at;
    }
    return size;
}

} // namespace

bool jpegIsComplete(const unsigned char* data, std::size_t size)
{
    if (size < 4 || data[0] != kMarkerPrefix || data[1] != kStartOfImage)
        return false;
    std::size_t at = 2;
    while (at < size) {
        // libjpeg skips stray bytes between segments (with a warning); so do we.
        const void* prefix = std::memchr(data + at, kMarkerPrefix, size - at);
        if (prefix == nullptr)
            return false;
        at = static_cast<std::size_t>(static_cast<const unsigned char*>(prefix) - data);
        while (at < size && data[at] == kMarkerPrefix)
            ++at;
        if (at >= size)
            return false;
        const unsigned char marker = data[at++];
        if (marker == kEndOfImage)
            return true;
        if (marker == kStartOfImage || isRestart(marker) || marker == 0x01)
            continue; // markers without a length
        if (at + 2 > size)
            return false;
        const std::size_t length = (std::size_t(data[at]) << 8) | data[at + 1];
        if (length < 2 || at + length > size)
            return false;
        at += length;
        if (marker == kStartOfScan)
            at = skipEntropyCodedData(data, size, at);
    }
    return false;
}

bool jpegIsComplete(const std::filesystem::path& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat status {};
    bool complete = false;
    if (::fstat(descriptor, &status) == 0 && status.st_size > 0) {
        const auto size = static_cast<std::size_t>(status.st_size);
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (mapped != MAP_FAILED) {
            complete = jpegIsComplete(static_cast<const unsigned char*>(mapped), size);
            ::munmap(mapped, size);
        }
    }
    ::close(descriptor);
    return complete;
}

} // namespace pictavo::detail
