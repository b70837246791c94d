#pragma once

#include "open_folder.h"
#include "resize_settings.h"

#include <filesystem>
#include <memory>
#include <string>

namespace pictavo {

// Hands out Name.ext, Name-2.ext, Name-3.ext … in one folder, skipping every name at which
// something exists (a dangling symbolic link included). The folder is `subfolder` below the
// open folder `folder` ("" for that folder itself): the names are looked up relative to its
// descriptor, and handed out as paths below its path().
class FreeNameFinder {
public:
    FreeNameFinder(std::shared_ptr<const OpenFolder> folder, std::filesystem::path subfolder,
                   const ResizeSettings& settings, const std::filesystem::path& source);

    // The next name with nothing at it at the moment of the call.
    std::filesystem::path next();

    // The same names, looked up in `folder` itself: the subfolder once it is held open.
    FreeNameFinder within(std::shared_ptr<const OpenFolder> folder) const;

private:
    std::filesystem::path candidate() const;

    std::shared_ptr<const OpenFolder> m_folder;
    std::filesystem::path m_subfolder;
    std::string m_name;
    std::string m_extension;
    long long m_counter = 1;
};

} // namespace pictavo
