// What the window asks of the desktop over D-Bus, from services the test plays on a bus of its
// own: the file manager showing a folder, and a run's notification, taskbar progress and sleep
// inhibition.

#include "desktop_file_manager.h"
#include "desktop_run_observer.h"
#include "platform_test.h"

#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <atomic>

using namespace pictavo;

namespace {

const QString kAppId = "io.github.pictavo.Pictavo";
const QString kReason = "Görseller dönüştürülüyor";
const QString kRequestHandle = "/org/freedesktop/portal/desktop/request/1_1/t";
const QString kFileManager = "org.freedesktop.FileManager1";

// The notification server and the portal: records each call's arguments, then the path it was
// sent to, and answers as the real ones do. Notifications get the id 7.
class FakeDesktopServices : public QDBusVirtualObject {
public:
    QHash<QString, QList<QVariantList>> calls; // by interface.member

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString method = message.interface() + '.' + message.member();
        calls[method] << (message.arguments() << message.path());
        QDBusMessage reply = message.createReply();
        if (method == "org.freedesktop.Notifications.Notify")
            reply << 7u;
        else if (method == "org.freedesktop.portal.Inhibit.Inhibit")
            reply << QVariant::fromValue(QDBusObjectPath(kRequestHandle));
        return connection.send(reply);
    }
};

// A file manager that records what it is asked to show, or refuses, after `delayMs`; it
// answers from a thread of its own.
class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    std::atomic<bool> refusing = false;
    std::atomic<int> delayMs = 0;

    QList<QStringList> takeRequests()
    {
        QMutexLocker lock(&m_mutex);
        return std::exchange(m_requests, {});
    }

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&)
    {
        {
            QMutexLocker lock(&m_mutex);
            m_requests << uris;
        }
        QThread::msleep(delayMs);
        if (refusing)
            sendErrorReply(QDBusError::Failed, QStringLiteral("cannot show"));
    }

private:
    QMutex m_mutex;
    QList<QStringList> m_requests;
};

struct RecordingFileManager : FileManager {
    void reveal(const std::filesystem::path& path) override { revealed << path.c_str(); }
    QByteArrayList revealed;
};

} // namespace

class TestDesktopServices : public QObject {
    Q_OBJECT

    // In this order, so that the bus is gone before the services it called.
    QTemporaryDir m_dir;
    FakeDesktopServices m_services;
    FakeFileManager m_fileManager;
    QThread m_fileManagerThread;
    test::PrivateBus m_bus;
    RecordingFileManager m_files;
    QList<QVariantMap> m_updates;

