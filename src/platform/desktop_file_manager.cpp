#include "desktop_file_manager.h"

#include "session_bus.h"

#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace pictavo {

DesktopFileManager::DesktopFileManager(std::optional<QDBusConnection> bus, UrlOpener openUrl)
    : m_bus(std::move(bus)), m_openUrl(std::move(openUrl))
{}

void DesktopFileManager::reveal(const QString& path)
{
    if (path.isEmpty())
        return;
    const QFileInfo item(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    if (showItem(QUrl::fromLocalFile(item.filePath())))
        return;
    const QUrl folder = QUrl::fromLocalFile(item.absolutePath());
    if (m_openUrl)
        m_openUrl(folder);
    else
        QDesktopServices::openUrl(folder);
}

bool DesktopFileManager::showItem(const QUrl& item)
{
    if (!m_bus)
        m_bus = reachableSessionBus();
    if (!m_bus || !m_bus->isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // File managers parse the URIs with GIO or KIO, which expect them percent-encoded; the
    // second argument is the startup notification id, of which there is none.
    call << QStringList{QString::fromLatin1(item.toEncoded())} << QString();
    // Blocking, but short: a file manager that is started by the call answers well within it,
    // and "nobody serves this" comes back at once. Only a reply (not an error) means it was shown.
    const QDBusMessage reply = m_bus->call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace pictavo
