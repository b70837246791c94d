// format_bench: the engine's WebP and AVIF encoders next to the command-line tools people would
// otherwise use, on the same 1920×1080 pixels.
//
//   format_bench --work DIR [--rounds N] [--slow-rounds N] FILE...
//       Each photo is first turned into a 1920×1080 PNG (fill, no metadata) by the engine.
//       That PNG is then encoded at quality 0.9 and 0.75 by the engine (WebP, AVIF),
//       `cwebp -q Q`, `vips webpsave --Q Q`, `avifenc` (its default speed, the quantiser
//       libvips derives from Q, two threads) and `vips heifsave --compression av1 --Q Q`,
//       in interleaved rounds; `vips heifsave` takes ~10 s a photo, so it runs
//       `--slow-rounds` times (default 1). Prints median time, size and PSNR against the PNG
//       and one PASS/FAIL line per target; exits 1 when a target fails.

#include "bench_child.h"
#include "image_figures.h"
#include "image_processor.h"
#include "process_setup.h"
#include "resize_settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>
#include <vips/vips8>

namespace {

namespace fs = std::filesystem;
using pictavo::bench::ChildRun;
using pictavo::bench::Clock;
using pictavo::bench::median;
using pictavo::bench::psnr;
using pictavo::bench::seconds;
using pictavo::bench::selfCpuSeconds;
using pictavo::bench::spawn;

constexpr double kMinWebpSpeedRatio = 1.0; // against cwebp
constexpr double kMaxWebpSizeGrowth = 0.05;
constexpr double kMaxWebpPsnrLossDb = 0.3;
constexpr double kMinAvifSpeedRatio = 3.0; // against vips heifsave
constexpr double kMaxAvifSizeGrowth = 0.10;
constexpr double kMaxAvifPsnrLossDb = 0.5;
constexpr double kMaxAvifSeconds = 1.0;

// Wall and CPU seconds (user + system, all threads) of one encode; wall is -1 on failure.
struct Timing {
    double wall = -1.0;
    double cpu = 0.0;
};

// Runs a command without a shell, its output thrown away.
Timing run(const std::vector<std::string>& arguments)
{
    const ChildRun child = spawn(arguments, "/dev/null");
    if (!child.ok) {
        std::cerr << "failed: " << arguments[0] << "\n";
        return {};
    }
    return {child.wall, child.cpu};
}

Timing engineEncode(const fs::path& png, const fs::path& out, pictavo::OutputFormat format,
                    double quality)
{
    pictavo::ResizeSettings settings;
    settings.mode = pictavo::ResizeMode::fill;
    settings.format = format;
    settings.quality = quality;
    settings.keepMetadata = false;
    fs::remove(out);
    const Clock::time_point start = Clock::now();
    const double cpuStart = selfCpuSeconds();
    try {
        // The batch's write path: a new file.
        pictavo::ImageProcessor::processToNewFile(png, settings, [&] { return out; });
    } catch (const pictavo::ProcessingError& error) {
        std::cerr << png.string() << ": " << error.what() << "\n";
        return {};
    }
    return {seconds(Clock::now() - start), selfCpuSeconds() - cpuStart};
}

struct Encoder {
    std::string name;
    std::string extension;
    bool slow = false;
    // Encodes `png` into `out` at quality 0…1.
    std::function<Timing(const fs::path& png, const fs::path& out, double quality)> encode;
};

std::vector<Encoder> encoders()
{
    auto q = [](double quality) {
        return std::to_string(std::lround(quality * 100));
    };
    // libvips' (and libheif's) quality-to-quantiser mapping, given to avifenc as its range.
    auto quantiser = [](double quality) {
        return std::to_string(((100 - std::lround(quality * 100)) * 63 + 50) / 100);
    };
    return {
        {"engine WebP", "webp", false,
         [](const fs::path& png, const fs::path& out, double quality) {
             return engineEncode(png, out, pictavo::OutputFormat::webp, quality);
         }},
        {"cwebp -q", "webp", false,
         [=](const fs::path& png, const fs::path& out, double quality) {
             return run({"cwebp", "-quiet", "-q", q(quality), png.string(), "-o", out.string()});
         }},
        {"vips webpsave", "webp", false,
         [=](const fs::path& png, const fs::path& out, double quality) {
             return run({"vips", "webpsave", png.string(), out.string(), "--Q", q(quality)});
         }},
        {"engine AVIF", "avif", false,
         [](const fs::path& png, const fs::path& out, double quality) {
             return engineEncode(png, out, pictavo::OutputFormat::avif, quality);
         }},
        {"avifenc", "avif", false,
         [=](const fs::path& png, const fs::path& out, double quality) {
             return run({"avifenc", "-j", "2", "-y", quality >= 0.9 ? "444" : "420", "--min",
                         quantiser(quality), "--max", quantiser(quality), png.string(),
                         out.string()});
         }},
        {"vips heifsave av1", "avif", true,
         [=](const fs::path& png, const fs::path& out, double quality) {
             return run({"vips", "heifsave", png.string(), out.string(), "--compression", "av1",
                         "--Q", q(quality)});
         }},
    };
}

struct Figures {
    std::vector<double> seconds; // median per photo
    std::vector<double> cpu;     // median per photo
    std::vector<double> bytes;
    std::vector<double> psnr;
    double total(const std::vector<double> Figures::*column) const
    {
        double sum = 0.0;
        for (double value : this->*column)
            sum += value;
        return sum;
    }
};

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

} // namespace

