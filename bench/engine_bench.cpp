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

#include "image_figures.h"
#include "image_processor.h"
#include "output_files.h"
#include "process_setup.h"
#include "resize_settings.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <libheif/heif.h>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <vips/vips8>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using pictavo::ResizeSettings;
using Clock = std::chrono::steady_clock;
using pictavo::bench::median;
using pictavo::bench::psnr;

// Targets the engine has to meet on this machine.
constexpr double kMinRatioVipsthumbnail = 1.2;
constexpr double kMinRatioMogrify = 5.0;
constexpr double kMaxPeakRssMb = 100.0;
constexpr double kMinHeicSpeedRatio = 2.0;
constexpr double kMaxHeicSizeGrowth = 0.10;
constexpr double kMaxHeicPsnrLossDb = 0.5;

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double cpuSeconds(const rusage& usage)
{
    auto toSeconds = [](const timeval& value) {
        return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_usec) / 1e6;
    };
    return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
}

double selfCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

// ru_maxrss is in KiB on Linux; the targets are in MB of 10^6 bytes.
double kibToMb(long kib)
{
    return static_cast<double>(kib) * 1024.0 / 1e6;
}

// File names cut to fit a table column.
std::string shortName(const fs::path& file)
{
    const std::string name = file.filename().string();
    return name.size() <= 40 ? name : name.substr(0, 37) + "...";
}

double mean(const std::vector<double>& values)
{
    if (values.empty())
        return 0.0;
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

std::string format(const char* pattern, auto... values)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

// ---------------------------------------------------------------------------------------------
// convert: the engine, in this process.

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

// ---------------------------------------------------------------------------------------------
// Child processes, measured with wait4 so that each gets its own CPU time and peak RSS.

struct ChildRun {
    double wall = 0.0;
    double cpu = 0.0;
    long maxrssKib = 0;
    bool ok = false;
};

ChildRun spawn(const std::vector<std::string>& arguments, const fs::path& output)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

    ChildRun run;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::cerr << "cannot start " << arguments[0] << ": " << std::strerror(error) << "\n";
        return run;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.wall = seconds(Clock::now() - start);
    run.cpu = cpuSeconds(usage);
    run.maxrssKib = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The standard output of a shell-free command, for the identify checks.
std::string capture(const std::vector<std::string>& arguments, const fs::path& scratch)
{
    fs::remove(scratch);
    spawn(arguments, scratch);
    return readText(scratch);
}

// ---------------------------------------------------------------------------------------------
// One timed pass of one tool over the photo set.

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
    std::vector<fs::path> outputs; // of the last pass
};

std::map<std::string, std::string> fields(const std::string& line)
{
    std::map<std::string, std::string> result;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        if (const std::size_t equals = word.find('='); equals != std::string::npos)
            result[word.substr(0, equals)] = word.substr(equals + 1);
    return result;
}

Pass enginePass(const fs::path& self, const fs::path& folder, const std::vector<fs::path>& files,
                const fs::path& log, std::vector<fs::path>& outputs, int threads = 1)
{
    fs::remove_all(folder);
    const fs::path report = folder.string() + ".out";
    fs::remove(report);
    std::vector<std::string> arguments{self.string(), "convert", "--threads",
                                       std::to_string(threads), folder.string()};
    for (const fs::path& file : files)
        arguments.push_back(file.string());
    const ChildRun child = spawn(arguments, report);

    Pass pass;
    pass.fileWall.assign(files.size(), 0.0);
    std::istringstream lines(readText(report));
    std::string line;
    bool complete = false;
    while (std::getline(lines, line)) {
        const std::map<std::string, std::string> values = fields(line);
        if (line.starts_with("file ")) {
            const std::size_t index = std::stoul(line.substr(5));
            if (index < files.size())
                pass.fileWall[index] = std::stod(values.at("wall"));
        } else if (line.starts_with("result ")) {
            pass.wall = std::stod(values.at("wall"));
            pass.cpu = std::stod(values.at("cpu"));
            pass.failures = std::stoi(values.at("failures"));
            pass.flush = std::stod(values.at("flush"));
            complete = true;
        }
    }
    std::ofstream(log, std::ios::app) << readText(report);
    // The process's own peak, as seen by its parent.
    pass.maxrssKib = child.maxrssKib;
    if (!complete || !child.ok)
        pass.failures = std::max<int>(pass.failures, 1);
    outputs.clear();
    for (std::size_t i = 0; i < files.size(); ++i)
        outputs.push_back(folder / (std::to_string(i) + "_" + files[i].filename().string()));
    return pass;
}

