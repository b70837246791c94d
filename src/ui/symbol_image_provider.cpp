#include "symbol_image_provider.h"

#include <QColor>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace pictavo {

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QString SymbolImageProvider::iconFile(const QString& symbol)
{
    // One file per symbol name; the names are the window's vocabulary, the files come from
    // Tabler Icons (MIT, see icons/LICENSE-tabler-icons.txt).
    return QStringLiteral(":/Pictavo/icons/%1.svg").arg(symbol);
}

QImage SymbolImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    // The colour comes as hex digits without "#", which would start a URL fragment.
    const qsizetype slash = id.lastIndexOf(QLatin1Char('/'));
    const QString symbol = slash < 0 ? id : id.left(slash);
    QColor colour(slash < 0 ? QStringLiteral("#ffffff") : QLatin1Char('#') + id.mid(slash + 1));
    if (!colour.isValid())
        colour = Qt::white;

    QFile file(iconFile(symbol));
    QByteArray svg;
    if (file.open(QIODevice::ReadOnly))
        svg = file.readAll();
    svg.replace("currentColor", colour.name(QColor::HexRgb).toLatin1());

    const QSize target =
        requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : QSize(24, 24);
    QImage image(target, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(svg);
    if (renderer.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(colour.alphaF());
        renderer.render(&painter);
    }
    if (size)
        *size = target;
    return image;
}

} // namespace pictavo