int main(int argc, char** argv)
{
    // As the programs do, so the figures are theirs.
    pictavo::setUpConversionProcess();
    if (VIPS_INIT(argv[0]) != 0)
        return 2;
    fs::path work;
    int rounds = 3;
    int slowRounds = 1;
    std::vector<fs::path> photos;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--work" && i + 1 < argc)
            work = argv[++i];
        else if (argument == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--slow-rounds" && i + 1 < argc)
            slowRounds = std::max(1, std::atoi(argv[++i]));
        else
            photos.emplace_back(argument);
    }
    if (work.empty() || photos.empty()) {
        std::cerr << "usage: format_bench --work DIR [--rounds N] [--slow-rounds N] FILE...\n";
        return 2;
    }
    fs::create_directories(work);
    std::printf("\nWebP and AVIF, 1920×1080 fill of %zu photos, %d rounds (%d for vips heifsave); "
                "load average before: %s\n",
                photos.size(), rounds, slowRounds, loadAverage().c_str());

    const std::vector<Encoder> tools = encoders();
    bool allPass = true;
    for (const double quality : {0.9, 0.75}) {
        std::map<std::string, Figures> figures;
        for (const fs::path& photo : photos) {
            const fs::path png = work / (photo.stem().string() + ".png");
            if (engineEncode(photo, png, pictavo::OutputFormat::png, 1.0).wall < 0)
                return 2;
            std::map<std::string, std::vector<double>> times;
            std::map<std::string, std::vector<double>> cpuTimes;
            for (int round = 0; round < rounds; ++round)
                for (const Encoder& tool : tools) {
                    if (tool.slow && round >= slowRounds)
                        continue;
                    const fs::path out = work / (tool.name + "." + tool.extension);
                    const Timing timing = tool.encode(png, out, quality);
                    times[tool.name].push_back(timing.wall);
                    cpuTimes[tool.name].push_back(timing.cpu);
                }
            for (const Encoder& tool : tools) {
                const fs::path out = work / (tool.name + "." + tool.extension);
                Figures& row = figures[tool.name];
                row.seconds.push_back(median(times[tool.name]));
                row.cpu.push_back(median(cpuTimes[tool.name]));
                row.bytes.push_back(static_cast<double>(fs::file_size(out)));
                row.psnr.push_back(psnr(png, out));
            }
        }
        std::printf("\nquality %.2f        %10s %10s %12s %10s %10s %10s\n", quality, "s (sum)",
                    "CPU s", "KB (sum)", "PSNR dB", "slowest s", "its CPU s");
        for (const Encoder& tool : tools) {
            const Figures& row = figures[tool.name];
            const auto slowest = std::max_element(row.seconds.begin(), row.seconds.end());
            std::printf("  %-18s %10.2f %10.2f %12.0f %10.2f %10.2f %10.2f\n", tool.name.c_str(),
                        row.total(&Figures::seconds), row.total(&Figures::cpu),
                        row.total(&Figures::bytes) / 1000,
                        row.total(&Figures::psnr) / static_cast<double>(photos.size()), *slowest,
                        row.cpu[static_cast<std::size_t>(slowest - row.seconds.begin())]);
        }
        auto verdict = [&](const char* what, double value, const char* unit, double limit,
                           bool atLeast) {
            const bool pass = atLeast ? value >= limit : value <= limit;
            allPass = allPass && pass;
            std::printf("  %s  %-52s %+8.2f%s (%s %.2f%s)\n", pass ? "PASS" : "FAIL", what, value,
                        unit, atLeast ? "≥" : "≤", limit, unit);
        };
        const Figures& webp = figures["engine WebP"];
        const Figures& cwebp = figures["cwebp -q"];
        const Figures& avif = figures["engine AVIF"];
        const Figures& heif = figures["vips heifsave av1"];
        const double n = static_cast<double>(photos.size());
        verdict("WebP speed, cwebp time / engine time",
                cwebp.total(&Figures::seconds) / webp.total(&Figures::seconds), "×",
                kMinWebpSpeedRatio, true);
        verdict("WebP size against cwebp",
                (webp.total(&Figures::bytes) / cwebp.total(&Figures::bytes) - 1) * 100, " %",
                kMaxWebpSizeGrowth * 100, false);
        verdict("WebP PSNR against cwebp (mean)",
                (webp.total(&Figures::psnr) - cwebp.total(&Figures::psnr)) / n, " dB",
                -kMaxWebpPsnrLossDb, true);
        verdict("AVIF speed, vips heifsave time / engine time",
                heif.total(&Figures::seconds) / avif.total(&Figures::seconds), "×",
                kMinAvifSpeedRatio, true);
        verdict("AVIF size against vips heifsave",
                (avif.total(&Figures::bytes) / heif.total(&Figures::bytes) - 1) * 100, " %",
                kMaxAvifSizeGrowth * 100, false);
        verdict("AVIF PSNR against vips heifsave (mean)",
                (avif.total(&Figures::psnr) - heif.total(&Figures::psnr)) / n, " dB",
                -kMaxAvifPsnrLossDb, true);
        verdict("AVIF slowest photo (median of rounds)",
                *std::max_element(avif.seconds.begin(), avif.seconds.end()), " s", kMaxAvifSeconds,
                false);
        // Wall times follow the machine's load; CPU seconds much less so. Two encoder threads
        // on two idle cores finish in about CPU time / 1.8.
        std::printf("  info  AVIF speed in CPU time, vips heifsave / engine %18.2f×\n",
                    heif.total(&Figures::cpu) / avif.total(&Figures::cpu));
        std::printf("  info  AVIF slowest photo in CPU time / 1.8 (idle two cores) %9.2f s\n",
                    *std::max_element(avif.cpu.begin(), avif.cpu.end()) / 1.8);
    }
    std::printf("\nload average after: %s\n", loadAverage().c_str());
    return allPass ? 0 : 1;
}
