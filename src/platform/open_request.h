#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>
#include <optional>

namespace pictavo {

// What a later start of the program sends to the one already running: a header line, one
// percent-encoded URL per line (so no URL can contain the separator), and an empty line that
// ends the request. An empty list asks the running window only to come to the front.
QByteArray encodeOpenRequest(const QList<QUrl>& urls);

// Whether `data` holds a whole request: it ends with the empty line.
bool isCompleteOpenRequest(const QByteArray& data);

// The URLs of a whole request; nothing when the data is not one.
std::optional<QList<QUrl>> decodeOpenRequest(const QByteArray& data);

// The running instance's answer once it has taken the URLs.
inline constexpr char kOpenRequestAccepted[] = "ok\n";

} // namespace pictavo
