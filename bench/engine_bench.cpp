// engine_bench: how fast and how lean the engine converts photos, next to the command-line
// tools people would otherwise use for the same job.
//
//   engine_bench convert [--threads N] OUTDIR FILE...
//       Converts each file in this process with the default settings (fit 1920×1080, original
//       format, quality 0.9), one after another or N at a time, and prints the wall time of
//       each file and one "result" line with the wall time, CPU time and peak RSS, and the
//       time of the one flush to disk (syncfs) that ends a batch in the app, after the timed
//       batch. `run` starts this as a child process so that every measured set gets a clean
//       address space.
//
//   engine_bench run --work DIR [--rounds N] [--rss-passes N] [--heic-repeats N]
//                    --all FILE... --rss FILE... [--heic FILE...]
//       --all   photos timed through the engine, vipsthumbnail and mogrify
//       --rss   photos for the engine's peak-memory runs (separate processes)
//       --heic  photos for the HEIC encoder comparison against `vips heifsave`
//       Prints the tables and one PASS/FAIL line per target; exits 1 when a target fails.

#include "bench_child.h"
#include "bench_report.h"
#include "engine_convert.h"
#include "engine_peers.h"
#include "heic_compare.h"
#include "image_figures.h"
#include "process_setup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>
#include <vips/vips8>

