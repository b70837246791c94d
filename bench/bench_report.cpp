#include "bench_report.h"

#include "image_figures.h"

#include <algorithm>
#include <numeric>

namespace pictavo::bench {

namespace fs = std::filesystem;

std::string pad(const std::string& text, std::size_t width, bool right)
{
    std::size_t characters = 0;
    for (const unsigned char byte : text)
        characters += (byte & 0xC0) != 0x80 ? 1 : 0;
    const std::string fill(width > characters ? width - characters : 0, ' ');
    return right ? fill + text : text + fill;
}

void printVerdicts(const std::vector<Verdict>& verdicts)
{
    std::printf("\n%s %s %s  %s\n", pad("Target", 52).c_str(), pad("measured", 12, true).c_str(),
                pad("wanted", 12, true).c_str(), "result");
    for (const Verdict& verdict : verdicts)
        std::printf("%s %s %s  %s\n", pad(verdict.what, 52).c_str(),
                    pad(verdict.measured, 12, true).c_str(), pad(verdict.wanted, 12, true).c_str(),
                    verdict.pass ? "PASS" : "FAIL");
}

double mean(const std::vector<double>& values)
{
    if (values.empty())
        return 0.0;
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

std::string shortName(const fs::path& file)
{
    const std::string name = file.filename().string();
    return name.size() <= 40 ? name : name.substr(0, 37) + "...";
}

double photoMegapixels(const std::vector<fs::path>& files, double& smallest, double& largest)
{
    double total = 0.0;
    smallest = 1e9;
    largest = 0.0;
    for (const fs::path& file : files) {
        const double megapixels = headerMegapixels(file);
        total += megapixels;
        smallest = std::min(smallest, megapixels);
        largest = std::max(largest, megapixels);
    }
    return total;
}

} // namespace pictavo::bench
