#pragma once

#include "fakes.h"

#include <QDir>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <initializer_list>

class QQuickItem;
class QQuickWindow;

namespace pictavo {
class ResizeViewModel;
}

namespace pictavo::tour {

// Drives the real window into the states the README shows and photographs each one. The
// window runs over fake dialogs, so nothing waits for a person.
class Tour {
public:
    Tour(QQuickWindow& window, test::FakePlatform& platform, QDir output, QDir testdata);

    ResizeViewModel& model();
    test::FakePlatform& platform() { return m_platform; }
    QQuickWindow& window() { return m_window; }

    // The first QML object with this objectName; aborts the tour when there is none, since a
    // photograph of the wrong state is worse than none.
    QObject& find(const QString& objectName);
    void set(const QString& objectName, const char* property, const QVariant& value);

    // Runs the event loop for a while so that bindings, animations and image loads settle.
    void settle(int milliseconds = 500);
    // Runs the event loop until `condition` holds; false after the timeout.
    bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds = 30000);

    // Saves the window as <output>/<name>.png.
    void shot(const QString& name);

    // Files of the shared test photographs, by path under their folder ("02-heic/x.heic").
    QStringList photos(std::initializer_list<const char*> relativePaths) const;
    // A fresh empty folder that lives as long as the tour.
    QString scratchFolder(const QString& name) const;

    // Back to an empty queue and the default settings once no run is going on; the last
    // message stays, as it does for the user.
    void reset();

private:
    QQuickWindow& m_window;
    test::FakePlatform& m_platform;
    QDir m_output;
    QDir m_testdata;
    QDir m_scratch;
};

// Each area of the window has its own scenes; each group leaves the window reset.
void windowScenes(Tour& tour);
void inspectorScenes(Tour& tour);
void queueScenes(Tour& tour);
void actionBarScenes(Tour& tour);

} // namespace pictavo::tour
