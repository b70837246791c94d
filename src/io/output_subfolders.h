#pragma once

#include "open_folder.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

namespace pictavo {

// The subfolders of one run's output folder that mirror the folders its sources came from.
// Each is made on first use, component by component from the output folder's descriptor,
// without following a symbolic link, and then held open for the rest of the run: no name can
// lead a write outside the output folder, and neither can a subfolder renamed or swapped for a
// link later on. Safe on any thread; two conversions that need the same new subfolder make it
// once.
class OutputSubfolders {
public:
    explicit OutputSubfolders(std::shared_ptr<const OpenFolder> root);

    // The folder root / `relative`, reached below the root without links: made where missing,
    // and cleared of temporary files a killed run left there on its first use. Null for a
    // relative path that is empty, absolute or holds "." or "..", for a component that is a
    // link or not a folder, and when a folder cannot be made. Every later call for the same
    // path gives the same folder, wherever it has been moved meanwhile.
    std::shared_ptr<const OpenFolder> prepare(const std::filesystem::path& relative);

private:
    std::shared_ptr<const OpenFolder> m_root;
    std::mutex m_mutex;
    std::map<std::filesystem::path, std::shared_ptr<const OpenFolder>> m_prepared;
};

} // namespace pictavo
