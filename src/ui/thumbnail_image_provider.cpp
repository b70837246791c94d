#include "thumbnail_image_provider.h"

#include "thread_priority.h"
#include "thumbnail.h"

#include <QFile>
#include <QImage>
#include <QRunnable>
#include <QUrl>
#include <atomic>
#include <cstring>
#include <memory>

namespace pictavo {

namespace {

QImage toImage(const Thumbnail& thumbnail)
{
    QImage image(thumbnail.width, thumbnail.height, QImage::Format_RGBA8888);
    for (int y = 0; y < thumbnail.height; ++y)
        std::memcpy(image.scanLine(y), thumbnail.rgba.data() + std::size_t(y) * thumbnail.width * 4,
                    std::size_t(thumbnail.width) * 4);
    return image;
}

// `picture` scaled to cover `size` and cropped to it about its centre, as makeThumbnail() crops.
QImage coverAndCrop(const QImage& picture, QSize size)
{
    const QImage scaled =
        picture.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - size.width()) / 2, (scaled.height() - size.height()) / 2,
                       size.width(), size.height());
}

bool covers(const QImage& picture, QSize size)
{
    return picture.width() >= size.width() && picture.height() >= size.height();
}

// One request on the pool. Hands its picture to the response through a queued signal; a
// response cancelled before the work starts (its row scrolled away) costs nothing more.
class ThumbnailJob : public QObject, public QRunnable {
    Q_OBJECT

public:
    ThumbnailJob(ThumbnailImageProvider& provider, QByteArray path, QSize size,
                 std::shared_ptr<std::atomic_bool> cancelled)
        : m_provider(provider), m_path(std::move(path)), m_size(size),
          m_cancelled(std::move(cancelled))
    {}

    void run() override
    {
        useBackgroundPriority();
        if (m_cancelled->load()) {
            Q_EMIT done(QImage());
            return;
        }
        const ThumbnailImageProvider::Result result = m_provider.picture(m_path, m_size);
        Q_EMIT done(result.shown);
        m_provider.keep(result);
    }

Q_SIGNALS:
    void done(const QImage& image);

private:
    ThumbnailImageProvider& m_provider;
    QByteArray m_path;
    QSize m_size;
    std::shared_ptr<std::atomic_bool> m_cancelled;
};

class ThumbnailResponse : public QQuickImageResponse {
public:
    ThumbnailResponse(ThumbnailImageProvider& provider, const QByteArray& path, QSize size,
                      QThreadPool& pool)
    {
        auto* job = new ThumbnailJob(provider, path, size, m_cancelled);
        connect(job, &ThumbnailJob::done, this, &ThumbnailResponse::finish, Qt::QueuedConnection);
        pool.start(job);
    }

    QQuickTextureFactory* textureFactory() const override
    {
        return QQuickTextureFactory::textureFactoryForImage(m_image);
    }
    QString errorString() const override
    {
        return m_image.isNull() ? QStringLiteral("unreadable image") : QString();
    }
    // The engine still waits for finished(), which the job sends either way.
    void cancel() override { m_cancelled->store(true); }

private:
    void finish(const QImage& image)
    {
        m_image = image;
        Q_EMIT finished();
    }

    std::shared_ptr<std::atomic_bool> m_cancelled = std::make_shared<std::atomic_bool>(false);
    QImage m_image;
};

} // namespace

ThumbnailImageProvider::ThumbnailImageProvider()
{
    // Decoding runs at the conversions' background priority (each job lowers its thread), so
    // it gives way to drawing the window. Not lower: libvips shares its worker threads between
    // thumbnails and conversions, and a worker keeps the priority of the thread that started
    // it, so an idle-class thumbnail thread would leave later conversions crawling.
    m_pool.setMaxThreadCount(2);
}

ThumbnailImageProvider::~ThumbnailImageProvider()
{
    m_pool.clear();
    m_pool.waitForDone();
}

QQuickImageResponse* ThumbnailImageProvider::requestImageResponse(const QString& id,
                                                                  const QSize& requestedSize)
{
    // The id is the path's bytes percent-encoded (the queue's encodedPath). Qt may have decoded
    // some escapes already, UTF-8 sequences into characters; those go back to their bytes, the
    // escapes left are decoded now, and a literal "%" always arrives escaped. Never through
    // text: a byte that is not UTF-8 would come back as another.
    const QByteArray path = QByteArray::fromPercentEncoding(id.toUtf8());
    const QSize size =
        requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : kDefaultSize;
    return new ThumbnailResponse(*this, path, size, m_pool);
}

ThumbnailImageProvider::Result ThumbnailImageProvider::picture(const QByteArray& path, QSize size)
{
    const std::optional<ThumbnailSource> source = ThumbnailCache::describe(path);
    if (!source || failedBefore(*source))
        return {};
    const QImage cached = m_cache.find(*source, std::max(size.width(), size.height()));
    if (!cached.isNull())
        return {coverAndCrop(cached, size), {}, {}};
    if (m_cache.hasFailed(*source)) {
        rememberFailure(*source);
        return {};
    }
    // One decode serves both the cache, which keeps the whole picture, and the row, which
    // shows a crop of it; only a picture too narrow to cover the row (a panorama, a screen of
    // high pixel density) needs a second decode at the row's size.
    const std::filesystem::path file(source->path.toStdString());
    const std::optional<Thumbnail> preview = makePreview(file, ThumbnailCache::kLargeSide);
    if (!preview) {
        rememberFailure(*source);
        m_cache.recordFailure(*source);
        return {};
    }
    Result result{{}, toImage(*preview), *source};
    if (covers(result.toCache, size)) {
        result.shown = coverAndCrop(result.toCache, size);
    } else if (const std::optional<Thumbnail> thumbnail =
                   makeThumbnail(file, size.width(), size.height())) {
        result.shown = toImage(*thumbnail);
    }
    return result;
}

void ThumbnailImageProvider::keep(const Result& result) const
{
    if (!result.toCache.isNull())
        m_cache.store(result.source, result.toCache);
}

bool ThumbnailImageProvider::failedBefore(const ThumbnailSource& source)
{
    const QMutexLocker lock(&m_failuresLock);
    const auto failure = m_failures.constFind(source.path);
    return failure != m_failures.cend() && *failure == source.mtime;
}

void ThumbnailImageProvider::rememberFailure(const ThumbnailSource& source)
{
    const QMutexLocker lock(&m_failuresLock);
    m_failures.insert(source.path, source.mtime);
}

} // namespace pictavo

#include "thumbnail_image_provider.moc"
