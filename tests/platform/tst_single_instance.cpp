// One window per user and display: the arguments a start turns into URLs, the request that
// carries them, and the real program handing them to a running instance (played here by the
// test) or opening its own window.

#include "launch_arguments.h"
#include "open_request.h"
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
#include <fstream>
#include <unistd.h>

using namespace pictavo;

namespace {

// Long enough for a sanitizer build to start the program and load its window.
constexpr int kProgramTimeoutMs = 60000;

QList<QByteArray> bytes(const QStringList& arguments)
{
    QList<QByteArray> result;
    for (const QString& argument : arguments)
        result << QFile::encodeName(argument);
    return result;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_files;

    // Starts the real program in the files' folder and waits for it to end, keeping the event
    // loop (and so the test's running instance) going meanwhile. Its exit code, -1 for a crash
    // or a hang, and what it printed.
    std::pair<int, QByteArray> runProgram(const QStringList& arguments,
                                          const QProcessEnvironment& extra)
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // The window run keeps its settings and thumbnails away from the user's.
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath("c"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath("cache"));
        environment.insert(extra);
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(m_files.path());
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QSignalSpy finished(&program, &QProcess::finished);
        program.start(QStringLiteral(PICTAVO_PROGRAM), arguments);
        if (!finished.wait(kProgramTimeoutMs)) {
            program.kill();
            program.waitForFinished();
            return {-1, {}};
        }
        return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                program.readAllStandardOutput()};
    }

private Q_SLOTS:
    void argumentsBecomeUrls()
    {
        const QDir folder(m_files.path());
        for (const char* name : {"photo:1.jpg", " spaced .png", "a#b%20c.jpg", "çiçek.heic"})
            QVERIFY(QFile(folder.filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly));
        auto local = [&](const char* name) {
            return QUrl::fromLocalFile(folder.filePath(QString::fromUtf8(name)));
        };

        // A name that is not UTF-8 has no QString; its bytes must reach the queue as they are.
        const QByteArray latin1Name("caf\xe9.jpg");
        const QByteArray latin1Path = QFile::encodeName(folder.path()) + '/' + latin1Name;
        QVERIFY(std::ofstream(latin1Path.toStdString()).good());

        QList<QUrl> urls = urlsFromArguments(
            {"photo:1.jpg", " spaced .png", "a#b%20c.jpg", "çiçek.heic",
             QFile::encodeName(folder.filePath(QStringLiteral("photo:1.jpg"))), "sub/missing.jpg",
             "/srv/absolute photo.png", "file:///srv/photos/tatil%20foto.jpg", "", latin1Name},
            QFile::encodeName(folder.path()).toStdString());
        QCOMPARE(urls.size(), 9);
        QCOMPARE(
            QByteArray::fromPercentEncoding(urls.takeLast().path(QUrl::FullyEncoded).toLatin1()),
            latin1Path);

        // Existing files win over URL-looking names; relative paths resolve against the folder
        // the start happened in; a URL from the desktop stays as it is; an empty argument is
        // dropped.
        const QList<QUrl> expected{
            local("photo:1.jpg"),
            local(" spaced .png"),
            local("a#b%20c.jpg"),
            local("çiçek.heic"),
            local("photo:1.jpg"),
            local("sub/missing.jpg"),
            QUrl::fromLocalFile(QStringLiteral("/srv/absolute photo.png")),
            QUrl::fromLocalFile(QStringLiteral("/srv/photos/tatil foto.jpg"))};
        QCOMPARE(urls, expected);
        ::unlink(latin1Path.constData()); // which the temporary folder cannot name to remove it
    }

    void laterStart_data()
    {
        QTest::addColumn<QString>("socket"); // what holds the socket when the program starts
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("handedOver"); // otherwise the start opens a window of its own
        // Names a line of the request could trip over, and URLs from the desktop.
        QTest::newRow("files") << "instance" << QStringList{"relative.jpg",
                                                            "/srv/absolute photo.png",
                                                            "/tmp/line\nbreak.jpg",
                                                            "/tmp/a#b%c?d.png",
                                                            "/home/ayşe/Resimler/ğüşıöç İ.heic",
                                                            "file:///srv/from%20desktop.heic",
                                                            "sftp://host/photo.jpg"}
                               << true;
        QTest::newRow("no files: only to the front") << "instance" << QStringList{} << true;
        QTest::newRow("a crashed instance's socket")
            << "stale" << QStringList{"/srv/a.jpg"} << true;
        QTest::newRow("after foreign data") << "stranger" << QStringList{"/srv/b.jpg"} << true;
        // A hung instance: the start does not take the socket away from it.
        QTest::newRow("silent") << "silent" << QStringList{"/srv/c.jpg"} << false;
        QTest::newRow("turned off") << "turned off" << QStringList{"/srv/d.jpg"} << false;
    }

    void laterStart()
    {
        QFETCH(QString, socket);
        QFETCH(QStringList, arguments);
        QFETCH(bool, handedOver);
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

        // A start that wrongly opens its window quits at once instead of hanging the test.
        QProcessEnvironment environment;
        environment.insert("PICTAVO_REPORT_FIRST_FRAME", "1");
        environment.insert("PICTAVO_QUIT_AFTER_FIRST_FRAME", "1");
        if (socket == "turned off")
            environment.insert("PICTAVO_SINGLE_INSTANCE", "0");
        const auto [exitCode, output] = runProgram(arguments, environment);
        QCOMPARE(exitCode, 0);
        QCOMPARE(output.contains("first frame"), !handedOver);
        QCOMPARE(activated.size(), handedOver ? 1 : 0);
        if (handedOver)
            QCOMPARE(activated[0][0].value<QList<QUrl>>(),
                     urlsFromArguments(bytes(arguments),
                                       QFile::encodeName(m_files.path()).toStdString()));

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
