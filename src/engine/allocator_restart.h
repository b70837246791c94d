#pragma once

namespace pictavo {

// Makes glibc back the large buffers of image conversions with huge pages, which it only does
// when told at process start: the process executes itself again once with the setting added
// to GLIBC_TUNABLES. On return (after that restart, or when it is not possible) the
// environment is as the caller gave it, so child processes inherit nothing of it. Call first
// thing in main, before any thread exists.
void restartWithHugePageAllocator(char** argv);

} // namespace pictavo
