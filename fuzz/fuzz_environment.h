#pragma once

// Process set-up shared by the fuzz targets.

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace pictavo::fuzz {

// glib's own slice allocator (glib < 2.76) hides use-after-free and leaks of GObjects from
// ASan, and glib reads G_SLICE before main; so the process starts itself once more with it set.
inline void prepareEnvironment(char** argv)
{
    // libvips reads these when it starts, which is later. One worker thread: the fuzzer runs
    // one input at a time and the machine is shared. Loader warnings are only noise here.
    setenv("VIPS_CONCURRENCY", "1", 0);
    setenv("VIPS_WARNING", "0", 0);
    if (std::getenv("G_SLICE") != nullptr)
        return;
    setenv("G_SLICE", "always-malloc", 1);
    execv("/proc/self/exe", argv);
    std::perror("restart with G_SLICE=always-malloc failed");
}

} // namespace pictavo::fuzz
