#pragma once

#include "thumbnail_cache.h"

#include <QHash>
#include <QMutex>
#include <QQuickAsyncImageProvider>
#include <QThreadPool>

namespace pictavo {

// Serves "image://thumbnail/<the path's bytes percent-encoded>": the photo scaled to cover the
// requested size and cropped to it, on the provider's own two threads so that a long queue
// scrolling past cannot occupy every core or hold up the drawing. A valid picture in the desktop's
// shared thumbnail cache is used instead of decoding the photo, and a decoded one is left
// there. A file that cannot be read gives an error, and the view keeps its placeholder; it is
// not read again while its modification time stays the same.
class ThumbnailImageProvider : public QQuickAsyncImageProvider {
public:
    ThumbnailImageProvider();
    ~ThumbnailImageProvider() override;

    QQuickImageResponse* requestImageResponse(const QString& id,
                                              const QSize& requestedSize) override;

    // The size asked for when the view gives none.
    static constexpr QSize kDefaultSize{164, 124};

    // What one request makes on a pool thread: the row's picture (null when the file cannot
    // be read) and, when it was decoded, the whole picture the shared cache should keep.
    struct Result {
        QImage shown;
        QImage toCache;
        ThumbnailSource source;
    };
    // The picture of the file at `path` (the system's bytes) for `size`.
    Result picture(const QByteArray& path, QSize size);
    // Leaves a decoded picture in the shared cache; after the row has it, so that the PNG's
    // encoding does not hold it up.
    void keep(const Result& result) const;

private:
    bool failedBefore(const ThumbnailSource& source);
    void rememberFailure(const ThumbnailSource& source);

    ThumbnailCache m_cache;
    QMutex m_failuresLock;
    QHash<QByteArray, qint64> m_failures; // canonical path → modification time that failed
    QThreadPool m_pool;
};

} // namespace pictavo
