// The batch run of ResizeViewModel: up to `capacity.jobs` conversions at once on the run's own
// thread pool, every model write on the GUI thread. Items start in queue order and output names
// are settled in that order (ReservedNames), so neither names nor the summary depend on which
// conversion finishes first.

#include "batch_run.h"

#include "image_processor.h"
#include "output_files.h"
#include "output_naming.h"
#include "resize_view_model.h"
#include "thread_priority.h"

#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <utility>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// Where a job writes: the output folder, or the subfolder mirroring the item's own folder.
struct Destination {
    FreeNameFinder candidates;
    std::shared_ptr<const OpenFolder> root;
    std::shared_ptr<OutputSubfolders> subfolders;
    fs::path subfolder; // empty: the output folder itself
};

JobResult convert(const Converter& converter, const fs::path& source,
                  const ResizeSettings& settings, const Destination& destination,
                  std::size_t position, const std::shared_ptr<ReservedNames>& names)
{
    // The libvips workers this thread starts inherit its priority, so every core's share of
    // the batch yields to the window.
    useBackgroundPriority();
    JobResult result;
    try {
        // Every step goes through the folder held open: one renamed or swapped for a link since
        // the run began is never followed.
        std::shared_ptr<const OpenFolder> folder = destination.root;
        FreeNameFinder candidates = destination.candidates;
        if (!destination.subfolder.empty()) {
            folder = destination.subfolders->prepare(destination.subfolder);
            if (!folder)
                throw ProcessingError(ProcessingError::cannotWrite);
            candidates = candidates.within(folder);
        }
        // Asked again when another program took the name meanwhile.
        const fs::path written = converter(
            source, settings, [&] { return names->claim(candidates, position); }, folder);
        result = {true, written, {}};
    } catch (const ProcessingError& error) {
        result = {false, {}, error.what()};
    } catch (const std::exception&) {
        // Out of memory and the like: the image is lost, the batch goes on.
        result = {false, {}, ProcessingError(ProcessingError::cannotCreate).what()};
    }
    // A written name is now taken on disk; the others are free again.
    names->releaseAll(position);
    return result;
}

Converter engineConverter()
{
    return [](const fs::path& source, const ResizeSettings& settings,
              const std::function<fs::path()>& nextName,
              const std::shared_ptr<const OpenFolder>& folder) {
        return ImageProcessor::processToNewFile(source, settings, nextName, folder);
    };
}

std::int64_t memoryEstimate(const ImageItem& item, const ResizeSettings& settings)
{
    const std::int64_t canvas =
        std::min(settings.width,
                 ImageProcessor::kMaxCanvasPixels / std::max<std::int64_t>(settings.height, 1)) *
        settings.height;
    return conversionMemoryEstimate(item.pixelWidth * item.pixelHeight, item.decodedBytesPerPixel,
                                    canvas);
}

} // namespace

bool ResizeViewModel::startProcessing()
{
    assertGuiThread();
    // A second start while a batch runs would abandon the first one's jobs mid-write.
    if (m_isProcessing || m_items.count() == 0)
        return false;
    if (m_settings.value().width <= 0 || m_settings.value().height <= 0)
        return false;
    if (!m_outputFolder && !chooseOutputFolder())
        return false;
    if (!m_outputFolder)
        return false;

    setProcessing(true);
    setProgress(0);
    setLastMessage(std::nullopt);
    setLastMessageIsError(false);

    auto run = std::make_unique<BatchRun>();
    run->folder = *m_outputFolder;
    run->settings = m_settings.value();
    run->total = m_items.count();
    // Fixed now, with the total: items that join before the run begins wait for the next one.
    for (const ImageItem& item : m_items.items())
        run->ids.push_back(item.id);
    m_run = std::move(run);
    QMetaObject::invokeMethod(this, &ResizeViewModel::beginRun, Qt::QueuedConnection);
    return true;
}

void ResizeViewModel::beginRun()
{
    BatchRun& run = *m_run;
    std::error_code error;
    fs::create_directories(run.folder, error);
    // Opened once: a folder renamed or replaced during the run is written into all the same.
    if (!error && !(run.root = OpenFolder::open(run.folder)))
        error = std::error_code(errno, std::generic_category());
    if (error) {
        setLastMessage(QStringLiteral("Çıktı klasörü oluşturulamadı: ") +
                       QString::fromLocal8Bit(error.message()));
        setLastMessageIsError(true);
        setProcessing(false);
        run.finished = true;
        Q_EMIT runFinished();
        return;
    }
    removeAbandonedTemporaries(*run.root);

    run.capacity = automaticRunCapacity();
    if (m_runLimits.jobs > 0)
        run.capacity.jobs = m_runLimits.jobs;
    if (m_runLimits.memoryBudget > 0)
        run.capacity.memoryBudget = m_runLimits.memoryBudget;
    // The processors are shared out between images rather than inside them. Most of a
    // conversion is JPEG decoding, which runs on one thread whatever libvips' thread count, so
    // more images at once is what scales; giving each of N images all P processors as libvips
    // threads would put N × P busy threads on P processors. Measured on 2 processors with
    // --jobs 2, one or two libvips threads per conversion cost the same CPU time (0.27 s a
    // photo) and peak memory (±5 %), so the smaller count wins for what it saves on larger
    // machines. One conversion alone (--jobs 1) keeps a thread per processor, as before.
    setThreadsPerConversion(std::max(1, usableProcessorCount() / run.capacity.jobs));
    if (run.settings.keepFolderStructure)
        run.subfolders = std::make_shared<OutputSubfolders>(run.root);
    run.pool = std::make_unique<QThreadPool>();
    run.pool->setMaxThreadCount(run.capacity.jobs);
    startConversions();
}

