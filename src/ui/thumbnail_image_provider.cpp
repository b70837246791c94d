#include "thumbnail_image_provider.h"

#include "thread_priority.h"
#include "thumbnail.h"

#include <QImage>
#include <QRunnable>
#include <QUrl>
#include <atomic>
#include <cstring>
#include <memory>

namespace pictavo {

namespace {

// One decode on the pool. Hands its picture to the response through a queued signal; a
// response cancelled before the decode starts (its row scrolled away) costs nothing more.
class ThumbnailJob : public QObject, public QRunnable {
    Q_OBJECT

public:
    ThumbnailJob(QString path, QSize size, std::shared_ptr<std::atomic_bool> cancelled)
        : m_path(std::move(path)), m_size(size), m_cancelled(std::move(cancelled))
    {}

    void run() override
    {
        useBackgroundPriority();
        QImage image;
        if (!m_cancelled->load()) {
            if (std::optional<Thumbnail> thumbnail =
                    makeThumbnail(m_path.toStdString(), m_size.width(), m_size.height())) {
                image = QImage(thumbnail->width, thumbnail->height, QImage::Format_RGBA8888);
                for (int y = 0; y < thumbnail->height; ++y)
                    std::memcpy(image.scanLine(y),
                                thumbnail->rgba.data() + std::size_t(y) * thumbnail->width * 4,
                                std::size_t(thumbnail->width) * 4);
            }
        }
        Q_EMIT done(image);
    }

Q_SIGNALS:
    void done(const QImage& image);

private:
    QString m_path;
    QSize m_size;
    std::shared_ptr<std::atomic_bool> m_cancelled;
};

class ThumbnailResponse : public QQuickImageResponse {
public:
    ThumbnailResponse(const QString& path, QSize size, QThreadPool& pool)
    {
        auto* job = new ThumbnailJob(path, size, m_cancelled);
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
    // Qt may have decoded some escapes already; decoding again leaves those alone, and a
    // literal "%" always arrives escaped.
    const QString path = QUrl::fromPercentEncoding(id.toUtf8());
    const QSize size =
        requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : kDefaultSize;
    return new ThumbnailResponse(path, size, m_pool);
}

} // namespace pictavo

#include "thumbnail_image_provider.moc"