namespace pictavo::bench {
namespace {

namespace fs = std::filesystem;

// Targets the engine has to meet on this machine.
constexpr double kMinRatioVipsthumbnail = 1.2;
constexpr double kMinRatioMogrify = 5.0;
constexpr double kMaxPeakRssMb = 100.0;

constexpr double kBusyCores = 0.1;

int runAll(const fs::path& self, const fs::path& work, int rounds, std::vector<fs::path> all,
           std::vector<fs::path> rss, int rssPasses, std::vector<fs::path> heic, int heicRepeats)
{
    fs::create_directories(work);
    const fs::path log = work / "tools.log";
    const fs::path scratch = work / "capture.txt";
    std::vector<Verdict> verdicts;
    std::vector<std::string> notes;
    bool failed = false;
    const std::size_t photos = all.size();

    double smallest = 0.0, largest = 0.0;
    const double totalMegapixels = photoMegapixels(all, smallest, largest);
    std::printf("Photo set: %zu JPEGs, %.1f–%.1f MP, %.1f MP in all; fit 1920×1080, JPEG Q90, "
                "one photo after another; median of %d interleaved rounds\n",
                all.size(), smallest, largest, totalMegapixels, rounds);

    {
        const OtherWork idle;
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const double cores = idle.cores();
        std::printf("Other processes before the run: %.2f of %ld cores busy%s\n", cores,
                    sysconf(_SC_NPROCESSORS_ONLN),
                    cores > kBusyCores ? " — WARNING: wall-clock figures will be skewed" : "");
    }
    const OtherWork otherWork;

    // Every tool reads the photos from the page cache, and each binary has run once.
    warmPageCache(all);
    warmPageCache(rss);
    {
        std::vector<fs::path> ignored;
        const std::vector<fs::path> first{all.front()};
        enginePass(self, work / "warm-engine", first, log, ignored);
        vipsthumbnailPass(work / "warm-vipsthumbnail", first, log, ignored);
        mogrifyPass(work / "warm-mogrify", first, log, ignored);
    }

    Tool engine{"engine (in-process)", true, {}, {}};
    Tool thumbnail{"vipsthumbnail (one process per file)", true, {}, {}};
    Tool mogrify{"mogrify (one process per file)", true, {}, {}};
    Tool batch{"vipsthumbnail (one process, all files)", false, {}, {}};
    Tool parallel{"engine, 2 photos at a time", false, {}, {}};
    for (int round = 0; round < rounds; ++round) {
        engine.passes.push_back(enginePass(self, work / "engine", all, log, engine.outputs));
        thumbnail.passes.push_back(
            vipsthumbnailPass(work / "vipsthumbnail", all, log, thumbnail.outputs));
        mogrify.passes.push_back(mogrifyPass(work / "mogrify", all, log, mogrify.outputs));
        batch.passes.push_back(vipsthumbnailBatchPass(work / "vipsthumbnail-batch", all, log));
        parallel.passes.push_back(
            enginePass(self, work / "engine-parallel", all, log, parallel.outputs, 2));
        std::fprintf(stderr, "round %d/%d done\n", round + 1, rounds);
    }

    std::printf("\n%-40s %9s %12s %13s %10s %9s  %s\n", "JPEG to JPEG", "images/s", "CPU s/image",
                "peak RSS MB", "output MP", "failures", "chroma (all outputs)");
    for (Tool* tool : {&engine, &thumbnail, &mogrify, &batch, &parallel}) {
        std::string chroma = "-";
        double outputMegapixels = 0.0;
        if (!tool->outputs.empty()) {
            const OutputSummary summary = summariseOutputs(tool->outputs, scratch);
            outputMegapixels = summary.megapixels;
            chroma.clear();
            for (const std::string& sampling : summary.sampling)
                chroma += (chroma.empty() ? "" : " | ") + sampling;
            if (summary.sampling.size() != 1 || *summary.sampling.begin() != "1x1,1x1,1x1") {
                std::string note = tool->name + " wrote chroma other than 4:4:4 (" + chroma + ")";
                // ImageMagick 6 reuses a JPEG source's sampling factors unless told otherwise.
                if (tool == &mogrify)
                    note += ": it keeps each source's subsampling, so it has less chroma to "
                            "encode than the others and the ratio against it is conservative";
                notes.push_back(note);
            }
        }
        const std::string outputText =
            tool->outputs.empty() ? std::string("-") : format("%.1f", outputMegapixels);
        std::printf("%-40s %9.2f %12.3f %13.1f %10s %9d  %s%s\n", tool->name.c_str(),
                    imagesPerSecond(*tool, photos), cpuPerImage(*tool, photos), peakMb(*tool),
                    outputText.c_str(), failures(*tool), chroma.c_str(),
                    tool->target ? "" : "  (information)");
        failed = failed || failures(*tool) > 0;
    }

    std::vector<double> walls, flushes, flushedWalls;
    for (const Pass& pass : engine.passes) {
        walls.push_back(pass.wall);
        flushes.push_back(pass.flush);
        flushedWalls.push_back(pass.wall + pass.flush);
    }
    std::printf("Engine batch with the final flush to disk (syncfs): %.3f s, without: %.3f s; "
                "the flush %.3f s (%.1f %%)\n",
                median(flushedWalls), median(walls), median(flushes),
                100.0 * median(flushes) / median(walls));

    std::printf("\nSeconds per photo (median over rounds)\n%-40s %8s %8s %9s %14s\n", "photo", "MP",
                "engine", "vips-thm", "mogrify");
    for (std::size_t i = 0; i < all.size(); ++i)
        std::printf("%-40s %8.1f %8.3f %9.3f %14.3f\n", shortName(all[i]).c_str(),
                    headerMegapixels(all[i]), fileMedian(engine, i), fileMedian(thumbnail, i),
                    fileMedian(mogrify, i));

    // Peak memory: fresh processes that convert only the ~12 MP photos, once, and several
    // times over as a longer batch would (the heap grows for a few photos, then levels off).
    double rssSmallest = 0.0, rssLargest = 0.0;
    photoMegapixels(rss, rssSmallest, rssLargest);
    std::printf("\nEngine peak RSS, separate processes converting only the %zu photos of "
                "%.1f–%.1f MP\n",
                rss.size(), rssSmallest, rssLargest);
    Pass rssPass;
    for (const int passes : {1, rssPasses}) {
        std::vector<fs::path> batchFiles;
        for (int i = 0; i < passes; ++i)
            batchFiles.insert(batchFiles.end(), rss.begin(), rss.end());
        std::vector<fs::path> ignored;
        const Pass pass = enginePass(self, work / "engine-rss", batchFiles, log, ignored);
        std::printf("  %3zu conversions: peak RSS %.1f MB, %.2f images/s, %.3f CPU s/image\n",
                    batchFiles.size(), kibToMb(pass.maxrssKib),
                    static_cast<double>(batchFiles.size()) / pass.wall,
                    pass.cpu / static_cast<double>(batchFiles.size()));
        rssPass.failures += pass.failures;
        rssPass.maxrssKib = std::max(rssPass.maxrssKib, pass.maxrssKib);
        if (passes == rssPasses)
            break;
    }
    failed = failed || rssPass.failures > 0;

    const double ratioThumbnail =
        imagesPerSecond(engine, photos) / imagesPerSecond(thumbnail, photos);
    const double ratioMogrify = imagesPerSecond(engine, photos) / imagesPerSecond(mogrify, photos);
    verdicts.push_back({"Throughput engine / vipsthumbnail (per file)",
                        format("%.2f×", ratioThumbnail), format("≥ %.2f×", kMinRatioVipsthumbnail),
                        ratioThumbnail >= kMinRatioVipsthumbnail});
    verdicts.push_back({"Throughput engine / mogrify (per file)", format("%.2f×", ratioMogrify),
                        format("≥ %.2f×", kMinRatioMogrify), ratioMogrify >= kMinRatioMogrify});
    verdicts.push_back({"Engine peak RSS, 12 MP JPEGs only",
                        format("%.1f MB", kibToMb(rssPass.maxrssKib)),
                        format("≤ %.0f MB", kMaxPeakRssMb),
                        rssPass.failures == 0 && rssPass.maxrssKib > 0 &&
                            kibToMb(rssPass.maxrssKib) <= kMaxPeakRssMb});
    std::printf("Information: engine / vipsthumbnail in one process %.2f×; in CPU time per image "
                "engine / vipsthumbnail %.2f×, engine / mogrify %.2f×\n",
                imagesPerSecond(engine, photos) / imagesPerSecond(batch, photos),
                cpuPerImage(thumbnail, photos) / cpuPerImage(engine, photos),
                cpuPerImage(mogrify, photos) / cpuPerImage(engine, photos));

    // HEIC: the same 1920×1080 pixels through both encoders.
    if (!compareHeic(heic, work / "heic", log, heicRepeats, verdicts))
        failed = true;

    const double otherCores = otherWork.cores();
    std::printf("\nOther processes during the run: %.2f cores busy on average%s\n", otherCores,
                otherCores > kBusyCores ? " — WARNING: wall-clock figures are skewed; the CPU-time "
                                          "ratios are the steadier guide"
                                        : "");
    for (const std::string& note : notes)
        std::printf("note: %s\n", note.c_str());
    printVerdicts(verdicts);
    for (const Verdict& verdict : verdicts)
        failed = failed || !verdict.pass;
    if (failed)
        std::printf("\nSome targets failed or a tool reported an error (details in %s).\n",
                    log.c_str());
    return failed ? 1 : 0;
}

int usage()
{
    std::cerr
        << "usage: engine_bench convert [--threads N] OUTDIR FILE...\n"
           "       engine_bench run --work DIR [--rounds N] [--rss-passes N] [--heic-repeats N]\n"
           "                        --all FILE... --rss FILE... [--heic FILE...]\n";
    return 2;
}

} // namespace
} // namespace pictavo::bench

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty())
        return pictavo::bench::usage();
    // As the programs do, so the figures are theirs.
    pictavo::setUpConversionProcess();
    if (VIPS_INIT(argv[0]) != 0)
        vips_error_exit("libvips could not start");

    if (arguments[0] == "convert") {
        std::size_t first = 1;
        int threads = 1;
        if (arguments.size() > 2 && arguments[1] == "--threads") {
            threads = std::max(1, std::atoi(arguments[2].c_str()));
            first = 3;
        }
        if (arguments.size() <= first)
            return pictavo::bench::usage();
        return pictavo::bench::runConvert(
            arguments[first], std::vector<fs::path>(arguments.begin() + first + 1, arguments.end()),
            threads);
    }
    if (arguments[0] != "run")
        return pictavo::bench::usage();

    fs::path work;
    int rounds = 3;
    int heicRepeats = 3;
    int rssPasses = 4;
    std::vector<fs::path> all, rss, heic;
    std::vector<fs::path>* list = nullptr;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--work" && hasValue) {
            work = arguments[++i];
        } else if (argument == "--rounds" && hasValue) {
            rounds = std::max(1, std::atoi(arguments[++i].c_str()));
        } else if (argument == "--rss-passes" && hasValue) {
            rssPasses = std::max(1, std::atoi(arguments[++i].c_str()));
        } else if (argument == "--heic-repeats" && hasValue) {
            heicRepeats = std::max(1, std::atoi(arguments[++i].c_str()));
        } else if (argument == "--all") {
            list = &all;
        } else if (argument == "--rss") {
            list = &rss;
        } else if (argument == "--heic") {
            list = &heic;
        } else if (list != nullptr && !argument.starts_with("--")) {
            list->push_back(fs::absolute(argument));
        } else {
            return pictavo::bench::usage();
        }
    }
    if (work.empty() || all.empty() || rss.empty())
        return pictavo::bench::usage();
    // The child runs start a private copy: a rebuild during the run must not swap the binary.
    work = fs::absolute(work);
    fs::create_directories(work);
    const fs::path self = work / "engine_bench";
    fs::copy_file(fs::read_symlink("/proc/self/exe"), self, fs::copy_options::overwrite_existing);
    return pictavo::bench::runAll(self, work, rounds, all, rss, rssPasses, heic, heicRepeats);
}
