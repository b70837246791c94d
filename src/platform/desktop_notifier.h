#pragma once

#include <QDBusConnection>
#include <QObject>
#include <optional>

namespace pictavo {

// A notification through the freedesktop.org Notifications service, with a button that reveals
// a folder. Each one replaces the one before, so a series of runs leaves one behind. Without a
// notification service nothing is shown, and nothing waits for one.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    // Without a bus, the session bus is used, reached with the first notification.
    explicit DesktopNotifier(const QString& appId,
                             std::optional<QDBusConnection> bus = std::nullopt,
                             QObject* parent = nullptr);

    // The button reveals `folder` (its bytes); without one, there is no button.
    void notify(const QString& title, const QString& body, const QByteArray& folder);

Q_SIGNALS:
    void revealRequested(const QByteArray& folder);
    // The notification's body was clicked.
    void activationRequested();

private Q_SLOTS:
    void handleAction(uint id, const QString& action);
    void keepActivationToken(uint id, const QString& token);

private:
    bool listen();

    std::optional<QDBusConnection> m_bus;
    QString m_appId;
    bool m_listening = false;
    // The service's id of the latest notification, 0 for none yet; the next one replaces it
    // rather than piling up beside it.
    uint m_shownId = 0;
    quint64 m_notifyCount = 0; // ids answered for an earlier notify() are not the one shown
    QByteArray m_folder;
};

} // namespace pictavo
