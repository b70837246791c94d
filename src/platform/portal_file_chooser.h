#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWindow>
#include <optional>

class QEventLoop;

namespace pictavo {

// One entry of the portal's filter list: a name and the glob patterns it shows.
struct PortalFileFilter {
    QString name;
    QStringList globs;
    friend bool operator==(const PortalFileFilter&, const PortalFileFilter&) = default;
};

// What the portal's dialog is asked to show.
struct PortalFileRequest {
    QString title;
    QString acceptLabel;
    bool directory = false; // folders only; the portal picks either files or folders
    bool multiple = false;
    QList<PortalFileFilter> filters = {};
    QString startFolder = {}; // empty: where the desktop last left it
};

// The answer of the desktop's dialog: chosen paths, a cancel, or no dialog at all, which is the
// caller's cue to show one of its own.
struct PortalFileAnswer {
    enum class Outcome { Chosen, Cancelled, Unavailable };
    Outcome outcome = Outcome::Unavailable;
    QStringList paths;
};

// The desktop's own file chooser, reached through the XDG desktop portal
// (org.freedesktop.portal.FileChooser): the user's bookmarks and recent places, and a dialog
// that works inside a Flatpak or Snap sandbox.
class PortalFileChooser : public QObject {
    Q_OBJECT

public:
    // A portal that has not taken the request within this long is taken as absent.
    static constexpr int kCallTimeoutMs = 10000;

    // Without a bus, the session bus is used, reached with the first dialog.
    explicit PortalFileChooser(std::optional<QDBusConnection> bus = std::nullopt,
                               QObject* parent = nullptr);

    // Shows the dialog above `parent` and waits for the user, the window still drawing
    // meanwhile. One dialog at a time per process: a request while another waits is cancelled.
    PortalFileAnswer open(const PortalFileRequest& request, QWindow* parent);

    // The portal's name for `window`: "x11:" and its X window id, empty elsewhere.
    static QString parentWindowId(QWindow* window);

private Q_SLOTS:
    void takeResponse(uint response, const QVariantMap& results);

private:
    bool listenOn(const QString& handle);
    void forget(const QString& handle);
    void closeRequest(const QString& handle);

    std::optional<QDBusConnection> m_bus;
    QPointer<QEventLoop> m_waiting;
    std::optional<std::pair<uint, QVariantMap>> m_response;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalFileFilter& filter);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalFileFilter& filter);

} // namespace pictavo

Q_DECLARE_METATYPE(pictavo::PortalFileFilter)
