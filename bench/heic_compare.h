#pragma once

#include "bench_report.h"

#include <filesystem>
#include <vector>

namespace pictavo::bench {

// The same 1920×1080 pixels of each photo through the engine's HEIC encoder and `vips heifsave`,
// each timed `repeats` times: prints the table and adds the HEIC verdicts. False when a photo
// could not be encoded.
bool compareHeic(const std::vector<std::filesystem::path>& photos,
                 const std::filesystem::path& folder, const std::filesystem::path& log, int repeats,
                 std::vector<Verdict>& verdicts);

} // namespace pictavo::bench
