#pragma once

class QQmlEngine;

namespace pictavo {

class ApplicationEvents;
class MotionPreferences;
struct PlatformServices;

// Makes the model types, the shell's events, the motion preference and the symbol images
// known to QML; the window's models are made over `services`. The two objects and the services
// must outlive the engine.
void registerUiTypes(QQmlEngine& engine, ApplicationEvents& events, MotionPreferences& motion,
                     const PlatformServices& services);

} // namespace pictavo
