#include "image_processor.h"
#include "workbench.h"

#include <QTest>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace pictavo;
using namespace pictavo::test;

namespace {

using Kind = ItemState;

// An engine whose conversions take the time the test gives each source (in milliseconds, by
// path), so they finish in the order the test chooses. Sources in a folder named "broken"
// fail; the others create their output file the way the engine does, never replacing one.
struct SlowEngine {
    std::map<std::string, int> delays;
    std::atomic<int> running = 0;
    std::atomic<int> mostAtOnce = 0;

    Converter converter()
    {
        return [this](const std::filesystem::path& source, const ResizeSettings&,
                      const std::vector<ImageProcessor::SizedOutput>& outputs) {
            const int now = ++running;
            for (int seen = mostAtOnce; now > seen && !mostAtOnce.compare_exchange_weak(seen, now);)
                ;
            std::this_thread::sleep_for(std::chrono::milliseconds(delays.at(source.string())));
            --running;
            std::vector<ImageProcessor::SizedResult> results;
            for (const ImageProcessor::SizedOutput& output : outputs) {
                results.push_back({});
                if (source.parent_path().filename() == "broken")
                    results.back().error = ProcessingError(ProcessingError::cannotRead);
                while (results.back().written.empty() && !results.back().error) {
                    const std::filesystem::path name = output.nextName();
                    const int file = ::openat(output.folder->descriptor(), name.filename().c_str(),
                                              O_WRONLY | O_CREAT | O_EXCL, 0644);
                    if (file >= 0 && ::close(file) == 0)
                        results.back().written = name;
                }
            }
            return results;
        };
    }
};

// What the run observer hears for `total` items of which `finished` came to an end.
QStringList observed(int total, int finished, const QString& summary)
{
    QStringList calls{QString("started %1").arg(total)};
    for (int i = 1; i <= finished; ++i)
        calls << QString("left %1").arg(total - i);
    return calls << "finished: " + summary;
}

} // namespace

class TestBatchRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Nothing to do, a width below 1, a file-size limit below 1 kB, or no folder (the dialog the
    // start opens cancelled) start no run and say nothing; a folder chosen in that dialog starts
    // one, and a limit switched off does not count.
    void startConditions()
    {
        Workbench bench(false);
        bench.platform.folders.answer = std::nullopt;
        QSignalSpy processing(&bench.model, &ResizeViewModel::isProcessingChanged);
        QVERIFY(!bench.model.startProcessing());
        bench.model.addPaths({bench.source("a.jpg")});
        bench.model.settings()->setWidth(0);
        QVERIFY(!bench.model.startProcessing());
        bench.model.settings()->setWidth(1920);
        QVERIFY(!bench.model.startProcessing());
        // Several sizes: switched on, the list starts with the current size, takes each size
        // once, and lets a run start only while it holds sizes, none of them with a side of 0.
        SettingsObject& settings = *bench.model.settings();
        settings.setMultipleSizes(true);
        QVERIFY(!settings.addCurrentSize());
        settings.setWidth(0);
        QVERIFY(settings.addCurrentSize());
        QCOMPARE(settings.sizes().size(), 2);
        QVERIFY(!settings.allowsStart() && !bench.model.startProcessing());
        ResizeSettings twice = settings.value();
        twice.sizes = {{8, 8}, {8, 8}};
        settings.setValue(twice);
        QVERIFY(!settings.allowsStart() && !bench.model.startProcessing());
        settings.removeSize(1);
        settings.removeSize(0);
        QVERIFY(!settings.allowsStart() && !bench.model.startProcessing());
        settings.setMultipleSizes(false);
        settings.setWidth(1920);
        QVERIFY(settings.allowsStart());
        bench.platform.folders.answer = bench.dir.filePath("chosen");
        bench.model.settings()->setLimitFileSize(true);
        bench.model.settings()->setMaxFileSizeKB(0);
        QVERIFY(!bench.model.startProcessing());
        QCOMPARE(processing.count(), 0);
        QVERIFY(!bench.model.hasRunningTask() && !bench.model.hasLastMessage());
        bench.model.settings()->setLimitFileSize(false);
        QVERIFY(bench.runToEnd());
        QCOMPARE(bench.model.lastMessage(), QString("1 görsel başarıyla hazırlandı."));
        QVERIFY(QFile::exists(bench.dir.filePath("chosen/a_resized.jpg")));
    }

    // Conversions that finish in another order than they started give the one-at-a-time
    // results: names numbered in queue order, statuses, progress by finished items, summary.
    // Cancelling (twice, and again after the end) starts no new conversion but records the
    // ones already under way, however they finish.
    void runsGiveTheOneAtATimeResults_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<qint64>("memoryBudget");
        QTest::addColumn<int>("side");            // of the square target
        QTest::addColumn<QStringList>("sources"); // "name:delay"
        QTest::addColumn<int>("cancelAt");        // the row whose start cancels the run
        QTest::addColumn<QStringList>("outputs"); // "!" where the item fails, "" where it waits
        QTest::addColumn<QString>("summary");
        // The failing item's name goes to the next source of that name, as one at a time.
        QTest::newRow("a failure among successes")
            << 4 << qint64(0) << 1080
            << QStringList{"broken/a.jpg:300", "b.jpg:200", "a.jpg:100", "d.jpg:50", "e.jpg:50"}
            << -1
            << QStringList{"!", "b_resized.jpg", "a_resized.jpg", "d_resized.jpg", "e_resized.jpg"}
            << "4 tamamlandı, 1 görsel işlenemedi.";
        QTest::newRow("a memory budget for one image runs them one by one")
            << 4 << qint64(1) << 1080 << QStringList{"a.jpg:50", "b.jpg:50", "c.jpg:50"} << -1
            << QStringList{"a_resized.jpg", "b_resized.jpg", "c_resized.jpg"}
            << "3 görsel başarıyla hazırlandı.";
        // Small sources, but 8000² canvases (with their encoded files, about half a gigabyte
        // each): one fits in 1 GB, two do not.
        QTest::newRow("the canvas counts toward the memory budget")
            << 4 << qint64(1'000'000'000) << 8000 << QStringList{"a.jpg:50", "b.jpg:50"} << -1
            << QStringList{"a_resized.jpg", "b_resized.jpg"} << "2 görsel başarıyla hazırlandı.";
        QTest::newRow("cancel in the middle of a parallel run")
            << 2 << qint64(0) << 1080
            << QStringList{"p0.jpg:200", "p1.jpg:0", "p2.jpg:0", "p3.jpg:0", "p4.jpg:0"} << 1
            << QStringList{"p0_resized.jpg", "p1_resized.jpg", "", "", ""} << "İşlem iptal edildi.";
    }

    void runsGiveTheOneAtATimeResults()
    {
        QFETCH(int, jobs);
        QFETCH(qint64, memoryBudget);
        QFETCH(int, side);
        QFETCH(QStringList, sources);
        QFETCH(int, cancelAt);
        QFETCH(QStringList, outputs);
        QFETCH(QString, summary);
        Workbench bench;
        SlowEngine engine;
        bench.model.setRunLimits({jobs, memoryBudget});
        bench.model.settings()->setWidth(side);
        bench.model.settings()->setHeight(side);
        QStringList paths;
        for (const QString& source : sources) {
            paths << bench.source(source.section(':', 0, 0));
            engine.delays[paths.back().toStdString()] = source.section(':', 1).toInt();
        }
        bench.model.setConverter(engine.converter());
        bench.model.addPaths(paths);
        bench.whenConverting(cancelAt, [&] {
            bench.model.cancelProcessing();
            bench.model.cancelProcessing();
        });
        QList<double> progress;
        connect(&bench.model, &ResizeViewModel::progressChanged, this,
                [&] { progress << bench.model.progress(); });
        QSignalSpy statusRows(bench.model.items(), &QAbstractItemModel::dataChanged);
        QSignalSpy resets(bench.model.items(), &QAbstractItemModel::modelReset);
        QVERIFY(bench.runToEnd());
        bench.model.cancelProcessing();

        const int finished = sources.size() - outputs.count("");
        QList<double> expectedProgress;
        for (int i = 1; i <= finished; ++i)
            expectedProgress << double(i) / sources.size();
        QCOMPARE(progress, expectedProgress);
        for (int i = 0; i < outputs.size(); ++i) {
            const ItemStatus& status = bench.model.items()->items()[i].status;
            const bool failed = outputs[i] == "!";
            QCOMPARE(status.state, failed                 ? Kind::failed
                                   : outputs[i].isEmpty() ? Kind::ready
                                                          : Kind::done);
            QCOMPARE(QString::fromStdString(status.output.filename().string()),
                     failed ? "" : outputs[i]);
            QCOMPARE(QString::fromStdString(status.message),
                     QString(failed ? "Görsel okunamadı" : ""));
        }
        // Never more at once than allowed, and more than one whenever allowed (a cancelled run
        // may end before its quick conversions overlap).
        const int allowedAtOnce = memoryBudget > 0 ? 1 : jobs;
        QVERIFY(engine.mostAtOnce <= allowedAtOnce);
        if (cancelAt < 0) {
            QCOMPARE(engine.mostAtOnce > 1, allowedAtOnce > 1);
        }
        QCOMPARE(bench.model.lastMessage(), summary);
        QCOMPARE(bench.model.lastMessageIsError(), outputs.contains("!"));
        // Rows change one by one (processing, then a result): a reset would lose the view's place.
        QCOMPARE(statusRows.count(), 2 * finished);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(bench.platform.runObserver.calls,
                 observed(sources.size(), finished,
                          summary + (outputs.contains("!") ? " (failures)" : "")));
        QCOMPARE(bench.platform.runObserver.outputFolder, bench.output());
    }

    // The run copies its queue and settings at the start: items added (even before its first
    // turn of the event loop) and settings changed wait for the next run; completed items
    // removed from under it are skipped; the whole queue cannot be cleared under it.
    void changesDuringARunDoNotReachIt()
    {
        Workbench bench;
        bench.model.addPaths({bench.source("a.jpg"), bench.source("b.jpg"), bench.source("c.jpg")});
        QVERIFY(bench.runToEnd());
        bench.model.addPaths({bench.source("d.jpg")});
        const QString early = bench.source("early.jpg");
        const QString late = bench.source("late.jpg");
        bench.whenConverting(0, [&] {
            bench.model.clearAll();        // refused: the run addresses the queue
            bench.model.removeCompleted(); // b and c, done in the first run
            bench.model.addPaths({late});
            bench.model.settings()->setFormat("PNG");
            bench.model.settings()->setWidth(10);
        });
        QSignalSpy finished(&bench.model, &ResizeViewModel::runFinished);
        QVERIFY(bench.model.startProcessing());
        bench.model.addPaths({early});
        QVERIFY(finished.wait(60'000));
        QCOMPARE(bench.queuedNames(), QStringList({"a.jpg", "d.jpg", "early.jpg", "late.jpg"}));
        QCOMPARE(QDir(bench.output()).entryList(QDir::Files, QDir::Name),
                 QStringList({"a_resized-2.jpg", "a_resized.jpg", "b_resized.jpg", "c_resized.jpg",
                              "d_resized.jpg"}));
        QCOMPARE(bench.model.lastMessage(), QString("2 görsel başarıyla hazırlandı."));
        const std::optional<ImageInfo> info =
            ImageProcessor::imageInfo(bench.output("d_resized.jpg").toStdString());
        QVERIFY(info && info->width == 1920 && info->height == 1080);
        // Each run is reported on its own; the items removed from under it count as finished.
        QCOMPARE(bench.platform.runObserver.calls,
                 observed(3, 3, "3 görsel başarıyla hazırlandı.") +
                     observed(4, 4, "2 görsel başarıyla hazırlandı."));
    }

    // Only files of the temporary form that no live writer holds locked go; a link of that
    // name, a pipe (opening it must not hang) and other names stay.
    void abandonedTemporariesAreRemovedAtTheStart()
    {
        Workbench bench;
        QDir().mkpath(bench.output());
        const auto path = [&](const char* name) {
            return bench.output(name).toStdString();
        };
        std::ofstream(path(".a.jpg.pictavo-Ab12Cd")) << "abandoned";
        std::ofstream(path(".b.jpg.pictavo-Xy34Zw")) << "being written";
        std::ofstream(path("notes.pictavo-Ab12Cd")) << "a user's";
        QCOMPARE(::mkfifo(path(".c.jpg.pictavo-Pipe01").c_str(), 0600), 0);
        const std::string photo = bench.dir.filePath("photo.jpg").toStdString();
        std::ofstream(photo) << "kept";
        std::filesystem::create_symlink(photo, path(".d.jpg.pictavo-Link01"));
        const int held = ::open(path(".b.jpg.pictavo-Xy34Zw").c_str(), O_RDONLY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);

        bench.model.addPaths({bench.source("a.jpg")});
        QVERIFY(bench.runToEnd());
        ::close(held);
        QCOMPARE(
            QDir(bench.output())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name),
            QStringList({".b.jpg.pictavo-Xy34Zw", ".c.jpg.pictavo-Pipe01", ".d.jpg.pictavo-Link01",
                         "a_resized.jpg", "notes.pictavo-Ab12Cd"}));
        QCOMPARE(QFileInfo(QString::fromStdString(photo)).size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batch_run.moc"
