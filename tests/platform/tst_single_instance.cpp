// One window per user and display: the real program, started again, hands the files it was
// given to the running instance (played here by the test), or opens its own window where none
// answers.

#include "launch_arguments.h"
#include "open_request.h"
#include "single_instance.h"

#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
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
        for (const char* name : {"photo:1.jpg", " spaced .png", "a#b%20c.jpg", "çiçek.heic"})
            QVERIFY(QFile(m_files.filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly));
    }

    // A name that is not UTF-8 has no QString, so no test can pass it to the program; its bytes
    // must still reach the queue as they are.
    void nonUtf8NameKeepsItsBytes()
    {
        const QByteArray folder = QFile::encodeName(m_files.path());
        const QByteArray path = folder + "/caf\xe9.jpg";
        QVERIFY(std::ofstream(path.toStdString()).good());
        const QList<QUrl> urls = urlsFromArguments({"caf\xe9.jpg"}, folder.toStdString());
        ::unlink(path.constData()); // which the temporary folder cannot name to remove it
        QCOMPARE(urls.size(), 1);
        QCOMPARE(QByteArray::fromPercentEncoding(urls[0].path(QUrl::FullyEncoded).toLatin1()),
                 path);
    }

    void laterStart_data()
    {
        QTest::addColumn<QString>("socket"); // what holds the socket when the program starts
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("handedOver"); // otherwise the start opens a window of its own
        QTest::addColumn<QList<QUrl>>("urls");
        // Existing files win over URL-looking names; relative paths resolve against the folder
        // the start happened in; a URL from the desktop stays as it is; an empty argument is
        // dropped; names a line of the request could trip over arrive whole.
        const QStringList arguments{"photo:1.jpg",
                                    " spaced .png",
                                    "a#b%20c.jpg",
                                    "çiçek.heic",
                                    m_files.filePath("photo:1.jpg"),
                                    "sub/missing.jpg",
                                    "/tmp/line\nbreak.jpg",
                                    "file:///srv/tatil%20foto.jpg",
                                    "sftp://host/photo.jpg",
                                    ""};
        const QList<QUrl> urls{local("photo:1.jpg"),
                               local(" spaced .png"),
                               local("a#b%20c.jpg"),
                               local("çiçek.heic"),
                               local("photo:1.jpg"),
                               local("sub/missing.jpg"),
                               QUrl::fromLocalFile("/tmp/line\nbreak.jpg"),
                               QUrl::fromLocalFile("/srv/tatil foto.jpg"),
                               QUrl("sftp://host/photo.jpg")};
        QTest::newRow("files") << "instance" << arguments << true << urls;
        const QStringList one{"/srv/a.jpg"};
        const QList<QUrl> oneUrl{QUrl::fromLocalFile("/srv/a.jpg")};
        QTest::newRow("no files: only to the front")
            << "instance" << QStringList{} << true << QList<QUrl>{};
        QTest::newRow("a crashed instance's socket") << "stale" << one << true << oneUrl;
        QTest::newRow("after foreign data") << "stranger" << one << true << oneUrl;
        // A hung instance: the start does not take the socket away from it.
        QTest::newRow("silent") << "silent" << one << false << oneUrl;
        QTest::newRow("turned off") << "turned off" << one << false << oneUrl;
    }

    void laterStart()
    {
        QFETCH(QString, socket);
        QFETCH(QStringList, arguments);
        QFETCH(bool, handedOver);
        QFETCH(QList<QUrl>, urls);
        const QString path = SingleInstance::defaultSocketPath();
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

        // Anyone may write to the socket: a malformed request is hung up on, one cut short is
        // never taken, and neither brings the window forward.
        const QByteArray header = encodeOpenRequest({}).chopped(1);
        const QByteArray cutShort = encodeOpenRequest({QUrl("file:///srv/x.jpg")}).chopped(1);
        const QList<QByteArray> foreign{
            QByteArray("\n\n"),         "PICTAVO-OPEN 2\n\n",
            "GET / HTTP/1.0\n\n",       header + "file:///a\n\nfile:///b\n\n",
            header + "http://[::1\n\n", cutShort};
        for (const QByteArray& data : socket == "stranger" ? foreign : QList<QByteArray>()) {
            QLocalSocket stranger;
            stranger.connectToServer(path);
            QVERIFY(stranger.waitForConnected(2000));
            stranger.write(data);
            if (data == cutShort)
                QVERIFY(stranger.waitForBytesWritten(2000));
            else
                QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        }

        // Settings and thumbnails stay away from the user's; a start that wrongly opens its
        // window quits at once instead of hanging the test.
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_home.path());
        environment.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        environment.insert("XDG_CACHE_HOME", m_home.filePath("cache"));
        environment.insert("PICTAVO_REPORT_FIRST_FRAME", "1");
        environment.insert("PICTAVO_QUIT_AFTER_FIRST_FRAME", "1");
        if (socket == "turned off")
            environment.insert("PICTAVO_SINGLE_INSTANCE", "0");
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
