#include "engine_convert.h"

#include "bench_child.h"
#include "image_processor.h"
#include "output_files.h"
#include "resize_settings.h"

#include <atomic>
#include <cstdio>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace pictavo::bench {

namespace fs = std::filesystem;

int runConvert(const fs::path& folder, const std::vector<fs::path>& files, int threads)
{
    fs::create_directories(folder);
    // The app starts libvips once; one conversion before the clock starts keeps that out of
    // the timing (JPEG headers alone are read without libvips).
    if (!files.empty()) {
        try {
            pictavo::ImageProcessor::process(files.front(), folder / "warm-up.jpg",
                                             ResizeSettings{});
        } catch (const pictavo::ProcessingError&) {
        }
        std::error_code ignored;
        fs::remove(folder / "warm-up.jpg", ignored);
    }
    // Whatever earlier work left unwritten must not count against this batch's flush.
    pictavo::flushFileSystem(folder);

    const ResizeSettings settings;
    std::atomic<std::size_t> next{0};
    std::atomic<int> failures{0};
    std::vector<double> fileWall(files.size(), 0.0);
    auto work = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            const fs::path destination =
                folder / (std::to_string(i) + "_" + files[i].filename().string());
            const Clock::time_point fileStart = Clock::now();
            try {
                // The batch's own path: a new file, never replacing one.
                pictavo::ImageProcessor::processToNewFile(files[i], settings,
                                                          [&] { return destination; });
            } catch (const pictavo::ProcessingError& error) {
                std::cerr << files[i].string() << ": " << error.what() << "\n";
                ++failures;
            }
            fileWall[i] = seconds(Clock::now() - fileStart);
        }
    };

    const double cpuBefore = selfCpuSeconds();
    const Clock::time_point start = Clock::now();
    {
        std::vector<std::jthread> pool;
        for (int i = 1; i < threads; ++i)
            pool.emplace_back(work);
        work();
    }
    const double wall = seconds(Clock::now() - start);
    const double cpu = selfCpuSeconds() - cpuBefore;
    const Clock::time_point flushStart = Clock::now();
    if (!pictavo::flushFileSystem(folder))
        ++failures;
    const double flush = seconds(Clock::now() - flushStart);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    for (std::size_t i = 0; i < files.size(); ++i)
        std::printf("file %zu wall=%.6f\n", i, fileWall[i]);
    std::printf("result images=%zu failures=%d wall=%.6f cpu=%.6f maxrss_kib=%ld flush=%.6f\n",
                files.size(), failures.load(), wall, cpu, usage.ru_maxrss, flush);
    return failures == 0 ? 0 : 1;
}

} // namespace pictavo::bench