// One process per photo, as a shell loop over the files would run it.
Pass perFilePass(const std::vector<fs::path>& files, const fs::path& log,
                 const std::function<std::vector<std::string>(std::size_t)>& command)
{
    Pass pass;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ChildRun child = spawn(command(i), log);
        pass.wall += child.wall;
        pass.cpu += child.cpu;
        pass.maxrssKib = std::max(pass.maxrssKib, child.maxrssKib);
        pass.fileWall.push_back(child.wall);
        if (!child.ok)
            ++pass.failures;
    }
    return pass;
}

Pass vipsthumbnailPass(const fs::path& folder, const std::vector<fs::path>& files,
                       const fs::path& log, std::vector<fs::path>& outputs)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    outputs.clear();
    for (std::size_t i = 0; i < files.size(); ++i)
        outputs.push_back(folder / (std::to_string(i) + "_" + files[i].stem().string() + ".jpg"));
    return perFilePass(files, log, [&](std::size_t i) {
        return std::vector<std::string>{"vipsthumbnail",
                                        files[i].string(),
                                        "-s",
                                        "1920x1080",
                                        "-o",
                                        outputs[i].string() + "[Q=90]"};
    });
}

// All photos through one vipsthumbnail process: what its start-up costs per file.
Pass vipsthumbnailBatchPass(const fs::path& folder, const std::vector<fs::path>& files,
                            const fs::path& log)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    // Distinct names: the set can hold two photos with the same file name.
    const fs::path links = folder / "in";
    fs::create_directories(links);
    std::vector<std::string> arguments{"vipsthumbnail"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const fs::path link = links / (std::to_string(i) + "_" + files[i].filename().string());
        fs::create_symlink(fs::absolute(files[i]), link);
        arguments.push_back(link.string());
    }
    for (const char* argument : {"-s", "1920x1080", "-o"})
        arguments.emplace_back(argument);
    arguments.push_back((folder / "%s.jpg").string() + "[Q=90]");
    const ChildRun child = spawn(arguments, log);
    Pass pass;
    pass.wall = child.wall;
    pass.cpu = child.cpu;
    pass.maxrssKib = child.maxrssKib;
    pass.failures = child.ok ? 0 : 1;
    return pass;
}

Pass mogrifyPass(const fs::path& folder, const std::vector<fs::path>& files, const fs::path& log,
                 std::vector<fs::path>& outputs)
{
    // mogrify rewrites its input, so it works on copies made before the clock starts.
    fs::remove_all(folder);
    fs::create_directories(folder);
    outputs.clear();
    for (std::size_t i = 0; i < files.size(); ++i) {
        outputs.push_back(folder / (std::to_string(i) + "_" + files[i].filename().string()));
        fs::copy_file(files[i], outputs.back());
    }
    return perFilePass(files, log, [&](std::size_t i) {
        return std::vector<std::string>{"mogrify",  "-auto-orient", "-resize",          "1920x1080",
                                        "-quality", "90",           outputs[i].string()};
    });
}

// ---------------------------------------------------------------------------------------------
// Output checks.

struct OutputSummary {
    double megapixels = 0.0;
    std::set<std::string> sampling;
};

double headerMegapixels(const fs::path& file)
{
    try {
        const vips::VImage image = vips::VImage::new_from_file(file.c_str());
        return static_cast<double>(image.width()) * image.height() / 1e6;
    } catch (const vips::VError&) {
        vips_error_clear();
        return 0.0;
    }
}

OutputSummary summariseOutputs(const std::vector<fs::path>& outputs, const fs::path& scratch)
{
    OutputSummary summary;
    std::vector<std::string> arguments{"identify", "-format", "%[jpeg:sampling-factor]\n"};
    for (const fs::path& output : outputs) {
        summary.megapixels += headerMegapixels(output);
        arguments.push_back(output.string());
    }
    std::istringstream lines(capture(arguments, scratch));
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty())
            summary.sampling.insert(line);
    return summary;
}

// ---------------------------------------------------------------------------------------------
// HEIC.

struct HeicStream {
    int lumaBits = 0;
    std::string chroma = "?";
};

