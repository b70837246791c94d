#pragma once

#include <QWindow>

namespace pictavo {

// Shows the window, restored if minimised, above the others and asking for the focus (the
// window manager may refuse focus to a program that did not get the user's last input).
inline void bringToFront(QWindow& window)
{
    window.setWindowStates(window.windowStates() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.requestActivate();
}

} // namespace pictavo
