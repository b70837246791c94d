#pragma once

// Process set-up shared by the fuzz targets, under libFuzzer and in the replay driver.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define PICTAVO_FUZZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PICTAVO_FUZZ_ASAN 1
#endif
#endif

namespace pictavo::fuzz {

inline void prepareEnvironment()
{
    // libvips reads these when it starts, which is later. One worker thread: the fuzzer runs
    // one input at a time and the machine is shared. Loader warnings are only noise here.
    setenv("VIPS_CONCURRENCY", "1", 0);
    setenv("VIPS_WARNING", "0", 0);
#ifdef PICTAVO_FUZZ_ASAN
    // glib's own slice allocator (glib < 2.76) hides use-after-free and leaks of GObjects from
    // ASan, and glib reads G_SLICE before main: it must come from whoever starts the process.
    const char* slice = std::getenv("G_SLICE");
    if (slice == nullptr || std::strcmp(slice, "always-malloc") != 0) {
        std::fprintf(stderr, "set G_SLICE=always-malloc: glib's slice allocator hides GObject "
                             "faults from AddressSanitizer\n");
        std::exit(2);
    }
#endif
}

} // namespace pictavo::fuzz
