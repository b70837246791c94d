#pragma once

namespace pictavo::detail {

// The temporary files being written right now, in storage that a signal handler can walk
// without taking a lock or allocating: it grows at registration, as many files as are written.

// Records the file `name` in the open folder `folder`, which stays open while it is recorded;
// returns the slot to hand to unregisterTemporary(), or -1 when no memory is left for it or the
// name is too long (the file then only loses the removal on a second signal).
int registerTemporary(int folder, const char* name) noexcept;

// Forgets the slot (-1 is ignored).
void unregisterTemporary(int slot) noexcept;

// Unlinks every recorded file. Async-signal-safe; for a handler that then ends the process,
// as the slots it empties stay taken.
void removeRegisteredTemporaries() noexcept;

} // namespace pictavo::detail
