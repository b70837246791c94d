#include "linux_folder_access.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {

namespace {

constexpr auto kKind = "pictavo-folder";
constexpr int kVersion = 1;

struct FolderIdentity {
    quint64 device = 0;
    quint64 inode = 0;
};

std::optional<FolderIdentity> identifyFolder(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return FolderIdentity{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}

// 64-bit numbers are kept as decimal strings: JSON numbers are doubles and would round them.
std::optional<quint64> readNumber(const QJsonObject& object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    bool ok = false;
    const quint64 number = value.toString().toULongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return number;
}

} // namespace

std::optional<QByteArray> LinuxFolderAccess::bookmark(const QString& folder)
{
    if (folder.isEmpty())
        return std::nullopt;
    // Lexically normalized only: a folder chosen through a symbolic link stays reached through it.
    const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    const std::optional<FolderIdentity> identity = identifyFolder(path);
    if (!identity)
        return std::nullopt;
    const QJsonObject object{
        {QStringLiteral("kind"), QLatin1StringView(kKind)},
        {QStringLiteral("version"), kVersion},
        {QStringLiteral("path"), path},
        {QStringLiteral("device"), QString::number(identity->device)},
        {QStringLiteral("inode"), QString::number(identity->inode)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<ResolvedFolder> LinuxFolderAccess::resolve(const QByteArray& bookmark)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bookmark, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    if (object.value(QLatin1StringView("kind")).toString() != QLatin1StringView(kKind) ||
        object.value(QLatin1StringView("version")).toInt() != kVersion)
        return std::nullopt;
    const QString path = object.value(QLatin1StringView("path")).toString();
    const std::optional<quint64> device = readNumber(object, QLatin1StringView("device"));
    const std::optional<quint64> inode = readNumber(object, QLatin1StringView("inode"));
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || !device || !inode)
        return std::nullopt;

    const std::optional<FolderIdentity> current = identifyFolder(path);
    if (!current)
        return std::nullopt;
    return ResolvedFolder{path, current->device != *device || current->inode != *inode};
}

bool LinuxFolderAccess::startAccessing(const QString& folder)
{
    if (folder.isEmpty() || !identifyFolder(folder))
        return false;
    // Creating a file in a directory needs both: write to add the entry, search to reach it.
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

void LinuxFolderAccess::stopAccessing(const QString& folder)
{
    Q_UNUSED(folder);
}

} // namespace pictavo
