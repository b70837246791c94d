#pragma once

#include <filesystem>
#include <vector>

namespace pictavo::bench {

// `engine_bench convert`: converts the files into `folder` in this process, `threads` at a time,
// and prints the "file" and "result" lines that enginePass reads. 0 when every file converted.
int runConvert(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& files,
               int threads);

} // namespace pictavo::bench