HeicStream probeHeic(const fs::path& file)
{
    HeicStream stream;
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    if (heif_context_read_from_file(context, file.c_str(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        stream.lumaBits = heif_image_handle_get_luma_bits_per_pixel(handle);
        if (heif_decode_image(handle, &image, heif_colorspace_undefined, heif_chroma_undefined,
                              nullptr)
                .code == heif_error_Ok) {
            switch (heif_image_get_chroma_format(image)) {
            case heif_chroma_420:
                stream.chroma = "4:2:0";
                break;
            case heif_chroma_422:
                stream.chroma = "4:2:2";
                break;
            case heif_chroma_444:
                stream.chroma = "4:4:4";
                break;
            default:
                stream.chroma = "other";
                break;
            }
        }
    }
    if (image != nullptr)
        heif_image_release(image);
    if (handle != nullptr)
        heif_image_handle_release(handle);
    heif_context_free(context);
    return stream;
}

struct HeicRow {
    std::string photo;
    double engineSeconds = 0.0, vipsSeconds = 0.0, vipsInProcessSeconds = 0.0;
    double engineCpu = 0.0, vipsCpu = 0.0;
    std::uintmax_t engineBytes = 0, vipsBytes = 0;
    double enginePsnr = 0.0, vipsPsnr = 0.0;
    HeicStream engineStream, vipsStream;
    bool ok = true;
};

HeicRow heicRow(const fs::path& photo, const fs::path& folder, const fs::path& log, int repeats)
{
    HeicRow row;
    row.photo = photo.filename().string();
    fs::create_directories(folder);
    const std::string stem = photo.stem().string();
    const fs::path png = folder / (stem + ".png");
    const fs::path engineHeic = folder / (stem + ".engine.heic");
    const fs::path vipsHeic = folder / (stem + ".vips.heic");
    const fs::path vipsInProcessHeic = folder / (stem + ".vips-in-process.heic");

    ResizeSettings settings;
    settings.mode = pictavo::ResizeMode::fill;
    try {
        settings.format = pictavo::OutputFormat::png;
        pictavo::ImageProcessor::process(photo, png, settings);
    } catch (const pictavo::ProcessingError& error) {
        std::cerr << photo.string() << ": " << error.what() << "\n";
        row.ok = false;
        return row;
    }

    settings.format = pictavo::OutputFormat::heic;
    settings.quality = 0.9;
    std::vector<double> engineWall, engineCpu, vipsWall, vipsCpu, inProcessWall;
    for (int round = 0; round < repeats; ++round) {
        // A new file each time, through the batch's write path, as in the JPEG runs.
        fs::remove(engineHeic);
        const double cpuBefore = selfCpuSeconds();
        const Clock::time_point start = Clock::now();
        try {
            pictavo::ImageProcessor::processToNewFile(png, settings, [&] { return engineHeic; });
        } catch (const pictavo::ProcessingError& error) {
            std::cerr << png.string() << ": " << error.what() << "\n";
            row.ok = false;
        }
        engineWall.push_back(seconds(Clock::now() - start));
        engineCpu.push_back(selfCpuSeconds() - cpuBefore);

        fs::remove(vipsHeic);
        const ChildRun child =
            spawn({"vips", "heifsave", png.string(), vipsHeic.string(), "--Q", "90"}, log);
        row.ok = row.ok && child.ok;
        vipsWall.push_back(child.wall);
        vipsCpu.push_back(child.cpu);

        // The same libvips call without the process start, to show what the start-up adds;
        // once is enough for that.
        if (round > 0)
            continue;
        const Clock::time_point inProcessStart = Clock::now();
        try {
            vips::VImage::new_from_file(png.c_str())
                .heifsave(vipsInProcessHeic.c_str(), vips::VImage::option()->set("Q", 90));
        } catch (const vips::VError& error) {
            std::cerr << "heifsave: " << error.what() << "\n";
            vips_error_clear();
            row.ok = false;
        }
        inProcessWall.push_back(seconds(Clock::now() - inProcessStart));
    }
    row.engineSeconds = median(engineWall);
    row.engineCpu = median(engineCpu);
    row.vipsSeconds = median(vipsWall);
    row.vipsCpu = median(vipsCpu);
    row.vipsInProcessSeconds = median(inProcessWall);
    std::error_code error;
    row.engineBytes = fs::file_size(engineHeic, error);
    row.vipsBytes = fs::file_size(vipsHeic, error);
    row.enginePsnr = psnr(png, engineHeic);
    row.vipsPsnr = psnr(png, vipsHeic);
    row.engineStream = probeHeic(engineHeic);
    row.vipsStream = probeHeic(vipsHeic);
    return row;
}

// ---------------------------------------------------------------------------------------------
// run: everything, with the report.

struct Verdict {
    std::string what;
    std::string measured;
    std::string wanted;
    bool pass;
};

// Pads to a width in characters, not bytes: the tables hold ×, ≥ and −.
std::string pad(const std::string& text, std::size_t width, bool right = false)
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

// Seconds of CPU time the whole machine has been busy (or taken by the hypervisor).
double machineBusySeconds()
{
    std::ifstream stat("/proc/stat");
    std::string label;
    stat >> label;
    // user nice system idle iowait irq softirq steal
    std::vector<long long> ticks;
    long long value = 0;
    while (ticks.size() < 8 && stat >> value)
        ticks.push_back(value);
    if (label != "cpu" || ticks.size() < 8)
        return 0.0;
    const long long busy = ticks[0] + ticks[1] + ticks[2] + ticks[5] + ticks[6] + ticks[7];
    return static_cast<double>(busy) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CPU time of this process and of every child process it has waited for.
double ownCpuSeconds()
{
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    return selfCpuSeconds() + cpuSeconds(children);
}

// How many cores other processes kept busy since construction: other work on the machine
// skews every wall-clock figure, and the load average lags too much to tell.
class OtherWork {
public:
    OtherWork() : m_busy(machineBusySeconds()), m_own(ownCpuSeconds()), m_start(Clock::now()) {}

    double cores() const
    {
        const double wall = seconds(Clock::now() - m_start);
        const double other = (machineBusySeconds() - m_busy) - (ownCpuSeconds() - m_own);
        return wall > 0.0 ? std::max(0.0, other / wall) : 0.0;
    }

private:
    double m_busy;
    double m_own;
    Clock::time_point m_start;
};

constexpr double kBusyCores = 0.1;

void warmPageCache(const std::vector<fs::path>& files)
{
    std::vector<char> buffer(1 << 20);
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())))
            ;
    }
}

