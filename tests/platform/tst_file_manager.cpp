#include "desktop_file_manager.h"
#include "platform_test.h"

#include <QDBusContext>
#include <QDir>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>

using namespace pictavo;

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kObjectPath = QStringLiteral("/org/freedesktop/FileManager1");

// A file manager on the test's bus: records what it is asked to show, or refuses.
class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    std::atomic<bool> refusing = false;

    QList<QStringList> takeRequests()
    {
        QMutexLocker lock(&m_mutex);
        return std::exchange(m_requests, {});
    }

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&)
    {
        QMutexLocker lock(&m_mutex);
        m_requests << uris;
        if (refusing)
            sendErrorReply(QDBusError::Failed, QStringLiteral("cannot show"));
    }

private:
    QMutex m_mutex;
    QList<QStringList> m_requests;
};

} // namespace

class TestFileManager : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_folder = QDir::cleanPath(m_dir.filePath(QStringLiteral("Çıktı 2")));
    QProcess m_daemon;
    QString m_address;
    // The reveal blocks in its D-Bus call, so the service answers from a thread of its own.
    QThread m_serviceThread;
    FakeFileManager m_service;
    QList<QUrl> m_opened;

    QDBusConnection connection(const QString& name)
    {
        return QDBusConnection::connectToBus(m_address, name);
    }

    void reveal(std::optional<QDBusConnection> bus, const QString& path)
    {
        DesktopFileManager(std::move(bus), [this](const QUrl& url) {
            m_opened << url;
            return true;
        }).reveal(path);
    }

    bool serve()
    {
        QDBusConnection bus = connection(QStringLiteral("service"));
        return bus.registerObject(kObjectPath, &m_service, QDBusConnection::ExportAllSlots) &&
               bus.registerService(kService);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_folder));
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_address = test::startPrivateBus(m_daemon, m_dir.path());
        QVERIFY2(connection(QStringLiteral("client")).isConnected(), qPrintable(m_address));
        m_service.moveToThread(&m_serviceThread);
        m_serviceThread.start();
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        m_serviceThread.quit();
        m_serviceThread.wait();
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    void init()
    {
        m_opened.clear();
        m_service.refusing = false;
        m_service.takeRequests();
    }

    void cleanup()
    {
        connection(QStringLiteral("service")).unregisterService(kService);
        connection(QStringLiteral("service")).unregisterObject(kObjectPath);
    }

    void fileManagerShowsTheItem_data()
    {
        QTest::addColumn<QString>("given");
        QTest::newRow("path") << m_folder;
        QTest::newRow("untidy") << m_dir.path() + QStringLiteral("/./x/../Çıktı 2/");
    }

    // Exactly the item's URL, percent-encoded as GIO and KIO expect URIs to be.
    void fileManagerShowsTheItem()
    {
        QFETCH(QString, given);
        QVERIFY(serve());
        reveal(connection(QStringLiteral("client")), given);
        const QString expected =
            QStringLiteral("file://") + m_dir.path() + "/%C3%87%C4%B1kt%C4%B1%202";
        QCOMPARE(m_service.takeRequests(), QList<QStringList>{{expected}});
        QVERIFY(m_opened.isEmpty());
    }

    void withoutAnAnswerTheParentFolderOpens_data()
    {
        QTest::addColumn<bool>("served");
        QTest::addColumn<bool>("connected");
        QTest::newRow("nobody serves FileManager1") << false << true;
        QTest::newRow("the file manager refuses") << true << true;
        QTest::newRow("no bus") << false << false;
    }

    void withoutAnAnswerTheParentFolderOpens()
    {
        QFETCH(bool, served);
        QFETCH(bool, connected);
        m_service.refusing = true;
        QVERIFY(!served || serve());
        reveal(connected ? connection(QStringLiteral("client"))
                         : QDBusConnection(QStringLiteral("never connected")),
               m_folder);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(m_dir.path())});
        QCOMPARE(m_service.takeRequests().size(), served ? 1 : 0);
    }

    // The tests' environment disables the session bus; its absence is no error.
    void withoutASessionBusTheParentFolderOpens()
    {
        if (qgetenv("DBUS_SESSION_BUS_ADDRESS") != "disabled:")
            QSKIP("a session bus is configured, and revealing would reach the real desktop");
        reveal(std::nullopt, m_folder);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(m_dir.path())});
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestFileManager)
#include "tst_file_manager.moc"
