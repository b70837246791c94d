#include "sleep_inhibitor.h"

#include "session_bus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace pictavo {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kReason = QStringLiteral("Görseller dönüştürülüyor");

} // namespace

SleepInhibitor::SleepInhibitor(std::optional<QDBusConnection> sessionBus,
                               std::optional<QDBusConnection> systemBus, QObject* parent)
    : QObject(parent), m_sessionBus(std::move(sessionBus)), m_systemBus(std::move(systemBus))
{}

SleepInhibitor::~SleepInhibitor()
{
    release();
}

void SleepInhibitor::hold()
{
    if (m_held)
        return;
    m_held = true;
    ++m_holdNumber;
    holdThroughPortal();
}

void SleepInhibitor::release()
{
    m_held = false;
    ++m_holdNumber;
    if (m_portalRequest)
        closePortalRequest(*std::exchange(m_portalRequest, std::nullopt));
    m_loginLock = QDBusUnixFileDescriptor();
}

void SleepInhibitor::holdThroughPortal()
{
    if (!connectSessionBus(m_sessionBus)) {
        holdThroughLogin();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortalService, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    constexpr uint kSuspend = 4;
    constexpr uint kIdle = 8;
    // No parent window identifier: the inhibition is the application's, not a dialog's.
    call << QString() << kSuspend + kIdle << QVariantMap{{QStringLiteral("reason"), kReason}};
    auto* watcher =
        new QDBusPendingCallWatcher(m_sessionBus->asyncCall(call, kPortalTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, number = m_holdNumber] {
                watcher->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
                if (reply.isError()) {
                    // No portal, or one without an Inhibit backend.
                    if (number == m_holdNumber)
                        holdThroughLogin();
                } else if (number == m_holdNumber) {
                    m_portalRequest = reply.value();
                } else {
                    closePortalRequest(reply.value());
                }
            });
}

void SleepInhibitor::holdThroughLogin()
{
    if (!m_systemBus)
        m_systemBus = QDBusConnection::systemBus();
    if (!m_systemBus->isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Orvenna Tavimo") << kReason
         << QStringLiteral("block");
    auto* watcher = new QDBusPendingCallWatcher(m_systemBus->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, number = m_holdNumber] {
                watcher->deleteLater();
                const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
                // A late lock is closed with the reply.
                if (!reply.isError() && number == m_holdNumber)
                    m_loginLock = reply.value();
            });
}

void SleepInhibitor::closePortalRequest(const QDBusObjectPath& handle)
{
    if (!m_sessionBus || !m_sessionBus->isConnected())
        return;
    m_sessionBus->send(QDBusMessage::createMethodCall(
        kPortalService, handle.path(), QStringLiteral("org.freedesktop.portal.Request"),
        QStringLiteral("Close")));
}

} // namespace pictavo
