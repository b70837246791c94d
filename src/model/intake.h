#pragma once

#include "image_item.h"

#include <QStringList>
#include <set>
#include <string>
#include <vector>

namespace pictavo {

// Absolute and lexically normal ("a/./b/../c" → "a/c"); symbolic links are not resolved and
// letter case is kept, so two paths name the same file for intake exactly when these agree.
std::string standardizedPath(const std::string& path);

// Expands folders into their files, depth first, each folder's entries in natural name order
// (IMG_2 before IMG_10). Hidden entries are skipped; symbolic links to folders are not followed,
// so a link loop cannot trap the walk; folders that cannot be read contribute nothing.
std::vector<std::string> expandPaths(const QStringList& paths);

// Intake without the model: keeps supported extensions, drops what `queued` (standardized
// paths) already holds, probes the rest and makes ready items of those that read.
std::vector<ImageItem> makeItems(const QStringList& paths, const std::set<std::string>& queued);

} // namespace pictavo
