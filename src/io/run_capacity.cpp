#include "run_capacity.h"

#include <algorithm>
#include <fstream>
#include <malloc.h>
#include <sched.h>
#include <sstream>
#include <string>

namespace pictavo {

namespace {

// libvips' per-pipeline buffers and the decoder's, beside the pixels counted below. With them
// a 12 MP photo converted to 1920×1080 is estimated at about 113 MB, above what it takes: the
// whole process peaked at 78 MB converting 12 MP JPEGs two at a time, and at 85 MB on 48 MP
// PNGs.
constexpr std::int64_t kPipelineBytes = 48'000'000;
constexpr std::int64_t kBytesPerPixel = 4;
constexpr std::int64_t kFallbackBudget = 1'000'000'000;
constexpr double kBudgetShareOfAvailable = 0.6;

} // namespace

int usableProcessorCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return 1;
}

std::optional<std::int64_t> availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string key;
        std::int64_t kilobytes = 0;
        if (fields >> key >> kilobytes && key == "MemAvailable:")
            return kilobytes * 1024;
    }
    return std::nullopt;
}

RunCapacity automaticRunCapacity()
{
    const std::optional<std::int64_t> available = availableMemory();
    return {usableProcessorCount(),
            available ? static_cast<std::int64_t>(double(*available) * kBudgetShareOfAvailable)
                      : kFallbackBudget};
}

std::int64_t conversionMemoryEstimate(std::int64_t sourcePixels, int sourceBytesPerPixel,
                                      std::int64_t canvasPixels, std::int64_t sourceFileBytes)
{
    return kPipelineBytes + std::max<std::int64_t>(sourceFileBytes, 0) +
           std::max<std::int64_t>(sourcePixels, 0) *
               std::max<std::int64_t>(sourceBytesPerPixel, kBytesPerPixel) +
           std::max<std::int64_t>(canvasPixels, 0) * kBytesPerPixel * 2;
}

bool mayStartConversion(const RunCapacity& capacity, int inFlight, std::int64_t inFlightBytes,
                        std::int64_t nextBytes)
{
    if (inFlight == 0)
        return true;
    return inFlight < capacity.jobs && inFlightBytes + nextBytes <= capacity.memoryBudget;
}

void releaseConversionBuffers()
{
    malloc_trim(0);
}

} // namespace pictavo
