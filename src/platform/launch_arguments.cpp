#include "launch_arguments.h"

#include <QDir>
#include <QFileInfo>

namespace pictavo {

namespace {

QUrl urlFromArgument(const QString& argument, const QDir& workingFolder)
{
    // A file name may look like a URL ("photo:1.jpg") or start with a space; the file wins.
    const QFileInfo file(workingFolder, argument);
    if (file.exists())
        return QUrl::fromLocalFile(file.absoluteFilePath());
    // A one-letter scheme would be a drive letter elsewhere; here it is only ever a file name.
    const QUrl url(argument, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(file.absoluteFilePath());
}

} // namespace

QList<QUrl> urlsFromArguments(const QStringList& arguments, const QString& workingFolder)
{
    const QDir folder(workingFolder);
    QList<QUrl> urls;
    for (const QString& argument : arguments) {
        if (!argument.isEmpty())
            urls << urlFromArgument(argument, folder);
    }
    return urls;
}

} // namespace pictavo
