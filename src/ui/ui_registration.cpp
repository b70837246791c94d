#include "ui_registration.h"

#include "application_events.h"
#include "motion_preferences.h"
#include "resize_view_model.h"
#include "symbol_image_provider.h"
#include "thumbnail_image_provider.h"
#include "view_model_factory.h"

#include <QQmlEngine>

namespace pictavo {

void registerUiTypes(QQmlEngine& engine, ApplicationEvents& events, MotionPreferences& motion,
                     const PlatformServices& services)
{
    qmlRegisterUncreatableType<ResizeViewModel>(
        "Pictavo.Model", 1, 0, "ResizeViewModel",
        QStringLiteral("Made by ViewModelFactory.create, over the platform's services"));
    // One factory per engine, which owns it.
    qmlRegisterSingletonType<ViewModelFactory>(
        "Pictavo.Model", 1, 0, "ViewModelFactory",
        [services](QQmlEngine*, QJSEngine*) -> QObject* { return new ViewModelFactory(services); });
    qmlRegisterUncreatableType<SettingsObject>("Pictavo.Model", 1, 0, "SettingsObject",
                                               QStringLiteral("Owned by ResizeViewModel"));
    qmlRegisterUncreatableType<ImageQueueModel>("Pictavo.Model", 1, 0, "ImageQueueModel",
                                                QStringLiteral("Owned by ResizeViewModel"));
    qmlRegisterSingletonInstance("Pictavo.Shell", 1, 0, "PictavoApp", &events);
    qmlRegisterSingletonInstance("Pictavo.Shell", 1, 0, "Motion", &motion);
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
    engine.addImageProvider(QStringLiteral("thumbnail"), new ThumbnailImageProvider);
}

} // namespace pictavo
