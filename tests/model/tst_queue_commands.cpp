#include "fakes.h"
#include "resize_view_model.h"
#include "sample_files.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace pictavo;
using namespace pictavo::test;

namespace {

using Status = ImageItem::ItemStatus;

// A finished batch over four files whose statuses are then set as a test needs them.
struct Queue {
    explicit Queue(const std::vector<Status>& statuses)
    {
        platform.folders.answer = dir.filePath("out");
        model.chooseOutputFolder();
        QStringList paths;
        for (std::size_t i = 0; i < statuses.size(); ++i) {
            paths << dir.filePath(QString("p%1.png").arg(i));
            writeSampleImage(paths.back().toStdString(), 8, 8);
        }
        model.addPaths(paths);
        QSignalSpy finished(&model, &ResizeViewModel::runFinished);
        model.startProcessing();
        finished.wait(60'000);
        for (std::size_t i = 0; i < statuses.size(); ++i)
            model.items()->setStatus(int(i), statuses[i]);
    }

    QStringList names() const
    {
        QStringList result;
        for (const ImageItem& item : model.items()->items())
            result << QString::fromStdString(item.url.filename().string());
        return result;
    }

    QTemporaryDir dir;
    FakePlatform platform;
    ResizeViewModel model{platform.services()};
};

} // namespace

class TestQueueCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void removeCompletedKeepsFailedAndReadyInOrder()
    {
        Queue queue({Status::makeDone("/o/1"), Status::makeFailed("x"), Status::makeDone("/o/2"),
                     Status::makeReady()});
        QVERIFY(queue.model.hasLastMessage());
        QSignalSpy changed(&queue.model, &ResizeViewModel::itemsChanged);
        queue.model.removeCompleted();
        QCOMPARE(queue.names(), QStringList({"p1.png", "p3.png"}));
        QVERIFY(!queue.model.hasLastMessage());
        QCOMPARE(changed.count(), 1);
        QVERIFY(QFile::exists(queue.dir.filePath("out/p0_resized.png"))); // files stay on disk
    }

    void removeCompletedWithoutDoneItemsStillClearsTheMessage()
    {
        Queue queue({Status::makeFailed("x"), Status::makeReady()});
        queue.model.removeCompleted();
        QCOMPARE(queue.names(), QStringList({"p0.png", "p1.png"}));
        QVERIFY(!queue.model.hasLastMessage());
    }

    void clearAllKeepsTheMessageAndProgress()
    {
        Queue queue({Status::makeDone("/o/1"), Status::makeReady()});
        const QString message = queue.model.lastMessage();
        queue.model.clearAll();
        QCOMPARE(queue.model.items()->count(), 0);
        QCOMPARE(queue.model.lastMessage(), message);
        QCOMPARE(queue.model.progress(), 1.0);
        QVERIFY(queue.model.hasOutputFolder());
    }

    void revealShowsTheOutputFolderItself()
    {
        Queue queue({Status::makeReady()});
        queue.model.revealOutputFolder();
        QCOMPARE(queue.platform.fileManager.revealed, QStringList({queue.dir.filePath("out")}));

        FakePlatform bare;
        ResizeViewModel withoutFolder(bare.services());
        withoutFolder.revealOutputFolder();
        QVERIFY(bare.fileManager.revealed.isEmpty());
    }

    void cancelWithoutATaskDoesNothing()
    {
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        QSignalSpy messages(&model, &ResizeViewModel::lastMessageChanged);
        model.cancelProcessing();
        model.cancelProcessing();
        QCoreApplication::processEvents();
        QCOMPARE(messages.count(), 0);
        QVERIFY(!model.hasRunningTask());
    }

    void dropHighlightIsWrittenByTheViews()
    {
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        QSignalSpy targeted(&model, &ResizeViewModel::isDropTargetedChanged);
        model.setProperty("isDropTargeted", true);
        model.setProperty("isDropTargeted", true);
        QVERIFY(model.isDropTargeted());
        QCOMPARE(targeted.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestQueueCommands)
#include "tst_queue_commands.moc"
