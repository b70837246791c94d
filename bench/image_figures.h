#pragma once

#include <filesystem>
#include <vector>

namespace pictavo::bench {

// The middle value (the mean of the two middle ones for an even count); 0 for none.
double median(std::vector<double> values);

// PSNR in dB over the three colour bands of a decoded file against the reference pixels;
// 0 when either cannot be read or their sizes differ, 99 when they are identical.
double psnr(const std::filesystem::path& reference, const std::filesystem::path& encoded);

// Width × height from the file's header, in millions of pixels; 0 when it cannot be read.
double headerMegapixels(const std::filesystem::path& file);

} // namespace pictavo::bench
