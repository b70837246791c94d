#include "workbench.h"

#include <QScopeGuard>
#include <QTest>
#include <fstream>
#include <tuple>

using namespace pictavo;
using namespace pictavo::test;

namespace fs = std::filesystem;

namespace {

using Status = ItemStatus;

ImageItem item(std::int64_t bytes)
{
    return {ItemId::random(), "/photos/a.jpg", 40, 30, bytes, Status{}, {}};
}

} // namespace

class TestViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // adds: one intake call per entry, its paths split by "," ("" is the folder itself).
    void queuesWhatTheWindowIsGiven_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("adds");
        QTest::addColumn<QStringList>("queued");
        QTest::newRow("a folder's supported, visible images, files before subfolders")
            << QStringList{"a.jpg",       "b.PNG",      "sub/d.heic", "photo.JPEG", "photo",
                           ".hidden.jpg", ".hid/e.jpg", "txt:c.gif",  "txt:n.txt",  "txt:fake.png"}
            << QStringList{""} << QStringList{"a.jpg", "b.PNG", "photo.JPEG", "d.heic"};
        QTest::newRow("natural order")
            << QStringList{"foto_10.jpg", "Foto_2.jpg", "foto_1.jpg"} << QStringList{""}
            << QStringList{"foto_1.jpg", "Foto_2.jpg", "foto_10.jpg"};
        QTest::newRow("a folder and a file in it, in one selection")
            << QStringList{"p.jpg"} << QStringList{",p.jpg"} << QStringList{"p.jpg", "p.jpg"};
        QTest::newRow("dot-dot paths are one file")
            << QStringList{"P/a.jpg"} << QStringList{"P/../P/a.jpg", "P/a.jpg,P/./a.jpg"}
            << QStringList{"a.jpg"};
        QTest::newRow("symbolic-link loops are not followed")
            << QStringList{"a/b/x.png", "link:a/b/loop>", "link:a/b/up.jpg>a"} << QStringList{""}
            << QStringList{"x.png"};
        QTest::newRow("a photo 80 folders deep, and one beside its branch")
            << QStringList{QString("d/").repeated(80) + "deep.jpg", "d/d/d/z.jpg", "top.jpg"}
            << QStringList{""} << QStringList{"deep.jpg", "z.jpg", "top.jpg"};
    }

    void queuesWhatTheWindowIsGiven()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, adds);
        QFETCH(QStringList, queued);
        Workbench bench;
        const QDir root(bench.dir.filePath("in"));
        // "txt:name" a text file, "link:name>target" a symbolic link to root/target, any other
        // name a real image (one without an extension written as PNG).
        for (const QString& file : files) {
            const QString name = file.section(':', -1).section('>', 0, 0);
            root.mkpath(QFileInfo(name).path());
            if (file.startsWith("txt:")) {
                std::ofstream(root.filePath(name).toStdString()) << "not an image\n";
            } else if (file.startsWith("link:")) {
                QFile::link(root.filePath(file.section('>', 1)), root.filePath(name));
            } else {
                const QString written = name + (QFileInfo(name).suffix().isEmpty() ? ".png" : "");
                writeSampleImage(root.filePath(written).toStdString(), 8, 8);
                QFile::rename(root.filePath(written), root.filePath(name));
            }
        }
        QSignalSpy changed(&bench.model, &ResizeViewModel::itemsChanged);
        for (const QString& add : adds) {
            QStringList paths;
            for (const QString& path : add.split(','))
                paths << (path.isEmpty() ? root.path() : root.filePath(path));
            bench.model.addPaths(paths);
        }
        QCOMPARE(bench.queuedNames(), queued);
        QCOMPARE(changed.count(), adds.size()); // once per call, even when nothing was added
    }

    // adds: one intake per ";", paths by ",". obstacle: what the output folder holds before
    // the run ("file:P", "link:P"). expected: each item's output below the output folder in
    // queue order, "!" for a failure; with several `sizes`, below each size's folder.
    void outputsMirrorTheAddedFolders_data()
    {
        QTest::addColumn<QByteArray>("sizes");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QByteArray>("adds");
        QTest::addColumn<QByteArray>("obstacle");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("off: one folder, numbered in queue order")
            << QByteArray() << false << QByteArray("Arşiv,tek/IMG_1.jpg") << QByteArray()
            << QByteArray("IMG_1_resized.jpg,IMG_1_resized-2.jpg,IMG_1_resized-3.jpg,"
                          "IMG_1_resized-4.jpg");
        QTest::newRow("on: the tree mirrored, a lone file at the top")
            << QByteArray() << true << QByteArray("Arşiv,tek/IMG_1.jpg") << QByteArray()
            << QByteArray("Arşiv/2024/Düğün/IMG_1_resized.jpg,Arşiv/2024/Tatil/IMG_1_resized.jpg,"
                          "Arşiv/IMG_1_resized.jpg,IMG_1_resized.jpg");
        QTest::newRow("on: a file where a folder belongs fails those items only")
            << QByteArray() << true << QByteArray("Arşiv,tek/IMG_1.jpg")
            << QByteArray("file:Arşiv/2024")
            << QByteArray("!,!,Arşiv/IMG_1_resized.jpg,IMG_1_resized.jpg");
        QTest::newRow("on: a link where a folder belongs is not followed")
            << QByteArray() << true << QByteArray("Arşiv,tek/IMG_1.jpg") << QByteArray("link:Arşiv")
            << QByteArray("!,!,!,IMG_1_resized.jpg");
        QTest::newRow("on: a name that is not UTF-8 and looks like ..")
            << QByteArray() << true << QByteArray("..\xff.") << QByteArray()
            << QByteArray("..\xff./IMG_1_resized.jpg");
        QTest::newRow("several sizes: each folder numbered in queue order")
            << QByteArray("32x32,16x16") << false << QByteArray("Arşiv,tek/IMG_1.jpg")
            << QByteArray()
            << QByteArray("IMG_1_resized.jpg,IMG_1_resized-2.jpg,"
                          "IMG_1_resized-3.jpg,IMG_1_resized-4.jpg");
        QTest::newRow("several sizes: the tree mirrored under each size")
            << QByteArray("32x32,16x16") << true << QByteArray("Arşiv,tek/IMG_1.jpg")
            << QByteArray()
            << QByteArray("Arşiv/2024/Düğün/IMG_1_resized.jpg,"
                          "Arşiv/2024/Tatil/IMG_1_resized.jpg,"
                          "Arşiv/IMG_1_resized.jpg,IMG_1_resized.jpg");
        QTest::newRow("several sizes: a failing size fails the item, the others stay")
            << QByteArray("32x32,16x16") << false << QByteArray("tek") << QByteArray("file:16x16")
            << QByteArray("!");
    }

    void outputsMirrorTheAddedFolders()
    {
        QFETCH(QByteArray, sizes);
        QFETCH(bool, keep);
        QFETCH(QByteArray, adds);
        QFETCH(QByteArray, obstacle);
        QFETCH(QByteArray, expected);
        Workbench bench;
        const fs::path root = bench.dir.path().toStdString();
        // QTemporaryDir cannot remove names that are not UTF-8.
        const auto removeAll = qScopeGuard([&] { fs::remove_all(root); });
        const fs::path in = root / "in";
        const fs::path out = root / "out";
        const fs::path elsewhere = root / "elsewhere";
        // Same-named photos three levels deep, a lone one beside them, and a folder whose name
        // is not UTF-8 and looks like "..".
        for (const char* source : {"Arşiv/2024/Tatil/IMG_1.jpg", "Arşiv/2024/Düğün/IMG_1.jpg",
                                   "Arşiv/IMG_1.jpg", "tek/IMG_1.jpg", "..\xff./IMG_1.jpg"}) {
            fs::create_directories((in / source).parent_path());
            writeSampleImage(in / source, 64, 48);
        }
        fs::create_directories(elsewhere);
        const QByteArray blocked = obstacle.mid(obstacle.indexOf(':') + 1);
        if (!obstacle.isEmpty()) {
            fs::create_directories((out / blocked.toStdString()).parent_path());
            if (obstacle.startsWith("link:"))
                fs::create_directory_symlink(elsewhere, out / blocked.toStdString());
            else
                std::ofstream(out / blocked.toStdString()) << "kept";
        }
        bench.model.settings()->setKeepFolderStructure(keep);
        ResizeSettings several = bench.model.settings()->value();
        for (const QByteArray& size : sizes.isEmpty() ? QList<QByteArray>() : sizes.split(','))
            several.sizes.push_back({size.split('x')[0].toInt(), size.split('x')[1].toInt()});
        several.multipleSizes = !several.sizes.empty();
        bench.model.settings()->setValue(several);
        const fs::path first = sizes.isEmpty() ? "" : sizes.split(',')[0].toStdString();
        // Several at once, so conversions that need the same new folder race for it.
        bench.model.setRunLimits({3, 0});
        for (const QByteArray& add : adds.split(';')) {
            std::vector<fs::path> paths;
            for (const QByteArray& path : add.split(','))
                paths.push_back(in / path.toStdString());
            bench.model.addPaths(paths);
        }
        QVERIFY(bench.runToEnd());

        std::vector<std::string> outputs;
        for (const ImageItem& item : bench.model.items()->items())
            outputs.push_back(item.status.state == ItemState::failed
                                  ? "!" + item.status.message
                                  : item.status.output.lexically_relative(out / first).string());
        std::vector<std::string> wanted;
        for (const QByteArray& name : expected.split(','))
            wanted.push_back(name == "!" ? "!Dosya kaydedilemedi" : name.toStdString());
        QCOMPARE(outputs, wanted);
        for (const std::string& name : wanted)
            for (const QByteArray& size :
                 sizes.isEmpty() ? QList<QByteArray>{""} : sizes.split(','))
                QVERIFY(name.front() == '!' || fs::is_regular_file(out / size.data() / name));
        if (obstacle == "file:16x16")
            QVERIFY(fs::is_regular_file(out / "32x32/IMG_1_resized.jpg"));
        QVERIFY(fs::is_empty(elsewhere));
        if (obstacle.startsWith("file:")) {
            std::ifstream kept(out / blocked.toStdString());
            QCOMPARE(std::string(std::istreambuf_iterator<char>(kept), {}), std::string("kept"));
        }
    }
    // trouble: what the platform makes of the remembered "/out" at the start.
    void restoresTheRememberedFolder_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("stale: renewed before access")
            << "stale"
            << "/out" << QStringList{"bookmark:/out", "store:bm:/out", "start:/out"};
        QTest::newRow("folder gone") << "gone"
                                     << "" << QStringList();
        QTest::newRow("access refused") << "refused"
                                        << "" << QStringList{"start:/out"};
    }

    void restoresTheRememberedFolder()
    {
        QFETCH(QString, trouble);
        QFETCH(QString, folder);
        QFETCH(QStringList, log);
        FakePlatform platform;
        platform.settings.values.insert(ResizeViewModel::kBookmarkKey, "bm:/out");
        const QHash<QString, QStringList*> troubles{{"stale", &platform.access.stale},
                                                    {"gone", &platform.access.unresolvable},
                                                    {"refused", &platform.access.refused}};
        *troubles.value(trouble) << "/out";
        ResizeViewModel model(platform.services());
        QCOMPARE(model.outputFolder(), folder);
        QCOMPARE(platform.log, log);
        // An unusable bookmark stays: the folder may come back (a disk plugged in again).
        QCOMPARE(platform.settings.values.value(ResizeViewModel::kBookmarkKey),
                 QByteArray("bm:/out"));
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
            for (const std::optional<QString>& answer :
                 {std::optional<QString>(), std::optional(QString())}) {
                platform.folders.answer = answer; // the dialog cancelled changes nothing
                QVERIFY(!model.chooseOutputFolder());
            }
            QCOMPARE(model.outputFolder(), QString("/b"));
            QCOMPARE(folderChanged.count(), 2);
            model.revealOutputFolder();
            QCOMPARE(platform.fileManager.revealed, QByteArrayList({"/b"}));
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
        QCOMPARE(platform.folders.calls, 4);
        // A chosen folder stays chosen even when access or the bookmark fails.
        platform.access.refused << "/c";
        platform.access.failBookmarks = true;
        platform.folders.answer = "/c";
        QVERIFY(next.chooseOutputFolder());
        QCOMPARE(next.outputFolder(), QString("/c"));
        QVERIFY(!platform.log.contains("store:bm:/c"));
    }

    // "Tamamlananları Kaldır" takes done items only and the run's message with them; the
    // files stay.
    void removeCompletedKeepsFailedAndReadyInOrder()
    {
        Workbench bench;
        for (int i = 0; i < 4; ++i)
            bench.model.addPaths({bench.source(QString("p%1.png").arg(i), 8, 8)});
        QVERIFY(bench.runToEnd());
        const std::vector<Status> statuses{{ItemState::done, "/o/1", {}},
                                           {ItemState::failed, {}, "x"},
                                           {ItemState::done, "/o/2", {}},
                                           {}};
        for (std::size_t i = 0; i < statuses.size(); ++i)
            bench.model.items()->setStatus(int(i), statuses[i]);
        bench.model.removeCompleted();
        QCOMPARE(bench.queuedNames(), QStringList({"p1.png", "p3.png"}));
        QVERIFY(!bench.model.hasLastMessage());
        QVERIFY(QFile::exists(bench.output("p0_resized.png")));
    }

    void removeItemsTakesTheNamedRowsOnly_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("one") << QList<int>{1} << false << QStringList{"p0.png", "p2.png", "p3.png"};
        QTest::newRow("any order, repeated")
            << QList<int>{3, 0, 3} << false << QStringList{"p1.png", "p2.png"};
        QTest::newRow("past either end")
            << QList<int>{-1, 4} << false << QStringList{"p0.png", "p1.png", "p2.png", "p3.png"};
        QTest::newRow("during a run")
            << QList<int>{0} << true << QStringList{"p0.png", "p1.png", "p2.png", "p3.png"};
    }

    // Delete in the queue: the named rows go, their files stay; "Dosya Yöneticisinde Göster"
    // shows that row's own source.
    void removeItemsTakesTheNamedRowsOnly()
    {
        QFETCH(QList<int>, rows);
        QFETCH(bool, running);
        QFETCH(QStringList, left);
        Workbench bench;
        for (int i = 0; i < 4; ++i)
            bench.model.addPaths({bench.source(QString("p%1.png").arg(i), 8, 8)});
        bench.model.revealItem(2);
        bench.model.revealItem(4);
        QCOMPARE(bench.platform.fileManager.revealed,
                 QByteArrayList{QFile::encodeName(bench.dir.filePath("in/p2.png"))});
        QSignalSpy finished(&bench.model, &ResizeViewModel::runFinished);
        if (running)
            QVERIFY(bench.model.startProcessing());
        bench.model.removeItems(rows);
        QCOMPARE(bench.queuedNames(), left);
        QVERIFY(!running || finished.wait(60'000));
        QVERIFY(QFile::exists(bench.dir.filePath("in/p0.png")));
    }

    // The sample under the name fields is named as a written file would be; with the type kept,
    // which depends on each source, it says so instead of an extension.
    void sampleNameFollowsTheWrittenNames()
    {
        const std::vector<std::tuple<OutputFormat, std::string, std::string, QString>> cases{
            {OutputFormat::original, "a/", "_v", "a_ornek_v.orijinal"},
            {OutputFormat::original, "", ".2", "ornek.2.orijinal"},
            {OutputFormat::png, "web_", "_resized", "web_ornek_resized.png"},
        };
        for (const auto& [format, prefix, suffix, name] : cases) {
            SettingsObject settings;
            ResizeSettings value;
            value.format = format;
            value.prefix = prefix;
            value.suffix = suffix;
            settings.setValue(value);
            QCOMPARE(settings.samplePreviewName(), name);
        }
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
        model.append({item(3'000'000'000), item(1'234'567'890)});
        QCOMPARE(model.data(model.index(1), ImageQueueModel::FileSizeTextRole).toString(),
                 QString("1,2 GB"));
        QCOMPARE(model.totalSizeText(), QString("4,2 GB"));
    }
};

QTEST_GUILESS_MAIN(TestViewModel)
#include "tst_view_model.moc"
