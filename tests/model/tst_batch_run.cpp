#include "fakes.h"
#include "image_processor.h"
#include "resize_view_model.h"
#include "sample_files.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace pictavo;
using namespace pictavo::test;

namespace {

using Kind = ImageItem::ItemStatus::Kind;

// A model with a chosen output folder and a few real source files.
struct Batch {
    Batch()
    {
        platform.folders.answer = output();
        model.chooseOutputFolder();
    }

    QString source(const QString& name, int width = 64, int height = 48)
    {
        const QString path = sources.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        writeSampleImage(path.toStdString(), width, height);
        return path;
    }
    QString output() const { return outputs.filePath("out"); }
    QStringList outputNames() const { return QDir(output()).entryList(QDir::Files, QDir::Name); }

    bool runToEnd()
    {
        QSignalSpy finished(&model, &ResizeViewModel::runFinished);
        model.startProcessing();
        return finished.wait(60'000);
    }

    // Calls `action` once, the moment the item at `row` starts converting.
    void whenConverting(int row, std::function<void()> action)
    {
        auto done = std::make_shared<bool>(false);
        QObject::connect(model.items(), &QAbstractItemModel::dataChanged, &model,
                         [this, row, action, done](const QModelIndex& index) {
                             if (*done || index.row() != row ||
                                 model.items()->items()[std::size_t(row)].status.kind !=
                                     Kind::processing)
                                 return;
                             *done = true;
                             action();
                         });
    }

    std::vector<Kind> kinds() const
    {
        std::vector<Kind> result;
        for (const ImageItem& item : model.items()->items())
            result.push_back(item.status.kind);
        return result;
    }

    QTemporaryDir sources;
    QTemporaryDir outputs;
    FakePlatform platform;
    ResizeViewModel model{platform.services()};
};

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
                      const std::function<std::filesystem::path()>& nextName) {
            const int now = ++running;
            for (int seen = mostAtOnce; now > seen && !mostAtOnce.compare_exchange_weak(seen, now);)
                ;
            std::this_thread::sleep_for(std::chrono::milliseconds(delays.at(source.string())));
            --running;
            if (source.parent_path().filename() == "broken")
                throw ProcessingError(ProcessingError::cannotRead);
            for (;;) {
                const std::filesystem::path output = nextName();
                const int file = ::open(output.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
                if (file >= 0) {
                    ::close(file);
                    return output;
                }
            }
        };
    }
};

} // namespace

class TestBatchRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void preconditionsStopTheStartSilently_data()
    {
        QTest::addColumn<int>("items");
        QTest::addColumn<qint64>("width");
        QTest::addColumn<qint64>("height");
        QTest::newRow("empty queue") << 0 << qint64(1920) << qint64(1080);
        QTest::newRow("width 0") << 1 << qint64(0) << qint64(1080);
        QTest::newRow("height -5") << 1 << qint64(1920) << qint64(-5);
    }

    void preconditionsStopTheStartSilently()
    {
        QFETCH(int, items);
        QFETCH(qint64, width);
        QFETCH(qint64, height);
        Batch batch;
        if (items > 0)
            batch.model.addPaths({batch.source("a.jpg")});
        batch.model.settings()->setWidth(width);
        batch.model.settings()->setHeight(height);
        QSignalSpy processing(&batch.model, &ResizeViewModel::isProcessingChanged);
        QVERIFY(!batch.model.startProcessing());
        QCoreApplication::processEvents();
        QCOMPARE(processing.count(), 0);
        QVERIFY(!batch.model.hasLastMessage());
        QVERIFY(!batch.model.hasRunningTask());
    }

    void withoutAFolderTheDialogDecides()
    {
        QTemporaryDir dir;
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        writeSampleImage(dir.filePath("a.png").toStdString(), 10, 10);
        model.addPaths({dir.filePath("a.png")});

        platform.folders.answer = std::nullopt;
        model.startProcessing();
        QVERIFY(!model.isProcessing());
        QCOMPARE(platform.folders.calls, 1);

        platform.folders.answer = dir.filePath("chosen");
        QSignalSpy finished(&model, &ResizeViewModel::runFinished);
        model.startProcessing();
        QVERIFY(model.isProcessing());
        QVERIFY(finished.wait(60'000));
        QVERIFY(QFile::exists(dir.filePath("chosen/a_resized.png")));
        QCOMPARE(model.lastMessage(), QString("1 görsel başarıyla hazırlandı."));
    }

    void statusesProgressAndSummaryWithAnUnreadableItem()
    {
        Batch batch;
        const QString broken = batch.sources.filePath("b.jpg");
        writeTruncatedJpeg(broken.toStdString(), 300, 200);
        batch.model.addPaths({batch.source("a.jpg"), broken, batch.source("c.jpg")});
        QCOMPARE(batch.model.items()->count(), 3);

        QList<double> progress;
        connect(&batch.model, &ResizeViewModel::progressChanged, this,
                [&] { progress << batch.model.progress(); });
        QSignalSpy statusRows(batch.model.items(), &QAbstractItemModel::dataChanged);
        QSignalSpy resets(batch.model.items(), &QAbstractItemModel::modelReset);
        QVERIFY(batch.runToEnd());

        QCOMPARE(batch.kinds(), std::vector<Kind>({Kind::done, Kind::failed, Kind::done}));
        QCOMPARE(batch.model.items()->items()[1].status.message, std::string("Görsel okunamadı"));
        QCOMPARE(progress, QList<double>({1.0 / 3, 2.0 / 3, 1.0}));
        QCOMPARE(batch.model.lastMessage(), QString("2 tamamlandı, 1 görsel işlenemedi."));
        QVERIFY(batch.model.lastMessageIsError());
        QVERIFY(!batch.model.isProcessing());
        QCOMPARE(batch.outputNames(), QStringList({"a_resized.jpg", "c_resized.jpg"}));
        QCOMPARE(statusRows.count(), 6); // processing and a result, row by row
        QCOMPARE(resets.count(), 0);
        QCOMPARE(batch.platform.runObserver.calls,
                 QStringList({"started 3", "left 2", "left 1", "left 0",
                              "finished: 2 tamamlandı, 1 görsel işlenemedi. (failures)"}));
        QCOMPARE(batch.platform.runObserver.outputFolder, batch.output());
    }

    // Conversions that finish in another order than they started give the one-at-a-time
    // results: names numbered in queue order, statuses, progress by finished items, summary.
    void outOfOrderFinishesGiveTheOneAtATimeResults_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<qint64>("memoryBudget");
        QTest::addColumn<QStringList>("sources"); // "name:delay"
        QTest::addColumn<QStringList>("outputs"); // empty where the item fails
        QTest::addColumn<int>("allowedAtOnce");
        QTest::addColumn<QString>("summary");
        QTest::newRow("last started finishes first")
            << 3 << qint64(0) << QStringList{"one/a.jpg:300", "b.jpg:150", "two/a.jpg:50"}
            << QStringList{"a_resized.jpg", "b_resized.jpg", "a_resized-2.jpg"} << 3
            << "3 görsel başarıyla hazırlandı.";
        // The failing item's name goes to the next source of that name, as one at a time.
        QTest::newRow("a failure among successes")
            << 4 << qint64(0)
            << QStringList{"broken/a.jpg:300", "b.jpg:200", "a.jpg:100", "d.jpg:50", "e.jpg:50"}
            << QStringList{"", "b_resized.jpg", "a_resized.jpg", "d_resized.jpg", "e_resized.jpg"}
            << 4 << "4 tamamlandı, 1 görsel işlenemedi.";
        QTest::newRow("a memory budget for one image runs them one by one")
            << 4 << qint64(1) << QStringList{"a.jpg:50", "b.jpg:50", "c.jpg:50"}
            << QStringList{"a_resized.jpg", "b_resized.jpg", "c_resized.jpg"} << 1
            << "3 görsel başarıyla hazırlandı.";
    }

    void outOfOrderFinishesGiveTheOneAtATimeResults()
    {
        QFETCH(int, jobs);
        QFETCH(qint64, memoryBudget);
        QFETCH(QStringList, sources);
        QFETCH(QStringList, outputs);
        QFETCH(int, allowedAtOnce);
        QFETCH(QString, summary);
        Batch batch;
        SlowEngine engine;
        batch.model.setConverter(engine.converter());
        batch.model.setRunLimits({jobs, memoryBudget});
        QStringList paths;
        for (const QString& source : sources) {
            const QStringList parts = source.split(':');
            paths << batch.source(parts[0]);
            engine.delays[paths.back().toStdString()] = parts[1].toInt();
        }
        batch.model.addPaths(paths);
        QList<double> progress;
        connect(&batch.model, &ResizeViewModel::progressChanged, this,
                [&] { progress << batch.model.progress(); });
        QVERIFY(batch.runToEnd());

        QList<double> expectedProgress;
        for (int i = 1; i <= sources.size(); ++i)
            expectedProgress << double(i) / sources.size();
        QCOMPARE(progress, expectedProgress);
        for (int i = 0; i < outputs.size(); ++i) {
            const ImageItem::ItemStatus& status = batch.model.items()->items()[i].status;
            QCOMPARE(status.kind, outputs[i].isEmpty() ? Kind::failed : Kind::done);
            QCOMPARE(QString::fromStdString(status.output.filename().string()), outputs[i]);
            QCOMPARE(QString::fromStdString(status.message),
                     QString(outputs[i].isEmpty() ? "Görsel okunamadı" : ""));
        }
        // Never more at once than allowed, and more than one whenever allowed.
        QVERIFY(engine.mostAtOnce <= allowedAtOnce);
        QCOMPARE(engine.mostAtOnce > 1, allowedAtOnce > 1);
        QCOMPARE(batch.model.lastMessage(), summary);
    }

    // Cancelling starts no new conversion but records the ones already under way, however
    // they finish.
    void cancelLetsTheStartedConversionsFinish()
    {
        Batch batch;
        SlowEngine engine;
        batch.model.setConverter(engine.converter());
        batch.model.setRunLimits({2, 0});
        for (int i = 0; i < 5; ++i) {
            batch.model.addPaths({batch.source(QString("p%1.jpg").arg(i))});
            engine.delays[batch.model.items()->items().back().url.string()] = i == 0 ? 200 : 0;
        }
        batch.whenConverting(1, [&] { batch.model.cancelProcessing(); });
        QVERIFY(batch.runToEnd());
        QCOMPARE(batch.kinds(), std::vector<Kind>({Kind::done, Kind::done, Kind::ready, Kind::ready,
                                                   Kind::ready}));
        QCOMPARE(batch.model.progress(), 0.4);
        QCOMPARE(batch.outputNames(), QStringList({"p0_resized.jpg", "p1_resized.jpg"}));
        QCOMPARE(batch.model.lastMessage(), QString("İşlem iptal edildi."));
        QCOMPARE(batch.platform.runObserver.calls,
                 QStringList({"started 5", "left 4", "left 3", "finished: İşlem iptal edildi."}));
    }

    void collisionsAreNumbered()
    {
        Batch batch;
        QDir().mkpath(batch.output());
        writeSampleImage((batch.output() + "/a_resized.png").toStdString(), 4, 4);
        writeSampleImage((batch.output() + "/a_resized-2.png").toStdString(), 4, 4);
        batch.model.settings()->setFormat("PNG");
        batch.model.addPaths({batch.source("one/a.png"), batch.source("two/a.jpg")});
        QVERIFY(batch.runToEnd());
        QCOMPARE(batch.outputNames(), QStringList({"a_resized-2.png", "a_resized-3.png",
                                                   "a_resized-4.png", "a_resized.png"}));
        QCOMPARE(batch.model.items()->items()[0].status.output,
                 std::filesystem::path((batch.output() + "/a_resized-3.png").toStdString()));
    }

    void namingFollowsThePrefixSuffixAndFormat()
    {
        Batch batch;
        batch.model.settings()->setPrefix("web_");
        batch.model.settings()->setSuffix("");
        batch.model.settings()->setFormat("JPEG");
        batch.model.addPaths({batch.source("Foto.HEIC")});
        QVERIFY(batch.runToEnd());
        batch.model.settings()->setPrefix("");
        batch.model.settings()->setSuffix("_resized");
        batch.model.settings()->setFormat("Orijinali Koru");
        batch.model.removeCompleted();
        batch.model.addPaths({batch.source("photo.webp")});
        QVERIFY(batch.runToEnd());
        QCOMPARE(batch.outputNames(), QStringList({"photo_resized.png", "web_Foto.jpg"}));
    }

    void runningTwiceConvertsEverythingAgain()
    {
        Batch batch;
        batch.model.addPaths({batch.source("a.jpg"), batch.source("b.jpg")});
        QVERIFY(batch.runToEnd());
        QVERIFY(batch.runToEnd());
        QCOMPARE(batch.outputNames(), QStringList({"a_resized-2.jpg", "a_resized.jpg",
                                                   "b_resized-2.jpg", "b_resized.jpg"}));
        QCOMPARE(batch.model.lastMessage(), QString("2 görsel başarıyla hazırlandı."));
        const QStringList& observed = batch.platform.runObserver.calls;
        QCOMPARE(observed.size(), 8);
        QCOMPARE(observed.mid(4), observed.mid(0, 4)); // nothing left over from the first run
    }

    void cancelDuringTheFirstImage()
    {
        Batch batch;
        for (int i = 0; i < 5; ++i)
            batch.model.addPaths({batch.source(QString("p%1.jpg").arg(i))});
        batch.whenConverting(0, [&] { batch.model.cancelProcessing(); });
        QVERIFY(batch.runToEnd());
        QCOMPARE(batch.kinds(), std::vector<Kind>({Kind::done, Kind::ready, Kind::ready,
                                                   Kind::ready, Kind::ready}));
        QCOMPARE(batch.model.progress(), 0.2);
        QCOMPARE(batch.model.lastMessage(), QString("İşlem iptal edildi."));
        QVERIFY(!batch.model.lastMessageIsError());
        batch.model.cancelProcessing(); // on a finished run: nothing
        QCOMPARE(batch.model.lastMessage(), QString("İşlem iptal edildi."));
    }

    void cancelDuringTheLastImage()
    {
        Batch batch;
        batch.model.addPaths({batch.source("a.jpg"), batch.source("b.jpg")});
        batch.whenConverting(1, [&] {
            batch.model.cancelProcessing();
            batch.model.cancelProcessing();
        });
        QVERIFY(batch.runToEnd());
        QCOMPARE(batch.kinds(), std::vector<Kind>({Kind::done, Kind::done}));
        QCOMPARE(batch.model.progress(), 1.0);
        QCOMPARE(batch.model.lastMessage(), QString("İşlem iptal edildi."));
    }

    void itemsAndSettingsChangedDuringARunDoNotReachIt()
    {
        Batch batch;
        batch.model.addPaths({batch.source("a.jpg"), batch.source("b.jpg")});
        const QString early = batch.source("early.jpg");
        const QString late = batch.source("late.jpg");
        batch.whenConverting(0, [&] {
            batch.model.addPaths({late});
            batch.model.settings()->setFormat("PNG");
            batch.model.settings()->setWidth(10);
        });
        QSignalSpy finished(&batch.model, &ResizeViewModel::runFinished);
        QVERIFY(batch.model.startProcessing());
        batch.model.addPaths({early}); // before the run's first turn of the event loop
        QVERIFY(finished.wait(60'000));
        QCOMPARE(batch.kinds(),
                 std::vector<Kind>({Kind::done, Kind::done, Kind::ready, Kind::ready}));
        QCOMPARE(batch.outputNames(), QStringList({"a_resized.jpg", "b_resized.jpg"}));
        QCOMPARE(batch.model.progress(), 1.0);
        QCOMPARE(batch.model.lastMessage(), QString("2 görsel başarıyla hazırlandı."));
        const std::string written = batch.model.items()->items()[1].status.output.string();
        QCOMPARE(pictureSize(written), QSize(1920, 1080));
    }

    void removingCompletedItemsUnderARunIsSafe()
    {
        Batch batch;
        batch.model.addPaths({batch.source("a.jpg"), batch.source("b.jpg"), batch.source("c.jpg")});
        QVERIFY(batch.runToEnd()); // all three done
        batch.model.addPaths({batch.source("d.jpg")});
        // During the second run, the first item converts while the other two earlier results
        // are removed from under the run.
        batch.whenConverting(0, [&] { batch.model.removeCompleted(); });
        QVERIFY(batch.runToEnd());
        QCOMPARE(batch.kinds(), std::vector<Kind>({Kind::done, Kind::done}));
        QCOMPARE(QString::fromStdString(batch.model.items()->items()[1].url.filename().string()),
                 QString("d.jpg"));
        QCOMPARE(batch.model.lastMessage(), QString("2 görsel başarıyla hazırlandı."));
        QCOMPARE(batch.model.progress(), 1.0);
    }

    void anUncreatableFolderStopsTheRunBeforeAnyItem()
    {
        Batch batch;
        QFile blocker(batch.outputs.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        batch.platform.folders.answer = batch.outputs.filePath("file/sub");
        batch.model.chooseOutputFolder();
        batch.model.addPaths({batch.source("a.jpg")});
        QVERIFY(batch.runToEnd());
        QVERIFY(batch.model.lastMessage().startsWith("Çıktı klasörü oluşturulamadı: "));
        QVERIFY(batch.model.lastMessage().size() >
                QString("Çıktı klasörü oluşturulamadı: ").size());
        QVERIFY(batch.model.lastMessageIsError());
        QCOMPARE(batch.kinds(), std::vector<Kind>({Kind::ready}));
        QCOMPARE(batch.model.progress(), 0.0);
        QCOMPARE(batch.platform.runObserver.calls.size(), 2);
        QVERIFY(batch.platform.runObserver.calls[1].endsWith(" (failures)"));
    }

    void aDeletedFolderIsCreatedAgainWithItsParents()
    {
        Batch batch;
        batch.platform.folders.answer = batch.outputs.filePath("deep/er/out");
        batch.model.chooseOutputFolder();
        batch.model.addPaths({batch.source("a.jpg")});
        QVERIFY(batch.runToEnd());
        QVERIFY(QFile::exists(batch.outputs.filePath("deep/er/out/a_resized.jpg")));
    }

    // Only files of the temporary form that no live writer holds locked go; a link of that
    // name, a pipe (opening it must not hang) and other names stay.
    void abandonedTemporariesAreRemovedAtTheStart()
    {
        Batch batch;
        QDir().mkpath(batch.output());
        const auto path = [&](const char* name) {
            return QDir(batch.output()).filePath(name).toStdString();
        };
        std::ofstream(path(".a.jpg.pictavo-Ab12Cd")) << "abandoned";
        std::ofstream(path(".b.jpg.pictavo-Xy34Zw")) << "being written";
        std::ofstream(path("notes.pictavo-Ab12Cd")) << "a user's";
        QCOMPARE(::mkfifo(path(".c.jpg.pictavo-Pipe01").c_str(), 0600), 0);
        const std::string photo = batch.outputs.filePath("photo.jpg").toStdString();
        std::ofstream(photo) << "kept";
        std::filesystem::create_symlink(photo, path(".d.jpg.pictavo-Link01"));
        const int held = ::open(path(".b.jpg.pictavo-Xy34Zw").c_str(), O_RDONLY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);

        batch.model.addPaths({batch.source("a.jpg")});
        QVERIFY(batch.runToEnd());
        ::close(held);
        QCOMPARE(
            QDir(batch.output())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name),
            QStringList({".b.jpg.pictavo-Xy34Zw", ".c.jpg.pictavo-Pipe01", ".d.jpg.pictavo-Link01",
                         "a_resized.jpg", "notes.pictavo-Ab12Cd"}));
        QCOMPARE(QFileInfo(QString::fromStdString(photo)).size(), 4);
    }

private:
    static QSize pictureSize(const std::string& path);
};

QSize TestBatchRun::pictureSize(const std::string& path)
{
    const std::optional<ImageInfo> info = ImageProcessor::imageInfo(path);
    return info ? QSize(int(info->width), int(info->height)) : QSize();
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batch_run.moc"
