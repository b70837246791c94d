#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

namespace pictavo::detail {

// Whether `path` is a regular file once symbolic links are followed. Asks stat(), which never
// opens the file: opening a FIFO blocks until a writer comes, and a device such as /dev/zero
// never ends, so neither may reach a reader or a loader.
bool isRegularFile(const std::filesystem::path& path) noexcept;

// A regular file opened for reading. The open never blocks, and whatever else is found at the
// path (a FIFO, a device, a folder, also one put there after an isRegularFile() check) leaves
// it closed.
class RegularFile {
public:
    explicit RegularFile(const std::filesystem::path& path) noexcept;
    ~RegularFile();

    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return m_descriptor >= 0; }
    int descriptor() const { return m_descriptor; }

    // Reads up to `count` bytes from `offset`; fewer only where the file ends or fails.
    std::size_t read(std::uint64_t offset, unsigned char* into, std::size_t count) noexcept;

    // The size fstat() gives now, 0 when the file is not open.
    std::uint64_t size() const noexcept;

private:
    int m_descriptor = -1;
};

// A file's bytes in memory from malloc(), so that a C library may take them over and free them.
struct FileContent {
    struct Free {
        void operator()(unsigned char* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<unsigned char, Free> bytes;
    std::size_t size = 0;
};

// The whole content of `file`, read into memory; nothing when it is not open, or when it ends or
// fails before the size it had when the read began.
std::optional<FileContent> readWholeFile(RegularFile& file);

} // namespace pictavo::detail
