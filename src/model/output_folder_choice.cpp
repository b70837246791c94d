#include "output_folder_choice.h"

#include <QFile>

namespace pictavo {

OutputFolderChoice::OutputFolderChoice(const PlatformServices& services) : m_services(services)
{
    restore();
}

QString OutputFolderChoice::display() const
{
    return m_path ? QFile::decodeName(m_path->c_str()) : QString();
}

bool OutputFolderChoice::choose()
{
    if (!m_services.folderDialog)
        return false;
    const std::optional<QString> chosen = m_services.folderDialog->chooseFolder(
        {QStringLiteral("Dönüştürülen Görsellerin Kaydedileceği Klasörü Seç"),
         QStringLiteral("Bu Klasöre Kaydet"),
         QStringLiteral("Sistemin dosya yazma izni vermesi için bir çıktı klasörü seç.")});
    if (!chosen || chosen->isEmpty())
        return false;
    if (m_scoped && m_services.folderAccess)
        m_services.folderAccess->stopAccessing(*m_scoped);
    m_path = std::filesystem::path(QFile::encodeName(*chosen).toStdString());
    m_scoped = *chosen;
    // The folder stays chosen even when access cannot be started; the run then reports why.
    if (m_services.folderAccess)
        m_services.folderAccess->startAccessing(*chosen);
    saveBookmark(*chosen);
    return true;
}

void OutputFolderChoice::reveal() const
{
    if (m_path && m_services.fileManager)
        m_services.fileManager->reveal(*m_path);
}

void OutputFolderChoice::saveBookmark(const QString& folder)
{
    if (!m_services.folderAccess || !m_services.settingsStore)
        return;
    if (const std::optional<QByteArray> bookmark = m_services.folderAccess->bookmark(folder))
        m_services.settingsStore->setValue(QString::fromLatin1(kBookmarkKey), *bookmark);
}

void OutputFolderChoice::restore()
{
    if (!m_services.folderAccess || !m_services.settingsStore)
        return;
    const std::optional<QByteArray> stored =
        m_services.settingsStore->value(QString::fromLatin1(kBookmarkKey));
    if (!stored)
        return;
    const std::optional<ResolvedFolder> resolved = m_services.folderAccess->resolve(*stored);
    if (!resolved)
        return;
    if (resolved->stale)
        saveBookmark(resolved->path);
    if (!m_services.folderAccess->startAccessing(resolved->path))
        return;
    m_scoped = resolved->path;
    m_path = std::filesystem::path(QFile::encodeName(resolved->path).toStdString());
}

} // namespace pictavo
