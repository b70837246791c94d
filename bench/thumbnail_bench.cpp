// Queue thumbnail benchmark: one launch of the queue's thumbnail provider asked for every row
// of FOLDER's photos in row order, at the size a row asks. Prints when the first screenful of
// rows and when every row had its picture, and the CPU seconds the process had spent by then.
// Run it twice on the same $XDG_CACHE_HOME to compare an empty cache with a warm one
// (bench/run-thumbnail-bench does).
//
//   thumbnail_bench [--rows R] [--size WxH] FOLDER

#include "thumbnail_image_provider.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Moment {
    double seconds = 0;
    double cpu = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    int screenRows = 12;
    QSize size(82, 62); // PremiumImageRow's thumbnail at a device pixel ratio of 1
    while (arguments.size() > 2) {
        const QString option = arguments.takeFirst();
        const QString value = arguments.takeFirst();
        if (option == QLatin1String("--rows"))
            screenRows = value.toInt();
        else if (option == QLatin1String("--size"))
            size = QSize(value.section('x', 0, 0).toInt(), value.section('x', 1, 1).toInt());
    }
    if (arguments.size() != 1 || screenRows < 1 || size.isEmpty()) {
        std::fprintf(stderr, "usage: thumbnail_bench [--rows R] [--size WxH] FOLDER\n");
        return 2;
    }
    const QDir folder(arguments.first());
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    if (names.isEmpty())
        return 2;

    QElapsedTimer clock;
    clock.start();
    const double cpuAtStart = cpuSeconds();
    pictavo::ThumbnailImageProvider provider;
    std::vector<std::unique_ptr<QQuickImageResponse>> responses;
    int pending = int(names.size());
    int screenPending = std::min(screenRows, pending);
    int failures = 0;
    Moment screen;
    Moment all;
    for (int row = 0; row < names.size(); ++row) {
        const QString path = folder.absoluteFilePath(names[row]);
        responses.emplace_back(provider.requestImageResponse(
            QString::fromLatin1(QUrl::toPercentEncoding(path)), size));
        QQuickImageResponse* response = responses.back().get();
        QObject::connect(response, &QQuickImageResponse::finished, [&, row, response] {
            const Moment now{double(clock.nsecsElapsed()) / 1e9, cpuSeconds() - cpuAtStart};
            failures += response->errorString().isEmpty() ? 0 : 1;
            if (row < screenRows && --screenPending == 0)
                screen = now;
            if (--pending == 0) {
                all = now;
                QCoreApplication::quit();
            }
        });
    }
    QCoreApplication::exec();

    std::printf("%lld photos at %dx%d: first %d rows %.2f s (%.2f CPU s), all %.2f s "
                "(%.2f CPU s), %d without a picture\n",
                qlonglong(names.size()), size.width(), size.height(), screenRows, screen.seconds,
                screen.cpu, all.seconds, all.cpu, failures);
    return failures == 0 ? 0 : 1;
}
