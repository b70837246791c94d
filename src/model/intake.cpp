#include "intake.h"

#include "image_processor.h"
#include "resize_settings.h"

#include <QCollator>
#include <QFile>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNotFound = "Dosya bulunamadı";
constexpr const char* kUnsupportedType = "Desteklenmeyen dosya türü";
constexpr const char* kAlreadyQueued = "Zaten sırada";

bool stopped(const StopRequest& stopRequested)
{
    return stopRequested && stopRequested();
}

// Walks folders by descriptor: each subfolder is opened relative to its parent without
// following links, so a folder swapped for a link mid-walk is not entered, and no path grows
// too long to open however deep the tree goes. A folder met again inside itself (a bind mount
// of an ancestor) is walked once.
class FolderWalk {
public:
    FolderWalk(const StopRequest& stopRequested, std::vector<IntakeCandidate>& collected)
        : m_stopRequested(stopRequested), m_collected(collected)
    {
        // The application speaks Turkish, so names sort the Turkish way whatever the process
        // locale (the C locale would also lose the numeric ordering).
        m_collator.setNumericMode(true);
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    // Takes over `descriptor`, an open folder found at `path`.
    void walk(int descriptor, const fs::path& path, const fs::path& addedFolderPath)
    {
        struct stat folder {};
        if (::fstat(descriptor, &folder) != 0 ||
            std::ranges::find(m_ancestors, std::pair{folder.st_dev, folder.st_ino}) !=
                m_ancestors.end()) {
            ::close(descriptor);
            return;
        }
        m_ancestors.emplace_back(folder.st_dev, folder.st_ino);
        for (const Child& child : visibleChildren(descriptor)) {
            if (stopped(m_stopRequested))
                break;
            visit(descriptor, child.name, path / child.name, addedFolderPath);
        }
        m_ancestors.pop_back();
        ::close(descriptor);
    }

private:
    struct Child {
        std::string name;
        QString shown;
    };

    // The folder's entries but the hidden ones, in natural name order.
    std::vector<Child> visibleChildren(int descriptor)
    {
        std::vector<Child> children;
        // The listing gets a descriptor of its own: closing it must leave `descriptor` open.
        const int listed = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
        DIR* listing = listed >= 0 ? ::fdopendir(listed) : nullptr;
        if (listing == nullptr) {
            if (listed >= 0)
                ::close(listed);
            return children;
        }
        while (const dirent* entry = ::readdir(listing)) {
            if (stopped(m_stopRequested))
                break;
            if (entry->d_name[0] != '.')
                children.push_back({entry->d_name, QFile::decodeName(entry->d_name)});
        }
        ::closedir(listing);
        // Names that are not UTF-8 can collate equal once decoded; their bytes then decide, so
        // the order never depends on the sort's whims.
        std::sort(children.begin(), children.end(), [&](const Child& a, const Child& b) {
            const int order = m_collator.compare(a.shown, b.shown);
            return order != 0 ? order < 0 : a.name < b.name;
        });
        return children;
    }

    void visit(int parent, const std::string& name, const fs::path& path,
               const fs::path& addedFolderPath)
    {
        struct stat entry {};
        if (::fstatat(parent, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        if (S_ISDIR(entry.st_mode)) {
            const int child =
                ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                walk(child, path, addedFolderPath / name);
            return;
        }
        // A link to a folder is neither walked nor a file.
        struct stat target {};
        if (S_ISLNK(entry.st_mode) && ::fstatat(parent, name.c_str(), &target, 0) == 0 &&
            S_ISDIR(target.st_mode))
            return;
        m_collected.push_back({path, false, addedFolderPath});
    }

    const StopRequest& m_stopRequested;
    std::vector<IntakeCandidate>& m_collected;
    QCollator m_collator{QLocale(QLocale::Turkish)};
    std::vector<std::pair<dev_t, ino_t>> m_ancestors;
};

} // namespace

fs::path standardizedPath(const fs::path& path)
{
    std::error_code error;
    fs::path normal = fs::absolute(path, error).lexically_normal();
    // "a/b/" names the same entry as "a/b".
    if (!normal.has_filename() && normal.has_relative_path())
        normal = normal.parent_path();
    return normal;
}

std::vector<IntakeCandidate> expandPaths(const std::vector<fs::path>& paths,
                                         const StopRequest& stopRequested)
{
    std::vector<IntakeCandidate> collected;
    FolderWalk folders(stopRequested, collected);
    for (const fs::path& path : paths) {
        if (stopped(stopRequested))
            break;
        std::error_code absoluteError;
        const fs::path given = path.empty() ? path : fs::absolute(path, absoluteError);
        std::error_code error;
        if (!fs::is_directory(given, error)) {
            collected.push_back({given, true, {}});
            continue;
        }
        // A folder given by name is entered even through a link; what it holds is not.
        const int folder = ::open(given.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0)
            folders.walk(folder, given, standardizedPath(given).filename());
    }
    return collected;
}

IntakeResult makeItems(const std::vector<fs::path>& paths, std::set<fs::path> queued,
                       Repeats repeats, const StopRequest& stopRequested)
{
    const std::set<std::string>& supported = ImageProcessor::supportedExtensions();
    IntakeResult result;
    for (const auto& [path, named, addedFolderPath] : expandPaths(paths, stopRequested)) {
        if (stopped(stopRequested))
            break;
        const auto skip = [&, &path = path](std::string reason) {
            result.skipped.push_back({path, std::move(reason)});
        };
        std::error_code error;
        if (named && !fs::exists(path, error)) {
            skip(kNotFound);
        } else if (!supported.contains(lowercaseExtension(path))) {
            if (named)
                skip(kUnsupportedType);
        } else if (queued.contains(standardizedPath(path))) {
            skip(kAlreadyQueued);
        } else if (const std::optional<ImageInfo> info = ImageProcessor::imageInfo(path)) {
            result.items.push_back({ItemId::random(), path, info->width, info->height,
                                    info->fileSize, ImageItem::ItemStatus::makeReady(),
                                    addedFolderPath});
            if (repeats == Repeats::skipped)
                queued.insert(standardizedPath(path));
        } else {
            skip(ProcessingError(ProcessingError::cannotRead).what());
        }
    }
    result.stopped = stopped(stopRequested);
    return result;
}

} // namespace pictavo
