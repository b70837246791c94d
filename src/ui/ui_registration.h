#pragma once

class QQmlEngine;

namespace pictavo {

class ApplicationEvents;
class MotionPreferences;

// Makes the model types, the shell's events, the motion preference and the symbol images
// known to QML. The two objects must outlive the engine.
void registerUiTypes(QQmlEngine& engine, ApplicationEvents& events, MotionPreferences& motion);

} // namespace pictavo
