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
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace pictavo;

namespace {

// Long enough for a sanitizer build to start the program and load its window.
constexpr int kProgramTimeoutMs = 60000;

// A socket file nobody listens on any more, as a crashed instance leaves it.
bool leaveStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (static_cast<size_t>(name.size()) >= sizeof(address.sun_path)) {
        ::close(fd);
        return false;
    }
    std::copy(name.begin(), name.end(), address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void argumentsBecomeUrls();
    void requestsCarryAnyFileName();
    void malformedRequestsAreRefused();

    void laterStartHandsItsFilesOver();
    void laterStartWithoutFilesOnlyActivates();
    void staleSocketIsReplaced();
    void foreignDataDoesNotDisturbTheRunningInstance();
    void silentInstanceKeepsItsSocket();
    void turnedOffEveryStartOpensItsWindow();

    void cleanup();

private:
    // Starts the real program in `folder` and waits for it to end, keeping the event loop (and
    // so the test's running instance) going meanwhile.
    struct Run {
        int exitCode = -1;
        QByteArray output;
    };
    Run runProgram(const QStringList& arguments, const QString& folder,
                   const QProcessEnvironment& extra = {});

    QTemporaryDir m_home;
    QTemporaryDir m_files;
    std::unique_ptr<SingleInstance> m_running;
};

void SingleInstanceTest::cleanup()
{
    m_running.reset();
}

SingleInstanceTest::Run SingleInstanceTest::runProgram(const QStringList& arguments,
                                                       const QString& folder,
                                                       const QProcessEnvironment& extra)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The window run keeps its settings away from the user's.
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("c")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
    environment.insert(extra);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(folder);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QSignalSpy finished(&program, &QProcess::finished);
    program.start(QStringLiteral(PICTAVO_PROGRAM), arguments);
    if (!finished.wait(kProgramTimeoutMs)) {
        program.kill();
        program.waitForFinished();
        return {};
    }
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            program.readAllStandardOutput()};
}

