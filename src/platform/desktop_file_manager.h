#pragma once

#include "platform_services.h"

#include <QDBusConnection>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <optional>

namespace pictavo {

// Reveals items through the freedesktop.org FileManager1 D-Bus interface, which file managers
// such as Nautilus, Dolphin, Nemo and Thunar serve; without an answer from one, the item's
// folder is opened with whatever the desktop opens folders with. The call is asynchronous: a
// file manager that is slow to answer never holds up the window.
class DesktopFileManager final : public FileManager {
public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    static constexpr int kCallTimeoutMs = 2500;

    // Without a bus, the session bus is used, reached only when something is revealed; without
    // an opener, QDesktopServices::openUrl.
    explicit DesktopFileManager(std::optional<QDBusConnection> bus = std::nullopt,
                                UrlOpener openUrl = {});

    void reveal(const std::filesystem::path& path) override;

    std::optional<QDBusConnection> m_bus;
    UrlOpener m_openUrl;
};

} // namespace pictavo
