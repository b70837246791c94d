#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>
#include <filesystem>

namespace pictavo {

// The program's arguments, as the bytes the system passed them, as URLs the queue understands:
// what names an existing file (absolute, or relative to `workingFolder`) is a local file;
// otherwise anything with a scheme, such as the file:// URLs a desktop passes for "Open with",
// stays a URL; the rest is a local path that does not exist (yet), resolved against
// `workingFolder` so the queue can report it. File URLs carry the name's bytes percent-encoded,
// so a name that is not UTF-8 reaches the queue unchanged.
QList<QUrl> urlsFromArguments(const QList<QByteArray>& arguments,
                              const std::filesystem::path& workingFolder);

} // namespace pictavo
