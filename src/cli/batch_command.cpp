#include "batch_command.h"

#include "arguments.h"
#include "intake.h"
#include "printed_path.h"
#include "process_setup.h"
#include "run_runner.h"
#include "settings_options.h"
#include "termination_requests.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace pictavo::cli {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;
// What a cancelled run reports, also when the stop came before it started.
constexpr const char* kCancelled = "İşlem iptal edildi.";

namespace fs = std::filesystem;

// Paths stay the bytes of argv: a name that is not UTF-8 must reach the file system unchanged.
struct BatchArguments {
    fs::path output;
    ResizeSettings settings;
    std::vector<fs::path> paths;
    int jobs = 0; // automatic
};

// More would only queue up behind each other; the bound keeps a typo from starting thousands
// of threads.
constexpr int kMaxJobs = 64;

int usageError(const std::string& message)
{
    std::cerr
        << "pictavo-cli: " << message << "\n"
        << "Kullanım: pictavo-cli batch --output KLASÖR [seçenekler] [--sizes G×Y,…] "
           "[--prefix METİN] [--suffix METİN] [--keep-folders yes|no] [--jobs N] YOL…\n"
        << settingsOptionsUsage()
        << "  --sizes 1920x1080,400x400      her görseli listedeki her boyutta yaz, boyut adlı\n"
           "                                 alt klasörlere (GENİŞLİKxYÜKSEKLİK, en çok "
        << kMaxTargetSizes
        << " boyut;\n"
           "                                 --width ve --height ile birlikte kullanılamaz)\n"
        << "  --keep-folders yes|no          eklenen klasörlerin alt klasörlerini çıktıda koru\n"
           "                                 (varsayılan no)\n"
        << "  --jobs N                       aynı anda dönüştürülecek görsel sayısı, 1 ile "
        << kMaxJobs
        << " arası\n                                 (varsayılan: işlemci sayısı, belleğe göre "
           "azaltılır)\n"
        << pathRulesUsage();
    return kExitUsage;
}

std::optional<std::string> parse(const std::vector<std::string_view>& arguments,
                                 BatchArguments& parsed)
{
    const auto split = splitArguments(arguments, [](std::string_view name) {
        return isSettingsOption(name) || name == "--output" || name == "--prefix" ||
               name == "--suffix" || name == "--keep-folders" || name == "--jobs" ||
               name == "--sizes";
    });
    if (const auto* error = std::get_if<std::string>(&split))
        return *error;
    const auto& [options, paths] = std::get<SplitArguments>(split);
    bool sidesGiven = false;
    for (const auto& [name, value] : options) {
        sidesGiven = sidesGiven || name == "--width" || name == "--height";
        if (name == "--output") {
            parsed.output = std::string(value);
        } else if (name == "--jobs") {
            int jobs = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), jobs);
            if (error != std::errc() || end != value.data() + value.size() || jobs < 1 ||
                jobs > kMaxJobs)
                return "geçersiz değer: --jobs " + printedPath(value) + " (1 ile " +
                       std::to_string(kMaxJobs) + " arasında olmalı)";
            parsed.jobs = jobs;
        } else if (name == "--sizes") {
            const std::optional<std::vector<TargetSize>> sizes = parseSizeList(value);
            if (!sizes)
                return "geçersiz değer: --sizes " + printedPath(value);
            parsed.settings.multipleSizes = true;
            parsed.settings.sizes = *sizes;
        } else if (name == "--keep-folders") {
            if (value != "yes" && value != "no")
                return "geçersiz değer: --keep-folders " + printedPath(value);
            parsed.settings.keepFolderStructure = value == "yes";
        } else if (name == "--prefix" || name == "--suffix") {
            if (const auto error = checkNamePart(name, value))
                return error;
            (name == "--prefix" ? parsed.settings.prefix : parsed.settings.suffix) = value;
        } else if (const auto error = applySettingsOption(name, value, parsed.settings)) {
            return error;
        }
    }
    if (sidesGiven && parsed.settings.multipleSizes)
        return "--sizes, --width ve --height ile birlikte kullanılamaz";
    if (parsed.output.empty())
        return "--output gerekli";
    if (paths.empty())
        return "en az bir yol gerekli";
    parsed.paths.assign(paths.begin(), paths.end());
    return std::nullopt;
}

class ProgressLine {
public:
    ProgressLine() : m_enabled(::isatty(STDERR_FILENO) == 1) {}

    void show(double fraction, int done, int total)
    {
        if (!m_enabled)
            return;
        const int width = 30;
        const int filled = static_cast<int>(fraction * width);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.resize(width, '-');
        std::fprintf(stderr, "\r[%s] %%%d  %d/%d", bar.c_str(), static_cast<int>(fraction * 100),
                     done, total);
        std::fflush(stderr);
    }
    void clear()
    {
        if (m_enabled) {
            std::fprintf(stderr, "\r\033[K");
            std::fflush(stderr);
        }
    }

private:
    bool m_enabled;
};

} // namespace

