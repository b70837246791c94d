#pragma once

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
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

// A bus of the test's own, without activatable services, ended with the test.
inline QString startPrivateBus(QProcess& daemon, const QString& directory)
{
    QFile config(directory + QStringLiteral("/bus.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return {};
    config.write(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:dir=" +
        QFile::encodeName(directory) +
        "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
        "<allow receive_sender=\"*\"/>"
        "<allow own=\"*\"/></policy></busconfig>\n");
    config.close();
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address=1")});
    while (daemon.waitForStarted() && !daemon.canReadLine())
        if (!daemon.waitForReadyRead(30000))
            return {};
    return QString::fromUtf8(daemon.readLine()).trimmed();
}

} // namespace pictavo::test
