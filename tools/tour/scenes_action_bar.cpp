#include "resize_view_model.h"
#include "settings_object.h"
#include "tour.h"

namespace pictavo::tour {

namespace {

void chooseFolder(Tour& tour, const QString& name)
{
    tour.platform().folders.answer = tour.scratchFolder(name);
    tour.model().chooseOutputFolder();
}

void runToEnd(Tour& tour)
{
    ResizeViewModel& model = tour.model();
    model.startProcessing();
    tour.waitUntil([&] { return !model.isProcessing(); });
    tour.settle(600);
}

} // namespace

void actionBarScenes(Tour& tour)
{
    // An empty queue at rest is the window at launch (window-empty).
    ResizeViewModel& model = tour.model();

    // HEIC output keeps each image busy long enough to photograph the ring a third of the way.
    chooseFolder(tour, QStringLiteral("running"));
    model.addPaths(tour.photos({"06-jpeg-special/large_24MP_SonyA6000.jpg",
                                "01-jpeg-camera-exif/Nikon_D5000.jpg",
                                "01-jpeg-camera-exif/Canon_EOS_1000D_orient6.jpg"}));
    ResizeSettings heic = model.settings()->value();
    heic.format = OutputFormat::heic;
    model.settings()->setValue(heic);
    model.startProcessing();
    tour.waitUntil([&] { return model.progress() > 0.3; });
    tour.settle(350);
    tour.shot(QStringLiteral("actionbar-running"));
    tour.waitUntil([&] { return !model.isProcessing(); });
    tour.reset();

    chooseFolder(tour, QStringLiteral("success"));
    model.addPaths(
        tour.photos({"01-jpeg-camera-exif/HTC_Desire_gps.jpg",
                     "02-heic/Stonehenge_NikonD5300_gps.heic", "03-png/photo_rgb16.png"}));
    runToEnd(tour);
    tour.shot(QStringLiteral("actionbar-success"));
    tour.reset();

    chooseFolder(tour, QStringLiteral("partial"));
    model.addPaths(tour.photos({"01-jpeg-camera-exif/HTC_Desire_gps.jpg",
                                "07-broken/truncated_jpeg_vips.jpg", "05-webp/lossy_photo.webp"}));
    runToEnd(tour);
    tour.shot(QStringLiteral("actionbar-partial-failure"));
}

} // namespace pictavo::tour
