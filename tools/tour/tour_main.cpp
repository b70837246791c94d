// pictavo-tour OUTPUT_FOLDER [GROUP…]: photographs the window in the states the README shows.
// Run it on a real display (Xvfb): the offscreen platform draws no blur or shadows. Groups:
// window, inspector, queue, actionbar (all when none is named).

#include "fake_window.h"
#include "resize_view_model.h"
#include "tour.h"
#include "window_look.h"

#include <QApplication>
#include <QQmlExtensionPlugin>
#include <QQuickWindow>
#include <cstdio>

Q_IMPORT_QML_PLUGIN(PictavoPlugin)

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    pictavo::applyWindowLook(application);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: pictavo-tour OUTPUT_FOLDER [GROUP...]\n");
        return 2;
    }
    const QDir output(arguments.takeFirst());
    QDir().mkpath(output.path());

    pictavo::harness::FakeWindow fake;
    QQuickWindow* window = fake.window;
    if (!window)
        return 1;

    pictavo::tour::Tour tour(*window, fake.platform, output,
                             QDir(QStringLiteral(PICTAVO_TESTDATA)));
    tour.waitUntil([&] { return window->isExposed(); });
    tour.settle(1500);

    const std::pair<const char*, void (*)(pictavo::tour::Tour&)> groups[] = {
        {"window", pictavo::tour::windowScenes},
        {"inspector", pictavo::tour::inspectorScenes},
        {"queue", pictavo::tour::queueScenes},
        {"actionbar", pictavo::tour::actionBarScenes},
    };
    for (const auto& [name, scenes] : groups) {
        if (!arguments.isEmpty() && !arguments.contains(QLatin1String(name)))
            continue;
        scenes(tour);
        tour.reset();
    }
    return 0;
}
