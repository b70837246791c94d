#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

// Set before QApplication exists, since Qt reads the settings location and the bus address
// once: the user's settings, display and session bus stay untouched even when a test binary is
// started by hand.
#define PICTAVO_PLATFORM_TEST_MAIN(TestClass)                                                      \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QStandardPaths::setTestModeEnabled(true);                                                  \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))                               \
            qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");                                      \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

namespace pictavo::test {

// Runs the step on the file dialog that the next exec() shows. A step that fails or forgets to
// close the dialog gets it rejected, so exec() always returns.
template <typename Step> void whenFileDialogShows(Step step)
{
    QTimer::singleShot(0, qApp, [step] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QApplication::closeAllWindows();
            QFAIL("no modal file dialog is showing");
        }
        step(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

} // namespace pictavo::test
