#pragma once

#include "image_item.h"

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace pictavo {

// A path that intake left out, with the Turkish reason shown for it.
struct SkippedPath {
    std::filesystem::path path;
    std::string reason;

    bool operator==(const SkippedPath&) const = default;
};

// What one intake call produced: the new items and the paths it did not take.
struct IntakeResult {
    std::vector<ImageItem> items;
    std::vector<SkippedPath> skipped;
    bool stopped = false; // a stop was requested before intake got through every entry
};

// Asked between entries while folders are read and files probed: true stops intake there, as
// a big folder can take many seconds. None means intake runs to the end.
using StopRequest = std::function<bool()>;

// Absolute and lexically normal ("a/./b/../c" → "a/c"), byte for byte: symbolic links are not
// resolved, letter case and names that are not UTF-8 are kept, so two paths name the same file
// for intake exactly when these agree.
std::filesystem::path standardizedPath(const std::filesystem::path& path);

// A file intake looks at: given by name, or found inside a given folder.
struct IntakeCandidate {
    std::filesystem::path path;
    bool named = false;
    // For a file found inside a given folder: its folder from that folder's name down
    // (ImageItem::addedFolderPath).
    std::filesystem::path addedFolderPath;
};

// Expands folders into their files, depth first at any depth, each folder's entries in natural
// name order (IMG_2 before IMG_10). Hidden entries are skipped; symbolic links to folders are
// not followed and a folder mounted inside itself is walked once, so no loop can trap the walk;
// folders that cannot be read contribute nothing.
std::vector<IntakeCandidate> expandPaths(const std::vector<std::filesystem::path>& paths,
                                         const StopRequest& stopRequested = {});

// Whether a file met twice in one intake (named twice, or named and inside a named folder)
// joins twice: the window's selections keep such repeats, the command line does not.
enum class Repeats { kept, skipped };

// Intake without the model: keeps supported extensions, drops what `queued` (standardized
// paths) already holds, probes the rest and makes ready items of those that read. Every named
// path that is not taken is reported, and so is every file with a supported extension found in
// a folder; other files in folders are not, since folders hold more than photos.
IntakeResult makeItems(const std::vector<std::filesystem::path>& paths,
                       std::set<std::filesystem::path> queued, Repeats repeats,
                       const StopRequest& stopRequested = {});

} // namespace pictavo
