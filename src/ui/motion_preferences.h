#pragma once

#include <QObject>

namespace pictavo {

// Whether the desktop asks for reduced motion: GNOME's "enable-animations", KDE's animation
// speed of zero, or PICTAVO_REDUCE_MOTION=1/0 (which wins, for tests and screenshots). Any
// failure to read a setting means animations stay on.
class MotionPreferences : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)

public:
    explicit MotionPreferences(QObject* parent = nullptr);
    ~MotionPreferences() override;

    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool reduce);

Q_SIGNALS:
    void reduceMotionChanged();

private:
    void readDesktop();

    bool m_reduceMotion = false;
    void* m_gnomeSettings = nullptr; // GSettings*, kept to hear changes
};

} // namespace pictavo
