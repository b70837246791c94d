#include "launch_arguments.h"

#include <QString>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

// QUrl::fromLocalFile takes a QString, and a name that is not UTF-8 has none.
QUrl fileUrl(const fs::path& path)
{
    const QByteArray bytes = QByteArray::fromStdString(path.native());
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/!$&'()*+,;=:@"),
                             QUrl::StrictMode);
}

QUrl urlFromArgument(const QByteArray& argument, const fs::path& workingFolder)
{
    // A file name may look like a URL ("photo:1.jpg") or start with a space; the file wins.
    const fs::path file = workingFolder / fs::path(argument.toStdString());
    std::error_code error;
    if (fs::exists(file, error))
        return fileUrl(file);
    // A one-letter scheme would be a drive letter elsewhere; here it is only ever a file name.
    const QUrl url(QString::fromUtf8(argument), QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return fileUrl(file);
}

} // namespace

QList<QUrl> urlsFromArguments(const QList<QByteArray>& arguments, const fs::path& workingFolder)
{
    QList<QUrl> urls;
    for (const QByteArray& argument : arguments) {
        if (!argument.isEmpty())
            urls << urlFromArgument(argument, workingFolder);
    }
    return urls;
}

} // namespace pictavo
