#include "open_request.h"

namespace pictavo {

namespace {

constexpr char kHeader[] = "PICTAVO-OPEN 1";

} // namespace

QByteArray encodeOpenRequest(const QList<QUrl>& urls)
{
    QByteArray data(kHeader);
    data += '\n';
    for (const QUrl& url : urls) {
        data += url.toEncoded(QUrl::FullyEncoded);
        data += '\n';
    }
    data += '\n';
    return data;
}

bool isCompleteOpenRequest(const QByteArray& data)
{
    return data.endsWith("\n\n");
}

std::optional<QList<QUrl>> decodeOpenRequest(const QByteArray& data)
{
    if (!isCompleteOpenRequest(data))
        return std::nullopt;
    QList<QByteArray> lines = data.split('\n');
    // The split leaves the empty line and the empty rest after it.
    lines.resize(lines.size() - 2);
    if (lines.isEmpty() || lines.takeFirst() != kHeader)
        return std::nullopt;
    QList<QUrl> urls;
    for (const QByteArray& line : lines) {
        const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (line.isEmpty() || !url.isValid())
            return std::nullopt;
        urls << url;
    }
    return urls;
}

} // namespace pictavo
