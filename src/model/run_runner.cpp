#include "run_runner.h"

#include "free_name_finder.h"
#include "image_processor.h"
#include "output_files.h"
#include "output_naming.h"
#include "thread_priority.h"

#include <QTimer>
#include <QtConcurrent>
#include <algorithm>
#include <cerrno>
#include <utility>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// Where one size of a job writes: the output folder, or a subfolder of it (the size's own,
// the one mirroring the item's folder, or both).
struct Destination {
    TargetSize size;
    FreeNameFinder candidates;
    fs::path subfolder; // empty: the output folder itself
};

// The subfolder of the output folder that `item` is written to at `size`.
fs::path subfolderFor(const ResizeSettings& settings, const ImageItem& item, TargetSize size)
{
    fs::path subfolder = settings.multipleSizes ? fs::path(sizeFolderName(size)) : fs::path();
    // A file added on its own has no folder to mirror ("32x32" / "" would end in a slash).
    if (settings.keepFolderStructure && !item.addedFolderPath.empty())
        subfolder /= item.addedFolderPath;
    return subfolder;
}

// Names are held per item and size: the sizes go to different folders, and within one folder
// the keys keep the queue's order.
std::size_t nameKey(std::size_t position, std::size_t size)
{
    return position * kMaxTargetSizes + size;
}

JobResult convert(const Converter& converter, const fs::path& source,
                  const ResizeSettings& settings, const std::vector<Destination>& destinations,
                  const std::shared_ptr<const OpenFolder>& root,
                  const std::shared_ptr<OutputSubfolders>& subfolders, std::size_t position,
                  const std::shared_ptr<ReservedNames>& names)
{
    // The libvips workers this thread starts inherit its priority, so every core's share of
    // the batch yields to the window.
    useBackgroundPriority();
    std::vector<ImageProcessor::SizedResult> results(destinations.size());
    std::vector<ImageProcessor::SizedOutput> outputs;
    std::vector<std::size_t> converted;
    for (std::size_t i = 0; i < destinations.size(); ++i) {
        // Every step goes through the folder held open: one renamed or swapped for a link
        // since the run began is never followed.
        const Destination& destination = destinations[i];
        std::shared_ptr<const OpenFolder> folder = root;
        FreeNameFinder candidates = destination.candidates;
        if (!destination.subfolder.empty()) {
            folder = subfolders->prepare(destination.subfolder);
            if (!folder) {
                results[i].error = ProcessingError(ProcessingError::cannotWrite);
                continue;
            }
            candidates = candidates.within(folder);
        }
        // Asked again when another program took the name meanwhile.
        outputs.push_back({destination.size,
                           [names, candidates, key = nameKey(position, i)] {
                               return names->claim(candidates, key);
                           },
                           folder});
        converted.push_back(i);
    }
    try {
        std::vector<ImageProcessor::SizedResult> made =
            outputs.empty() ? std::vector<ImageProcessor::SizedResult>()
                            : converter(source, settings, outputs);
        for (std::size_t i = 0; i < converted.size() && i < made.size(); ++i)
            results[converted[i]] = std::move(made[i]);
    } catch (const std::exception&) {
        // Out of memory and the like: the image is lost, the batch goes on.
        for (const std::size_t i : converted)
            if (results[i].written.empty())
                results[i].error = ProcessingError(ProcessingError::cannotCreate);
    }
    // A written name is now taken on disk; the others are free again.
    for (std::size_t i = 0; i < destinations.size(); ++i)
        names->releaseAll(nameKey(position, i));

    // Done when every size is written; otherwise failed with the first missing size's message.
    const auto missing =
        std::find_if(results.begin(), results.end(),
                     [](const ImageProcessor::SizedResult& size) { return size.written.empty(); });
    if (!results.empty() && missing == results.end()) {
        fs::path first = results.front().written;
        return {true, std::move(first), {}, std::move(results)};
    }
    const ProcessingError error = missing != results.end() && missing->error
                                      ? *missing->error
                                      : ProcessingError(ProcessingError::cannotCreate);
    return {false, {}, error.what(), std::move(results)};
}

