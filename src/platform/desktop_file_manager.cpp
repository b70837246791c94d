#include "desktop_file_manager.h"

#include "session_bus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>

namespace pictavo {

namespace {

// The URI of a path's bytes, percent-encoded as GIO and KIO expect URIs to be (GLib's set of
// characters left as they are), so that a name that is not UTF-8 keeps its bytes.
QByteArray fileUri(const std::filesystem::path& path)
{
    return "file://" + QByteArray(path.c_str()).toPercentEncoding("/!$&'()*+,:=@");
}

} // namespace

DesktopFileManager::DesktopFileManager(std::optional<QDBusConnection> bus, UrlOpener openUrl)
    : m_bus(std::move(bus)), m_openUrl(std::move(openUrl))
{}

void DesktopFileManager::reveal(const std::filesystem::path& path)
{
    if (path.empty())
        return;
    std::error_code error;
    std::filesystem::path item = std::filesystem::absolute(path, error).lexically_normal();
    // "a/b/" names the folder b itself.
    if (!item.has_filename() && item.has_relative_path())
        item = item.parent_path();
    const QUrl folder = QUrl::fromEncoded(fileUri(item.parent_path()));
    const auto openFolder = [folder, open = m_openUrl] {
        if (open)
            open(folder);
        else
            QDesktopServices::openUrl(folder);
    };
    if (!connectSessionBus(m_bus))
        return openFolder();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // The second argument is the startup notification id, of which there is none.
    call << QStringList{QString::fromLatin1(fileUri(item))} << QString();
    // A file manager started by the call answers well within the timeout, and "nobody serves
    // this" comes back at once. Only a reply (not an error) means the item was shown. The
    // answer is awaited in the event loop; this object may be gone by then.
    auto* watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(call, kCallTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, openFolder] {
        watcher->deleteLater();
        if (watcher->isError())
            openFolder();
    });
}

} // namespace pictavo
