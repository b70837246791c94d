#include "process_setup.h"

#include "image_engine.h"
#include "run_capacity.h"

#include <algorithm>
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

void setUpImageEngine(int conversionsAtOnce)
{
    // The processors are shared out between images rather than inside them. Most of a
    // conversion is JPEG decoding, which runs on one thread whatever libvips' thread count, so
    // more images at once is what scales; giving each of N images all P processors as libvips
    // threads would put N × P busy threads on P processors. Measured on 2 processors with
    // --jobs 2, one or two libvips threads per conversion cost the same CPU time (0.27 s a
    // photo) and peak memory (±5 %), so the smaller count wins for what it saves on larger
    // machines. One conversion alone (--jobs 1, a single convert) has a thread per processor.
    const int processors = usableProcessorCount();
    const int jobs = conversionsAtOnce > 0 ? conversionsAtOnce : processors;
    startImageEngine(std::max(1, processors / jobs));
}

} // namespace pictavo
