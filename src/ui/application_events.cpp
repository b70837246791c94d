#include "application_events.h"

#include <utility>

namespace pictavo {

ApplicationEvents::ApplicationEvents(QList<QUrl> initialUrls, QObject* parent)
    : QObject(parent), m_initialUrls(std::move(initialUrls))
{}

QList<QUrl> ApplicationEvents::takeInitialUrls()
{
    return std::exchange(m_initialUrls, {});
}

} // namespace pictavo
