#pragma once

#include <filesystem>
#include <memory>

namespace pictavo {

// A folder held open for as long as anything is written in it. Every step inside it (names
// checked, files created, renamed and removed, subfolders made) goes relative to this
// descriptor, so a folder renamed, replaced or swapped for a symbolic link while a run goes on
// can never send a write anywhere else. Shared by everything that writes into it.
class OpenFolder {
public:
    // The folder at `path`, opened once (a link to a folder is followed here: naming it was the
    // user's choice); null when it cannot be opened as a folder.
    static std::shared_ptr<const OpenFolder> open(const std::filesystem::path& path);

    // Takes over `descriptor`, an open folder known as `path`.
    OpenFolder(int descriptor, std::filesystem::path path) noexcept;
    ~OpenFolder();

    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    int descriptor() const { return m_descriptor; }

    // Where the folder was when it was opened, for naming the files written in it; nothing is
    // ever opened through it.
    const std::filesystem::path& path() const { return m_path; }

private:
    int m_descriptor;
    std::filesystem::path m_path;
};

} // namespace pictavo
