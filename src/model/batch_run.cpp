// The batch run of ResizeViewModel: one conversion at a time on the thread pool, every model
// write on the GUI thread, one turn of the event loop between images.

#include "batch_run.h"

#include "image_processor.h"
#include "output_files.h"
#include "output_naming.h"
#include "resize_view_model.h"
#include "thread_priority.h"

#include <QTimer>
#include <QtConcurrent>
#include <filesystem>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

JobResult convert(const fs::path& source, const ResizeSettings& settings, const fs::path& firstName,
                  const std::shared_ptr<FreeNameFinder>& names)
{
    useBackgroundPriority();
    bool firstHandedOut = false;
    try {
        const fs::path written =
            ImageProcessor::processToNewFile(source, settings, [&]() -> fs::path {
                if (std::exchange(firstHandedOut, true))
                    return names->next();
                return firstName;
            });
        return {true, written, {}};
    } catch (const ProcessingError& error) {
        return {false, {}, error.what()};
    } catch (const std::exception&) {
        // Out of memory and the like: the image is lost, the batch goes on.
        return {false, {}, ProcessingError(ProcessingError::cannotCreate).what()};
    }
}

} // namespace

bool ResizeViewModel::startProcessing()
{
    assertGuiThread();
    // A second start while a batch runs would abandon the first one's job mid-write.
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
    m_run = std::move(run);
    QMetaObject::invokeMethod(this, &ResizeViewModel::beginRun, Qt::QueuedConnection);
    return true;
}

void ResizeViewModel::beginRun()
{
    BatchRun& run = *m_run;
    std::error_code error;
    fs::create_directories(run.folder, error);
    if (error) {
        setLastMessage(QStringLiteral("Çıktı klasörü oluşturulamadı: ") +
                       QString::fromLocal8Bit(error.message()));
        setLastMessageIsError(true);
        setProcessing(false);
        run.finished = true;
        Q_EMIT runFinished();
        return;
    }
    removeAbandonedTemporaries(run.folder);
    for (const ImageItem& item : m_items.items())
        run.ids.push_back(item.id);
    convertNext();
}

void ResizeViewModel::convertNext()
{
    BatchRun& run = *m_run;
    // Items removed from the queue since the batch began are passed over.
    while (run.position < run.ids.size() && !m_items.rowOf(run.ids[run.position])) {
        ++run.position;
        setProgress(double(run.position) / double(run.total));
    }
    if (run.cancelled || run.position >= run.ids.size()) {
        if (run.succeeded == 0) {
            finishRun();
            return;
        }
        // Files reported as written must survive a power cut: one flush of the folder's file
        // system, off this thread, costs less than a flush per file. A failing disk is beyond
        // what the run can mend; the files are complete in the cache.
        run.flush = std::make_unique<QFutureWatcher<void>>();
        connect(run.flush.get(), &QFutureWatcherBase::finished, this, &ResizeViewModel::finishRun);
        run.flush->setFuture(QtConcurrent::run([folder = run.folder] { flushFileSystem(folder); }));
        return;
    }

    const int row = *m_items.rowOf(run.ids[run.position]);
    m_items.setStatus(row, ImageItem::ItemStatus::makeProcessing());
    const ImageItem item = m_items.items()[static_cast<std::size_t>(row)];
    run.current = item.id;
    auto names = std::make_shared<FreeNameFinder>(run.folder, run.settings, item.url);
    const fs::path firstName = names->next();

    run.job = QtConcurrent::run(convert, item.url, run.settings, firstName, names);
    run.watcher = std::make_unique<QFutureWatcher<JobResult>>();
    connect(run.watcher.get(), &QFutureWatcherBase::finished, this,
            &ResizeViewModel::finishConversion);
    run.watcher->setFuture(run.job);
}

void ResizeViewModel::finishConversion()
{
    BatchRun& run = *m_run;
    const JobResult result = run.job.result();
    if (const std::optional<int> row = m_items.rowOf(run.current)) {
        m_items.setStatus(*row, result.succeeded
                                    ? ImageItem::ItemStatus::makeDone(result.output)
                                    : ImageItem::ItemStatus::makeFailed(result.message));
        Q_EMIT itemFinished(*row);
    }
    ++(result.succeeded ? run.succeeded : run.failed);
    setProgress(double(run.position + 1) / double(run.total));
    ++run.position;
    // One turn of the event loop, so the window redraws before the next image.
    QTimer::singleShot(0, this, &ResizeViewModel::convertNext);
}

void ResizeViewModel::finishRun()
{
    BatchRun& run = *m_run;
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
