#pragma once

// The few platform services the model needs, as small interfaces: the window supplies Qt
// implementations (src/platform), tests supply fakes.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>

namespace pictavo {

// The image picker: several files and folders in one selection.
class ImageDialog {
public:
    virtual ~ImageDialog() = default;
    // The chosen paths in the dialog's order; nothing when cancelled.
    virtual std::optional<QStringList> chooseImages() = 0;
};

struct FolderDialogTexts {
    QString title;
    QString acceptText;
    QString message;
};

// The output-folder picker.
class FolderDialog {
public:
    virtual ~FolderDialog() = default;
    // The chosen folder; nothing when cancelled.
    virtual std::optional<QString> chooseFolder(const FolderDialogTexts& texts) = 0;
};

// Values that survive the process.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<QByteArray> value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QByteArray& value) = 0;
};

struct ResolvedFolder {
    QString path;
    bool stale = false; // the reference still finds a folder, but no longer the same one
};

// Stored references to folders, and the right to write into them.
class FolderAccess {
public:
    virtual ~FolderAccess() = default;
    virtual std::optional<QByteArray> bookmark(const QString& folder) = 0;
    virtual std::optional<ResolvedFolder> resolve(const QByteArray& bookmark) = 0;
    // Whether the folder may be written into from now on.
    virtual bool startAccessing(const QString& folder) = 0;
    virtual void stopAccessing(const QString& folder) = 0;
};

// The desktop's file manager.
class FileManager {
public:
    virtual ~FileManager() = default;
    // Shows the item's parent folder with the item selected. The path is the item's bytes, so
    // a name that is not UTF-8 is shown too. Returns at once, however long the file manager
    // takes.
    virtual void reveal(const std::filesystem::path& path) = 0;
};

// What a run ended with, as the window shows it.
struct RunOutcome {
    QString summary; // the run's last message
    bool hadFailures = false;
    std::filesystem::path outputFolder; // where its files went, byte for byte
};

// Follows the batch runs from outside the window: the taskbar, power management and the
// desktop's notifications. Called on the GUI thread.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A run began with this many items to convert.
    virtual void runStarted(int items) = 0;
    // The run's share done (0 to 1) and the items it has not finished yet.
    virtual void runProgressed(double progress, int itemsLeft) = 0;
    // Once per started run, however it ended: completed, cancelled, or stopped by its folder.
    virtual void runFinished(const RunOutcome& outcome) = 0;
};

// Non-owning: the services must outlive every model that uses them.
struct PlatformServices {
    ImageDialog* imageDialog = nullptr;
    FolderDialog* folderDialog = nullptr;
    SettingsStore* settingsStore = nullptr;
    FolderAccess* folderAccess = nullptr;
    FileManager* fileManager = nullptr;
    RunObserver* runObserver = nullptr;
};

} // namespace pictavo
