// Qt Quick Test entry for the window's views: the real QML module over a model whose platform
// services are fakes, plus helpers that QML cannot do itself (file drops, sample files).

// The test's application is a QGuiApplication (Qt Quick Test makes it): QTest's helpers for
// widgets, whose qApp is a QApplication, must stay out even though Qt Widgets is linked.
#undef QT_WIDGETS_LIB

#include "accessible_items.h"
#include "application_events.h"
#include "fakes.h"
#include "image_queue_model.h"
#include "motion_preferences.h"
#include "resize_view_model.h"
#include "sample_files.h"
#include "ui_registration.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QImageReader>
#include <QMimeData>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(PictavoPlugin)

namespace {

class TestSupport : public QObject {
    Q_OBJECT

public:
    explicit TestSupport(pictavo::test::FakePlatform& platform) : m_platform(platform) {}

    // A real image file in a temporary folder, by name (the extension picks the type).
    Q_INVOKABLE QString sampleImage(const QString& name, int width = 32, int height = 24,
                                    bool sixteenBits = false)
    {
        const QString path = m_folder.filePath(name);
        pictavo::test::writeSampleImage(path.toStdString(), width, height, sixteenBits);
        return path;
    }
    // A JPEG stored as `width` × `height` whose EXIF orientation is `orientation`.
    Q_INVOKABLE QString turnedPhoto(const QString& name, int width, int height, int orientation)
    {
        const QString path = m_folder.filePath(name);
        pictavo::test::writeTurnedJpeg(path.toStdString(), width, height, orientation);
        return path;
    }
    // A fresh empty folder inside the test's temporary folder.
    Q_INVOKABLE QString emptyFolder(const QString& name)
    {
        QDir folder(m_folder.filePath(name));
        folder.removeRecursively();
        folder.mkpath(QStringLiteral("."));
        return folder.path();
    }
    Q_INVOKABLE QStringList filesIn(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // The pixel size of a written image, (-1, -1) when it cannot be read.
    Q_INVOKABLE QSize imageSize(const QString& path) const { return QImageReader(path).size(); }
    Q_INVOKABLE int revealCalls() const
    {
        return static_cast<int>(m_platform.fileManager.revealed.size());
    }
    // The file name of what the file manager was last asked to show.
    Q_INVOKABLE QString lastRevealed() const
    {
        const QByteArrayList& revealed = m_platform.fileManager.revealed;
        return revealed.isEmpty() ? QString()
                                  : QFileInfo(QFile::decodeName(revealed.last())).fileName();
    }
    Q_INVOKABLE QString textFile(const QString& name)
    {
        QFile file(m_folder.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write("not an image");
        return file.fileName();
    }

    // A file drag entering the window at `at`, then either dropped or leaving again.
    Q_INVOKABLE void dragEnter(QQuickWindow* window, const QStringList& paths, QPointF at)
    {
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        m_mime.setUrls(urls);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &m_mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &m_mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &move);
    }
    Q_INVOKABLE void dragLeave(QQuickWindow* window)
    {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window, &leave);
    }
    Q_INVOKABLE bool drop(QQuickWindow* window, QPointF at)
    {
        QDropEvent drop(at, Qt::CopyAction, &m_mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
        return drop.isAccepted();
    }

    // A key pressed in `window` as the user would, shortcuts included.
    Q_INVOKABLE void keyTo(QQuickWindow* window, int key, int modifiers)
    {
        QTest::keyClick(window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    }

    Q_INVOKABLE void answerImageDialog(const QStringList& paths)
    {
        m_platform.images.answer = paths;
    }
    Q_INVOKABLE void answerFolderDialog(const QString& path) { m_platform.folders.answer = path; }
    // Starts the next model without the output folder earlier tests stored.
    Q_INVOKABLE void forgetStoredFolder() { m_platform.settings.values.clear(); }

    // Puts a queue row into a status a run would give it: "ready", "processing", "done" (with
    // the output path as detail) or "failed" (with the message).
    Q_INVOKABLE void setItemStatus(pictavo::ResizeViewModel* model, int row, const QString& status,
                                   const QString& detail = {})
    {
        using Status = pictavo::ItemStatus;
        using State = pictavo::ItemState;
        const Status value =
            status == QLatin1String("processing") ? Status{State::processing, {}, {}}
            : status == QLatin1String("done")     ? Status{State::done, detail.toStdString(), {}}
            : status == QLatin1String("failed")   ? Status{State::failed, {}, detail.toStdString()}
                                                  : Status{};
        model->items()->setStatus(row, value);
    }

private:
    pictavo::test::FakePlatform& m_platform;
    QTemporaryDir m_folder;
    QMimeData m_mime;
};

class Setup : public QObject {
    Q_OBJECT

public:
    // Thumbnails the views decode go to a cache of the test's own, never the user's.
    Setup()
    {
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
        pictavo::installAccessibleItems();
    }

public Q_SLOTS:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        pictavo::registerUiTypes(*engine, m_events, m_motion, m_platform.services());
        engine->addImportPath(QStringLiteral("qrc:/"));
        engine->rootContext()->setContextProperty(QStringLiteral("testSupport"), &m_support);
    }

private:
    QTemporaryDir m_cache;
    pictavo::test::FakePlatform m_platform;
    pictavo::ApplicationEvents m_events;
    pictavo::MotionPreferences m_motion;
    TestSupport m_support{m_platform};
};

} // namespace

QUICK_TEST_MAIN_WITH_SETUP(pictavo_ui, Setup)

#include "tst_ui.moc"
