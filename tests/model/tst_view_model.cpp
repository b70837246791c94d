#include "fakes.h"

#include <QTest>

using namespace pictavo;
using namespace pictavo::test;

namespace {

using Status = ImageItem::ItemStatus;

ImageItem item(const char* name, std::int64_t bytes)
{
    return {ItemId::random(),
            std::filesystem::path("/photos") / name,
            40,
            30,
            bytes,
            Status::makeReady(),
            {}};
}

} // namespace

class TestViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // trouble: what the platform makes of the remembered "/out" at the start.
    void restoresTheRememberedFolder_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("nothing remembered") << QByteArray() << ""
                                            << "" << QStringList();
        QTest::newRow("valid") << QByteArray("bm:/out") << ""
                               << "/out" << QStringList{"start:/out"};
        QTest::newRow("stale: renewed before access")
            << QByteArray("bm:/out") << "stale"
            << "/out" << QStringList{"bookmark:/out", "store:bm:/out", "start:/out"};
        QTest::newRow("folder gone") << QByteArray("bm:/out") << "gone"
                                     << "" << QStringList();
        QTest::newRow("access refused") << QByteArray("bm:/out") << "refused"
                                        << "" << QStringList{"start:/out"};
    }

    void restoresTheRememberedFolder()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, trouble);
        QFETCH(QString, folder);
        QFETCH(QStringList, log);
        FakePlatform platform;
        if (!stored.isEmpty())
            platform.settings.values.insert(ResizeViewModel::kBookmarkKey, stored);
        const QHash<QString, QStringList*> troubles{{"stale", &platform.access.stale},
                                                    {"gone", &platform.access.unresolvable},
                                                    {"refused", &platform.access.refused}};
        if (QStringList* list = troubles.value(trouble))
            *list << "/out";
        ResizeViewModel model(platform.services());
        QCOMPARE(model.outputFolder(), folder);
        QCOMPARE(model.hasOutputFolder(), !folder.isEmpty());
        QCOMPARE(platform.log, log);
        // An unusable bookmark stays: the folder may come back (a disk plugged in again).
        QCOMPARE(platform.settings.values.value(ResizeViewModel::kBookmarkKey), stored);
        QVERIFY(!model.hasLastMessage());
    }

    void choosingReplacesTheFolderAndTheNextLaunchKeepsIt()
    {
        FakePlatform platform;
        {
            ResizeViewModel model(platform.services());
            QSignalSpy folderChanged(&model, &ResizeViewModel::outputFolderChanged);
            platform.folders.answer = "/a";
            QVERIFY(model.chooseOutputFolder());
            platform.folders.answer = "/b";
            QVERIFY(model.chooseOutputFolder());
            QCOMPARE(model.outputFolder(), QString("/b"));
            QCOMPARE(folderChanged.count(), 2);
        }
        QCOMPARE(platform.log, QStringList({"start:/a", "bookmark:/a", "store:bm:/a", "stop:/a",
                                            "start:/b", "bookmark:/b", "store:bm:/b"}));
        QCOMPARE(platform.folders.lastTexts.title,
                 QString("Dönüştürülen Görsellerin Kaydedileceği Klasörü Seç"));
        QCOMPARE(platform.folders.lastTexts.acceptText, QString("Bu Klasöre Kaydet"));
        QCOMPARE(platform.folders.lastTexts.message,
                 QString("Sistemin dosya yazma izni vermesi için bir çıktı klasörü seç."));

        platform.folders.answer = std::nullopt;
        ResizeViewModel next(platform.services());
        QCOMPARE(next.outputFolder(), QString("/b"));
        QCOMPARE(platform.folders.calls, 2);
    }

    void aChosenFolderStaysEvenWhenAccessOrBookmarkFails()
    {
        FakePlatform platform;
        platform.access.refused << "/a";
        platform.access.failBookmarks = true;
        ResizeViewModel model(platform.services());
        platform.folders.answer = "/a";
        QVERIFY(model.chooseOutputFolder());
        QCOMPARE(model.outputFolder(), QString("/a"));
        QVERIFY(!platform.settings.values.contains(ResizeViewModel::kBookmarkKey));
    }

    void cancellingTheDialogChangesNothing()
    {
        FakePlatform platform;
        platform.settings.values.insert(ResizeViewModel::kBookmarkKey, "bm:/kept");
        ResizeViewModel model(platform.services());
        platform.log.clear();
        for (const std::optional<QString>& answer :
             {std::optional<QString>(), std::optional(QString())}) {
            platform.folders.answer = answer;
            QVERIFY(!model.chooseOutputFolder());
        }
        QCOMPARE(model.outputFolder(), QString("/kept"));
        QVERIFY(platform.log.isEmpty());
        model.revealOutputFolder();
        QCOMPARE(platform.fileManager.revealed, QStringList({"/kept"}));

        FakePlatform bare;
        ResizeViewModel withoutFolder(bare.services());
        withoutFolder.revealOutputFolder();
        QVERIFY(bare.fileManager.revealed.isEmpty());
    }

    // "Tamamlananları Kaldır" takes done items only and the run's message with them; the
    // files stay.
    void removeCompletedKeepsFailedAndReadyInOrder()
    {
        Workbench bench;
        for (int i = 0; i < 4; ++i)
            bench.model.addPaths({bench.source(QString("p%1.png").arg(i), 8, 8)});
        QVERIFY(bench.runToEnd());
        const std::vector<Status> statuses{Status::makeDone("/o/1"), Status::makeFailed("x"),
                                           Status::makeDone("/o/2"), Status::makeReady()};
        for (std::size_t i = 0; i < statuses.size(); ++i)
            bench.model.items()->setStatus(int(i), statuses[i]);
        QSignalSpy changed(&bench.model, &ResizeViewModel::itemsChanged);
        bench.model.removeCompleted();
        QCOMPARE(bench.queuedNames(), QStringList({"p1.png", "p3.png"}));
        QVERIFY(!bench.model.hasLastMessage());
        QCOMPARE(changed.count(), 1);
        QVERIFY(QFile::exists(bench.output("p0_resized.png")));
    }

    // Decimal units as the file browser shows them, with a Turkish decimal comma; a row and the
    // header's total give one text for one size.
    void byteTextsUseDecimalUnitsAndTurkishNumbers()
    {
        const std::vector<std::pair<qint64, QString>> cases{
            {0, "0 bayt"},         {999, "999 bayt"},         {1'000, "1,0 kB"},
            {2'456'789, "2,5 MB"}, {4'500'001'000, "4,5 GB"},
        };
        for (const auto& [bytes, text] : cases)
            QCOMPARE(ImageQueueModel::byteCountText(bytes), text);
        // The total of sizes beyond 32 bits must not wrap.
        ImageQueueModel model;
        model.append({item("a.jpg", 3'000'000'000), item("b.png", 1'234'567'890)});
        QCOMPARE(model.data(model.index(1), ImageQueueModel::FileSizeTextRole).toString(),
                 QString("1,2 GB"));
        QCOMPARE(model.totalSizeText(), QString("4,2 GB"));
    }
};

QTEST_GUILESS_MAIN(TestViewModel)
#include "tst_view_model.moc"
