#pragma once

#include <QQuickAsyncImageProvider>
#include <QThreadPool>

namespace pictavo {

// Serves "image://thumbnail/<percent-encoded path>": the photo scaled to cover the requested
// size and cropped to it, decoded by the engine on the provider's own two threads so that a
// long queue scrolling past cannot occupy every core or hold up the drawing. A file that cannot be
// read gives an error, and the view keeps its placeholder.
class ThumbnailImageProvider : public QQuickAsyncImageProvider {
public:
    ThumbnailImageProvider();
    ~ThumbnailImageProvider() override;

    QQuickImageResponse* requestImageResponse(const QString& id,
                                              const QSize& requestedSize) override;

    // The size asked for when the view gives none.
    static constexpr QSize kDefaultSize{164, 124};

private:
    QThreadPool m_pool;
};

} // namespace pictavo