int runAll(const fs::path& self, const fs::path& work, int rounds, std::vector<fs::path> all,
           std::vector<fs::path> rss, int rssPasses, std::vector<fs::path> heic, int heicRepeats)
{
    fs::create_directories(work);
    const fs::path log = work / "tools.log";
    const fs::path scratch = work / "capture.txt";
    std::vector<Verdict> verdicts;
    std::vector<std::string> notes;
    bool failed = false;

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

    auto imagesPerSecond = [&](const Tool& tool) {
        std::vector<double> values;
        for (const Pass& pass : tool.passes)
            values.push_back(static_cast<double>(all.size()) / pass.wall);
        return median(values);
    };
    auto cpuPerImage = [&](const Tool& tool) {
        std::vector<double> values;
        for (const Pass& pass : tool.passes)
            values.push_back(pass.cpu / static_cast<double>(all.size()));
        return median(values);
    };
    auto peakMb = [](const Tool& tool) {
        long peak = 0;
        for (const Pass& pass : tool.passes)
            peak = std::max(peak, pass.maxrssKib);
        return kibToMb(peak);
    };
    auto failures = [](const Tool& tool) {
        int count = 0;
        for (const Pass& pass : tool.passes)
            count += pass.failures;
        return count;
    };

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
                    imagesPerSecond(*tool), cpuPerImage(*tool), peakMb(*tool), outputText.c_str(),
                    failures(*tool), chroma.c_str(), tool->target ? "" : "  (information)");
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
    for (std::size_t i = 0; i < all.size(); ++i) {
        auto fileMedian = [&](const Tool& tool) {
            std::vector<double> values;
            for (const Pass& pass : tool.passes)
                if (i < pass.fileWall.size())
                    values.push_back(pass.fileWall[i]);
            return median(values);
        };
        std::printf("%-40s %8.1f %8.3f %9.3f %14.3f\n", shortName(all[i]).c_str(),
                    headerMegapixels(all[i]), fileMedian(engine), fileMedian(thumbnail),
                    fileMedian(mogrify));
    }

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

    const double ratioThumbnail = imagesPerSecond(engine) / imagesPerSecond(thumbnail);
    const double ratioMogrify = imagesPerSecond(engine) / imagesPerSecond(mogrify);
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
                imagesPerSecond(engine) / imagesPerSecond(batch),
                cpuPerImage(thumbnail) / cpuPerImage(engine),
                cpuPerImage(mogrify) / cpuPerImage(engine));

    // HEIC: the same 1920×1080 pixels through both encoders.
    std::vector<HeicRow> rows;
    for (const fs::path& photo : heic) {
        rows.push_back(heicRow(photo, work / "heic", log, heicRepeats));
        failed = failed || !rows.back().ok;
    }
    if (!rows.empty()) {
        std::printf("\nHEIC, 1920×1080 fill, quality 0.9 vs `vips heifsave --Q 90` of the same PNG "
                    "(median of %d)\n",
                    heicRepeats);
        std::printf("%-40s %8s %8s %8s %8s %10s %10s %8s %8s %8s  %s\n", "photo", "engine s",
                    "vips s", "(in-pr.)", "speed×", "engine KB", "vips KB", "size Δ", "PSNR e",
                    "PSNR v", "streams e / v");
        std::vector<double> engineSeconds, vipsSeconds, vipsInProcess, psnrDelta;
        double engineBytes = 0.0, vipsBytes = 0.0;
        for (const HeicRow& row : rows) {
            std::printf(
                "%-40s %8.3f %8.3f %8.3f %8.2f %10.1f %10.1f %+7.1f%% %8.2f %8.2f  "
                "%d-bit %s / %d-bit %s\n",
                shortName(row.photo).c_str(), row.engineSeconds, row.vipsSeconds,
                row.vipsInProcessSeconds, row.vipsSeconds / row.engineSeconds,
                static_cast<double>(row.engineBytes) / 1e3,
                static_cast<double>(row.vipsBytes) / 1e3,
                (static_cast<double>(row.engineBytes) / static_cast<double>(row.vipsBytes) - 1.0) *
                    100.0,
                row.enginePsnr, row.vipsPsnr, row.engineStream.lumaBits,
                row.engineStream.chroma.c_str(), row.vipsStream.lumaBits,
                row.vipsStream.chroma.c_str());
            engineSeconds.push_back(row.engineSeconds);
            vipsSeconds.push_back(row.vipsSeconds);
            vipsInProcess.push_back(row.vipsInProcessSeconds);
            psnrDelta.push_back(row.enginePsnr - row.vipsPsnr);
            engineBytes += static_cast<double>(row.engineBytes);
            vipsBytes += static_cast<double>(row.vipsBytes);
        }
        const double speed = mean(vipsSeconds) / mean(engineSeconds);
        double slowest = 1e9;
        for (std::size_t i = 0; i < rows.size(); ++i)
            slowest = std::min(slowest, vipsSeconds[i] / engineSeconds[i]);
        const double growth = engineBytes / vipsBytes - 1.0;
        const double delta = mean(psnrDelta);
        std::printf("mean: engine %.3f s (%.2f CPU s), vips heifsave %.3f s (%.2f CPU s), "
                    "in-process heifsave %.3f s; smallest speed-up of one photo %.2f×\n",
                    mean(engineSeconds), mean([&] {
                        std::vector<double> values;
                        for (const HeicRow& row : rows)
                            values.push_back(row.engineCpu);
                        return values;
                    }()),
                    mean(vipsSeconds), mean([&] {
                        std::vector<double> values;
                        for (const HeicRow& row : rows)
                            values.push_back(row.vipsCpu);
                        return values;
                    }()),
                    mean(vipsInProcess), slowest);
        verdicts.push_back({"HEIC encode speed engine / vips heifsave", format("%.2f×", speed),
                            format("≥ %.2f×", kMinHeicSpeedRatio), speed >= kMinHeicSpeedRatio});
        verdicts.push_back({"HEIC file size engine vs vips heifsave (all photos)",
                            format("%+.1f %%", growth * 100.0),
                            format("≤ +%.0f %%", kMaxHeicSizeGrowth * 100.0),
                            growth <= kMaxHeicSizeGrowth});
        verdicts.push_back({"HEIC PSNR engine − vips heifsave (mean)", format("%+.2f dB", delta),
                            format("≥ −%.2f dB", kMaxHeicPsnrLossDb),
                            delta >= -kMaxHeicPsnrLossDb});
    }

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

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty())
        return usage();
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
            return usage();
        return runConvert(arguments[first],
                          std::vector<fs::path>(arguments.begin() + first + 1, arguments.end()),
                          threads);
    }
    if (arguments[0] != "run")
        return usage();

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
            return usage();
        }
    }
    if (work.empty() || all.empty() || rss.empty())
        return usage();
    // The child runs start a private copy: a rebuild during the run must not swap the binary.
    work = fs::absolute(work);
    fs::create_directories(work);
    const fs::path self = work / "engine_bench";
    fs::copy_file(fs::read_symlink("/proc/self/exe"), self, fs::copy_options::overwrite_existing);
    return runAll(self, work, rounds, all, rss, rssPasses, heic, heicRepeats);
}