Converter engineConverter()
{
    return [](const fs::path& source, const ResizeSettings& settings,
              const std::vector<ImageProcessor::SizedOutput>& outputs) {
        return ImageProcessor::processToNewFiles(source, settings, outputs);
    };
}

// The sizes are made one after another from one decoded source: the largest canvas counts.
std::int64_t memoryEstimate(const ImageItem& item, const ResizeSettings& settings)
{
    std::int64_t canvas = 0;
    for (const TargetSize size : targetSizes(settings))
        canvas = std::max(canvas, std::min(size.width, ImageProcessor::kMaxCanvasPixels /
                                                           std::max<std::int64_t>(size.height, 1)) *
                                      size.height);
    return conversionMemoryEstimate(item.pixelWidth * item.pixelHeight, item.decodedBytesPerPixel,
                                    canvas, item.fileSize);
}

} // namespace

RunRunner::RunRunner(QObject* parent) : QObject(parent) {}

RunRunner::~RunRunner()
{
    // Before the QObject goes: a job still running posts its result to this object.
    if (m_run && m_run->pool)
        m_run->pool->waitForDone();
}

bool RunRunner::start(const fs::path& folder, const ResizeSettings& settings,
                      std::vector<ItemId> ids, ItemLookup lookup)
{
    if (isRunning())
        return false;
    auto run = std::make_unique<Run>();
    run->id = ++m_lastRunId;
    run->folder = folder;
    run->settings = settings;
    run->lookup = std::move(lookup);
    run->total = qint64(ids.size());
    run->ids = std::move(ids);
    m_run = std::move(run);
    QMetaObject::invokeMethod(
        this, [this, id = m_run->id] { begin(id); }, Qt::QueuedConnection);
    return true;
}

RunSummary RunRunner::summary() const
{
    if (!m_run)
        return {};
    const Run& run = *m_run;
    if (run.folderError)
        return {QStringLiteral("Çıktı klasörü oluşturulamadı: ") + *run.folderError, true};
    if (run.cancelled)
        return {QStringLiteral("İşlem iptal edildi."), false};
    if (run.failed == 0)
        return {QString::number(run.succeeded) + QStringLiteral(" görsel başarıyla hazırlandı."),
                false};
    return {QString::number(run.succeeded) + QStringLiteral(" tamamlandı, ") +
                QString::number(run.failed) + QStringLiteral(" görsel işlenemedi."),
            true};
}

void RunRunner::begin(quint64 runId)
{
    if (!m_run || m_run->id != runId)
        return;
    Run& run = *m_run;
    std::error_code error;
    fs::create_directories(run.folder, error);
    // Opened once: a folder renamed or replaced during the run is written into all the same.
    if (!error && !(run.root = OpenFolder::open(run.folder)))
        error = std::error_code(errno, std::generic_category());
    if (error) {
        run.folderError = QString::fromLocal8Bit(error.message());
        run.finished = true;
        Q_EMIT finished();
        return;
    }
    removeAbandonedTemporaries(*run.root);

    run.capacity = automaticRunCapacity();
    if (m_limits.jobs > 0)
        run.capacity.jobs = m_limits.jobs;
    if (m_limits.memoryBudget > 0)
        run.capacity.memoryBudget = m_limits.memoryBudget;
    if (run.settings.keepFolderStructure || run.settings.multipleSizes)
        run.subfolders = std::make_shared<OutputSubfolders>(run.root);
    run.pool = std::make_unique<QThreadPool>();
    run.pool->setMaxThreadCount(run.capacity.jobs);
    startConversions(runId);
}

