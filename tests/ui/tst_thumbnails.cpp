// The queue's thumbnails and the desktop's shared thumbnail cache, through the provider the
// view asks, on a photo of the test's own and a temporary cache folder.

#include "image_queue_model.h"
#include "sample_files.h"
#include "thumbnail_cache.h"
#include "thumbnail_image_provider.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtEndian>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

using namespace pictavo;

namespace {

const QColor kMarker(255, 0, 255); // a colour the photo does not have

// The picture the view would get for the file at `path` (its bytes) from a provider of its
// own, as a launch of the program would ask: the queue row's image URL, taken apart again as
// Qt Quick does. A null image when the provider gives an error.
QImage thumbnail(const QByteArray& path, QSize size = {82, 62})
{
    ImageQueueModel queue;
    queue.append({{ItemId::random(), path.toStdString(), 1, 1, 1, ItemStatus{}, {}}});
    const QUrl url("image://thumbnail/" +
                   queue.data(queue.index(0), ImageQueueModel::EncodedPathRole).toString());
    ThumbnailImageProvider provider;
    std::unique_ptr<QQuickImageResponse> response(provider.requestImageResponse(
        url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority).mid(1), size));
    QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
    if (!finished.wait(20000) || !response->errorString().isEmpty())
        return {};
    std::unique_ptr<QQuickTextureFactory> factory(response->textureFactory());
    return factory->image();
}

// The types of the PNG chunks in `png` that hold the text under `key`.
QList<QByteArray> textChunkTypes(const QByteArray& png, const QByteArray& key)
{
    QList<QByteArray> types;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
        if (png.mid(at + 8, key.size() + 1) == key + '\0')
            types << png.mid(at + 4, 4);
        at += 12 + length;
    }
    return types;
}

int mode(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

void writeCached(const QString& file, const QByteArray& uri, qint64 mtime)
{
    QImage picture(128, 96, QImage::Format_ARGB32);
    picture.fill(kMarker);
    picture.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(uri));
    picture.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
    QDir().mkpath(QFileInfo(file).path());
    QVERIFY(picture.save(file, "PNG"));
}

bool showsMarker(const QImage& image)
{
    const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
    return qAbs(centre.red() - 255) + centre.green() + qAbs(centre.blue() - 255) < 8;
}

void setMtime(const QString& path, qint64 seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
}

} // namespace

class ThumbnailsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_photo = m_photos.filePath(QStringLiteral("photo.jpg"));
        test::writeSampleImage(QFile::encodeName(m_photo).constData(), 400, 300);
    }
    // Every case starts on an empty cache of its own.
    void init()
    {
        m_home.reset(new QTemporaryDir);
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_home->path()));
        m_cache = m_home->path() + QStringLiteral("/thumbnails/");
    }

    void cachedPictureIsUsedOnlyWhileItMatches_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("differs"); // what of the stored picture's record
        QTest::addColumn<bool>("used");
        QTest::newRow("valid") << "normal" << QSize(82, 62) << "" << true;
        QTest::newRow("larger folder") << "x-large" << QSize(82, 62) << "" << true;
        QTest::newRow("other mtime") << "normal" << QSize(82, 62) << "mtime" << false;
        QTest::newRow("other uri") << "normal" << QSize(82, 62) << "uri" << false;
        QTest::newRow("too small") << "normal" << QSize(240, 180) << "" << false;
    }
    void cachedPictureIsUsedOnlyWhileItMatches()
    {
        QFETCH(QString, folder);
        QFETCH(QSize, size);
        QFETCH(QString, differs);
        QFETCH(bool, used);
        // A name that needs escaping; the copy's mtime is the photo's, as copies keep it.
        const QString copy = m_home->filePath(QStringLiteral("a b#1%.jpg"));
        QVERIFY(QFile::copy(m_photo, copy));
        const auto source = ThumbnailCache::describe(QFile::encodeName(copy));
        QVERIFY(source);
        writeCached(m_cache + folder + '/' + ThumbnailCache::fileNameFor(source->uri),
                    source->uri + (differs == "uri" ? "x" : ""),
                    source->mtime - (differs == "mtime" ? 60 : 0));

        const QImage image = thumbnail(QFile::encodeName(copy), size);
        QCOMPARE(image.size(), size);
        QCOMPARE(showsMarker(image), used);
    }

    // A name that is not UTF-8, in a URI far over the 40 characters past which Qt would store
    // the text compressed.
    void decodedPictureIsLeftInTheCacheByTheStandard()
    {
        const QByteArray photo =
            QFile::encodeName(m_home->path()) + "/uzun bir ad \xff" + QByteArray(40, 'x') + ".jpg";
        std::filesystem::copy_file(m_photo.toStdString(), photo.toStdString());
        QVERIFY(!thumbnail(photo).isNull());
        const auto source = ThumbnailCache::describe(photo);
        QVERIFY(source);
        const QString stored = m_cache + "large/" + ThumbnailCache::fileNameFor(source->uri);
        const QImage picture(stored);
        QCOMPARE(picture.text("Thumb::URI").toLatin1(), source->uri);
        QFile png(stored);
        QVERIFY(png.open(QIODevice::ReadOnly));
        QCOMPARE(textChunkTypes(png.readAll(), "Thumb::URI"), QList<QByteArray>{"tEXt"});
        QCOMPARE(picture.text("Thumb::MTime"), QString::number(source->mtime));
        QCOMPARE(picture.size(), QSize(256, 192)); // the whole 400 × 300 photo, not the crop
        QCOMPARE(mode(stored), 0600);
        QCOMPARE(mode(m_cache), 0700);
        QCOMPARE(mode(m_cache + "large"), 0700);
        QCOMPARE(QDir(m_cache + "large").entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // A later launch finds the failure on record in the cache.
    void failureIsNotRetriedUntilTheFileChanges()
    {
        const QString path = m_home->filePath(QStringLiteral("photo.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a photo") > 0 && file.flush());
        setMtime(path, 1'600'000'000);
        QVERIFY(thumbnail(QFile::encodeName(path)).isNull());

        // Mended behind the program's back with the same mtime: not read again until the
        // mtime changes.
        QVERIFY(file.remove() && QFile::copy(m_photo, path));
        setMtime(path, 1'600'000'000);
        QVERIFY(thumbnail(QFile::encodeName(path)).isNull());
        setMtime(path, 1'600'000'010);
        QCOMPARE(thumbnail(QFile::encodeName(path)).size(), QSize(82, 62));
    }

private:
    QTemporaryDir m_photos;
    QString m_photo;
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_cache;
};

QTEST_MAIN(ThumbnailsTest)
#include "tst_thumbnails.moc"
