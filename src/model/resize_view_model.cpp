#include "resize_view_model.h"

#include "intake.h"

#include <QFile>
#include <QThread>
#include <algorithm>

namespace pictavo {

ResizeViewModel::ResizeViewModel(const PlatformServices& services, QObject* parent)
    : QObject(parent), m_services(services), m_output(services)
{
    connect(&m_runner, &RunRunner::itemStarted, this, [this](const ItemId& id) {
        m_items.setStatus(*m_items.rowOf(id), ItemStatus{ItemState::processing, {}, {}});
    });
    connect(&m_runner, &RunRunner::itemFinished, this,
            [this](const ItemId& id, const JobResult& result) {
                if (const std::optional<int> row = m_items.rowOf(id)) {
                    m_items.setStatus(*row, statusAfter(result));
                    Q_EMIT itemFinished(*row);
                }
            });
    connect(&m_runner, &RunRunner::progressChanged, this,
            [this] { setProgress(m_runner.progress()); });
    connect(&m_runner, &RunRunner::finished, this, &ResizeViewModel::showRunFinished);
    if (m_services.runObserver)
        reportRunsTo(*m_services.runObserver);
}

// The desktop follows the runs through the model's own signals, so the run's steps need not
// know about it: processing goes on, progress comes per settled item, runFinished comes once.
void ResizeViewModel::reportRunsTo(RunObserver& observer)
{
    connect(this, &ResizeViewModel::isProcessingChanged, this, [this, &observer] {
        // A run takes every queued item (startProcessing).
        if (m_isProcessing)
            observer.runStarted(m_items.count());
    });
    connect(this, &ResizeViewModel::progressChanged, this, [this, &observer] {
        // Not the reset to 0 at a start, which comes before the new run exists.
        if (hasRunningTask())
            observer.runProgressed(m_progress, m_runner.itemsLeft());
    });
    connect(this, &ResizeViewModel::runFinished, this, [this, &observer] {
        observer.runFinished({lastMessage(), m_lastMessageIsError, m_runner.folder()});
    });
}

ResizeViewModel::~ResizeViewModel() = default;

void ResizeViewModel::assertGuiThread() const
{
    Q_ASSERT_X(QThread::currentThread() == thread(), "ResizeViewModel",
               "used outside the GUI thread");
}

void ResizeViewModel::setDropTargeted(bool targeted)
{
    assertGuiThread();
    if (m_isDropTargeted == targeted)
        return;
    m_isDropTargeted = targeted;
    Q_EMIT isDropTargetedChanged();
}

void ResizeViewModel::openImages()
{
    assertGuiThread();
    if (!m_services.imageDialog)
        return;
    if (const std::optional<QStringList> chosen = m_services.imageDialog->chooseImages())
        addPaths(*chosen);
}

QString ResizeViewModel::outputFolder() const
{
    return m_output.display();
}

void ResizeViewModel::addURLs(const QList<QUrl>& urls)
{
    // A file URL carries the name's bytes percent-encoded; toLocalFile() would decode them as
    // UTF-8 and replace what is not.
    std::vector<std::filesystem::path> paths;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!url.host().isEmpty())
            bytes.prepend("//" + url.host(QUrl::FullyEncoded).toLatin1());
        paths.emplace_back(bytes.toStdString());
    }
    intake(paths, Repeats::kept);
}

void ResizeViewModel::addPaths(const QStringList& paths)
{
    std::vector<std::filesystem::path> encoded;
    for (const QString& path : paths)
        encoded.emplace_back(QFile::encodeName(path).toStdString());
    intake(encoded, Repeats::kept);
}

std::vector<SkippedPath> ResizeViewModel::addPaths(const std::vector<std::filesystem::path>& paths,
                                                   const StopRequest& stopRequested)
{
    return intake(paths, Repeats::skipped, stopRequested);
}

std::vector<SkippedPath> ResizeViewModel::intake(const std::vector<std::filesystem::path>& paths,
                                                 Repeats repeats, const StopRequest& stopRequested)
{
    assertGuiThread();
    std::set<std::filesystem::path> queued;
    for (const ImageItem& item : m_items.items())
        queued.insert(standardizedPath(item.url));
    IntakeResult result = makeItems(paths, std::move(queued), repeats, stopRequested);
    if (result.stopped)
        result = {};
    m_items.append(std::move(result.items));
    Q_EMIT itemsChanged();
    return std::move(result.skipped);
}

