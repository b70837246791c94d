#include "fakes.h"
#include "resize_view_model.h"

#include <QSignalSpy>
#include <QTest>

using namespace pictavo;
using namespace pictavo::test;

class TestOutputFolder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshModelStartsEmpty()
    {
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        QCOMPARE(model.items()->count(), 0);
        QVERIFY(model.settings()->value() == ResizeSettings{});
        QVERIFY(!model.hasOutputFolder());
        QVERIFY(!model.isProcessing());
        QCOMPARE(model.progress(), 0.0);
        QVERIFY(!model.hasLastMessage());
        QVERIFY(!model.lastMessageIsError());
        QVERIFY(!model.isDropTargeted());
        QVERIFY(platform.log.isEmpty());
    }

    void restoresAValidBookmark()
    {
        FakePlatform platform;
        platform.settings.values.insert(ResizeViewModel::kBookmarkKey, "bm:/out");
        ResizeViewModel model(platform.services());
        QCOMPARE(model.outputFolder(), QString("/out"));
        QCOMPARE(platform.log, QStringList({"start:/out"}));
        QVERIFY(!model.hasLastMessage());
    }

    void refreshesAStaleBookmarkBeforeStartingAccess()
    {
        FakePlatform platform;
        platform.settings.values.insert(ResizeViewModel::kBookmarkKey, "bm:/out");
        platform.access.stale << "/out";
        ResizeViewModel model(platform.services());
        QCOMPARE(model.outputFolder(), QString("/out"));
        QCOMPARE(platform.log, QStringList({"bookmark:/out", "store:bm:/out", "start:/out"}));
    }

    void restoresNothingWhenUnresolvableOrRefused_data()
    {
        QTest::addColumn<bool>("unresolvable");
        QTest::addColumn<QStringList>("expectedLog");
        QTest::newRow("folder gone") << true << QStringList();
        QTest::newRow("access refused") << false << QStringList({"start:/out"});
    }

    void restoresNothingWhenUnresolvableOrRefused()
    {
        QFETCH(bool, unresolvable);
        QFETCH(QStringList, expectedLog);
        FakePlatform platform;
        platform.settings.values.insert(ResizeViewModel::kBookmarkKey, "bm:/out");
        (unresolvable ? platform.access.unresolvable : platform.access.refused) << "/out";
        ResizeViewModel model(platform.services());
        QVERIFY(!model.hasOutputFolder());
        QCOMPARE(platform.log, expectedLog);
        QCOMPARE(platform.settings.values.value(ResizeViewModel::kBookmarkKey),
                 QByteArray("bm:/out"));
        QVERIFY(!model.hasLastMessage());
    }

    void choosingReplacesTheFolderInOrder()
    {
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        QSignalSpy folderChanged(&model, &ResizeViewModel::outputFolderChanged);
        platform.folders.answer = "/a";
        QVERIFY(model.chooseOutputFolder());
        platform.folders.answer = "/b";
        QVERIFY(model.chooseOutputFolder());

        QCOMPARE(model.outputFolder(), QString("/b"));
        QCOMPARE(folderChanged.count(), 2);
        QCOMPARE(platform.log, QStringList({"start:/a", "bookmark:/a", "store:bm:/a", "stop:/a",
                                            "start:/b", "bookmark:/b", "store:bm:/b"}));
        QCOMPARE(platform.folders.lastTexts.title,
                 QString("Dönüştürülen Görsellerin Kaydedileceği Klasörü Seç"));
        QCOMPARE(platform.folders.lastTexts.acceptText, QString("Bu Klasöre Kaydet"));
        QCOMPARE(platform.folders.lastTexts.message,
                 QString("Sistemin dosya yazma izni vermesi için bir çıktı klasörü seç."));
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
        platform.folders.answer = std::nullopt;
        QVERIFY(!model.chooseOutputFolder());
        platform.folders.answer = QString();
        QVERIFY(!model.chooseOutputFolder());
        QCOMPARE(model.outputFolder(), QString("/kept"));
        QVERIFY(platform.log.isEmpty());
    }

    void theNextLaunchRestoresTheChosenFolder()
    {
        FakePlatform platform;
        {
            ResizeViewModel first(platform.services());
            platform.folders.answer = "/chosen";
            first.chooseOutputFolder();
        }
        platform.folders.answer = std::nullopt;
        ResizeViewModel second(platform.services());
        QCOMPARE(second.outputFolder(), QString("/chosen"));
        QCOMPARE(platform.folders.calls, 1);
    }
};

QTEST_GUILESS_MAIN(TestOutputFolder)
#include "tst_output_folder.moc"
