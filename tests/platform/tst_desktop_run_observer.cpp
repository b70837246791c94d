#include "desktop_run_observer.h"
#include "platform_test.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWindow>
#include <memory>
#include <poll.h>
#include <unistd.h>

using namespace pictavo;

namespace {

const QString kAppId = "io.github.pictavo.Pictavo";
const QString kReason = "Görseller dönüştürülüyor";
const QString kRequestHandle = "/org/freedesktop/portal/desktop/request/1_1/t";

// The notification server, the portal and logind on the test's bus: records each call's
// arguments, then the path it was sent to, and answers as the real ones do. Notifications get
// the id 7; logind's lock is the write end of a pipe, released once the read end sees its end.
class FakeDesktopServices : public QDBusVirtualObject {
public:
    QHash<QString, QList<QVariantList>> calls; // by interface.member
    int lockReadEnd = -1;

    ~FakeDesktopServices() override { ::close(lockReadEnd); }
    bool lockReleased() const
    {
        pollfd end{lockReadEnd, POLLIN, 0};
        return ::poll(&end, 1, 0) == 1;
    }

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
        else if (int ends[2]; method == "org.freedesktop.login1.Manager.Inhibit" && !::pipe(ends)) {
            ::close(std::exchange(lockReadEnd, ends[0]));
            reply << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
            ::close(ends[1]);
        }
        return connection.send(reply);
    }
};

struct RecordingFileManager : FileManager {
    void reveal(const QString& path) override { revealed << path; }
    QStringList revealed;
};

} // namespace

