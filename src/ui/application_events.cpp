#include "application_events.h"

namespace pictavo {

ApplicationEvents::ApplicationEvents(QStringList initialPaths, QObject* parent)
    : QObject(parent), m_initialPaths(std::move(initialPaths))
{}

QStringList ApplicationEvents::takeInitialPaths()
{
    return std::exchange(m_initialPaths, {});
}

} // namespace pictavo
