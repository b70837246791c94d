#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <optional>

namespace pictavo {

// Keeps the machine from suspending or going idle while held: through the desktop portal's
// Inhibit where a portal serves it, else through logind's inhibitor lock on the system bus.
// Both calls are asynchronous; without either service the run simply goes without.
class SleepInhibitor : public QObject {
    Q_OBJECT

public:
    // A portal that does not answer within this long is taken as absent.
    static constexpr int kPortalTimeoutMs = 5000;

    // Without a bus, the session bus or the system bus is used, reached with the first hold().
    explicit SleepInhibitor(std::optional<QDBusConnection> sessionBus = std::nullopt,
                            std::optional<QDBusConnection> systemBus = std::nullopt,
                            QObject* parent = nullptr);
    ~SleepInhibitor() override;

    void hold();
    // Also undoes a hold whose answer is still on its way.
    void release();

private:
    void holdThroughPortal();
    void holdThroughLogin();
    void closePortalRequest(const QDBusObjectPath& handle);

    std::optional<QDBusConnection> m_sessionBus;
    std::optional<QDBusConnection> m_systemBus;
    // Answers to an earlier hold() carry an older number and are let go on arrival.
    quint64 m_holdNumber = 0;
    bool m_held = false;
    std::optional<QDBusObjectPath> m_portalRequest;
    QDBusUnixFileDescriptor m_loginLock; // logind lifts the lock when its last copy is closed
};

} // namespace pictavo
