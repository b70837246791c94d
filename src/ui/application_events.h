#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

namespace pictavo {

// What the application shell tells the window: the menu command's "ImportImages", the files the
// program was started with (the desktop's "Open with"), handed over once, and the files later
// starts passed on to this running window.
class ApplicationEvents : public QObject {
    Q_OBJECT

public:
    explicit ApplicationEvents(QList<QUrl> initialUrls = {}, QObject* parent = nullptr);

    // The start-up files; empty after the first call.
    Q_INVOKABLE QList<QUrl> takeInitialUrls();

Q_SIGNALS:
    void importImages();
    // Files opened with the program while its window was already up.
    void openUrls(const QList<QUrl>& urls);

private:
    QList<QUrl> m_initialUrls;
};

} // namespace pictavo
