#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>

namespace pictavo {

// What the application shell tells the window: the menu command's "ImportImages", and the paths
// the program was started with (the desktop's "Open with"), handed over once.
class ApplicationEvents : public QObject {
    Q_OBJECT

public:
    explicit ApplicationEvents(QStringList initialPaths = {}, QObject* parent = nullptr);

    // The start-up paths as file URLs (relative ones against the working folder); empty after
    // the first call.
    Q_INVOKABLE QList<QUrl> takeInitialUrls();

Q_SIGNALS:
    void importImages();

private:
    QStringList m_initialPaths;
};

} // namespace pictavo
