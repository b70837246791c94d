#pragma once

#include <QWidget>
#include <QWindow>

namespace pictavo {

// The window is a Qt Quick window, not a widget, so the dialogs cannot be its children; the
// transient-parent relation still keeps them above it and centred on it.
inline void setDialogTransientParent(QWidget& dialog, QWindow* parent)
{
    if (!parent)
        return;
    dialog.winId(); // the relation belongs to the native window, which exists only from here on
    if (QWindow* handle = dialog.windowHandle())
        handle->setTransientParent(parent);
}

} // namespace pictavo