int runBatch(int argc, char** argv, const std::vector<std::string_view>& arguments)
{
    BatchArguments parsed;
    if (const std::optional<std::string> error = parse(arguments, parsed))
        return usageError(*error);
    setUpImageEngine(parsed.jobs);

    // Ctrl-C, SIGTERM and SIGHUP stop the batch after the images in hand; a second one ends
    // the process at once, leaving no temporary file behind. Taken over before the queue is
    // filled: a request during a long intake stops it between two entries, and no conversion
    // begins.
    const int requests = installTerminationRequests();
    bool interrupted = false;
    const auto stopRequested = [&] {
        char byte = 0;
        if (!interrupted && requests >= 0 && ::read(requests, &byte, 1) == 1)
            interrupted = true;
        return interrupted;
    };
    QCoreApplication application(argc, argv);
    // No dialog, no stored folder: --output is the folder and nothing is remembered.
    IntakeResult intake = makeItems(parsed.paths, {}, Repeats::skipped, stopRequested);
    if (stopRequested()) {
        std::cout << kCancelled << std::endl;
        return kExitCancelled;
    }
    std::vector<ImageItem>& items = intake.items;
    const std::vector<SkippedPath>& skipped = intake.skipped;
    for (const SkippedPath& path : skipped)
        std::cout << "skipped " << printedPath(path.path.native()) << ": " << path.reason << "\n";
    if (items.empty()) {
        std::cout << "Dönüştürülecek görsel bulunamadı." << std::endl;
        return kExitFailure;
    }
    // The arguments were checked, so this is a fault's last guard.
    if (!hasValidSizes(parsed.settings)) {
        std::cout << "Dönüştürme başlatılamadı: hedef boyut en az 1×1 olmalı." << std::endl;
        return kExitFailure;
    }

    RunRunner runner;
    runner.setLimits({parsed.jobs, 0});
    ProgressLine progress;
    int finished = 0;
    const int total = int(items.size());
    // Conversions finish in any order; each line waits until every item before it is printed,
    // so the output reads in queue order as a one-at-a-time run prints it.
    std::size_t nextToPrint = 0;
    std::vector<JobResult> results(items.size());
    const std::vector<TargetSize> sizes = targetSizes(parsed.settings);
    const auto printFinishedInOrder = [&] {
        for (; nextToPrint < items.size(); ++nextToPrint) {
            const ImageItem& item = items[nextToPrint];
            if (item.status.state != ItemState::done && item.status.state != ItemState::failed)
                break;
            const std::string source = printedPath(item.url.native());
            const JobResult& result = results[nextToPrint];
            if (parsed.settings.multipleSizes) {
                // A line for each size, in the list's order.
                for (std::size_t i = 0; i < result.sizes.size(); ++i)
                    if (!result.sizes[i].written.empty())
                        std::cout << "done " << source << " -> "
                                  << printedPath(result.sizes[i].written.native()) << "\n";
                    else
                        std::cout << "failed " << source << " [" << sizeFolderName(sizes[i])
                                  << "]: "
                                  << (result.sizes[i].error ? result.sizes[i].error->what()
                                                            : item.status.message.c_str())
                                  << "\n";
            } else if (item.status.state == ItemState::done)
                std::cout << "done " << source << " -> " << printedPath(item.status.output.native())
                          << "\n";
            else
                std::cout << "failed " << source << ": " << item.status.message << "\n";
        }
        std::cout.flush();
    };
    // The queue does not change during the run: an item's place is its index.
    const auto find = [&](const ItemId& id) {
        return std::find_if(items.begin(), items.end(),
                            [&](const ImageItem& item) { return item.id == id; });
    };
    QObject::connect(&runner, &RunRunner::itemFinished,
                     [&](const ItemId& id, const JobResult& result) {
                         const auto item = find(id);
                         item->status = statusAfter(result);
                         results[std::size_t(item - items.begin())] = result;
                         progress.clear();
                         printFinishedInOrder();
                         progress.show(runner.progress(), ++finished, total);
                     });

    if (requests >= 0) {
        auto* notifier = new QSocketNotifier(requests, QSocketNotifier::Read, &runner);
        QObject::connect(notifier, &QSocketNotifier::activated, [&] {
            char byte = 0;
            [[maybe_unused]] const ssize_t read = ::read(requests, &byte, 1);
            interrupted = true;
            runner.cancel();
        });
    }

    int exitCode = 0;
    QObject::connect(&runner, &RunRunner::finished, [&] {
        progress.clear();
        const RunSummary summary = runner.summary();
        std::cout << summary.message.toStdString() << std::endl;
        if (interrupted)
            exitCode = kExitCancelled;
        else if (summary.isError || !skipped.empty())
            exitCode = kExitFailure;
        QCoreApplication::exit(exitCode);
    });

    progress.show(0, 0, total);
    if (stopRequested()) {
        progress.clear();
        std::cout << kCancelled << std::endl;
        return kExitCancelled;
    }
    std::vector<ItemId> ids;
    for (const ImageItem& item : items)
        ids.push_back(item.id);
    runner.start(parsed.output, parsed.settings, std::move(ids),
                 [&](const ItemId& id) { return &*find(id); });
    application.exec();
    return exitCode;
}

} // namespace pictavo::cli
