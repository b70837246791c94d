// One window per user and display: the real program, started again, hands the files it was
// given to the running instance (played here by the test), or opens its own window where none
// answers.

#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pictavo;

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_files;

    QUrl local(const QString& name) const { return QUrl::fromLocalFile(m_files.filePath(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* name : {"photo:1.jpg", "a#b%20c.jpg", "çiçek.heic"})
            QVERIFY(QFile(m_files.filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly));
    }

    void laterStart_data()
    {
        // The program's runtime folder: "private" (0700, the user's), "unset" (Qt's own choice
        // then, under $TMPDIR), "0755", or "foreign" (another user's).
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("socket"); // what holds the socket when the program starts
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("handedOver"); // otherwise the start opens a window of its own
        QTest::addColumn<QList<QUrl>>("urls");
        // Existing files win over URL-looking names; relative paths resolve against the folder
        // the start happened in; a URL from the desktop stays as it is; a line break in a name
        // does not split it.
        const QStringList arguments{"photo:1.jpg", "a#b%20c.jpg", "çiçek.heic",
                                    "/tmp/line\nbreak.jpg", "file:///srv/tatil%20foto.jpg"};
        const QList<QUrl> urls{local("photo:1.jpg"), local("a#b%20c.jpg"), local("çiçek.heic"),
                               QUrl::fromLocalFile("/tmp/line\nbreak.jpg"),
                               QUrl::fromLocalFile("/srv/tatil foto.jpg")};
        QTest::newRow("files") << "private"
                               << "instance" << arguments << true << urls;
        const QStringList one{"/srv/a.jpg"};
        const QList<QUrl> oneUrl{QUrl::fromLocalFile("/srv/a.jpg")};
        QTest::newRow("a crashed instance's socket") << "private"
                                                     << "stale" << one << true << oneUrl;
        // A hung instance: the start does not take the socket away from it.
        QTest::newRow("silent") << "private"
                                << "silent" << one << false << oneUrl;
        // A socket outside a private folder may be anybody's: no hand-over at all.
        for (const char* runtime : {"unset", "0755", "foreign"})
            QTest::newRow(runtime) << runtime << "instance" << one << false << oneUrl;
    }

    void laterStart()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, socket);
        QFETCH(QStringList, arguments);
        QFETCH(bool, handedOver);
        QFETCH(QList<QUrl>, urls);
        QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const QString temporary = m_home.filePath("tmp");
        if (runtime == "unset")
            folder = temporary + "/runtime-" + QString::fromLocal8Bit(getpwuid(geteuid())->pw_name);
        else if (runtime != "private")
            folder = m_home.filePath(runtime);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(::chmod(qPrintable(folder), runtime == "0755" ? 0755 : 0700) == 0);
        if (runtime == "foreign" && ::chown(qPrintable(folder), 65534, 65534) != 0)
            QSKIP("only root can give a folder to another user");
        const QString path = SingleInstance::socketPath(folder);
        SingleInstance running(path);
        QSignalSpy activated(&running, &SingleInstance::activated);
        QLocalServer holder;
        if (socket == "stale") {
            // A socket file nobody listens on any more, as a crash leaves it behind.
            QVERIFY(holder.listen(path + ".old") &&
                    ::link(qPrintable(path + ".old"), qPrintable(path)) == 0);
            holder.close();
            QVERIFY(QFile::exists(path));
        }
        if (socket == "silent")
            QVERIFY(holder.listen(path));
        else
            QCOMPARE(running.claim({}), SingleInstance::Role::Primary);

        // Settings and thumbnails stay away from the user's; a start that wrongly opens its
        // window quits at once instead of hanging the test.
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_home.path());
        environment.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        environment.insert("XDG_CACHE_HOME", m_home.filePath("cache"));
        environment.insert("PICTAVO_REPORT_FIRST_FRAME", "1");
        environment.insert("PICTAVO_QUIT_AFTER_FIRST_FRAME", "1");
        environment.insert("TMPDIR", temporary);
        if (runtime == "unset")
            environment.remove("XDG_RUNTIME_DIR");
        else
            environment.insert("XDG_RUNTIME_DIR", folder);
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(m_files.path());
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The test's event loop, and so its running instance, goes on meanwhile; long enough
        // for a sanitizer build to start the program and load its window.
        QSignalSpy finished(&program, &QProcess::finished);
        program.start(QStringLiteral(PICTAVO_PROGRAM), arguments);
        QVERIFY(finished.wait(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput().contains("first frame"), !handedOver);
        QCOMPARE(activated.size(), handedOver ? 1 : 0);
        if (handedOver)
            QCOMPARE(activated[0][0].value<QList<QUrl>>(), urls);

        // Whoever held the socket still answers on it.
        QLocalSocket probe;
        probe.connectToServer(path);
        QVERIFY(probe.waitForConnected(2000));
    }
};

// The socket lives in a private runtime folder, so neither the user's running window nor a
// parallel test run is involved; no display and no session bus are touched.
int main(int argc, char** argv)
{
    QTemporaryDir runtime;
    if (!runtime.isValid())
        return 1;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    qputenv("PICTAVO_REDUCE_MOTION", "1");
    qunsetenv("PICTAVO_SINGLE_INSTANCE");
    QGuiApplication application(argc, argv);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_single_instance.moc"
