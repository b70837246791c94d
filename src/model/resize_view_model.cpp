#include "resize_view_model.h"

#include "batch_run.h"
#include "intake.h"

#include <QThread>

namespace pictavo {

namespace {

PlatformServices& defaultServices()
{
    static PlatformServices services;
    return services;
}

} // namespace

void ResizeViewModel::setDefaultServices(const PlatformServices& services)
{
    defaultServices() = services;
}

ResizeViewModel::ResizeViewModel(QObject* parent) : ResizeViewModel(defaultServices(), parent) {}

ResizeViewModel::ResizeViewModel(const PlatformServices& services, QObject* parent)
    : QObject(parent), m_services(services)
{
    restoreOutputFolder();
}

ResizeViewModel::~ResizeViewModel()
{
    // The image being written is finished, so no half-done conversion outlives the window.
    if (m_run)
        m_run->job.waitForFinished();
}

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

bool ResizeViewModel::hasRunningTask() const
{
    return m_run && !m_run->finished;
}

void ResizeViewModel::openImages()
{
    assertGuiThread();
    if (!m_services.imageDialog)
        return;
    if (const std::optional<QStringList> chosen = m_services.imageDialog->chooseImages())
        addPaths(*chosen);
}

void ResizeViewModel::addURLs(const QList<QUrl>& urls)
{
    QStringList paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            paths << url.toLocalFile();
    addPaths(paths);
}

void ResizeViewModel::addPaths(const QStringList& paths)
{
    assertGuiThread();
    std::set<std::string> queued;
    for (const ImageItem& item : m_items.items())
        queued.insert(standardizedPath(item.url.string()));
    m_items.append(makeItems(paths, queued));
    Q_EMIT itemsChanged();
}

bool ResizeViewModel::chooseOutputFolder()
{
    assertGuiThread();
    if (!m_services.folderDialog)
        return false;
    const std::optional<QString> chosen = m_services.folderDialog->chooseFolder(
        {QStringLiteral("Dönüştürülen Görsellerin Kaydedileceği Klasörü Seç"),
         QStringLiteral("Bu Klasöre Kaydet"),
         QStringLiteral("macOS'un dosya yazma izni vermesi için bir çıktı klasörü seç.")});
    if (!chosen || chosen->isEmpty())
        return false;
    if (m_scopedOutputFolder && m_services.folderAccess)
        m_services.folderAccess->stopAccessing(*m_scopedOutputFolder);
    setOutputFolder(*chosen);
    m_scopedOutputFolder = *chosen;
    // The folder stays chosen even when access cannot be started; the run then reports why.
    if (m_services.folderAccess)
        m_services.folderAccess->startAccessing(*chosen);
    saveOutputFolderBookmark(*chosen);
    setLastMessage(std::nullopt);
    return true;
}

void ResizeViewModel::saveOutputFolderBookmark(const QString& folder)
{
    if (!m_services.folderAccess || !m_services.settingsStore)
        return;
    if (const std::optional<QByteArray> bookmark = m_services.folderAccess->bookmark(folder))
        m_services.settingsStore->setValue(QString::fromLatin1(kBookmarkKey), *bookmark);
}

void ResizeViewModel::restoreOutputFolder()
{
    if (!m_services.folderAccess || !m_services.settingsStore)
        return;
    const std::optional<QByteArray> stored =
        m_services.settingsStore->value(QString::fromLatin1(kBookmarkKey));
    if (!stored)
        return;
    const std::optional<ResolvedFolder> resolved = m_services.folderAccess->resolve(*stored);
    if (!resolved)
        return;
    if (resolved->stale)
        saveOutputFolderBookmark(resolved->path);
    if (!m_services.folderAccess->startAccessing(resolved->path))
        return;
    m_scopedOutputFolder = resolved->path;
    setOutputFolder(resolved->path);
}

void ResizeViewModel::cancelProcessing()
{
    assertGuiThread();
    if (m_run)
        m_run->cancelled = m_run->cancelled || !m_run->finished;
}

void ResizeViewModel::removeCompleted()
{
    assertGuiThread();
    m_items.removeIf(
        [](const ImageItem& item) { return item.status.kind == ImageItem::ItemStatus::done; });
    Q_EMIT itemsChanged();
    setLastMessage(std::nullopt);
}

void ResizeViewModel::revealOutputFolder()
{
    assertGuiThread();
    if (m_outputFolder && m_services.fileManager)
        m_services.fileManager->reveal(*m_outputFolder);
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

void ResizeViewModel::setOutputFolder(std::optional<QString> folder)
{
    if (m_outputFolder == folder)
        return;
    m_outputFolder = std::move(folder);
    Q_EMIT outputFolderChanged();
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
