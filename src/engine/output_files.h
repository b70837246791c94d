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

// Termination requests (SIGINT, SIGTERM, SIGHUP): the first writes one byte to the returned
// pipe, for the caller to stop at a safe point; a second removes every temporary file being
// written and ends the process by that signal. SIGXFSZ is ignored, so a write past the file
// size limit fails as an ordinary write error. Signals the launcher set to be ignored stay
// ignored. Returns -1 when no pipe could be made (the signals then keep their default action).
int installTerminationRequests();

// As installTerminationRequests(), for a program with no safe point to stop at: already the
// first request removes the temporary files and ends the process.
void endOnTerminationRequests();

} // namespace pictavo
