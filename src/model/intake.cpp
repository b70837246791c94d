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

void appendName(std::string& path, const std::string& name)
{
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name;
}

// Walks folders by descriptor, depth first and at any depth: each subfolder is opened relative
// to its parent without following links, so a folder swapped for a link mid-walk is not
// entered and no path grows too long to open. The walk keeps its place on the heap, not the
// stack, and holds descriptors only for the first level and the kHeldLevels deepest ones,
// opening the levels between again when it comes back to them, so neither the stack nor the
// descriptor table bounds the depth. A folder met again inside itself (a bind mount of an
// ancestor) is walked once.
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
        m_path = path.native();
        m_added = addedFolderPath.native();
        if (!enter(descriptor, {}))
            return;
        while (!m_levels.empty()) {
            Level& level = m_levels.back();
            if (level.next == level.children.size() || stopped(m_stopRequested)) {
                leave();
                continue;
            }
            const std::string name = level.children[level.next++];
            const int folder = deepestDescriptor();
            if (folder < 0)
                leave(); // no longer the folder the walk entered
            else
                visit(folder, name);
        }
    }

private:
    static constexpr std::size_t kHeldLevels = 32;

    struct Level {
        int descriptor = -1; // held by the first level and from m_firstHeld down, else -1
        std::string name;    // in the level above
        std::pair<dev_t, ino_t> identity;
        std::vector<std::string> children; // visible, in natural name order
        std::size_t next = 0;
        // m_path and m_added before this level's name was added.
        std::size_t pathLength = 0;
        std::size_t addedLength = 0;
    };

    bool enter(int descriptor, std::string name)
    {
        struct stat folder {};
        if (::fstat(descriptor, &folder) != 0 ||
            !m_identities.emplace(folder.st_dev, folder.st_ino).second) {
            ::close(descriptor);
            return false;
        }
        const std::size_t pathLength = m_path.size();
        const std::size_t addedLength = m_added.size();
        if (!name.empty()) {
            appendName(m_path, name);
            appendName(m_added, name);
        }
        m_levels.push_back({descriptor,
                            std::move(name),
                            {folder.st_dev, folder.st_ino},
                            visibleChildren(descriptor),
                            0,
                            pathLength,
                            addedLength});
        if (m_levels.size() - m_firstHeld > kHeldLevels)
            ::close(std::exchange(m_levels[m_firstHeld++].descriptor, -1));
        return true;
    }

    void leave()
    {
        const Level& level = m_levels.back();
        if (level.descriptor >= 0)
            ::close(level.descriptor);
        m_identities.erase(level.identity);
        m_path.resize(level.pathLength);
        m_added.resize(level.addedLength);
        m_levels.pop_back();
        m_firstHeld = std::max<std::size_t>(1, std::min(m_firstHeld, m_levels.size()));
    }

    // The deepest level's descriptor. When it was let go, the levels down to it are opened
    // again from the first one, the deepest kHeldLevels of them kept; -1 when a folder on the
    // way is no longer the one the walk entered.
    int deepestDescriptor()
    {
        const std::size_t deepest = m_levels.size() - 1;
        if (m_levels[deepest].descriptor >= 0)
            return m_levels[deepest].descriptor;
        const std::size_t firstHeld = deepest + 1 > kHeldLevels ? deepest + 1 - kHeldLevels : 1;
        int descriptor = m_levels.front().descriptor;
        for (std::size_t level = 1; level <= deepest; ++level) {
            const int next = ::openat(descriptor, m_levels[level].name.c_str(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (level - 1 != 0 && level - 1 < firstHeld)
                ::close(descriptor);
            struct stat folder {};
            if (next >= 0 && ::fstat(next, &folder) == 0 &&
                std::pair{folder.st_dev, folder.st_ino} == m_levels[level].identity) {
                if (level >= firstHeld)
                    m_levels[level].descriptor = next;
                descriptor = next;
                continue;
            }
            if (next >= 0)
                ::close(next);
            for (std::size_t held = firstHeld; held < level; ++held)
                ::close(std::exchange(m_levels[held].descriptor, -1));
            m_firstHeld = m_levels.size();
            return -1;
        }
        m_firstHeld = firstHeld;
        return descriptor;
    }

    // The folder's entries but the hidden ones, in natural name order.
    std::vector<std::string> visibleChildren(int descriptor)
    {
        std::vector<std::pair<std::string, QString>> children;
        // The listing gets a descriptor of its own: closing it must leave `descriptor` open.
        const int listed = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
        DIR* listing = listed >= 0 ? ::fdopendir(listed) : nullptr;
        if (listing == nullptr && listed >= 0)
            ::close(listed);
        while (listing != nullptr && !stopped(m_stopRequested)) {
            const dirent* entry = ::readdir(listing);
            if (entry == nullptr)
                break;
            if (entry->d_name[0] != '.')
                children.emplace_back(entry->d_name, QFile::decodeName(entry->d_name));
        }
        if (listing != nullptr)
            ::closedir(listing);
        // Names that are not UTF-8 can collate equal once decoded; their bytes then decide, so
        // the order never depends on the sort's whims.
        std::sort(children.begin(), children.end(), [&](const auto& a, const auto& b) {
            const int order = m_collator.compare(a.second, b.second);
            return order != 0 ? order < 0 : a.first < b.first;
        });
        std::vector<std::string> names;
        names.reserve(children.size());
        for (auto& child : children)
            names.push_back(std::move(child.first));
        return names;
    }

    void visit(int folder, const std::string& name)
    {
        struct stat entry {};
        if (::fstatat(folder, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        if (S_ISDIR(entry.st_mode)) {
            const int child =
                ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                enter(child, name);
            return;
        }
        // A link to a folder is neither walked nor a file.
        struct stat target {};
        if (S_ISLNK(entry.st_mode) && ::fstatat(folder, name.c_str(), &target, 0) == 0 &&
            S_ISDIR(target.st_mode))
            return;
        std::string path = m_path;
        appendName(path, name);
        m_collected.push_back({std::move(path), false, m_added});
    }

    const StopRequest& m_stopRequested;
    std::vector<IntakeCandidate>& m_collected;
    QCollator m_collator{QLocale(QLocale::Turkish)};
    std::vector<Level> m_levels;
    std::size_t m_firstHeld = 1;
    std::set<std::pair<dev_t, ino_t>> m_identities; // of the levels walked now
    std::string m_path;                             // of the deepest level
    std::string m_added;                            // its ImageItem::addedFolderPath
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
                                    info->fileSize, ItemStatus{}, addedFolderPath,
                                    info->decodedBytesPerPixel});
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