void RunRunner::startConversions(quint64 runId)
{
    // A call queued by a finished conversion may come after its run ended, or after the next
    // one started.
    if (!m_run || m_run->id != runId || !m_run->pool || m_run->flush || m_run->finished)
        return;
    Run& run = *m_run;
    while (!run.cancelled && run.position < run.ids.size()) {
        // Items removed from the queue since the batch began are passed over.
        const ImageItem* item = run.lookup(run.ids[run.position]);
        if (!item) {
            ++run.position;
            ++run.settled;
            Q_EMIT progressChanged();
            continue;
        }
        const std::int64_t estimate = memoryEstimate(*item, run.settings);
        std::int64_t inFlightBytes = 0;
        for (const Conversion& conversion : run.inFlight)
            inFlightBytes += conversion.memoryEstimate;
        if (!mayStartConversion(run.capacity, int(run.inFlight.size()), inFlightBytes, estimate))
            return;
        startConversion(*item, estimate);
    }
    if (run.inFlight.empty())
        end();
}

void RunRunner::startConversion(const ImageItem& item, std::int64_t estimate)
{
    Run& run = *m_run;
    const std::size_t position = run.position++;
    const fs::path source = item.url;
    run.inFlight.push_back({item.id, position, estimate});
    Q_EMIT itemStarted(item.id);

    // Holding the first free name from here, in queue order, keeps later items from taking
    // it however fast they finish. A subfolder may not exist yet, so its names are looked up
    // below the output folder; the claim looks again in the subfolder held open, where the
    // file goes.
    std::vector<Destination> destinations;
    for (const TargetSize size : targetSizes(run.settings)) {
        const fs::path subfolder = subfolderFor(run.settings, item, size);
        destinations.push_back(
            {size, FreeNameFinder(run.root, subfolder, atSize(run.settings, size), source),
             subfolder});
        run.names->reserve(destinations.back().candidates,
                           nameKey(position, destinations.size() - 1));
    }
    run.pool->start([this, runId = run.id,
                     converter = m_converter ? m_converter : engineConverter(), source,
                     settings = run.settings, destinations = std::move(destinations),
                     root = run.root, subfolders = run.subfolders, position, names = run.names] {
        JobResult result =
            convert(converter, source, settings, destinations, root, subfolders, position, names);
        // The destructor waits for this pool, so the runner is still there to receive it.
        QMetaObject::invokeMethod(
            this,
            [this, runId, position, result = std::move(result)] {
                finishConversion(runId, position, result);
            },
            Qt::QueuedConnection);
    });
}

void RunRunner::finishConversion(quint64 runId, std::size_t position, const JobResult& result)
{
    if (!m_run || m_run->id != runId)
        return;
    Run& run = *m_run;
    const auto conversion =
        std::find_if(run.inFlight.begin(), run.inFlight.end(),
                     [&](const Conversion& other) { return other.position == position; });
    if (conversion == run.inFlight.end())
        return;
    const ItemId id = conversion->id;
    run.inFlight.erase(conversion);
    Q_EMIT itemFinished(id, result);
    ++(result.succeeded ? run.succeeded : run.failed);
    ++run.settled;
    Q_EMIT progressChanged();
    // One turn of the event loop, so the window redraws before the next image starts.
    QTimer::singleShot(0, this, [this, runId] { startConversions(runId); });
}

void RunRunner::end()
{
    Run& run = *m_run;
    if (run.succeeded == 0) {
        finish();
        return;
    }
    // Files reported as written must survive a power cut: one flush of the folder's file
    // system, off this thread, costs less than a flush per file. A failing disk is beyond
    // what the run can mend; the files are complete in the cache.
    run.flush = std::make_unique<QFutureWatcher<void>>();
    connect(run.flush.get(), &QFutureWatcherBase::finished, this, &RunRunner::finish);
    run.flush->setFuture(QtConcurrent::run([root = run.root] { flushFileSystem(*root); }));
}

void RunRunner::finish()
{
    // Trimming walks every heap: off this thread, like the flush.
    QThreadPool::globalInstance()->start(&releaseConversionBuffers);
    m_run->finished = true;
    Q_EMIT finished();
}

} // namespace pictavo
