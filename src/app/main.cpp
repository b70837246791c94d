// Pictavo: one window over the batch model. Paths given on the command line (the desktop's
// "Open with") join the queue once the window is up.

#include "application_events.h"
#include "desktop_platform.h"
#include "motion_preferences.h"
#include "resize_view_model.h"
#include "ui_registration.h"
#include "window_look.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QQmlApplicationEngine>
#include <QQmlExtensionPlugin>
#include <QQuickWindow>
#include <cstdio>

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

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication::setOrganizationName(QStringLiteral("Pictavo"));
    QApplication::setApplicationName(QStringLiteral("Pictavo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvenna Tavimo"));
    QApplication application(argc, argv);
    pictavo::applyWindowLook(application);

    pictavo::DesktopPlatform platform;
    pictavo::ResizeViewModel::setDefaultServices(platform.services());

    QStringList paths = QApplication::arguments();
    paths.removeFirst();
    pictavo::ApplicationEvents events(paths);
    pictavo::MotionPreferences motion;

    QQmlApplicationEngine engine;
    pictavo::registerUiTypes(engine, events, motion);
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.load(QUrl(QStringLiteral("qrc:/Pictavo/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    if (auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst()))
        platform.setDialogParent(window);
    reportFirstFrame(engine, sinceStart);
    return application.exec();
}
