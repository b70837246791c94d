#include "launcher_progress.h"

#include "session_bus.h"

#include <QDBusMessage>
#include <algorithm>
#include <utility>

namespace pictavo {

LauncherProgress::LauncherProgress(const QString& appId, std::optional<QDBusConnection> bus,
                                   QObject* parent)
    : QObject(parent), m_bus(std::move(bus)),
      m_appUri(QStringLiteral("application://") + appId + QStringLiteral(".desktop")),
      // Docks go by the URI in the signal; the path only has to be a valid one of ours.
      m_objectPath(QStringLiteral("/com/canonical/unity/launcherentry/") +
                   QString(appId).replace(QLatin1Char('.'), QLatin1Char('_')))
{
    m_nextInterval.setSingleShot(true);
    // A coarse timer may fire a little early, which would break the limit.
    m_nextInterval.setTimerType(Qt::PreciseTimer);
    connect(&m_nextInterval, &QTimer::timeout, this, &LauncherProgress::sendPending);
}

LauncherProgress::~LauncherProgress()
{
    // Docks keep what they were last told for as long as the entry stays, pinned after quitting.
    if (m_showing)
        clear();
}

void LauncherProgress::show(double progress, int itemsLeft)
{
    m_pending = QVariantMap{{QStringLiteral("progress"), std::clamp(progress, 0.0, 1.0)},
                            {QStringLiteral("progress-visible"), true},
                            {QStringLiteral("count"), qint64(itemsLeft)},
                            {QStringLiteral("count-visible"), itemsLeft > 0}};
    if (m_nextInterval.isActive())
        return;
    const qint64 wait =
        m_sinceLastSignal.isValid() ? kMinIntervalMs - m_sinceLastSignal.elapsed() : 0;
    if (wait > 0)
        m_nextInterval.start(int(wait));
    else
        sendPending();
}

void LauncherProgress::clear()
{
    m_nextInterval.stop();
    m_pending.reset();
    send({{QStringLiteral("progress-visible"), false}, {QStringLiteral("count-visible"), false}});
}

void LauncherProgress::sendPending()
{
    if (m_pending)
        send(*std::exchange(m_pending, std::nullopt));
}

void LauncherProgress::send(const QVariantMap& properties)
{
    m_showing = properties.value(QStringLiteral("progress-visible")).toBool();
    m_sinceLastSignal.start();
    if (!connectSessionBus(m_bus))
        return;
    QDBusMessage update = QDBusMessage::createSignal(
        m_objectPath, QStringLiteral("com.canonical.Unity.LauncherEntry"),
        QStringLiteral("Update"));
    update << m_appUri << properties;
    m_bus->send(update);
}

} // namespace pictavo
