#pragma once

class QApplication;

namespace pictavo {

// The window's fixed look, shared by the program and the screenshot tour: Qt's own texts in
// Turkish, a dark palette that the widget dialogs and the controls follow, the Basic QML style.
void applyWindowLook(QApplication& application);

} // namespace pictavo
