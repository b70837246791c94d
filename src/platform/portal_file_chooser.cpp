#include "portal_file_chooser.h"

#include "session_bus.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QScopedValueRollback>
#include <QUrl>

namespace pictavo {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The portal's answer when the user chose; 1 is a cancel, and 2 a dialog ended otherwise,
// which is also how GTK's answers Escape or the window's close button.
constexpr uint kResponseChosen = 0;

using GlobRule = std::pair<uint, QString>; // 0: a glob pattern, 1: a MIME type

void registerPortalTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<GlobRule>();
        qDBusRegisterMetaType<QList<GlobRule>>();
        qDBusRegisterMetaType<PortalFileFilter>();
        qDBusRegisterMetaType<QList<PortalFileFilter>>();
        return true;
    }();
    Q_UNUSED(registered);
}

// Every chooser of this process: a second dialog would nest its wait inside the first, which
// could then not return before it.
bool gDialogShowing = false;

// Where the portal will answer a request made with `token`. Subscribing there before the
// call closes the window in which a quick answer would be sent before anyone listens.
QString expectedHandle(const QString& uniqueName, const QString& token)
{
    QString sender = uniqueName.mid(uniqueName.startsWith(u':') ? 1 : 0);
    sender.replace(u'.', u'_');
    return kPortalPath + QStringLiteral("/request/") + sender + u'/' + token;
}

QVariantMap portalOptions(const PortalFileRequest& request, const QString& token)
{
    QVariantMap options{
        {QStringLiteral("handle_token"), token},
        {QStringLiteral("accept_label"), request.acceptLabel},
        {QStringLiteral("modal"), true},
        {QStringLiteral("multiple"), request.multiple},
        {QStringLiteral("directory"), request.directory},
    };
    if (!request.filters.isEmpty())
        options.insert(QStringLiteral("filters"), QVariant::fromValue(request.filters));
    // The portal takes a path as its NUL-terminated bytes.
    if (!request.startFolder.isEmpty())
        options.insert(QStringLiteral("current_folder"),
                       QFile::encodeName(request.startFolder) + '\0');
    return options;
}

QStringList localPaths(const QVariantMap& results)
{
    QStringList paths;
    for (const QString& uri : results.value(QStringLiteral("uris")).toStringList()) {
        // A place the desktop reaches only through its own virtual file system (no FUSE path)
        // has nothing the engine could open.
        const QUrl url(uri);
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const PortalFileFilter& filter)
{
    QList<GlobRule> rules;
    for (const QString& glob : filter.globs)
        rules.append({0u, glob});
    argument.beginStructure();
    argument << filter.name << rules;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalFileFilter& filter)
{
    QList<GlobRule> rules;
    argument.beginStructure();
    argument >> filter.name >> rules;
    argument.endStructure();
    filter.globs.clear();
    for (const auto& [kind, pattern] : std::as_const(rules))
        if (kind == 0)
            filter.globs << pattern;
    return argument;
}

PortalFileChooser::PortalFileChooser(std::optional<QDBusConnection> bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus))
{
    registerPortalTypes();
}

QString PortalFileChooser::parentWindowId(QWindow* window)
{
    if (!window || QGuiApplication::platformName() != u"xcb")
        return {};
    return QStringLiteral("x11:") + QString::number(window->winId(), 16);
}

PortalFileAnswer PortalFileChooser::open(const PortalFileRequest& request, QWindow* parent)
{
    using Outcome = PortalFileAnswer::Outcome;
    if (gDialogShowing)
        return {Outcome::Cancelled, {}};
    if (!connectSessionBus(m_bus))
        return {};

    static quint64 requestCount = 0;
    const QString token = QStringLiteral("pictavo%1").arg(++requestCount);
    const QString expected = expectedHandle(m_bus->baseService(), token);
    if (!listenOn(expected))
        return {};

    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, QStringLiteral("org.freedesktop.portal.FileChooser"),
        QStringLiteral("OpenFile"));
    call << parentWindowId(parent) << request.title << portalOptions(request, token);

    QEventLoop loop;
    m_waiting = &loop;
    m_response.reset();
    const QScopedValueRollback showing(gDialogShowing, true);
    QDBusPendingCallWatcher watcher(m_bus->asyncCall(call, kCallTimeoutMs));
    connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    loop.exec();
    if (!watcher.isFinished() && !m_response) {
        // The application is quitting: no dialog of any kind now.
        forget(expected);
        return {Outcome::Cancelled, {}};
    }
    watcher.waitForFinished(); // an answer overtaking the call's own reply

    const QDBusPendingReply<QDBusObjectPath> reply = watcher;
    QString handle = expected;
    if (reply.isError()) {
        // No portal, or one without a file chooser behind it, or one too slow to be waited
        // for: Qt's dialog takes over, and a dialog the portal opens later is taken down.
        forget(expected);
        if (reply.error().type() == QDBusError::NoReply)
            closeRequest(expected);
        return {};
    }
    // Portals older than the handle token answer on a path of their own choosing.
    if (reply.value().path() != expected && !m_response) {
        handle = reply.value().path();
        listenOn(handle);
    }
    if (!m_response)
        loop.exec();
    forget(expected);
    forget(handle);
    m_waiting = nullptr;

    if (!m_response) {
        // The application is quitting under the dialog: take it down too.
        closeRequest(handle);
        return {Outcome::Cancelled, {}};
    }
    // The user has seen the desktop's dialog: whatever ended it, a second one would surprise.
    const auto& [response, results] = *m_response;
    if (response != kResponseChosen)
        return {Outcome::Cancelled, {}};
    const QStringList paths = localPaths(results);
    return {paths.isEmpty() ? Outcome::Cancelled : Outcome::Chosen, paths};
}

void PortalFileChooser::takeResponse(uint response, const QVariantMap& results)
{
    if (m_response || !m_waiting)
        return;
    m_response.emplace(response, results);
    m_waiting->quit();
}

bool PortalFileChooser::listenOn(const QString& handle)
{
    return m_bus->connect(kPortalService, handle, kRequestInterface, QStringLiteral("Response"),
                          this, SLOT(takeResponse(uint, QVariantMap)));
}

void PortalFileChooser::closeRequest(const QString& handle)
{
    m_bus->send(QDBusMessage::createMethodCall(kPortalService, handle, kRequestInterface,
                                               QStringLiteral("Close")));
}

void PortalFileChooser::forget(const QString& handle)
{
    m_bus->disconnect(kPortalService, handle, kRequestInterface, QStringLiteral("Response"), this,
                      SLOT(takeResponse(uint, QVariantMap)));
}

} // namespace pictavo
