#include "intake.h"

#include "image_processor.h"
#include "resize_settings.h"

#include <QCollator>
#include <QDir>
#include <algorithm>
#include <filesystem>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// Deeper trees than this are not photo folders; the limit only guards against bind-mount loops.
constexpr int kMaxDepth = 64;

bool isHidden(const fs::path& path)
{
    const std::string name = path.filename().string();
    return !name.empty() && name.front() == '.';
}

void walk(const fs::path& folder, int depth, const QCollator& collator,
          std::vector<std::string>& collected)
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
    std::sort(children.begin(), children.end(), [&](const fs::path& a, const fs::path& b) {
        return collator.compare(QString::fromStdString(a.filename().string()),
                                QString::fromStdString(b.filename().string())) < 0;
    });
    for (const fs::path& child : children) {
        collected.push_back(child.string());
        std::error_code statusError;
        const fs::file_status status = fs::symlink_status(child, statusError);
        if (!statusError && fs::is_directory(status) && depth < kMaxDepth)
            walk(child, depth + 1, collator, collected);
    }
}

} // namespace

std::string standardizedPath(const std::string& path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(QString::fromStdString(path)))
        .toStdString();
}

std::vector<std::string> expandPaths(const QStringList& paths)
{
    // The application speaks Turkish, so names sort the Turkish way whatever the process locale
    // (the C locale would also lose the numeric ordering).
    QCollator collator{QLocale(QLocale::Turkish)};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::string> collected;
    for (const QString& path : paths) {
        std::error_code absoluteError;
        const fs::path given = fs::absolute(fs::path(path.toStdString()), absoluteError);
        std::error_code error;
        if (fs::is_directory(given, error)) {
            std::vector<std::string> inside;
            walk(given, 0, collator, inside);
            collected.insert(collected.end(), inside.begin(), inside.end());
        } else {
            collected.push_back(given.string());
        }
    }
    return collected;
}

std::vector<ImageItem> makeItems(const QStringList& paths, const std::set<std::string>& queued)
{
    const std::set<std::string>& supported = ImageProcessor::supportedExtensions();
    std::vector<ImageItem> items;
    for (const std::string& path : expandPaths(paths)) {
        if (!supported.contains(lowercaseExtension(path)) ||
            queued.contains(standardizedPath(path)))
            continue;
        const std::optional<ImageInfo> info = ImageProcessor::imageInfo(path);
        if (!info)
            continue;
        items.push_back({ItemId::random(), path, info->width, info->height, info->fileSize,
                         ImageItem::ItemStatus::makeReady()});
    }
    return items;
}

} // namespace pictavo
