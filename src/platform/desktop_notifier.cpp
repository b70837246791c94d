#include "desktop_notifier.h"

#include "session_bus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>

namespace pictavo {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kRevealAction = QStringLiteral("reveal");
const QString kBodyAction = QStringLiteral("default");

} // namespace

DesktopNotifier::DesktopNotifier(const QString& appId, std::optional<QDBusConnection> bus,
                                 QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_appId(appId)
{}

bool DesktopNotifier::listen()
{
    if (!connectSessionBus(m_bus))
        return false;
    // Listening before the first notification goes out, so that no answer to it is missed.
    if (!m_listening) {
        m_listening = m_bus->connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"),
                                     this, SLOT(handleAction(uint, QString)));
        m_bus->connect(kService, kPath, kInterface, QStringLiteral("ActivationToken"), this,
                       SLOT(keepActivationToken(uint, QString)));
    }
    return true;
}

void DesktopNotifier::notify(const QString& title, const QString& body, const QByteArray& folder)
{
    if (!listen())
        return;
    QStringList actions{kBodyAction, QStringLiteral("Pencereyi Göster")};
    if (!folder.isEmpty())
        actions << kRevealAction << QStringLiteral("Klasörü Göster");
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // The icon is the desktop entry's; the entry's name lets the desktop group and mute them.
    call << QStringLiteral("Orvenna Tavimo") << m_shownId << m_appId << title << body << actions
         << QVariantMap{{QStringLiteral("desktop-entry"), m_appId}} << -1;
    m_folder = folder;
    const quint64 number = ++m_notifyCount;
    auto* watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, number] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (!reply.isError() && number == m_notifyCount)
            m_shownId = reply.value();
    });
}

void DesktopNotifier::handleAction(uint id, const QString& action)
{
    // Every application's notifications answer on the same signal.
    if (id == 0 || id != m_shownId)
        return;
    if (action == kRevealAction)
        Q_EMIT revealRequested(m_folder);
    else if (action == kBodyAction)
        Q_EMIT activationRequested();
}

void DesktopNotifier::keepActivationToken(uint id, const QString& token)
{
    // On Wayland a window may only take the focus with the token the click earned; Qt's
    // requestActivate() uses the one in the environment.
    if (id != 0 && id == m_shownId &&
        QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

} // namespace pictavo
