#pragma once

#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QSet>
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

// A D-Bus daemon of the test's own, without activatable services, ended with the test; each
// name is a connection of its own, as separate programs on the bus would have.
class PrivateBus {
public:
    ~PrivateBus()
    {
        for (const QString& name : std::as_const(m_names))
            QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    // False where no daemon could be started (none installed).
    bool start(const QString& directory)
    {
        QFile config(directory + QStringLiteral("/bus.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration"
                     " 1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                     "\n<busconfig><type>session</type><listen>unix:dir=" +
                     QFile::encodeName(directory) +
                     "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                     "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n");
        config.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config.fileName(),
                        QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        while (m_daemon.waitForStarted() && !m_daemon.canReadLine())
            if (!m_daemon.waitForReadyRead(30000))
                return false;
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        return connection(QStringLiteral("probe")).isConnected();
    }

    QDBusConnection connection(const QString& name)
    {
        m_names.insert(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QSet<QString> m_names;
};

} // namespace pictavo::test
