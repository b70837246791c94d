#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace pictavo::bench {

// One line of the PASS/FAIL table.
struct Verdict {
    std::string what;
    std::string measured;
    std::string wanted;
    bool pass;
};

// Pads to a width in characters, not bytes: the tables hold ×, ≥ and −.
std::string pad(const std::string& text, std::size_t width, bool right = false);

void printVerdicts(const std::vector<Verdict>& verdicts);

std::string format(const char* pattern, auto... values)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

// 0 for none.
double mean(const std::vector<double>& values);

// File names cut to fit a table column.
std::string shortName(const std::filesystem::path& file);

// The photos' megapixels in all, and the smallest and largest photo's.
double photoMegapixels(const std::vector<std::filesystem::path>& files, double& smallest,
                       double& largest);

} // namespace pictavo::bench
