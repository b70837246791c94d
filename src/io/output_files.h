#pragma once

#include "open_folder.h"

#include <filesystem>

namespace pictavo {

// Removes the temporary files of conversions that a killed process left in `folder`: names of
// the staged-file form that no live writer holds locked. Anything else (other names, links,
// folders, pipes, files still being written) is left alone. Never throws.
void removeAbandonedTemporaries(const OpenFolder& folder);

// Writes everything cached for the file system holding `folder` to its disk (one syncfs), so
// files reported as written survive a power cut. False when the folder cannot be opened or the
// disk reports an error. Blocks for as long as the disk needs.
bool flushFileSystem(const OpenFolder& folder);
bool flushFileSystem(const std::filesystem::path& folder);

} // namespace pictavo
