#include "resize_view_model.h"
#include "settings_object.h"
#include "tour.h"

#include <QQmlProperty>

namespace pictavo::tour {

void inspectorScenes(Tour& tour)
{
    ResizeViewModel& model = tour.model();
    tour.shot(QStringLiteral("inspector-launch"));

    tour.set(QStringLiteral("contentView"), "showAllPresets", true);
    tour.settle(800);
    tour.shot(QStringLiteral("inspector-all-presets"));
    tour.set(QStringLiteral("contentView"), "showAllPresets", false);

    ResizeSettings png = model.settings()->value();
    png.format = OutputFormat::png;
    model.settings()->setValue(png);
    tour.settle(600);
    tour.shot(QStringLiteral("inspector-png"));
    model.settings()->setValue(ResizeSettings{});

    // The naming group sits at the foot of the output panel; scroll it into view.
    tour.set(QStringLiteral("namingGroup"), "expanded", true);
    ResizeSettings named = model.settings()->value();
    named.prefix = "web_";
    named.format = OutputFormat::jpeg;
    model.settings()->setValue(named);
    tour.settle(400);
    QObject& scroll = tour.find(QStringLiteral("inspectorScroll"));
    QObject* flickable =
        QQmlProperty::read(&scroll, QStringLiteral("contentItem")).value<QObject*>();
    if (flickable) {
        const qreal contentHeight = flickable->property("contentHeight").toReal();
        const qreal height = flickable->property("height").toReal();
        flickable->setProperty("contentY", std::max<qreal>(0, contentHeight - height - 130));
    }
    tour.settle(600);
    tour.shot(QStringLiteral("inspector-naming"));
    if (flickable)
        flickable->setProperty("contentY", 0);
    tour.set(QStringLiteral("namingGroup"), "expanded", false);
    model.settings()->setValue(ResizeSettings{});

    tour.platform().folders.answer =
        tour.scratchFolder(QStringLiteral("Dışa aktarılan fotoğraflar"));
    model.chooseOutputFolder();
    model.addPaths(tour.photos(
        {"06-jpeg-special/large_24MP_SonyA6000.jpg", "01-jpeg-camera-exif/Nikon_D5000.jpg"}));
    ResizeSettings heic = model.settings()->value();
    heic.format = OutputFormat::heic;
    model.settings()->setValue(heic);
    model.startProcessing();
    tour.settle(700);
    tour.shot(QStringLiteral("inspector-during-run"));
}

} // namespace pictavo::tour