    QDBusConnection bus(const QString& name) { return m_bus.connection(name); }
    DesktopRunObserver::Buses buses() { return {bus("session"), bus("system")}; }

public Q_SLOTS:
    void recordUpdate(const QString& appUri, const QVariantMap& properties)
    {
        m_updates << properties;
        m_updates.back().insert("uri", appUri);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!m_bus.start(m_dir.path()))
            QSKIP("no D-Bus daemon of the test's own");
        QDBusConnection service = bus("service");
        QVERIFY(service.registerVirtualObject("/org/freedesktop", &m_services,
                                              QDBusConnection::SubPath));
        QVERIFY(service.registerService("org.freedesktop.Notifications"));
        QVERIFY(service.registerService("org.freedesktop.portal.Desktop"));
        QVERIFY(bus("listener")
                    .connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", this,
                             SLOT(recordUpdate(QString, QVariantMap))));
        m_fileManager.moveToThread(&m_fileManagerThread);
        m_fileManagerThread.start();
    }

    void cleanupTestCase()
    {
        m_fileManagerThread.quit();
        m_fileManagerThread.wait();
    }

    void init()
    {
        // The last test's signals reach the listener before the answers to calls sent after them.
        for (const char* name : {"session", "listener"})
            bus(name).call(QDBusMessage::createMethodCall(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId"));
        QCoreApplication::processEvents();
        m_services.calls.clear();
        m_files.revealed.clear();
        m_updates.clear();
    }

    void cleanup()
    {
        bus("files").unregisterService(kFileManager);
        bus("files").unregisterObject("/org/freedesktop/FileManager1");
    }

    void revealShowsTheItemOrOpensItsFolder_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("shown") << "shown";
        QTest::newRow("refused") << "refused";
        QTest::newRow("nobody serves FileManager1") << "no file manager";
        QTest::newRow("shown after a long wait") << "slow";
    }

    // Exactly the item's bytes (not UTF-8 here), percent-encoded as GIO and KIO expect URIs to
    // be; without an answer, its parent folder opens instead. The window never waits for it.
    void revealShowsTheItemOrOpensItsFolder()
    {
        QFETCH(QString, answer);
        m_fileManager.refusing = answer == "refused";
        m_fileManager.delayMs = answer == "slow" ? DesktopFileManager::kCallTimeoutMs / 2 : 0;
        if (answer != "no file manager") {
            QVERIFY(bus("files").registerObject("/org/freedesktop/FileManager1", &m_fileManager,
                                                QDBusConnection::ExportAllSlots));
            QVERIFY(bus("files").registerService(kFileManager));
        }
        QList<QUrl> opened;
        QElapsedTimer elapsed;
        elapsed.start();
        DesktopFileManager(bus("client"), [&](const QUrl& url) {
            opened << url;
            return true;
        }).reveal(m_dir.filePath("Çıktı 2").toStdString() + "\xff");
        QVERIFY(elapsed.elapsed() < DesktopFileManager::kCallTimeoutMs / 2);

        QTRY_VERIFY(!opened.isEmpty() || elapsed.elapsed() > DesktopFileManager::kCallTimeoutMs);
        const QList<QStringList> requests = m_fileManager.takeRequests();
        if (answer == "shown" || answer == "slow") {
            QCOMPARE(requests, QList<QStringList>{
                                   {"file://" + m_dir.path() + "/%C3%87%C4%B1kt%C4%B1%202%FF"}});
            QVERIFY(opened.isEmpty());
        } else {
            QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(m_dir.path())});
            QCOMPARE(requests.size(), answer == "refused" ? 1 : 0);
        }
    }

    // While the window is minimised; its button reveals the run's folder.
    void notifiesWhenTheWindowIsNotInFront()
    {
        QWindow window;
        window.showMinimized();
        const QByteArray folder = m_dir.filePath("Çıktı").toUtf8() + "\xff";
        const QString summary = "2 tamamlandı, 1 görsel işlenemedi.";
        const QString notify = "org.freedesktop.Notifications.Notify";
        for (bool hadFailures : {false, true}) {
            m_services.calls.clear();
            m_files.revealed.clear();
            DesktopRunObserver observer(m_files, buses());
            observer.setWindow(&window);
            observer.runStarted(3);
            observer.runFinished({summary, hadFailures, folder.toStdString()});
            QTRY_COMPARE(m_services.calls.value(notify).size(), 1);
            const QVariantList arguments = m_services.calls[notify][0];
            const QString title =
                hadFailures ? "Dönüşüm tamamlandı, hatalar var" : "Dönüşüm tamamlandı";
            QCOMPARE(arguments.mid(0, 6),
                     QVariantList(
                         {"Orvenna Tavimo", 0u, kAppId, title, summary,
                          QStringList{"default", "Pencereyi Göster", "reveal", "Klasörü Göster"}}));
            QCOMPARE(qdbus_cast<QVariantMap>(arguments[6]).value("desktop-entry"), kAppId);

            QDBusMessage action = QDBusMessage::createSignal(
                "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
            QVERIFY(bus("service").send(action << 7u << "reveal"));
            QTRY_COMPARE(m_files.revealed, QByteArrayList{folder});
        }
    }

    // Through the portal, held until the run ends.
    void sleepIsHeldWhileARunGoesOn()
    {
        const QString inhibit = "org.freedesktop.portal.Inhibit.Inhibit";
        const QString close = "org.freedesktop.portal.Request.Close";
        DesktopRunObserver observer(m_files, buses());
        observer.runStarted(3);
        QTRY_VERIFY(m_services.calls.contains(inhibit));
        QTest::qWait(100);
        QVERIFY(!m_services.calls.contains(close));
        observer.runFinished({"İşlem iptal edildi.", false, m_dir.path().toStdString()});
        QTRY_COMPARE(m_services.calls.value(close), QList<QVariantList>{{kRequestHandle}});

        const QList<QVariantList> calls = m_services.calls.value(inhibit);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].mid(0, 2), QVariantList({"", 12u}));
        QCOMPARE(qdbus_cast<QVariantMap>(calls[0][2]), QVariantMap({{"reason", kReason}}));
    }

    // At most ten updates a second however fast items finish, and the entry cleared at the end
    // even with an update still waiting for its turn.
    void taskbarProgressIsThrottledAndClearedAtTheEnd()
    {
        DesktopRunObserver observer(m_files, buses());
        QElapsedTimer elapsed;
        elapsed.start();
        observer.runStarted(40);
        for (int done = 1; done <= 40; ++done) {
            observer.runProgressed(done / 40.0, 40 - done);
            QTest::qWait(10);
        }
        observer.runFinished(
            {"40 görsel başarıyla hazırlandı.", false, m_dir.path().toStdString()});
        const qint64 span = elapsed.elapsed();
        QTest::qWait(2 * LauncherProgress::kMinIntervalMs);

        QVERIFY(m_updates.size() >= 4); // one each interval, not just the first and the last
        QVERIFY2(m_updates.size() <= span / LauncherProgress::kMinIntervalMs + 2,
                 qPrintable(QString("%1 updates in %2 ms").arg(m_updates.size()).arg(span)));
        const QString uri = "application://" + kAppId + ".desktop";
        QCOMPARE(m_updates.front(), QVariantMap({{"uri", uri},
                                                 {"progress", 0.0},
                                                 {"progress-visible", true},
                                                 {"count", qint64(40)},
                                                 {"count-visible", true}}));
        QCOMPARE(
            m_updates.back(),
            QVariantMap({{"uri", uri}, {"progress-visible", false}, {"count-visible", false}}));
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestDesktopServices)
#include "tst_desktop_services.moc"