void SingleInstanceTest::argumentsBecomeUrls()
{
    const QDir folder(m_files.path());
    for (const char* name : {"photo:1.jpg", " spaced .png", "a#b%20c.jpg", "çiçek.heic"}) {
        QFile file(folder.filePath(QString::fromUtf8(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
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
         "file:///srv/photos/tatil%20foto.jpg", "", latin1Name},
        QFile::encodeName(folder.path()).toStdString());
    QCOMPARE(urls.size(), 8);
    QCOMPARE(QByteArray::fromPercentEncoding(urls.takeLast().path(QUrl::FullyEncoded).toLatin1()),
             latin1Path);

    // Existing files win over URL-looking names; relative paths resolve against the folder the
    // start happened in; a URL from the desktop stays as it is; an empty argument is dropped.
    const QList<QUrl> expected{local("photo:1.jpg"),
                               local(" spaced .png"),
                               local("a#b%20c.jpg"),
                               local("çiçek.heic"),
                               local("photo:1.jpg"),
                               local("sub/missing.jpg"),
                               QUrl::fromLocalFile(QStringLiteral("/srv/photos/tatil foto.jpg"))};
    QCOMPARE(urls, expected);
}

void SingleInstanceTest::requestsCarryAnyFileName()
{
    const QList<QUrl> urls{
        QUrl::fromLocalFile(QStringLiteral("/tmp/line\nbreak.jpg")),
        QUrl::fromLocalFile(QStringLiteral("/tmp/a#b%c?d.png")),
        QUrl::fromLocalFile(QString::fromUtf8("/home/ayşe/Resimler/ğüşıöç İ.heic")),
        QUrl(QStringLiteral("sftp://host/photo.jpg")),
    };
    const std::optional<QList<QUrl>> decoded = decodeOpenRequest(encodeOpenRequest(urls));
    QVERIFY(decoded);
    QCOMPARE(*decoded, urls);
    const std::optional<QList<QUrl>> none = decodeOpenRequest(encodeOpenRequest({}));
    QVERIFY(none && none->isEmpty());

    // Only the final empty line completes a request, whatever the URLs look like.
    const QByteArray request = encodeOpenRequest(urls);
    for (qsizetype cut = 1; cut < request.size(); ++cut)
        QVERIFY2(!isCompleteOpenRequest(request.left(cut)), request.left(cut).constData());
}

void SingleInstanceTest::malformedRequestsAreRefused()
{
    const QByteArray header = encodeOpenRequest({}).chopped(1);
    for (const QByteArray& data :
         {QByteArray("\n\n"), QByteArray("PICTAVO-OPEN 2\n\n"), QByteArray("GET / HTTP/1.0\n\n"),
          header + "file:///a\n", header + "file:///a\n\nfile:///b\n\n",
          header + "http://[::1\n\n"})
        QVERIFY2(!decodeOpenRequest(data), data.constData());
}

void SingleInstanceTest::laterStartHandsItsFilesOver()
{
    m_running = std::make_unique<SingleInstance>(SingleInstance::defaultSocketPath());
    QCOMPARE(m_running->claim({}), SingleInstance::Role::Primary);
    QVERIFY(m_running->isListening());
    QSignalSpy activated(m_running.get(), &SingleInstance::activated);

    const QDir folder(m_files.path());
    const Run run =
        runProgram({QStringLiteral("relative.jpg"), QStringLiteral("/srv/absolute photo.png"),
                    QStringLiteral("file:///srv/from%20desktop.heic")},
                   folder.path());

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(activated.size(), 1);
    const QList<QUrl> expected{QUrl::fromLocalFile(folder.filePath(QStringLiteral("relative.jpg"))),
                               QUrl::fromLocalFile(QStringLiteral("/srv/absolute photo.png")),
                               QUrl::fromLocalFile(QStringLiteral("/srv/from desktop.heic"))};
    QCOMPARE(activated.at(0).at(0).value<QList<QUrl>>(), expected);
}

void SingleInstanceTest::laterStartWithoutFilesOnlyActivates()
{
    m_running = std::make_unique<SingleInstance>(SingleInstance::defaultSocketPath());
    QCOMPARE(m_running->claim({}), SingleInstance::Role::Primary);
    QSignalSpy activated(m_running.get(), &SingleInstance::activated);

    QCOMPARE(runProgram({}, m_files.path()).exitCode, 0);
    QCOMPARE(activated.size(), 1);
    QVERIFY(activated.at(0).at(0).value<QList<QUrl>>().isEmpty());
}

void SingleInstanceTest::staleSocketIsReplaced()
{
    const QString path = SingleInstance::defaultSocketPath();
    QVERIFY(leaveStaleSocket(path));

    m_running = std::make_unique<SingleInstance>(path);
    QCOMPARE(m_running->claim({}), SingleInstance::Role::Primary);
    QVERIFY(m_running->isListening());

    QSignalSpy activated(m_running.get(), &SingleInstance::activated);
    QCOMPARE(runProgram({QStringLiteral("/srv/a.jpg")}, m_files.path()).exitCode, 0);
    QCOMPARE(activated.size(), 1);
}

void SingleInstanceTest::foreignDataDoesNotDisturbTheRunningInstance()
{
    m_running = std::make_unique<SingleInstance>(SingleInstance::defaultSocketPath());
    QCOMPARE(m_running->claim({}), SingleInstance::Role::Primary);
    QSignalSpy activated(m_running.get(), &SingleInstance::activated);

    QLocalSocket stranger;
    stranger.connectToServer(m_running->socketPath());
    QVERIFY(stranger.waitForConnected(2000));
    stranger.write("GET / HTTP/1.0\n\n");
    QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(activated.size(), 0);

    // Still listening for real starts.
    QCOMPARE(runProgram({QStringLiteral("/srv/b.jpg")}, m_files.path()).exitCode, 0);
    QCOMPARE(activated.size(), 1);
}

void SingleInstanceTest::silentInstanceKeepsItsSocket()
{
    // Something holds the socket but never answers (a hung instance): the start opens a window
    // of its own and does not take the socket away.
    QLocalServer silent;
    const QString path = SingleInstance::defaultSocketPath();
    QVERIFY(silent.listen(path));

    QProcessEnvironment firstFrame;
    firstFrame.insert(QStringLiteral("PICTAVO_REPORT_FIRST_FRAME"), QStringLiteral("1"));
    firstFrame.insert(QStringLiteral("PICTAVO_QUIT_AFTER_FIRST_FRAME"), QStringLiteral("1"));
    const Run run = runProgram({QStringLiteral("/srv/c.jpg")}, m_files.path(), firstFrame);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.output.contains("first frame"), run.output.constData());

    QLocalSocket probe;
    probe.connectToServer(path);
    QVERIFY(probe.waitForConnected(2000));
}

void SingleInstanceTest::turnedOffEveryStartOpensItsWindow()
{
    m_running = std::make_unique<SingleInstance>(SingleInstance::defaultSocketPath());
    QCOMPARE(m_running->claim({}), SingleInstance::Role::Primary);
    QSignalSpy activated(m_running.get(), &SingleInstance::activated);

    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PICTAVO_SINGLE_INSTANCE"), QStringLiteral("0"));
    environment.insert(QStringLiteral("PICTAVO_REPORT_FIRST_FRAME"), QStringLiteral("1"));
    environment.insert(QStringLiteral("PICTAVO_QUIT_AFTER_FIRST_FRAME"), QStringLiteral("1"));
    const Run run = runProgram({QStringLiteral("/srv/d.jpg")}, m_files.path(), environment);

    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.output.contains("first frame"), run.output.constData());
    QCOMPARE(activated.size(), 0);
    QVERIFY(m_running->isListening());
}

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
