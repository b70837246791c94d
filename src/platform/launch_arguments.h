#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace pictavo {

// The program's arguments as URLs the queue understands: what names an existing file (absolute,
// or relative to `workingFolder`) is a local file; otherwise anything with a scheme, such as the
// file:// URLs a desktop passes for "Open with", stays a URL; the rest is a local path that does
// not exist (yet), resolved against `workingFolder` so the queue can report it.
QList<QUrl> urlsFromArguments(const QStringList& arguments, const QString& workingFolder);

} // namespace pictavo
