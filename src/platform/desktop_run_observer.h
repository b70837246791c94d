#pragma once

#include "desktop_notifier.h"
#include "launcher_progress.h"
#include "platform_services.h"
#include "sleep_inhibitor.h"

#include <QPointer>
#include <QWindow>

namespace pictavo {

// The desktop's side of a run: progress on the taskbar entry, no suspend or idle while it goes
// on, and a notification at its end when nobody is looking at the window. Every part is silent
// where the desktop lacks the service.
class DesktopRunObserver final : public RunObserver {
public:
    struct Buses {
        std::optional<QDBusConnection> session; // without one, the user's, reached when needed
        std::optional<QDBusConnection> system;
    };

    // `fileManager` reveals the output folder, as the window's own button does.
    explicit DesktopRunObserver(FileManager& fileManager, Buses buses = {});

    // The window whose focus spares the notification, and which its body click brings forward.
    void setWindow(QWindow* window);

    void runStarted(int items) override;
    void runProgressed(double progress, int itemsLeft) override;
    void runFinished(const RunOutcome& outcome) override;

private:
    bool windowHasFocus() const;
    void bringWindowForward();

    QPointer<QWindow> m_window;
    DesktopNotifier m_notifier;
    LauncherProgress m_launcher;
    SleepInhibitor m_inhibitor;
};

} // namespace pictavo
