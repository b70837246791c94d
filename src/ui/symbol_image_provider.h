#pragma once

#include <QQuickImageProvider>

namespace pictavo {

// Serves "image://symbol/<symbol name>/<colour>" (for example image://symbol/photo.stack/ff9438,
// or aarrggbb with an opacity)
// from the bundled SVG icons, drawn in that colour at the requested size. Tinting happens in the
// SVG itself, so no shader effect is needed and software rendering shows it too.
class SymbolImageProvider : public QQuickImageProvider {
public:
    SymbolImageProvider();

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    // The symbol names the window uses, mapped to their icon files.
    static QString iconFile(const QString& symbol);
};

} // namespace pictavo
