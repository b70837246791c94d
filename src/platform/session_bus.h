#pragma once

#include <QDBusConnection>
#include <optional>

namespace pictavo {

// The user's session bus, or nothing when there is none to reach: with neither an address nor
// the per-user bus socket, libdbus would autolaunch a bus daemon that outlives the application.
std::optional<QDBusConnection> reachableSessionBus();

// Sets an unset `bus` to the session bus when there is one; whether `bus` is then connected.
bool connectSessionBus(std::optional<QDBusConnection>& bus);

} // namespace pictavo
