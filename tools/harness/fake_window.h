#pragma once

// The real window over fake dialogs, for the screenshot tour and the window benchmarks: nothing
// in it waits for a person, and nothing of the user's settings is read or written.

#include "application_events.h"
#include "fakes.h"
#include "motion_preferences.h"
#include "resize_view_model.h"
#include "ui_registration.h"

#include <QQmlApplicationEngine>
#include <QQuickWindow>

namespace pictavo::harness {

class FakeWindow {
public:
    FakeWindow()
    {
        registerUiTypes(m_engine, m_events, m_motion, platform.services());
        m_engine.addImportPath(QStringLiteral("qrc:/"));
        // As the program loads it: the run's look is drawn once before the first run.
        m_engine.setInitialProperties({{QStringLiteral("warmUpRunLook"), true}});
        m_engine.load(QUrl(QStringLiteral("qrc:/Pictavo/Main.qml")));
        if (!m_engine.rootObjects().isEmpty())
            window = qobject_cast<QQuickWindow*>(m_engine.rootObjects().constFirst());
        if (window)
            model = window->findChild<ResizeViewModel*>();
    }

    // Both null when the window could not be made.
    test::FakePlatform platform;
    QQuickWindow* window = nullptr;
    ResizeViewModel* model = nullptr;

private:
    ApplicationEvents m_events;
    MotionPreferences m_motion;
    QQmlApplicationEngine m_engine;
};

} // namespace pictavo::harness
