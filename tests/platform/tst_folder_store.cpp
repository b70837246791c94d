// The output folder kept for the next launch: the settings file gives the bookmark's bytes back
// unchanged, and the bookmark finds its folder again, notices another folder in its place, or
// finds nothing when the folder or the stored data is gone.

#include "linux_folder_access.h"
#include "platform_test.h"
#include "qt_settings_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace pictavo;

class TestFolderStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    LinuxFolderAccess m_access;

    QString makeFolder(const QString& name)
    {
        const QString path = m_root.filePath(name);
        return QDir().mkpath(path) ? path : QString();
    }

private Q_SLOTS:
    // Written by one store and read by a second on the same file, as by the next launch; a
    // second write replaces the first, and a key never written is nothing, not empty.
    void settingsKeepBytesUnchanged()
    {
        const QString file = m_root.filePath(QStringLiteral("settings.ini"));
        const QString key = QStringLiteral("outputFolderBookmark");
        QVERIFY(!QtSettingsStore(file).value(key).has_value());
        for (const QByteArray& value :
             {QByteArray(""), QByteArray("\0\x01\xff\xfe bookmark \x80\0", 16),
              QByteArray("[group]\nkey=value;\\\"q\" /home/ayşe")}) {
            QtSettingsStore(file).setValue(key, value);
            QCOMPARE(QtSettingsStore(file).value(key), std::optional<QByteArray>(value));
        }
    }

    void bookmarkFollowsItsFolder_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("resolves");
        QTest::addColumn<bool>("stale");
        QTest::newRow("untouched") << "" << true << false;
        QTest::newRow("another folder in its place") << "replaced" << true << true;
        QTest::newRow("removed") << "removed" << false << false;
        QTest::newRow("a file in its place") << "file" << false << false;
    }

    void bookmarkFollowsItsFolder()
    {
        QFETCH(QString, change);
        QFETCH(bool, resolves);
        QFETCH(bool, stale);
        const QString folder = makeFolder(QStringLiteral("Çıktı klasörü ") + change);
        const QByteArray bookmark = m_access.bookmark(folder + QStringLiteral("/./")).value();
        // The replacement exists alongside the original before taking its place, so the file
        // system cannot hand it the original's inode again.
        const QString replacement = makeFolder(QStringLiteral("replacement"));
        if (!change.isEmpty())
            QVERIFY(QDir(folder).removeRecursively());
        if (change == "replaced")
            QVERIFY(QDir().rename(replacement, folder));
        if (change == "file")
            QVERIFY(QFile(folder).open(QIODevice::WriteOnly));

        const std::optional<ResolvedFolder> resolved = m_access.resolve(bookmark);
        QCOMPARE(resolved.has_value(), resolves);
        if (resolved) {
            QCOMPARE(resolved->path, folder);
            QCOMPARE(resolved->stale, stale);
        }
        QDir(replacement).removeRecursively();
    }

    void damagedDataDoesNotResolve_data()
    {
        const QByteArray valid = m_access.bookmark(m_root.path()).value();
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("resolves");
        // The untouched reference resolves, so the others fail for their damage alone.
        QTest::newRow("intact") << valid << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("cut short") << valid.left(valid.size() / 2) << false;
        QTest::newRow("array") << QByteArray("[\"/tmp\"]") << false;
        QTest::newRow("other kind") << QByteArray(valid).replace("pictavo-", "x-") << false;
        QTest::newRow("no inode") << QByteArray(valid).replace("\"inode\"", "\"i\"") << false;
        QTest::newRow("bad device")
            << QByteArray(valid).replace("device\":\"", "device\":\"x") << false;
        QTest::newRow("relative") << QByteArray(valid).replace("path\":\"/", "path\":\"") << false;
    }

    void damagedDataDoesNotResolve()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, resolves);
        QCOMPARE(m_access.resolve(data).has_value(), resolves);
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestFolderStore)
#include "tst_folder_store.moc"
