#pragma once

// In-memory stand-ins for the platform services; each records what the model asked of it.

#include "platform_services.h"

#include <QByteArrayList>
#include <QHash>
#include <QStringList>

namespace pictavo::test {

class FakeImageDialog : public ImageDialog {
public:
    std::optional<QStringList> chooseImages() override
    {
        ++calls;
        return answer;
    }
    std::optional<QStringList> answer;
    int calls = 0;
};

class FakeFolderDialog : public FolderDialog {
public:
    std::optional<QString> chooseFolder(const FolderDialogTexts& texts) override
    {
        ++calls;
        lastTexts = texts;
        return answer;
    }
    std::optional<QString> answer;
    FolderDialogTexts lastTexts;
    int calls = 0;
};

class FakeSettingsStore : public SettingsStore {
public:
    std::optional<QByteArray> value(const QString& key) const override
    {
        if (!values.contains(key))
            return std::nullopt;
        return values.value(key);
    }
    void setValue(const QString& key, const QByteArray& value) override
    {
        values.insert(key, value);
        log->append("store:" + QString::fromUtf8(value));
    }
    QHash<QString, QByteArray> values;
    QStringList* log = nullptr;
};

// Bookmarks are "bm:" + path; resolving one gives the path back, marked stale when listed.
class FakeFolderAccess : public FolderAccess {
public:
    std::optional<QByteArray> bookmark(const QString& folder) override
    {
        log->append("bookmark:" + folder);
        if (failBookmarks)
            return std::nullopt;
        return ("bm:" + folder).toUtf8();
    }
    std::optional<ResolvedFolder> resolve(const QByteArray& data) override
    {
        const QString text = QString::fromUtf8(data);
        if (!text.startsWith("bm:") || unresolvable.contains(text.mid(3)))
            return std::nullopt;
        return ResolvedFolder{text.mid(3), stale.contains(text.mid(3))};
    }
    bool startAccessing(const QString& folder) override
    {
        log->append("start:" + folder);
        return !refused.contains(folder);
    }
    void stopAccessing(const QString& folder) override { log->append("stop:" + folder); }

    bool failBookmarks = false;
    QStringList unresolvable;
    QStringList stale;
    QStringList refused;
    QStringList* log = nullptr;
};

class FakeFileManager : public FileManager {
public:
    void reveal(const std::filesystem::path& path) override { revealed << path.c_str(); }
    QByteArrayList revealed;
};

// Each call as a line: "started 3", "left 2", "finished: <summary>" (+ " (failures)").
class FakeRunObserver : public RunObserver {
public:
    void runStarted(int items) override { calls << QString("started %1").arg(items); }
    void runProgressed(double, int itemsLeft) override
    {
        calls << QString("left %1").arg(itemsLeft);
    }
    void runFinished(const RunOutcome& outcome) override
    {
        calls << "finished: " + outcome.summary + (outcome.hadFailures ? " (failures)" : "");
        outputFolder = QString::fromStdString(outcome.outputFolder);
    }
    QStringList calls;
    QString outputFolder;
};

// One of each, sharing one log of calls in the order they happened.
struct FakePlatform {
    FakePlatform()
    {
        settings.log = &log;
        access.log = &log;
    }
    PlatformServices services()
    {
        return {&images, &folders, &settings, &access, &fileManager, &runObserver};
    }

    QStringList log;
    FakeImageDialog images;
    FakeFolderDialog folders;
    FakeSettingsStore settings;
    FakeFolderAccess access;
    FakeFileManager fileManager;
    FakeRunObserver runObserver;
};

} // namespace pictavo::test
