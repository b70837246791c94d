#pragma once

#include <cstdint>
#include <optional>

namespace pictavo {

// How many conversions a run keeps in flight and how much memory they may take together.
struct RunCapacity {
    int jobs = 1;                  // conversions at once
    std::int64_t memoryBudget = 0; // bytes that the in-flight estimates may add up to
};

// The processors this process may run on (its affinity mask), at least 1.
int usableProcessorCount();

// MemAvailable of /proc/meminfo in bytes; nothing when it cannot be read.
std::optional<std::int64_t> availableMemory();

// One conversion per processor, and 60 % of the memory available now, so that the page cache
// and the rest of the desktop keep the other 40 %. Without /proc/meminfo the budget is 1 GB.
RunCapacity automaticRunCapacity();

// A generous estimate of one conversion's peak memory: libvips' per-pipeline buffers, the
// decoded source at `sourceBytesPerPixel` (HEIF and interlaced PNG decode the whole picture;
// JPEG's shrink-on-load takes less; 16-bit samples take twice 8-bit ones), the canvas at 4
// bytes a pixel, and as much again for the encoded file, which is held in memory until it is
// written (a PNG or TIFF of noise takes about what its pixels do), and the source file of
// `sourceFileBytes`, which a conversion reads whole.
std::int64_t conversionMemoryEstimate(std::int64_t sourcePixels, int sourceBytesPerPixel,
                                      std::int64_t canvasPixels, std::int64_t sourceFileBytes);

// Whether one more conversion of `nextBytes` may start next to `inFlight` others. The first
// always may, however large: a single image bigger than the budget runs alone.
bool mayStartConversion(const RunCapacity& capacity, int inFlight, std::int64_t inFlightBytes,
                        std::int64_t nextBytes);

// Hands the buffers that conversions keep for reuse back to the system, once a run is over.
void releaseConversionBuffers();

} // namespace pictavo
