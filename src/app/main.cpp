// Pictavo: one window over the batch model. Paths given on the command line (the desktop's
// "Open with") join the queue once the window is up.

#include "application_events.h"
#include "desktop_platform.h"
#include "motion_preferences.h"
#include "resize_view_model.h"
#include "ui_registration.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QPalette>
#include <QQmlApplicationEngine>
#include <QQmlExtensionPlugin>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QStyleFactory>
#include <QTranslator>
#include <cstdio>

Q_IMPORT_QML_PLUGIN(PictavoPlugin)

namespace {

// Qt's own dialogs and controls speak Turkish like the rest of the window.
void loadQtTranslations(QApplication& application)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& catalogue :
         {QStringLiteral("qtbase_tr"), QStringLiteral("qtdeclarative_tr")}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(catalogue, folder))
            application.installTranslator(translator);
        else
            delete translator;
    }
}

// The window is always dark; the widget dialogs follow it.
void forceDarkLook(QApplication& application)
{
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(26, 27, 33));
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, QColor(18, 19, 24));
    palette.setColor(QPalette::AlternateBase, QColor(32, 33, 40));
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::Button, QColor(38, 39, 46));
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(255, 94, 15));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(38, 39, 46));
    palette.setColor(QPalette::ToolTipText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 120));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(255, 255, 255, 90));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(255, 255, 255, 90));
    application.setPalette(palette);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
}

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
    loadQtTranslations(application);
    forceDarkLook(application);

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
