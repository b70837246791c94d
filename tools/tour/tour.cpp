#include "tour.h"

#include "resize_view_model.h"
#include "settings_object.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QQuickWindow>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace pictavo::tour {

Tour::Tour(QQuickWindow& window, test::FakePlatform& platform, QDir output, QDir testdata)
    : m_window(window), m_platform(platform), m_output(std::move(output)),
      m_testdata(std::move(testdata)),
      m_scratch(QDir::temp().filePath(
          QStringLiteral("pictavo-tour-%1").arg(QCoreApplication::applicationPid())))
{
    m_scratch.removeRecursively();
    QDir().mkpath(m_scratch.path());
}

ResizeViewModel& Tour::model()
{
    auto* model = m_window.findChild<ResizeViewModel*>();
    if (!model) {
        std::fprintf(stderr, "tour: the window has no model\n");
        std::exit(1);
    }
    return *model;
}

QObject& Tour::find(const QString& objectName)
{
    auto* object = m_window.findChild<QObject*>(objectName);
    if (!object) {
        std::fprintf(stderr, "tour: no object named %s\n", qPrintable(objectName));
        std::exit(1);
    }
    return *object;
}

void Tour::set(const QString& objectName, const char* property, const QVariant& value)
{
    find(objectName).setProperty(property, value);
}

void Tour::settle(int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

bool Tour::waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds)
{
    const QDeadlineTimer deadline(timeoutMilliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void Tour::shot(const QString& name)
{
    const QString path = m_output.filePath(name + QStringLiteral(".png"));
    if (!m_window.grabWindow().save(path)) {
        std::fprintf(stderr, "tour: cannot save %s\n", qPrintable(path));
        std::exit(1);
    }
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
}

QStringList Tour::photos(std::initializer_list<const char*> relativePaths) const
{
    QStringList paths;
    for (const char* relative : relativePaths)
        paths << m_testdata.filePath(QString::fromUtf8(relative));
    return paths;
}

QString Tour::scratchFolder(const QString& name) const
{
    const QString path = m_scratch.filePath(name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

void Tour::reset()
{
    ResizeViewModel& viewModel = model();
    waitUntil([&] { return !viewModel.isProcessing(); });
    viewModel.clearAll();
    viewModel.settings()->setValue(ResizeSettings{});
    settle(300);
}

} // namespace pictavo::tour
