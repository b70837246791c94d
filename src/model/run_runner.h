#pragma once

#include "image_item.h"
#include "image_processor.h"
#include "open_folder.h"
#include "output_subfolders.h"
#include "reserved_names.h"
#include "resize_settings.h"
#include "run_capacity.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pictavo {

// Converts `source` into a new file for each of `outputs` (ImageProcessor::processToNewFiles).
using Converter = std::function<std::vector<ImageProcessor::SizedResult>(
    const std::filesystem::path& source, const ResizeSettings& settings,
    const std::vector<ImageProcessor::SizedOutput>& outputs)>;

// Conversions at once and the bytes they may take together; 0 leaves either to the machine.
struct RunLimits {
    int jobs = 0;
    std::int64_t memoryBudget = 0;
};

// What one conversion hands back.
struct JobResult {
    bool succeeded = false;
    std::filesystem::path output; // the written file, byte for byte (the first size's)
    std::string message;          // the error's text (the first failing size's)
    // Each size's outcome, in the order of targetSizes(): every one written, or the item failed.
    std::vector<ImageProcessor::SizedResult> sizes;
};

// The status an item takes when its conversion ends with `result`.
inline ItemStatus statusAfter(const JobResult& result)
{
    if (result.succeeded)
        return {ItemState::done, result.output, {}};
    return {ItemState::failed, {}, result.message};
}

// The item a run is to convert now, or none when it left the queue since the run began. The
// pointer is read during the call only.
using ItemLookup = std::function<const ImageItem*(const ItemId& id)>;

// The run's closing line, as the window and the command line show it.
struct RunSummary {
    QString message;
    bool isError = false;
};

// Runs one batch at a time: up to `capacity.jobs` conversions at once on the run's own thread
// pool, as many as the memory budget allows. Items start in queue order and output names are
// settled in that order (ReservedNames), so neither names nor the summary depend on which
// conversion finishes first. Results come back on the runner's thread by a queued call tagged
// with the run's id, so a late one from an earlier run is dropped. Lives on one thread; every
// call and every signal is there.
class RunRunner : public QObject {
    Q_OBJECT

public:
    explicit RunRunner(QObject* parent = nullptr);
    // The images being written are finished, so no half-done conversion outlives the runner.
    ~RunRunner() override;

    // For the runs started from now on.
    void setLimits(RunLimits limits) { m_limits = limits; }
    // Replaces the image engine for the runs started from now on (tests).
    void setConverter(Converter converter) { m_converter = std::move(converter); }

    // Starts a run over `ids`, fixed now: items that join later wait for the next run. The
    // folder is made and opened on the next turn of the event loop; `lookup` is asked for each
    // item when its turn comes. False while a run goes on; then no signal comes for this call.
    bool start(const std::filesystem::path& folder, const ResizeSettings& settings,
               std::vector<ItemId> ids, ItemLookup lookup);
    // Starts no more conversions; those in hand finish and are reported.
    void cancel()
    {
        if (m_run)
            m_run->cancelled = m_run->cancelled || !m_run->finished;
    }

    // Whether a run exists that has not finished.
    bool isRunning() const { return m_run && !m_run->finished; }
    // The latest run's output folder, kept after it ends.
    std::filesystem::path folder() const { return m_run ? m_run->folder : std::filesystem::path(); }
    // The latest run's share of items settled (finished or passed over), 0 to 1.
    double progress() const
    {
        return m_run && m_run->total > 0 ? double(m_run->settled) / double(m_run->total) : 0;
    }
    int itemsLeft() const { return m_run ? int(m_run->total - m_run->settled) : 0; }
    // Whether the latest run ended as its folder could not be made or opened.
    bool folderFailed() const { return m_run && m_run->folderError; }
    // The latest run's closing line; valid once it finished.
    RunSummary summary() const;

Q_SIGNALS:
    // The item's conversion is about to start.
    void itemStarted(const pictavo::ItemId& id);
    // The item's conversion ended; progress() still counts it as not settled.
    void itemFinished(const pictavo::ItemId& id, const pictavo::JobResult& result);
    // An item settled: finished, or passed over as it left the queue.
    void progressChanged();
    // Once per started run, however it ended: completed, cancelled, or stopped by its folder.
    void finished();

private:
    // One conversion on its way: the item, its place in the run and its share of the memory.
    struct Conversion {
        ItemId id;
        std::size_t position = 0;
        std::int64_t memoryEstimate = 0;
    };

    // One run: the values fixed when it started and its counters. Items are remembered by id,
    // so that removing items under a running batch can never make it report another item or
    // step past the end of the queue.
    struct Run {
        quint64 id = 0;
        std::filesystem::path folder;
        std::shared_ptr<const OpenFolder> root; // the folder, held open from the run's start
        ResizeSettings settings;
        ItemLookup lookup;
        RunCapacity capacity;
        qint64 total = 0;
        std::vector<ItemId> ids;
        std::size_t position = 0; // the next item to start
        qint64 settled = 0;
        qint64 succeeded = 0;
        qint64 failed = 0;
        bool cancelled = false;
        bool finished = false;
        std::optional<QString> folderError;
        std::shared_ptr<ReservedNames> names = std::make_shared<ReservedNames>();
        std::shared_ptr<OutputSubfolders> subfolders; // with kept folders or several sizes
        std::list<Conversion> inFlight;
        // The run's own pool, sized to its conversions: the global one is capped at the
        // processor count and is shared with thumbnails and the final flush.
        std::unique_ptr<QThreadPool> pool;
        std::unique_ptr<QFutureWatcher<void>> flush; // the final flush to disk
    };

    void begin(quint64 runId);
    void startConversions(quint64 runId);
    void startConversion(const ImageItem& item, std::int64_t memoryEstimate);
    void finishConversion(quint64 runId, std::size_t position, const JobResult& result);
    void end();
    void finish();

    RunLimits m_limits;
    Converter m_converter;
    quint64 m_lastRunId = 0;
    std::unique_ptr<Run> m_run; // the latest run, kept after it ends
};

} // namespace pictavo
