#include "application_events.h"

#include <QDir>

namespace pictavo {

ApplicationEvents::ApplicationEvents(QStringList initialPaths, QObject* parent)
    : QObject(parent), m_initialPaths(std::move(initialPaths))
{}

QList<QUrl> ApplicationEvents::takeInitialUrls()
{
    QList<QUrl> urls;
    for (const QString& path : std::exchange(m_initialPaths, {}))
        urls << QUrl::fromUserInput(path, QDir::currentPath(), QUrl::AssumeLocalFile);
    return urls;
}

} // namespace pictavo
