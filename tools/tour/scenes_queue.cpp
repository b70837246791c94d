#include "resize_view_model.h"
#include "tour.h"

#include <QCursor>
#include <QQuickWindow>

namespace pictavo::tour {

void queueScenes(Tour& tour)
{
    ResizeViewModel& model = tour.model();
    // Over the bottom bar, so that no row shows its hover look.
    QCursor::setPos(tour.window().mapToGlobal(QPoint(8, tour.window().height() - 8)));
    tour.settle(400);
    tour.shot(QStringLiteral("queue-drop-zone"));

    model.setDropTargeted(true);
    tour.settle(800);
    tour.shot(QStringLiteral("queue-drop-zone-highlighted"));
    model.setDropTargeted(false);
    tour.settle(400);

    // One photo of each family the engine reads, turned and plain.
    model.addPaths(tour.photos(
        {"01-jpeg-camera-exif/Nokia_Lumia_820_gps.jpg", "02-heic/iPhoneXS_orient6_gps.heic",
         "03-png/photo_rgba_displayICC.png", "04-tiff/rgb8_jpeg_ycbcr.tif",
         "05-webp/lossy_photo.webp", "01-jpeg-camera-exif/Canon_EOS_1000D_orient6.jpg"}));
    tour.settle(2500);
    tour.shot(QStringLiteral("queue-photos"));

    // Two rows chosen from the keyboard, and the menu of the second.
    QObject& list = tour.find(QStringLiteral("queueList"));
    QMetaObject::invokeMethod(&list, "choose", Q_ARG(QVariant, 1), Q_ARG(QVariant, 0));
    QMetaObject::invokeMethod(&list, "choose", Q_ARG(QVariant, 2),
                              Q_ARG(QVariant, int(Qt::ShiftModifier)));
    QMetaObject::invokeMethod(&list, "openMenu", Q_ARG(QVariant, 2), Q_ARG(QVariant, 240),
                              Q_ARG(QVariant, 40));
    tour.settle(600);
    tour.shot(QStringLiteral("queue-row-menu"));
    tour.set(QStringLiteral("rowMenu"), "visible", false);
    tour.reset();

    // A run over small photos with one file whose pixel data stops early.
    tour.platform().folders.answer = tour.scratchFolder(QStringLiteral("queue-run"));
    model.chooseOutputFolder();
    model.addPaths(tour.photos({"03-png/photo_palette.png", "05-webp/libwebp_test.webp",
                                "07-broken/truncated_jpeg_camera_first64KiB.jpg",
                                "06-jpeg-special/gray_hopper.jpg", "04-tiff/palette8.tiff"}));
    model.startProcessing();
    tour.waitUntil([&] { return !model.isProcessing(); });
    tour.settle(2000);
    tour.shot(QStringLiteral("queue-after-run"));
}

} // namespace pictavo::tour
