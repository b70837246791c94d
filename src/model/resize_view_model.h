#pragma once

#include "image_queue_model.h"
#include "intake.h"
#include "open_folder.h"
#include "output_folder_choice.h"
#include "platform_services.h"
#include "run_runner.h"
#include "settings_object.h"

#include <QFuture>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <filesystem>
#include <functional>
#include <memory>

namespace pictavo {

// The one model behind the window: the queue, the settings, the output folder, the batch run
// and its last message. Lives on the GUI thread; every operation must be called there.
class ResizeViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by ViewModelFactory.create, over the platform's services")
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
    explicit ResizeViewModel(const PlatformServices& services, QObject* parent = nullptr);
    ~ResizeViewModel() override;

    ImageQueueModel* items() { return &m_items; }
    const ImageQueueModel* items() const { return &m_items; }
    SettingsObject* settings() { return &m_settings; }
    // The folder for display; names that are not UTF-8 show replacement characters.
    QString outputFolder() const;
    // The folder as the run uses it, byte for byte.
    std::optional<std::filesystem::path> outputFolderPath() const { return m_output.path(); }
    bool hasOutputFolder() const { return m_output.path().has_value(); }
    bool isProcessing() const { return m_isProcessing; }
    double progress() const { return m_progress; }
    bool isDropTargeted() const { return m_isDropTargeted; }
    void setDropTargeted(bool targeted);
    QString lastMessage() const { return m_lastMessage.value_or(QString()); }
    bool hasLastMessage() const { return m_lastMessage.has_value(); }
    bool lastMessageIsError() const { return m_lastMessageIsError; }
    // Whether a run exists that can still be cancelled.
    bool hasRunningTask() const { return m_runner.isRunning(); }

    Q_INVOKABLE void openImages();
    Q_INVOKABLE void addURLs(const QList<QUrl>& urls);
    Q_INVOKABLE void addPaths(const QStringList& paths);
    // Adds files and folders named by their bytes (names need not be UTF-8); a file met twice
    // joins once. Returns the paths that did not join, with the reason; the window's intake
    // (the calls above) says nothing and keeps repeats within one selection. When
    // `stopRequested` answers true, intake stops there and nothing joins.
    std::vector<SkippedPath> addPaths(const std::vector<std::filesystem::path>& paths,
                                      const StopRequest& stopRequested = {});
    Q_INVOKABLE bool chooseOutputFolder();
    // Sets the output folder without asking and without remembering it (the command line).
    void useOutputFolder(const std::filesystem::path& folder);
    // Starts a run; false when none started (no items, no folder, a size below 1, or one runs),
    // and then runFinished will not come either.
    Q_INVOKABLE bool startProcessing();
    Q_INVOKABLE void cancelProcessing();
    // For the runs started from now on (the command line's --jobs, tests).
    void setRunLimits(RunLimits limits) { m_runner.setLimits(limits); }
    // Replaces the image engine for the runs started from now on (tests).
    void setConverter(Converter converter) { m_runner.setConverter(std::move(converter)); }
    Q_INVOKABLE void removeCompleted();
    // Takes the items at `rows` (current row numbers; others are passed over) out of the queue,
    // their files untouched. Refused while a run goes on: its conversions hold the queue.
    Q_INVOKABLE void removeItems(const QList<int>& rows);
    // Shows the source file of the item at `row` in the file manager.
    Q_INVOKABLE void revealItem(int row) const;
    Q_INVOKABLE void revealOutputFolder();
    Q_INVOKABLE void clearAll();

    static constexpr const char* kBookmarkKey = OutputFolderChoice::kBookmarkKey;

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
    std::vector<SkippedPath> intake(const std::vector<std::filesystem::path>& paths,
                                    Repeats repeats, const StopRequest& stopRequested = {});
    void reportRunsTo(RunObserver& observer);
    // Makes a change of the output folder known.
    void updateOutputFolder(const std::function<void()>& change);
    void setProcessing(bool processing);
    void setProgress(double progress);
    void setLastMessage(std::optional<QString> message);
    void setLastMessageIsError(bool isError);

    void showRunFinished();

    PlatformServices m_services;
    ImageQueueModel m_items;
    SettingsObject m_settings;
    OutputFolderChoice m_output;
    bool m_isProcessing = false;
    double m_progress = 0;
    bool m_isDropTargeted = false;
    std::optional<QString> m_lastMessage;
    bool m_lastMessageIsError = false;
    // Last, so it goes first: its conversions finish while the queue they read is still there.
    RunRunner m_runner;
};

} // namespace pictavo