bool ResizeViewModel::chooseOutputFolder()
{
    assertGuiThread();
    bool chosen = false;
    updateOutputFolder([&] { chosen = m_output.choose(); });
    if (!chosen)
        return false;
    setLastMessage(std::nullopt);
    return true;
}

void ResizeViewModel::useOutputFolder(const std::filesystem::path& folder)
{
    assertGuiThread();
    updateOutputFolder([&] { m_output.use(folder); });
}

void ResizeViewModel::updateOutputFolder(const std::function<void()>& change)
{
    const std::optional<std::filesystem::path> before = m_output.path();
    change();
    if (m_output.path() != before)
        Q_EMIT outputFolderChanged();
}

bool ResizeViewModel::startProcessing()
{
    assertGuiThread();
    // A second start while a batch runs would abandon the first one's jobs mid-write.
    if (m_isProcessing || m_items.count() == 0)
        return false;
    if (!m_settings.allowsStart())
        return false;
    if (!m_output.path() && !chooseOutputFolder())
        return false;
    if (!m_output.path())
        return false;

    setProcessing(true);
    setProgress(0);
    setLastMessage(std::nullopt);
    setLastMessageIsError(false);
    std::vector<ItemId> ids;
    for (const ImageItem& item : m_items.items())
        ids.push_back(item.id);
    // Items are looked up when their turn comes: one removed meanwhile is passed over.
    m_runner.start(*m_output.path(), m_settings.value(), std::move(ids),
                   [this](const ItemId& id) -> const ImageItem* {
                       const std::optional<int> row = m_items.rowOf(id);
                       return row ? &m_items.items()[std::size_t(*row)] : nullptr;
                   });
    return true;
}

void ResizeViewModel::showRunFinished()
{
    const RunSummary summary = m_runner.summary();
    // A run stopped by its folder never showed as converting anything: its reason comes first.
    if (m_runner.folderFailed()) {
        setLastMessage(summary.message);
        setLastMessageIsError(summary.isError);
        setProcessing(false);
    } else {
        setProcessing(false);
        setLastMessage(summary.message);
        setLastMessageIsError(summary.isError);
    }
    Q_EMIT runFinished();
}

void ResizeViewModel::cancelProcessing()
{
    assertGuiThread();
    m_runner.cancel();
}

void ResizeViewModel::removeCompleted()
{
    assertGuiThread();
    m_items.removeIf([](const ImageItem& item) { return item.status.state == ItemState::done; });
    Q_EMIT itemsChanged();
    setLastMessage(std::nullopt);
}

void ResizeViewModel::removeItems(const QList<int>& rows)
{
    assertGuiThread();
    if (m_isProcessing)
        return;
    // By identity: the row numbers move as the first rows go.
    std::vector<ItemId> doomed;
    for (const int row : rows) {
        if (row >= 0 && row < m_items.count())
            doomed.push_back(m_items.items()[std::size_t(row)].id);
    }
    if (doomed.empty())
        return;
    // Sorted, so that selecting a queue of thousands and removing it stays quick.
    std::sort(doomed.begin(), doomed.end());
    m_items.removeIf([&](const ImageItem& item) {
        return std::binary_search(doomed.begin(), doomed.end(), item.id);
    });
    Q_EMIT itemsChanged();
}

void ResizeViewModel::revealItem(int row) const
{
    assertGuiThread();
    if (row >= 0 && row < m_items.count() && m_services.fileManager)
        m_services.fileManager->reveal(m_items.items()[std::size_t(row)].url);
}

void ResizeViewModel::revealOutputFolder()
{
    assertGuiThread();
    m_output.reveal();
}

void ResizeViewModel::clearAll()
{
    assertGuiThread();
    // The queue is addressed by the running batch; the window disables this during a run.
    if (m_isProcessing)
        return;
    m_items.clear();
    Q_EMIT itemsChanged();
}

void ResizeViewModel::setProcessing(bool processing)
{
    if (m_isProcessing == processing)
        return;
    m_isProcessing = processing;
    Q_EMIT isProcessingChanged();
}

void ResizeViewModel::setProgress(double progress)
{
    if (m_progress == progress)
        return;
    m_progress = progress;
    Q_EMIT progressChanged();
}

void ResizeViewModel::setLastMessage(std::optional<QString> message)
{
    if (m_lastMessage == message)
        return;
    m_lastMessage = std::move(message);
    Q_EMIT lastMessageChanged();
}

void ResizeViewModel::setLastMessageIsError(bool isError)
{
    if (m_lastMessageIsError == isError)
        return;
    m_lastMessageIsError = isError;
    Q_EMIT lastMessageIsErrorChanged();
}

} // namespace pictavo
