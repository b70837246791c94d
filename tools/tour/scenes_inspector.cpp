#include "resize_view_model.h"
#include "settings_object.h"
#include "tour.h"

#include <QQmlProperty>
#include <QQuickItem>
#include <algorithm>

namespace pictavo::tour {

namespace {

// Scrolls the inspector so that the named item starts `above` pixels below its top (or as far
// as it goes).
void scrollInspectorTo(Tour& tour, const QString& itemName, qreal above = 16)
{
    QObject& scroll = tour.find(QStringLiteral("inspectorScroll"));
    auto* flickable = QQmlProperty::read(&scroll, QStringLiteral("contentItem")).value<QObject*>();
    auto* content = flickable->property("contentItem").value<QQuickItem*>();
    auto* item = qobject_cast<QQuickItem*>(&tour.find(itemName));
    const qreal panelTop = item->mapToItem(content, QPointF(0, 0)).y() - above;
    const qreal end =
        flickable->property("contentHeight").toReal() - flickable->property("height").toReal();
    flickable->setProperty("contentY", std::clamp<qreal>(panelTop, 0, std::max<qreal>(0, end)));
    tour.settle(500);
}

} // namespace

void inspectorScenes(Tour& tour)
{
    ResizeViewModel& model = tour.model();
    tour.shot(QStringLiteral("inspector-launch"));

    tour.set(QStringLiteral("contentView"), "showAllPresets", true);
    tour.settle(800);
    tour.shot(QStringLiteral("inspector-all-presets"));
    tour.set(QStringLiteral("contentView"), "showAllPresets", false);

    ResizeSettings sizes = model.settings()->value();
    sizes.multipleSizes = true;
    sizes.sizes = {{1920, 1080}, {1200, 1200}, {400, 400}};
    model.settings()->setValue(sizes);
    tour.settle(300);
    scrollInspectorTo(tour, QStringLiteral("multipleSizesOption"), 260);
    tour.shot(QStringLiteral("inspector-sizes"));
    model.settings()->setValue(ResizeSettings{});

    ResizeSettings png = model.settings()->value();
    png.format = OutputFormat::png;
    model.settings()->setValue(png);
    scrollInspectorTo(tour, QStringLiteral("framingPanel"));
    tour.shot(QStringLiteral("inspector-png"));
    model.settings()->setValue(ResizeSettings{});

    tour.set(QStringLiteral("namingGroup"), "expanded", true);
    ResizeSettings named = model.settings()->value();
    named.prefix = "web_";
    named.format = OutputFormat::jpeg;
    model.settings()->setValue(named);
    scrollInspectorTo(tour, QStringLiteral("outputPanel"));
    tour.shot(QStringLiteral("inspector-naming"));
    tour.set(QStringLiteral("namingGroup"), "expanded", false);
    model.settings()->setValue(ResizeSettings{});

    ResizeSettings limited = model.settings()->value();
    limited.format = OutputFormat::jpeg;
    limited.limitFileSize = true;
    limited.maxFileSizeBytes = 1'500'000;
    model.settings()->setValue(limited);
    scrollInspectorTo(tour, QStringLiteral("outputPanel"));
    tour.shot(QStringLiteral("inspector-size-limit"));
    model.settings()->setValue(ResizeSettings{});

    ResizeSettings avif = model.settings()->value();
    avif.format = OutputFormat::avif;
    model.settings()->setValue(avif);
    scrollInspectorTo(tour, QStringLiteral("outputPanel"));
    auto* formatBox = tour.find(QStringLiteral("formatPicker")).property("box").value<QObject*>();
    auto* formatList = formatBox->property("popup").value<QObject*>();
    QMetaObject::invokeMethod(formatList, "open");
    tour.settle(600);
    tour.shot(QStringLiteral("inspector-formats"));
    QMetaObject::invokeMethod(formatList, "close");
    tour.settle(300);
    model.settings()->setValue(ResizeSettings{});

    tour.platform().folders.answer =
        tour.scratchFolder(QStringLiteral("Dışa aktarılan fotoğraflar"));
    model.chooseOutputFolder();
    model.settings()->setKeepFolderStructure(true);
    scrollInspectorTo(tour, QStringLiteral("saveLocationPanel"));
    tour.shot(QStringLiteral("inspector-keep-folders"));
    model.settings()->setKeepFolderStructure(false);
    model.addPaths(tour.photos(
        {"06-jpeg-special/large_24MP_SonyA6000.jpg", "01-jpeg-camera-exif/Nikon_D5000.jpg"}));
    ResizeSettings heic = model.settings()->value();
    heic.format = OutputFormat::heic;
    model.settings()->setValue(heic);
    scrollInspectorTo(tour, QStringLiteral("outputPanel"));
    model.startProcessing();
    tour.settle(700);
    tour.shot(QStringLiteral("inspector-during-run"));
    scrollInspectorTo(tour, QStringLiteral("sizePanel"));
}

} // namespace pictavo::tour
