#pragma once

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <optional>

namespace pictavo {

// The run's progress and the items left on the application's taskbar or dock entry, through
// the LauncherEntry signal that Plasma, Dash to Dock, Plank and Unity listen for. Nobody needs
// to listen: a signal no dock hears costs nothing.
class LauncherProgress : public QObject {
    Q_OBJECT

public:
    // Docks redraw the entry on every signal; ten a second is smooth enough for a progress bar.
    static constexpr int kMinIntervalMs = 100;

    // Without a bus, the session bus is used, reached with the first signal.
    explicit LauncherProgress(const QString& appId,
                              std::optional<QDBusConnection> bus = std::nullopt,
                              QObject* parent = nullptr);
    ~LauncherProgress() override;

    // Shows the state now, or with the next interval; a state waiting for it is replaced.
    void show(double progress, int itemsLeft);
    // Takes the progress and the count off the entry at once.
    void clear();

private:
    void sendPending();
    void send(const QVariantMap& properties);

    std::optional<QDBusConnection> m_bus;
    QString m_appUri;
    QString m_objectPath;
    QTimer m_nextInterval;
    QElapsedTimer m_sinceLastSignal;
    std::optional<QVariantMap> m_pending;
    bool m_showing = false;
};

} // namespace pictavo
