#include "fakes.h"
#include "resize_view_model.h"
#include "sample_files.h"

#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

using namespace pictavo;
using namespace pictavo::test;

namespace {

QStringList queuedNames(const ResizeViewModel& model)
{
    QStringList names;
    for (const ImageItem& item : model.items()->items())
        names << QString::fromStdString(item.url.filename().string());
    return names;
}

void writeText(const QString& path)
{
    std::ofstream(path.toStdString()) << "not an image\n";
}

} // namespace

class TestIntake : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void folderKeepsSupportedVisibleImages()
    {
        QTemporaryDir dir;
        const QDir root(dir.path());
        root.mkpath("sub");
        root.mkpath(".hidden-folder");
        writeSampleImage(root.filePath("a.jpg").toStdString(), 8, 8);
        writeSampleImage(root.filePath("b.PNG").toStdString(), 8, 8);
        writeSampleImage(root.filePath("sub/d.heic").toStdString(), 8, 8);
        writeSampleImage(root.filePath("photo.JPEG").toStdString(), 8, 8);
        writeSampleImage(root.filePath(".hidden.jpg").toStdString(), 8, 8);
        writeSampleImage(root.filePath(".hidden-folder/e.jpg").toStdString(), 8, 8);
        writeText(root.filePath("c.gif"));
        writeText(root.filePath("notes.txt"));
        writeText(root.filePath("fake.png"));
        writeSampleImage(root.filePath("photo").toStdString() + ".png", 8, 8);
        QFile::rename(root.filePath("photo.png"), root.filePath("photo"));

        FakePlatform platform;
        ResizeViewModel model(platform.services());
        QSignalSpy changed(&model, &ResizeViewModel::itemsChanged);
        model.addPaths({dir.path()});
        QCOMPARE(queuedNames(model), QStringList({"a.jpg", "b.PNG", "photo.JPEG", "d.heic"}));
        QCOMPARE(changed.count(), 1);
        for (const ImageItem& item : model.items()->items())
            QCOMPARE(item.status, ImageItem::ItemStatus::makeReady());
    }

    void duplicatesAcrossCallsButNotWithinOne()
    {
        QTemporaryDir dir;
        const QString photo = dir.filePath("p.jpg");
        writeSampleImage(photo.toStdString(), 8, 8);
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        QSignalSpy changed(&model, &ResizeViewModel::itemsChanged);

        model.addURLs({QUrl::fromLocalFile(photo)});
        model.addURLs({QUrl::fromLocalFile(photo)});
        QCOMPARE(model.items()->count(), 1);
        QCOMPARE(changed.count(), 2); // one per call, even when nothing was added

        // A folder and a file inside it, in one selection: the file is there twice.
        ResizeViewModel fresh(platform.services());
        fresh.addPaths({dir.path(), photo});
        QCOMPARE(fresh.items()->count(), 2);
    }

    void dotDotPathsAreTheSameFile()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("Pictures");
        const QString plain = dir.filePath("Pictures/a.jpg");
        writeSampleImage(plain.toStdString(), 8, 8);
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        model.addPaths({dir.filePath("Pictures/../Pictures/a.jpg")});
        model.addPaths({plain, dir.filePath("Pictures/./a.jpg")});
        QCOMPARE(model.items()->count(), 1);
        QCOMPARE(QString::fromStdString(model.items()->items()[0].url.string()),
                 dir.filePath("Pictures/../Pictures/a.jpg"));
    }

    void probeGivesUprightSizeAndBytes()
    {
        QTemporaryDir dir;
        const QString portrait = dir.filePath("portrait.jpg");
        writeTurnedJpeg(portrait.toStdString(), 80, 60, 6);
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        model.addPaths({portrait, dir.filePath("missing.jpg")});
        QCOMPARE(model.items()->count(), 1);
        const ImageItem& item = model.items()->items()[0];
        QCOMPARE(item.pixelWidth, 60);
        QCOMPARE(item.pixelHeight, 80);
        QCOMPARE(item.fileSize, QFileInfo(portrait).size());
        const QModelIndex row = model.items()->index(0);
        QCOMPARE(row.data(ImageQueueModel::FileNameRole).toString(), QString("portrait.jpg"));
        QCOMPARE(row.data(ImageQueueModel::StatusRole).toString(), QString("ready"));
        QCOMPARE(row.data(ImageQueueModel::PixelWidthRole).toLongLong(), 60);
    }

    void symbolicLinkLoopsAreNotFollowed()
    {
        QTemporaryDir dir;
        const QDir root(dir.path());
        root.mkpath("a/b");
        writeSampleImage(root.filePath("a/b/x.png").toStdString(), 8, 8);
        QFile::link(dir.path(), root.filePath("a/b/loop"));
        QFile::link(root.filePath("a"), root.filePath("a/b/up.jpg"));
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        model.addPaths({dir.path()});
        QCOMPARE(queuedNames(model), QStringList({"x.png"}));
    }

    void unreadableOrOddPathsAddNothing()
    {
        QTemporaryDir dir;
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        QSignalSpy changed(&model, &ResizeViewModel::itemsChanged);
        model.addPaths({dir.filePath("nothing-here"), dir.filePath("gone.jpg"), QString()});
        model.addURLs({QUrl("https://example.invalid/a.jpg")});
        QCOMPARE(model.items()->count(), 0);
        QCOMPARE(changed.count(), 2);
    }

    void dialogSelectionGoesThroughIntake()
    {
        QTemporaryDir dir;
        writeSampleImage(dir.filePath("one.webp").toStdString(), 8, 8);
        writeSampleImage(dir.filePath("two.tif").toStdString(), 8, 8);
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        platform.images.answer = std::nullopt; // cancelled
        model.openImages();
        QCOMPARE(model.items()->count(), 0);
        platform.images.answer = QStringList{dir.filePath("two.tif"), dir.filePath("one.webp")};
        model.openImages();
        QCOMPARE(queuedNames(model), QStringList({"two.tif", "one.webp"}));
        QCOMPARE(platform.images.calls, 2);
    }

    // Names are bytes: a Latin-1 "é" (from a file URL too) and a UTF-8 "é" are two files, and a
    // second intake reports both as queued, also when met inside a named folder.
    void namesThatAreNotUtf8KeepTheirBytes()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        const std::vector<std::filesystem::path> paths{(root + "/caf\xe9.jpg").toStdString(),
                                                       (root + "/caf\xc3\xa9.jpg").toStdString()};
        for (const std::filesystem::path& path : paths)
            writeSampleImage(path.string(), 8, 8);
        // QTemporaryDir cannot name the Latin-1 file to remove it.
        const auto removeLatin1 = qScopeGuard([&] { std::filesystem::remove(paths[0]); });
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        model.addURLs({QUrl::fromEncoded("file://" + root + "/caf%E9.jpg"),
                       QUrl::fromLocalFile(dir.filePath("café.jpg"))});
        QCOMPARE(model.items()->count(), 2);
        QCOMPARE(model.items()->items()[0].url, paths[0]);
        QCOMPARE(model.items()->items()[1].url, paths[1]);

        const std::vector<SkippedPath> skipped = model.addPaths({root.toStdString()});
        const std::vector<SkippedPath> expected{{paths[1], "Zaten sırada"},
                                                {paths[0], "Zaten sırada"}};
        QCOMPARE(skipped, expected);
        QCOMPARE(model.items()->count(), 2);
    }

    void naturalOrderInsideFolders()
    {
        QTemporaryDir dir;
        for (const char* name : {"foto_10.jpg", "Foto_2.jpg", "foto_1.jpg"})
            writeSampleImage(dir.filePath(name).toStdString(), 8, 8);
        FakePlatform platform;
        ResizeViewModel model(platform.services());
        model.addPaths({dir.path()});
        QCOMPARE(queuedNames(model), QStringList({"foto_1.jpg", "Foto_2.jpg", "foto_10.jpg"}));
    }
};

QTEST_GUILESS_MAIN(TestIntake)
#include "tst_intake.moc"
