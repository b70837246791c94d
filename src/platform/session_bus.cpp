#include "session_bus.h"

#include <QFileInfo>

namespace pictavo {

std::optional<QDBusConnection> reachableSessionBus()
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtimeDir.isEmpty() || !QFileInfo::exists(runtimeDir + QStringLiteral("/bus")))
            return std::nullopt;
    }
    return QDBusConnection::sessionBus();
}

bool connectSessionBus(std::optional<QDBusConnection>& bus)
{
    if (!bus)
        bus = reachableSessionBus();
    return bus && bus->isConnected();
}

} // namespace pictavo
