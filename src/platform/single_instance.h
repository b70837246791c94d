#pragma once

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QUrl>

namespace pictavo {

// One window per user and display: the first start listens on a local socket, later starts hand
// their URLs to it and end. The socket lives only in the user's private runtime folder
// ($XDG_RUNTIME_DIR, owned by the user, mode 0700); without one, every start opens its own
// window. Both ends talk only to a process of the same user. PICTAVO_SINGLE_INSTANCE=0 turns
// the whole mechanism off.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        Primary,    // this process shows the window (and, when it could, listens for later starts)
        HandedOver, // a running instance took the URLs; this process should end
    };

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);

    // The socket for this user's session on the current display and window system, in the
    // private runtime folder; empty when there is no such folder. Call after the
    // QGuiApplication exists.
    static QString defaultSocketPath();
    // The socket of this session in `folder`.
    static QString socketPath(const QString& folder);
    // False when PICTAVO_SINGLE_INSTANCE=0, for tests and scripts that want their own window.
    static bool isEnabled();

    // Hands `urls` (possibly none) to the running instance, or becomes the running instance.
    // A socket left behind by a crashed instance is replaced.
    Role claim(const QList<QUrl>& urls);

    bool isListening() const { return m_server.isListening(); }

Q_SIGNALS:
    // A later start asked for these URLs to join the queue (none: only come to the front).
    void activated(const QList<QUrl>& urls);

private:
    enum class HandOver { NoInstance, Accepted, NoAnswer };

    HandOver handOver(const QList<QUrl>& urls) const;
    void listen();
    void acceptConnections();

    QString m_socketPath;
    QLocalServer m_server;
};

} // namespace pictavo
