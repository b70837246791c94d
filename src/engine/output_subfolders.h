#pragma once

#include <filesystem>
#include <map>
#include <mutex>

namespace pictavo {

// The subfolders of one run's output folder that mirror the folders its sources came from.
// Each is made on first use, component by component, without following a symbolic link below
// the output folder, so no name can lead a write outside it. Safe on any thread; two
// conversions that need the same new subfolder make it once.
class OutputSubfolders {
public:
    explicit OutputSubfolders(std::filesystem::path root);

    // Whether root / `relative` is now a folder below the root reached without links: made
    // where missing, and cleared of temporary files a killed run left there on its first use.
    // False for a relative path that is empty, absolute or holds "." or "..", for a component
    // that is a link or not a folder, and when a folder cannot be made.
    bool prepare(const std::filesystem::path& relative);

private:
    std::filesystem::path m_root;
    std::mutex m_mutex;
    std::map<std::filesystem::path, bool> m_prepared;
};

} // namespace pictavo
