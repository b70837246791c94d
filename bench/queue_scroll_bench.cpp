// Queue scrolling benchmark: the real window with a queue of 5,000 photos, scrolled from the
// first row to the last while every frame's interval is recorded. Prints the frame figures,
// the resident memory before and after, how many rows exist, and what one status change costs.
// Needs a display (bench/run-queue-bench runs it under Xvfb).
//
//   queue_scroll_bench [--seconds S] [--items N] PHOTO.jpg…
//   the photos are hard-linked round-robin into a temporary folder

#include "fake_window.h"
#include "resize_view_model.h"
#include "window_look.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QQmlExtensionPlugin>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariantAnimation>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

Q_IMPORT_QML_PLUGIN(PictavoPlugin)

namespace fs = std::filesystem;

namespace {

// Resident and peak resident memory of this process in MB (10⁶ bytes).
std::pair<double, double> memoryMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return {0, 0};
    double rss = 0;
    double peak = 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        const double kb = line.simplified().split(' ').value(1).toDouble();
        if (line.startsWith("VmRSS:"))
            rss = kb * 1024 / 1e6;
        else if (line.startsWith("VmHWM:"))
            peak = kb * 1024 / 1e6;
    }
    return {rss, peak};
}

void runFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool runUntil(const std::function<bool()>& condition, int timeoutMilliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMilliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// The rows that exist right now: the list's delegates.
QList<QQuickItem*> rowsOf(QQuickItem& list)
{
    auto* content = list.property("contentItem").value<QQuickItem*>();
    QList<QQuickItem*> rows;
    for (QQuickItem* child : content->childItems())
        if (QByteArray(child->metaObject()->className()).startsWith("PremiumImageRow"))
            rows << child;
    return rows;
}

struct FrameFigures {
    std::size_t frames = 0;
    double fps = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
    long long over50 = 0;
};

FrameFigures figuresOf(const std::vector<qint64>& swaps)
{
    std::vector<double> intervals;
    for (std::size_t i = 1; i < swaps.size(); ++i)
        intervals.push_back(double(swaps[i] - swaps[i - 1]) / 1e6);
    if (intervals.empty())
        return {};
    std::sort(intervals.begin(), intervals.end());
    const auto quantile = [&](double q) {
        return intervals[std::min(intervals.size() - 1, std::size_t(q * double(intervals.size())))];
    };
    double total = 0;
    for (double interval : intervals)
        total += interval;
    return {swaps.size(),
            1000.0 * double(intervals.size()) / total,
            quantile(0.5),
            quantile(0.99),
            intervals.back(),
            std::count_if(intervals.begin(), intervals.end(), [](double i) { return i > 50; })};
}

void printFigures(const char* what, const FrameFigures& f)
{
    std::printf("%s: %zu frames, %.1f fps, interval median %.1f ms, p99 %.1f ms, max %.1f ms, "
                "%lld over 50 ms\n",
                what, f.frames, f.fps, f.median, f.p99, f.max, f.over50);
}

class SignalCounter : public QObject {
    Q_OBJECT

public:
    int count = 0;

public Q_SLOTS:
    void hit() { ++count; }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    pictavo::applyWindowLook(application);

    int seconds = 20;
    int items = 5000;
    std::vector<fs::path> photos;
    QStringList arguments = QApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--seconds") && i + 1 < arguments.size())
            seconds = arguments[++i].toInt();
        else if (arguments[i] == QLatin1String("--items") && i + 1 < arguments.size())
            items = arguments[++i].toInt();
        else
            photos.emplace_back(arguments[i].toStdString());
    }
    if (photos.empty() || seconds < 1 || items < 1) {
        std::fprintf(stderr, "usage: queue_scroll_bench [--seconds S] [--items N] PHOTO.jpg…\n");
        return 2;
    }

    QTemporaryDir folder;
    QStringList paths;
    for (int i = 0; i < items; ++i) {
        const fs::path& photo = photos[std::size_t(i) % photos.size()];
        const fs::path link =
            fs::path(folder.path().toStdString()) / ("IMG_" + std::to_string(i) + ".jpg");
        std::error_code linkError;
        fs::create_hard_link(photo, link, linkError);
        if (linkError)
            fs::copy_file(photo, link);
        paths << QString::fromStdString(link.string());
    }

    pictavo::harness::FakeWindow fake;
    QQuickWindow* window = fake.window;
    if (!window)
        return 1;
    runUntil([&] { return window->isExposed(); }, 10000);
    runFor(1000);

    pictavo::ResizeViewModel* model = fake.model;
    QElapsedTimer intake;
    intake.start();
    model->addPaths(paths);
    std::printf("queue: %d items (%zu distinct photos), queued in %lld ms\n",
                model->items()->count(), photos.size(), static_cast<long long>(intake.elapsed()));

    auto* list = window->findChild<QQuickItem*>(QStringLiteral("queueListView"));
    if (!list)
        return 1;
    runFor(3000); // first rows and their thumbnails
    const auto [rssBefore, peakBefore] = memoryMegabytes();
    std::printf("at the top: %lld rows exist, RSS %.1f MB\n",
                static_cast<long long>(rowsOf(*list).size()), rssBefore);

    // One status change: which rows are made anew, and which rows hear of it.
    const QList<QQuickItem*> rowsBefore = rowsOf(*list);
    SignalCounter statusChanges;
    for (QQuickItem* row : rowsBefore)
        QObject::connect(row, SIGNAL(statusChanged()), &statusChanges, SLOT(hit()));
    model->items()->setStatus(2, pictavo::ItemStatus{pictavo::ItemState::processing, {}, {}});
    runFor(300);
    const QList<QQuickItem*> rowsAfter = rowsOf(*list);
    const QSet<QQuickItem*> before(rowsBefore.begin(), rowsBefore.end());
    const QSet<QQuickItem*> after(rowsAfter.begin(), rowsAfter.end());
    std::printf("one status change: %lld rows created, %lld rows destroyed, %d of %lld rows "
                "notified\n",
                static_cast<long long>((after - before).size()),
                static_cast<long long>((before - after).size()), statusChanges.count,
                static_cast<long long>(rowsBefore.size()));
    model->items()->setStatus(2, pictavo::ItemStatus{});

    // Frame intervals while the list scrolls from top to bottom at an even speed.
    QMutex mutex;
    std::vector<qint64> swaps;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [&] {
            const QMutexLocker lock(&mutex);
            swaps.push_back(clock.nsecsElapsed());
        },
        Qt::DirectConnection);
    const double startY = list->property("contentY").toDouble();
    const double endY = list->property("originY").toDouble() +
                        list->property("contentHeight").toDouble() +
                        list->property("bottomMargin").toDouble() - list->height();
    QVariantAnimation scroll;
    scroll.setStartValue(startY);
    scroll.setEndValue(endY);
    scroll.setDuration(seconds * 1000);
    QObject::connect(&scroll, &QVariantAnimation::valueChanged, list,
                     [&](const QVariant& y) { list->setProperty("contentY", y); });
    const auto takeSwaps = [&] {
        const QMutexLocker lock(&mutex);
        return std::exchange(swaps, {});
    };
    // The same window standing still, for comparison: only the background glows move (none
    // with reduced motion), so this shows what the machine allows at all.
    takeSwaps();
    runFor(3000);
    printFigures("standing still 3 s", figuresOf(takeSwaps()));
    scroll.start();
    runUntil([&] { return scroll.state() == QAbstractAnimation::Stopped; }, seconds * 1000 + 60000);
    const FrameFigures scrolling = figuresOf(takeSwaps());
    QMetaObject::invokeMethod(list, "positionViewAtEnd");
    runFor(200);
    const int rowsAtEnd = int(rowsOf(*list).size());
    const auto [rssScrolled, peakScrolled] = memoryMegabytes();
    runFor(3000);
    const auto [rssSettled, peakSettled] = memoryMegabytes();

    std::printf("scrolled %.0f px (%d rows) in %d s (%.0f px/s)\n", endY - startY,
                model->items()->count(), seconds, (endY - startY) / seconds);
    printFigures("while scrolling", scrolling);
    std::printf("%s\n", scrolling.frames > 1 && scrolling.over50 == 0 ? "PASS (no frame over 50 ms)"
                                                                      : "FAIL (frames over 50 ms)");
    std::printf("at the bottom: %d rows exist (list at end: %s), RSS %.1f MB right after, "
                "%.1f MB 3 s later (top: %.1f MB), peak %.1f MB\n",
                rowsAtEnd, list->property("atYEnd").toBool() ? "yes" : "no", rssScrolled,
                rssSettled, rssBefore, std::max(peakScrolled, peakSettled));
    (void)peakBefore;
    return 0;
}

#include "queue_scroll_bench.moc"
