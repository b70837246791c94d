#include "single_instance.h"

#include "open_request.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {

namespace {

// Generous: the running window may be busy for a moment, and a start that gives up too early
// would open a second window with the same files.
constexpr int kConnectTimeoutMs = 2000;
constexpr int kAnswerTimeoutMs = 5000;
// Two starts at the same moment (several files opened one by one) take turns deciding.
constexpr int kClaimLockTimeoutMs = 5000;
// A request is a few URLs; anything far larger, or slower, is not one of ours.
constexpr qsizetype kMaxRequestBytes = 4 * 1024 * 1024;
constexpr int kRequestTimeoutMs = 10000;

// $XDG_RUNTIME_DIR when it is a folder of this user's that nobody else may enter, so that no
// one else can put a socket there or read the paths sent to ours. Qt would fall back to a
// folder of its choosing under /tmp, which another user can have taken first.
std::optional<QString> privateRuntimeFolder()
{
    const QByteArray folder = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (!folder.startsWith('/') || ::lstat(folder.constData(), &info) != 0 ||
        !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 07777) != 0700)
        return std::nullopt;
    return QFile::decodeName(folder);
}

// Whether the process at the other end of a connected local socket runs as this user.
bool peerIsThisUser(qintptr socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof peer && peer.uid == ::geteuid();
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

QString SingleInstance::defaultSocketPath()
{
    const std::optional<QString> folder = privateRuntimeFolder();
    return folder ? socketPath(*folder) : QString();
}

QString SingleInstance::socketPath(const QString& folder)
{
    // Windows on another display, or under another window system (an offscreen test run next to
    // the desktop session), belong to another instance.
    const QByteArray session = QGuiApplication::platformName().toUtf8() + '|' +
                               qgetenv("WAYLAND_DISPLAY") + '|' + qgetenv("DISPLAY");
    const QByteArray key =
        QCryptographicHash::hash(session, QCryptographicHash::Sha256).toHex().left(16);
    return QDir(folder).filePath(QStringLiteral("pictavo-%1.socket").arg(QLatin1String(key)));
}

bool SingleInstance::isEnabled()
{
    return qgetenv("PICTAVO_SINGLE_INSTANCE") != "0";
}

SingleInstance::Role SingleInstance::claim(const QList<QUrl>& urls)
{
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    // Without the lock (a wedged start holding it) deciding alone risks at worst a second window.
    lock.tryLock(kClaimLockTimeoutMs);
    switch (handOver(urls)) {
    case HandOver::Accepted:
        return Role::HandedOver;
    case HandOver::NoAnswer:
        // Something holds the socket but did not answer: open a window of our own, and leave the
        // socket to its owner.
        qWarning("Pictavo: the running instance did not answer; opening another window");
        return Role::Primary;
    case HandOver::NoInstance:
        break;
    }
    listen();
    return Role::Primary;
}

SingleInstance::HandOver SingleInstance::handOver(const QList<QUrl>& urls) const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return HandOver::NoInstance;
    if (!peerIsThisUser(socket.socketDescriptor())) {
        qWarning("Pictavo: %s is held by another user", qPrintable(m_socketPath));
        return HandOver::NoAnswer;
    }
    socket.write(encodeOpenRequest(urls));
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(kAnswerTimeoutMs))
        answer += socket.readAll();
    socket.disconnectFromServer();
    return answer == kOpenRequestAccepted ? HandOver::Accepted : HandOver::NoAnswer;
}

void SingleInstance::listen()
{
    // Nobody answered on the socket, so a file still there is left over from a crash.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server.listen(m_socketPath))
        qWarning("Pictavo: cannot listen on %s: %s", qPrintable(m_socketPath),
                 qPrintable(m_server.errorString()));
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The folder keeps other users out; should one get in all the same, it is not heard.
        if (!peerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxRequestBytes) {
                socket->abort();
                return;
            }
            const QByteArray data = socket->peek(socket->bytesAvailable());
            if (!isCompleteOpenRequest(data))
                return;
            socket->skip(data.size());
            const std::optional<QList<QUrl>> urls = decodeOpenRequest(data);
            if (!urls) {
                socket->abort();
                return;
            }
            socket->write(kOpenRequestAccepted);
            socket->flush();
            Q_EMIT activated(*urls);
        });
    }
}

} // namespace pictavo
