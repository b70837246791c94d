#include "desktop_run_observer.h"

#include "bring_to_front.h"

#include <QGuiApplication>

namespace pictavo {

DesktopRunObserver::DesktopRunObserver(FileManager& fileManager, Buses buses)
    : m_notifier(QStringLiteral(PICTAVO_APP_ID), buses.session),
      m_launcher(QStringLiteral(PICTAVO_APP_ID), buses.session),
      m_inhibitor(buses.session, buses.system)
{
    QObject::connect(
        &m_notifier, &DesktopNotifier::revealRequested, &m_notifier,
        [&fileManager](const QByteArray& folder) { fileManager.reveal(folder.toStdString()); });
    QObject::connect(&m_notifier, &DesktopNotifier::activationRequested, &m_notifier,
                     [this] { bringWindowForward(); });
}

void DesktopRunObserver::setWindow(QWindow* window)
{
    m_window = window;
}

void DesktopRunObserver::runStarted(int items)
{
    m_inhibitor.hold();
    m_launcher.show(0, items);
}

void DesktopRunObserver::runProgressed(double progress, int itemsLeft)
{
    m_launcher.show(progress, itemsLeft);
}

void DesktopRunObserver::runFinished(const RunOutcome& outcome)
{
    m_launcher.clear();
    m_inhibitor.release();
    if (windowHasFocus())
        return;
    m_notifier.notify(outcome.hadFailures ? QStringLiteral("Dönüşüm tamamlandı, hatalar var")
                                          : QStringLiteral("Dönüşüm tamamlandı"),
                      outcome.summary, QByteArray(outcome.outputFolder.c_str()));
}

bool DesktopRunObserver::windowHasFocus() const
{
    if (!m_window || !m_window->isVisible() || (m_window->windowStates() & Qt::WindowMinimized))
        return false;
    // A dialog of the window's own keeps the user with the application.
    QWindow* focus = QGuiApplication::focusWindow();
    while (focus && focus != m_window)
        focus = focus->parent(QWindow::IncludeTransients);
    return focus == m_window;
}

void DesktopRunObserver::bringWindowForward()
{
    if (m_window)
        bringToFront(*m_window);
}

} // namespace pictavo
