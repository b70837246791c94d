#include "linux_folder_access.h"
#include "platform_test.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace pictavo;

class TestFolderAccess : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    LinuxFolderAccess m_access;

    QString makeFolder(const QString& name)
    {
        const QString path = m_root.filePath(name);
        return QDir().mkpath(path) ? path : QString();
    }

    bool makeFile(const QString& path) { return QFile(path).open(QIODevice::WriteOnly); }

private Q_SLOTS:
    void bookmarkResolvesToItsFolder()
    {
        const QString folder = makeFolder(QStringLiteral("Çıktı klasörü"));
        const std::optional<ResolvedFolder> resolved =
            m_access.resolve(m_access.bookmark(folder + QStringLiteral("/./")).value());
        QVERIFY(resolved.has_value());
        QCOMPARE(resolved->path, folder);
        QVERIFY(!resolved->stale);
    }

    void anotherFolderAtThePathIsStale()
    {
        const QString folder = makeFolder(QStringLiteral("replaced"));
        const QByteArray bookmark = m_access.bookmark(folder).value();
        // The replacement exists alongside the original before taking its place, so the file
        // system cannot hand it the original's inode again.
        const QString replacement = makeFolder(QStringLiteral("replacement"));
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QDir().rename(replacement, folder));

        const std::optional<ResolvedFolder> resolved = m_access.resolve(bookmark);
        QVERIFY(resolved.has_value());
        QCOMPARE(resolved->path, folder);
        QVERIFY(resolved->stale);
    }

    void goneFolderDoesNotResolve()
    {
        const QString folder = makeFolder(QStringLiteral("gone"));
        const QByteArray bookmark = m_access.bookmark(folder).value();
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(!m_access.resolve(bookmark).has_value());
        QVERIFY(makeFile(folder)); // a file in its place is no folder either
        QVERIFY(!m_access.resolve(bookmark).has_value());
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

    // Tests run as root in CI, where permission bits refuse nothing: only non-folders are tried.
    void onlyExistingFoldersAreAccessible()
    {
        const QString file = m_root.filePath(QStringLiteral("photo.jpg"));
        QVERIFY(makeFile(file));
        QVERIFY(m_access.startAccessing(m_root.path()));
        QVERIFY(!m_access.startAccessing(file));
        QVERIFY(!m_access.startAccessing(m_root.filePath(QStringLiteral("missing"))));
        QVERIFY(!m_access.bookmark(file).has_value());
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestFolderAccess)
#include "tst_folder_access.moc"
