// Pictavo: one window over the batch model. Paths given on the command line (the desktop's
// "Open with") join the queue once the window is up; while a window is already up, a new start
// hands its paths to that window instead and ends.

#include "accessible_items.h"
#include "application_events.h"
#include "bring_to_front.h"
#include "desktop_platform.h"
#include "launch_arguments.h"
#include "motion_preferences.h"
#include "process_setup.h"
#include "resize_view_model.h"
#include "single_instance.h"
#include "termination_requests.h"
#include "ui_registration.h"
#include "window_look.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlExtensionPlugin>
#include <QQuickWindow>
#include <QSocketNotifier>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

Q_IMPORT_QML_PLUGIN(PictavoPlugin)

namespace {

// PICTAVO_REPORT_FIRST_FRAME=1 prints the milliseconds from start to the first frame on the
// screen (and quits, with PICTAVO_QUIT_AFTER_FIRST_FRAME=1), for the start-up measurement.
void reportFirstFrame(QQmlApplicationEngine& engine, const QElapsedTimer& sinceStart)
{
    if (qEnvironmentVariableIntValue("PICTAVO_REPORT_FIRST_FRAME") != 1 ||
        engine.rootObjects().isEmpty())
        return;
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    if (!window)
        return;
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [&sinceStart] {
            static bool reported = false;
            if (std::exchange(reported, true))
                return;
            std::printf("first frame after %lld ms\n",
                        static_cast<long long>(sinceStart.elapsed()));
            std::fflush(stdout);
            if (qEnvironmentVariableIntValue("PICTAVO_QUIT_AFTER_FIRST_FRAME") == 1)
                QCoreApplication::quit();
        },
        Qt::QueuedConnection);
}

// SIGTERM, SIGHUP and Ctrl-C close the window as its close button would: the model, destroyed
// with the window, lets the current image finish; a second one ends the process at once.
void quitOnTerminationRequests(QCoreApplication& application)
{
    const int requests = pictavo::installTerminationRequests();
    if (requests < 0)
        return;
    auto* notifier = new QSocketNotifier(requests, QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [requests] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(requests, &byte, 1);
        QCoreApplication::quit();
    });
}
} // namespace

int main(int argc, char** argv)
{
    pictavo::setUpConversionProcess();
    pictavo::setUpImageEngine(0);
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication::setOrganizationName(QStringLiteral("Pictavo"));
    QApplication::setApplicationName(QStringLiteral("Pictavo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvenna Tavimo"));
    // The desktop entry's name: Wayland matches the window to its entry and icon by it.
    QApplication::setDesktopFileName(QStringLiteral(PICTAVO_APP_ID));
    QApplication application(argc, argv);
    quitOnTerminationRequests(application);

    // argv as the system passed it (QApplication has taken out its own options): names that
    // are not UTF-8 would not survive QApplication::arguments().
    const QList<QByteArray> arguments =
        argc > 1 ? QList<QByteArray>(argv + 1, argv + argc) : QList<QByteArray>{};
    std::error_code noFolder;
    const QList<QUrl> startUrls =
        pictavo::urlsFromArguments(arguments, std::filesystem::current_path(noFolder));
    std::unique_ptr<pictavo::SingleInstance> instance;
    const QString socketPath = pictavo::SingleInstance::isEnabled()
                                   ? pictavo::SingleInstance::defaultSocketPath()
                                   : QString();
    if (!socketPath.isEmpty()) {
        instance = std::make_unique<pictavo::SingleInstance>(socketPath);
        if (instance->claim(startUrls) == pictavo::SingleInstance::Role::HandedOver)
            return 0;
    }

    application.setWindowIcon(QIcon::fromTheme(
        QStringLiteral(PICTAVO_APP_ID), QIcon(QStringLiteral(":/icons/" PICTAVO_APP_ID ".svg"))));
    pictavo::applyWindowLook(application);
    pictavo::installAccessibleItems();

    pictavo::DesktopPlatform platform;

    pictavo::ApplicationEvents events(startUrls);
    pictavo::MotionPreferences motion;

    QQmlApplicationEngine engine;
    pictavo::registerUiTypes(engine, events, motion, platform.services());
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.setInitialProperties({{QStringLiteral("warmUpRunLook"), true}});
    engine.load(QUrl(QStringLiteral("qrc:/Pictavo/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    if (auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst())) {
        platform.setWindow(window);
        if (instance) {
            QObject::connect(instance.get(), &pictavo::SingleInstance::activated, &events,
                             &pictavo::ApplicationEvents::openUrls);
            // A file opened with the program brings its window to the front, even from the
            // taskbar.
            QObject::connect(instance.get(), &pictavo::SingleInstance::activated, window,
                             [window] { pictavo::bringToFront(*window); });
        }
    }
    reportFirstFrame(engine, sinceStart);
    return application.exec();
}