class TestDesktopRunObserver : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    FakeDesktopServices m_services;
    RecordingFileManager m_files;
    QList<QVariantMap> m_updates;

    QDBusConnection bus(const QString& name)
    {
        return QDBusConnection::connectToBus(m_address, name);
    }
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
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_address = test::startPrivateBus(m_daemon, m_dir.path());
        QDBusConnection service = bus("service");
        QVERIFY2(service.isConnected(), qPrintable(m_address));
        QVERIFY(service.registerVirtualObject("/org/freedesktop", &m_services,
                                              QDBusConnection::SubPath));
        QVERIFY(service.registerService("org.freedesktop.Notifications"));
        QVERIFY(service.registerService("org.freedesktop.login1"));
        QVERIFY(bus("listener")
                    .connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", this,
                             SLOT(recordUpdate(QString, QVariantMap))));
    }

    void cleanupTestCase()
    {
        for (const char* name : {"service", "session", "system", "listener"})
            QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    void init()
    {
        // The last test's signals reach the listener before the answers to calls sent after them.
        for (const char* name : {"session", "listener"})
            bus(name).call(QDBusMessage::createMethodCall(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId"));
        QCoreApplication::processEvents();
        m_services.calls.clear();
        ::close(std::exchange(m_services.lockReadEnd, -1));
        m_files.revealed.clear();
        m_updates.clear();
    }

    void cleanup() { bus("service").unregisterService("org.freedesktop.portal.Desktop"); }

    void notifiesWhenTheWindowIsNotInFront_data()
    {
        QTest::addColumn<QString>("inFront");
        QTest::addColumn<bool>("hadFailures");
        QTest::addColumn<QString>("title"); // empty for no notification
        QTest::newRow("the window") << "window" << true << "";
        QTest::newRow("a dialog of the window") << "dialog" << true << "";
        QTest::newRow("nothing: minimised") << "minimised" << false << "Dönüşüm tamamlandı";
        QTest::newRow("another window") << "other" << true << "Dönüşüm tamamlandı, hatalar var";
    }

    // The notification's button reveals the run's folder, its body brings the window forward;
    // another application's notification with the same action does nothing here.
    void notifiesWhenTheWindowIsNotInFront()
    {
        QFETCH(QString, inFront);
        QFETCH(bool, hadFailures);
        QFETCH(QString, title);
        QWindow window, dialog, other;
        dialog.setTransientParent(&window);
        QWindow* focused = inFront == "dialog" ? &dialog : inFront == "other" ? &other : &window;
        window.show();
        focused->show();
        focused->requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), focused);
        if (inFront == "minimised")
            window.showMinimized();

        DesktopRunObserver observer(m_files, buses());
        observer.setWindow(&window);
        const QString folder = m_dir.filePath("Çıktı");
        const QString summary = "2 tamamlandı, 1 görsel işlenemedi.";
        observer.runStarted(3);
        observer.runFinished({summary, hadFailures, folder});
        const QString notify = "org.freedesktop.Notifications.Notify";
        if (title.isEmpty()) {
            QTest::qWait(200);
            QVERIFY(!m_services.calls.contains(notify));
            return;
        }
        QTRY_COMPARE(m_services.calls.value(notify).size(), 1);
        const QVariantList arguments = m_services.calls[notify][0];
        QCOMPARE(arguments.mid(0, 6), QVariantList({"Orvenna Tavimo", 0u, kAppId, title, summary,
                                                    QStringList{"default", "Pencereyi Göster",
                                                                "reveal", "Klasörü Göster"}}));
        QCOMPARE(qdbus_cast<QVariantMap>(arguments[6]).value("desktop-entry"), kAppId);

        const auto invoke = [this](uint id, const QString& action) {
            QDBusMessage signal = QDBusMessage::createSignal(
                "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
            QVERIFY(bus("service").send(signal << id << action));
        };
        invoke(99, "reveal");
        invoke(7, "reveal");
        QTRY_COMPARE(m_files.revealed, QStringList{folder});
        invoke(7, "default");
        QTRY_VERIFY(!(window.windowStates() & Qt::WindowMinimized) &&
                    QGuiApplication::focusWindow() == &window);
        QCOMPARE(m_files.revealed, QStringList{folder});
    }

    void sleepIsHeldWhileARunGoesOn_data()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<QString>("end");
        for (bool portal : {true, false})
            for (const char* end : {"finished", "finished before the answer", "quit"})
                QTest::addRow("%s, %s", portal ? "portal" : "logind", end) << portal << end;
    }

    // Through the portal where it serves, else logind; released however the run ends, even
    // before the service's answer came.
    void sleepIsHeldWhileARunGoesOn()
    {
        QFETCH(bool, portal);
        QFETCH(QString, end);
        if (portal)
            QVERIFY(bus("service").registerService("org.freedesktop.portal.Desktop"));
        const QString inhibit = portal ? "org.freedesktop.portal.Inhibit.Inhibit"
                                       : "org.freedesktop.login1.Manager.Inhibit";
        const QString close = "org.freedesktop.portal.Request.Close";
        const auto released = [&] {
            return portal ? m_services.calls.value(close) == QList<QVariantList>{{kRequestHandle}}
                          : m_services.lockReleased();
        };
        // Without a session bus logind is asked at once, so its answer can come after the end.
        DesktopRunObserver::Buses buses = this->buses();
        if (!portal && end == "finished before the answer")
            buses.session = QDBusConnection("never connected");
        auto observer = std::make_unique<DesktopRunObserver>(m_files, buses);
        observer->runStarted(3);
        if (end != "finished before the answer") {
            QTRY_VERIFY(m_services.calls.contains(inhibit));
            QTest::qWait(100);
            QVERIFY(!released());
        }
        if (end == "quit")
            observer.reset();
        else
            observer->runFinished({"İşlem iptal edildi.", false, m_dir.path()});
        QTRY_VERIFY(released());

        const QList<QVariantList> calls = m_services.calls.value(inhibit);
        QCOMPARE(calls.size(), 1);
        if (portal) {
            QCOMPARE(calls[0].mid(0, 2), QVariantList({"", 12u}));
            QCOMPARE(qdbus_cast<QVariantMap>(calls[0][2]), QVariantMap({{"reason", kReason}}));
        } else {
            QCOMPARE(calls[0].mid(0, 4),
                     QVariantList({"sleep:idle", "Orvenna Tavimo", kReason, "block"}));
        }
    }

    // At most ten updates a second however fast items finish, rising, the last state shown,
    // and the entry cleared at the end even with an update still waiting for its turn.
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
        QTRY_COMPARE(m_updates.isEmpty() ? -1.0 : m_updates.back().value("progress").toDouble(),
                     1.0);
        observer.runProgressed(1.0, 0);
        observer.runProgressed(1.0, 0); // within the interval, whatever the first one did
        observer.runFinished({"40 görsel başarıyla hazırlandı.", false, m_dir.path()});
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
        for (qsizetype i = 1; i + 1 < m_updates.size(); ++i) {
            QVERIFY(m_updates[i].value("progress-visible").toBool());
            QVERIFY(m_updates[i]["progress"].toDouble() >= m_updates[i - 1]["progress"].toDouble());
        }
        QCOMPARE(
            m_updates.back(),
            QVariantMap({{"uri", uri}, {"progress-visible", false}, {"count-visible", false}}));
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestDesktopRunObserver)
#include "tst_desktop_run_observer.moc"
