#pragma once

// One timed pass of one tool over the photo set, the figures drawn from its passes, and a look
// at what it wrote.

#include <cstddef>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace pictavo::bench {

struct Pass {
    double wall = 0.0;
    double cpu = 0.0;
    double flush = 0.0; // the engine's final syncfs, not part of `wall`
    long maxrssKib = 0;
    int failures = 0;
    std::vector<double> fileWall;
};

struct Tool {
    std::string name;
    bool target = true; // false: shown for information only
    std::vector<Pass> passes;
    std::vector<std::filesystem::path> outputs; // of the last pass
};

// The engine in a fresh `self convert` process, `threads` photos at a time.
Pass enginePass(const std::filesystem::path& self, const std::filesystem::path& folder,
                const std::vector<std::filesystem::path>& files, const std::filesystem::path& log,
                std::vector<std::filesystem::path>& outputs, int threads = 1);

Pass vipsthumbnailPass(const std::filesystem::path& folder,
                       const std::vector<std::filesystem::path>& files,
                       const std::filesystem::path& log,
                       std::vector<std::filesystem::path>& outputs);

// All photos through one vipsthumbnail process: what its start-up costs per file.
Pass vipsthumbnailBatchPass(const std::filesystem::path& folder,
                            const std::vector<std::filesystem::path>& files,
                            const std::filesystem::path& log);

Pass mogrifyPass(const std::filesystem::path& folder,
                 const std::vector<std::filesystem::path>& files, const std::filesystem::path& log,
                 std::vector<std::filesystem::path>& outputs);

// Medians over the tool's passes of `photos` photos each.
double imagesPerSecond(const Tool& tool, std::size_t photos);
double cpuPerImage(const Tool& tool, std::size_t photos);
double fileMedian(const Tool& tool, std::size_t file);

double peakMb(const Tool& tool);
int failures(const Tool& tool);

struct OutputSummary {
    double megapixels = 0.0;
    std::set<std::string> sampling;
};

OutputSummary summariseOutputs(const std::vector<std::filesystem::path>& outputs,
                               const std::filesystem::path& scratch);

} // namespace pictavo::bench
