#pragma once

#include <QObject>
#include <QStringList>

namespace pictavo {

// What the application shell tells the window: the menu command's "ImportImages", and the paths
// the program was started with (the desktop's "Open with"), handed over once.
class ApplicationEvents : public QObject {
    Q_OBJECT

public:
    explicit ApplicationEvents(QStringList initialPaths = {}, QObject* parent = nullptr);

    // The start-up paths; empty after the first call.
    Q_INVOKABLE QStringList takeInitialPaths();

Q_SIGNALS:
    void importImages();

private:
    QStringList m_initialPaths;
};

} // namespace pictavo