void ResizeViewModel::startConversions()
{
    BatchRun& run = *m_run;
    // A call queued by a finished conversion may come after the run ended, or before the
    // next run has begun.
    if (!run.pool || run.flush || run.finished)
        return;
    while (!run.cancelled && run.position < run.ids.size()) {
        // Items removed from the queue since the batch began are passed over.
        const std::optional<int> row = m_items.rowOf(run.ids[run.position]);
        if (!row) {
            ++run.position;
            ++run.settled;
            setProgress(double(run.settled) / double(run.total));
            continue;
        }
        const ImageItem& item = m_items.items()[static_cast<std::size_t>(*row)];
        const std::int64_t estimate = memoryEstimate(item, run.settings);
        std::int64_t inFlightBytes = 0;
        for (const Conversion& conversion : run.inFlight)
            inFlightBytes += conversion.memoryEstimate;
        if (!mayStartConversion(run.capacity, int(run.inFlight.size()), inFlightBytes, estimate))
            return;
        startConversion(item, estimate, run.position++);
    }
    if (run.inFlight.empty())
        endRun();
}

void ResizeViewModel::startConversion(const ImageItem& item, std::int64_t estimate,
                                      std::size_t position)
{
    BatchRun& run = *m_run;
    const ItemId id = item.id;
    const fs::path source = item.url;
    const fs::path subfolder = run.subfolders ? item.addedFolderPath : fs::path();
    Conversion& conversion = run.inFlight.emplace_back();
    conversion.id = id;
    conversion.memoryEstimate = estimate;
    m_items.setStatus(*m_items.rowOf(id), ImageItem::ItemStatus::makeProcessing());

    // Holding the first free name from here, in queue order, keeps later items from taking
    // it however fast they finish. A kept subfolder may not exist yet, so its names are looked
    // up below the output folder; the claim looks again in the subfolder held open, where the
    // file goes.
    const Destination destination{FreeNameFinder(run.root, subfolder, run.settings, source),
                                  run.root, run.subfolders, subfolder};
    run.names->reserve(destination.candidates, position);
    conversion.watcher = new QFutureWatcher<JobResult>(this);
    connect(conversion.watcher, &QFutureWatcherBase::finished, this,
            [this, &conversion] { finishConversion(conversion); });
    conversion.watcher->setFuture(
        QtConcurrent::run(run.pool.get(), convert, m_converter ? m_converter : engineConverter(),
                          source, run.settings, destination, position, run.names));
}

void ResizeViewModel::finishConversion(Conversion& conversion)
{
    BatchRun& run = *m_run;
    const JobResult result = conversion.watcher->result();
    // The watcher is still emitting; it goes once control is back in the event loop.
    conversion.watcher->deleteLater();
    if (const std::optional<int> row = m_items.rowOf(conversion.id)) {
        m_items.setStatus(*row, result.succeeded
                                    ? ImageItem::ItemStatus::makeDone(result.output)
                                    : ImageItem::ItemStatus::makeFailed(result.message));
        Q_EMIT itemFinished(*row);
    }
    ++(result.succeeded ? run.succeeded : run.failed);
    ++run.settled;
    setProgress(double(run.settled) / double(run.total));
    run.inFlight.remove_if([&](const Conversion& other) { return &other == &conversion; });
    // One turn of the event loop, so the window redraws before the next image starts.
    QTimer::singleShot(0, this, &ResizeViewModel::startConversions);
}

void ResizeViewModel::endRun()
{
    BatchRun& run = *m_run;
    if (run.succeeded == 0) {
        finishRun();
        return;
    }
    // Files reported as written must survive a power cut: one flush of the folder's file
    // system, off this thread, costs less than a flush per file. A failing disk is beyond
    // what the run can mend; the files are complete in the cache.
    run.flush = std::make_unique<QFutureWatcher<void>>();
    connect(run.flush.get(), &QFutureWatcherBase::finished, this, &ResizeViewModel::finishRun);
    run.flush->setFuture(QtConcurrent::run([root = run.root] { flushFileSystem(*root); }));
}

void ResizeViewModel::finishRun()
{
    BatchRun& run = *m_run;
    // Trimming walks every heap: off this thread, like the flush.
    QThreadPool::globalInstance()->start(&releaseConversionBuffers);
    setProcessing(false);
    if (run.cancelled) {
        setLastMessage(QStringLiteral("İşlem iptal edildi."));
        setLastMessageIsError(false);
    } else if (run.failed == 0) {
        setLastMessage(QString::number(run.succeeded) +
                       QStringLiteral(" görsel başarıyla hazırlandı."));
        setLastMessageIsError(false);
    } else {
        setLastMessage(QString::number(run.succeeded) + QStringLiteral(" tamamlandı, ") +
                       QString::number(run.failed) + QStringLiteral(" görsel işlenemedi."));
        setLastMessageIsError(true);
    }
    run.finished = true;
    Q_EMIT runFinished();
}

} // namespace pictavo
