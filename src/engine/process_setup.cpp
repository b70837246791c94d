#include "process_setup.h"

#include <malloc.h>

namespace pictavo {

void setUpConversionProcess()
{
    // Every conversion allocates the same few large buffers (decoded pixels, the canvas,
    // libvips' tiles). Left to glibc's defaults, each of them is a fresh mmap whose pages the
    // kernel faults in and zeroes one by one, and then a munmap: a fifth of a conversion's CPU
    // time here. Kept in the heap instead, the next conversion reuses them. Peak memory does not
    // grow, and the model gives them back when a run ends (releaseConversionBuffers).
    constexpr int kLargestHeapChunk = 32 << 20; // glibc's upper bound for this threshold
    constexpr int kKeptFreeTop = 256 << 20;
    mallopt(M_MMAP_THRESHOLD, kLargestHeapChunk);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeTop);
}

} // namespace pictavo
