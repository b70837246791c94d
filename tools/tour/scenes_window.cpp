#include "tour.h"

#include <QMetaObject>

namespace pictavo::tour {

void windowScenes(Tour& tour)
{
    tour.shot(QStringLiteral("window-empty"));

    tour.set(QStringLiteral("contentView"), "showInspector", false);
    tour.settle(800);
    tour.shot(QStringLiteral("window-no-inspector"));
    tour.set(QStringLiteral("contentView"), "showInspector", true);
    tour.settle(800);

    QObject& menu = tour.find(QStringLiteral("fileMenu"));
    QMetaObject::invokeMethod(&menu, "open");
    tour.settle(600);
    tour.shot(QStringLiteral("window-file-menu"));
    QMetaObject::invokeMethod(&menu, "close");
    tour.settle(400);
}

} // namespace pictavo::tour
