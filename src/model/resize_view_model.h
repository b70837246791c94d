#pragma once

#include "image_queue_model.h"
#include "platform_services.h"
#include "settings_object.h"

#include <QFuture>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <memory>

namespace pictavo {

struct BatchRun;

// The one model behind the window: the queue, the settings, the output folder, the batch run
// and its last message. Lives on the GUI thread; every operation must be called there.
class ResizeViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(pictavo::ImageQueueModel* items READ items CONSTANT)
    Q_PROPERTY(pictavo::SettingsObject* settings READ settings CONSTANT)
    Q_PROPERTY(QString outputFolder READ outputFolder NOTIFY outputFolderChanged)
    Q_PROPERTY(bool hasOutputFolder READ hasOutputFolder NOTIFY outputFolderChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(
        bool isDropTargeted READ isDropTargeted WRITE setDropTargeted NOTIFY isDropTargetedChanged)
    Q_PROPERTY(QString lastMessage READ lastMessage NOTIFY lastMessageChanged)
    Q_PROPERTY(bool hasLastMessage READ hasLastMessage NOTIFY lastMessageChanged)
    Q_PROPERTY(bool lastMessageIsError READ lastMessageIsError NOTIFY lastMessageIsErrorChanged)

public:
    // The model created from QML uses the services installed here by the application.
    static void setDefaultServices(const PlatformServices& services);

    explicit ResizeViewModel(QObject* parent = nullptr);
    ResizeViewModel(const PlatformServices& services, QObject* parent = nullptr);
    ~ResizeViewModel() override;

    ImageQueueModel* items() { return &m_items; }
    const ImageQueueModel* items() const { return &m_items; }
    SettingsObject* settings() { return &m_settings; }
    QString outputFolder() const { return m_outputFolder.value_or(QString()); }
    bool hasOutputFolder() const { return m_outputFolder.has_value(); }
    bool isProcessing() const { return m_isProcessing; }
    double progress() const { return m_progress; }
    bool isDropTargeted() const { return m_isDropTargeted; }
    void setDropTargeted(bool targeted);
    QString lastMessage() const { return m_lastMessage.value_or(QString()); }
    bool hasLastMessage() const { return m_lastMessage.has_value(); }
    bool lastMessageIsError() const { return m_lastMessageIsError; }
    // Whether a run exists that can still be cancelled.
    bool hasRunningTask() const;

    Q_INVOKABLE void openImages();
    Q_INVOKABLE void addURLs(const QList<QUrl>& urls);
    Q_INVOKABLE void addPaths(const QStringList& paths);
    Q_INVOKABLE bool chooseOutputFolder();
    Q_INVOKABLE void startProcessing();
    Q_INVOKABLE void cancelProcessing();
    Q_INVOKABLE void removeCompleted();
    Q_INVOKABLE void revealOutputFolder();
    Q_INVOKABLE void clearAll();

    static constexpr const char* kBookmarkKey = "outputFolderBookmark";

Q_SIGNALS:
    void outputFolderChanged();
    void isProcessingChanged();
    void progressChanged();
    void isDropTargetedChanged();
    void lastMessageChanged();
    void lastMessageIsErrorChanged();
    // Once per intake call (also when nothing was added), removal and clearing.
    void itemsChanged();
    // An item of the running batch reached done or failed.
    void itemFinished(int row);
    // A run ended, by completing, failing to create its folder, or being cancelled.
    void runFinished();

private:
    void assertGuiThread() const;
    void restoreOutputFolder();
    void saveOutputFolderBookmark(const QString& folder);
    void setOutputFolder(std::optional<QString> folder);
    void setProcessing(bool processing);
    void setProgress(double progress);
    void setLastMessage(std::optional<QString> message);
    void setLastMessageIsError(bool isError);

    // The run's steps (batch_run.cpp).
    void beginRun();
    void convertNext();
    void finishConversion();
    void finishRun();

    PlatformServices m_services;
    ImageQueueModel m_items;
    SettingsObject m_settings;
    std::optional<QString> m_outputFolder;
    bool m_isProcessing = false;
    double m_progress = 0;
    bool m_isDropTargeted = false;
    std::optional<QString> m_lastMessage;
    bool m_lastMessageIsError = false;
    std::unique_ptr<BatchRun> m_run; // the latest run, kept after it ends
    std::optional<QString> m_scopedOutputFolder;
};

} // namespace pictavo
