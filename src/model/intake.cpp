#include "intake.h"

#include "image_processor.h"
#include "resize_settings.h"

#include <QCollator>
#include <QFile>
#include <algorithm>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// Deeper trees than this are not photo folders; the limit only guards against bind-mount loops.
constexpr int kMaxDepth = 64;

constexpr const char* kNotFound = "Dosya bulunamadı";
constexpr const char* kUnsupportedType = "Desteklenmeyen dosya türü";
constexpr const char* kAlreadyQueued = "Zaten sırada";

bool isHidden(const fs::path& path)
{
    const std::string name = path.filename().native();
    return !name.empty() && name.front() == '.';
}

void walk(const fs::path& folder, const fs::path& addedFolderPath, int depth,
          const QCollator& collator, std::vector<IntakeCandidate>& collected)
{
    std::error_code error;
    fs::directory_iterator entries(folder, fs::directory_options::skip_permission_denied, error);
    if (error)
        return;
    std::vector<fs::path> children;
    for (auto entry = entries; entry != fs::directory_iterator(); entry.increment(error)) {
        if (error)
            break;
        if (!isHidden(entry->path()))
            children.push_back(entry->path());
    }
    // Names that are not UTF-8 can collate equal once decoded; their bytes then decide, so the
    // order never depends on the sort's whims.
    std::sort(children.begin(), children.end(), [&](const fs::path& a, const fs::path& b) {
        const int order = collator.compare(QFile::decodeName(a.filename().c_str()),
                                           QFile::decodeName(b.filename().c_str()));
        return order != 0 ? order < 0 : a.filename().native() < b.filename().native();
    });
    for (const fs::path& child : children) {
        std::error_code statusError;
        const fs::file_status status = fs::symlink_status(child, statusError);
        if (!statusError && fs::is_directory(status)) {
            if (depth < kMaxDepth)
                walk(child, addedFolderPath / child.filename(), depth + 1, collator, collected);
        } else if (std::error_code linkError; !fs::is_directory(child, linkError)) {
            // A link to a folder is neither walked nor a file.
            collected.push_back({child, false, addedFolderPath});
        }
    }
}

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

std::vector<IntakeCandidate> expandPaths(const std::vector<fs::path>& paths)
{
    // The application speaks Turkish, so names sort the Turkish way whatever the process locale
    // (the C locale would also lose the numeric ordering).
    QCollator collator{QLocale(QLocale::Turkish)};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<IntakeCandidate> collected;
    for (const fs::path& path : paths) {
        std::error_code absoluteError;
        const fs::path given = path.empty() ? path : fs::absolute(path, absoluteError);
        std::error_code error;
        if (fs::is_directory(given, error))
            walk(given, standardizedPath(given).filename(), 0, collator, collected);
        else
            collected.push_back({given, true, {}});
    }
    return collected;
}

IntakeResult makeItems(const std::vector<fs::path>& paths, std::set<fs::path> queued,
                       Repeats repeats)
{
    const std::set<std::string>& supported = ImageProcessor::supportedExtensions();
    IntakeResult result;
    for (const auto& [path, named, addedFolderPath] : expandPaths(paths)) {
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
                                    addedFolderPath, info->decodedBytesPerPixel});
            if (repeats == Repeats::skipped)
                queued.insert(standardizedPath(path));
        } else {
            skip(ProcessingError(ProcessingError::cannotRead).what());
        }
    }
    return result;
}

} // namespace pictavo
