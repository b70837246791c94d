// run_responsiveness PHOTO [COPIES [JOBS]]: how smoothly the window keeps drawing while a batch run
// converts large photos. Run it on a display (Xvfb): it opens the real window over fake
// dialogs, lets the background glows animate so that frames keep coming, queues COPIES
// (default 3) copies of PHOTO and converts them (JOBS at once, by default as many as the run
// chooses), and prints
// the frame intervals and the lag of a 10 ms timer on the GUI thread during the run next to the
// same figures at rest.

#include "fake_window.h"
#include "resize_view_model.h"
#include "run_capacity.h"
#include "window_look.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QQmlExtensionPlugin>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

Q_IMPORT_QML_PLUGIN(PictavoPlugin)

namespace {

constexpr qint64 kFrameBudgetMs = 50;

// Frame intervals and timer lags, in milliseconds, collected while `active` is set.
struct Recorder {
    std::vector<qint64> frameIntervals;
    std::vector<qint64> timerLags;
    std::vector<std::pair<qint64, qint64>> longFrames; // when (ms on the clock), how long
    qint64 lastFrame = -1;
    qint64 lastTick = -1;
    bool active = false;

    void reset()
    {
        frameIntervals.clear();
        timerLags.clear();
        longFrames.clear();
        lastFrame = lastTick = -1;
    }
};

qint64 percentile(std::vector<qint64> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

void report(const char* phase, const Recorder& recorder)
{
    const auto& frames = recorder.frameIntervals;
    const auto over = std::count_if(frames.begin(), frames.end(),
                                    [](qint64 interval) { return interval > kFrameBudgetMs; });
    std::printf("%-8s frames %5zu  interval median %3lld ms  p99 %3lld ms  max %3lld ms  "
                "over %lld ms: %lld  |  timer lag p99 %3lld ms  max %3lld ms\n",
                phase, frames.size(), static_cast<long long>(percentile(frames, 0.5)),
                static_cast<long long>(percentile(frames, 0.99)),
                static_cast<long long>(frames.empty() ? 0 : percentile(frames, 1.0)),
                static_cast<long long>(kFrameBudgetMs), static_cast<long long>(over),
                static_cast<long long>(percentile(recorder.timerLags, 0.99)),
                static_cast<long long>(percentile(recorder.timerLags, 1.0)));
}

void runEventsFor(int milliseconds)
{
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("PICTAVO_REDUCE_MOTION"))
        qputenv("PICTAVO_REDUCE_MOTION", "0");
    QApplication application(argc, argv);
    pictavo::applyWindowLook(application);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: run_responsiveness PHOTO [COPIES [JOBS]]\n");
        return 2;
    }
    const int copies = arguments.size() > 2 ? arguments.at(2).toInt() : 3;
    const int jobs =
        arguments.size() > 3 ? arguments.at(3).toInt() : pictavo::automaticRunCapacity().jobs;

    QTemporaryDir scratch;
    QStringList sources;
    const QString suffix = QFileInfo(arguments.at(1)).suffix();
    for (int i = 0; i < copies; ++i) {
        const QString copy = scratch.filePath(QStringLiteral("photo-%1.%2").arg(i).arg(suffix));
        QFile::copy(arguments.at(1), copy);
        sources << copy;
    }

    pictavo::harness::FakeWindow fake;
    fake.platform.folders.answer = scratch.filePath(QStringLiteral("out"));
    QQuickWindow* window = fake.window;
    pictavo::ResizeViewModel* model = fake.model;
    if (!model)
        return 1;

    QElapsedTimer clock;
    clock.start();
    Recorder recorder;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        const qint64 now = clock.elapsed();
        if (recorder.active && recorder.lastFrame >= 0) {
            recorder.frameIntervals.push_back(now - recorder.lastFrame);
            if (now - recorder.lastFrame > kFrameBudgetMs)
                recorder.longFrames.emplace_back(now, now - recorder.lastFrame);
        }
        recorder.lastFrame = now;
    });
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (recorder.active && recorder.lastTick >= 0)
            recorder.timerLags.push_back(std::max<qint64>(0, now - recorder.lastTick - 10));
        recorder.lastTick = now;
    });
    ticker.start(10);

    runEventsFor(2000);
    recorder.active = true;
    runEventsFor(3000);
    report("at rest", recorder);

    // The queue's rows and thumbnails come first; only the run itself is measured.
    model->setRunLimits({jobs, 0});
    model->addPaths(sources);
    model->chooseOutputFolder();
    runEventsFor(3000);
    recorder.reset();
    QElapsedTimer run;
    run.start();
    const qint64 runStartedAt = clock.elapsed();
    model->startProcessing();
    while (model->isProcessing())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 runMs = run.elapsed();
    report("running", recorder);
    std::printf("long frames at (ms since the start):");
    for (const auto& [at, interval] : recorder.longFrames)
        std::printf(" %lld (%lld ms)", static_cast<long long>(at - runStartedAt),
                    static_cast<long long>(interval));
    std::printf("\n");
    std::printf("run: %d × %s, up to %d at once, in %.2f s, message: %s\n", copies,
                qPrintable(QFileInfo(arguments.at(1)).fileName()), jobs,
                static_cast<double>(runMs) / 1000.0, qPrintable(model->lastMessage()));
    return 0;
}
