#pragma once

#include "fakes.h"
#include "resize_view_model.h"
#include "sample_files.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace pictavo::test {

// A model on the fakes over a temporary folder: sources are written on demand under "in",
// and the output folder "out" is chosen through the dialog unless the test says otherwise.
struct Workbench {
    using Kind = ItemState;

    explicit Workbench(bool chooseOutput = true)
    {
        platform.folders.answer = dir.filePath("out");
        if (chooseOutput)
            model.chooseOutputFolder();
    }

    // A real image at in/<name>, its folders created.
    QString source(const QString& name, int width = 64, int height = 48)
    {
        const QString path = dir.filePath("in/" + name);
        QDir().mkpath(QFileInfo(path).path());
        writeSampleImage(path.toStdString(), width, height);
        return path;
    }
    QString output(const QString& name = {}) const
    {
        return dir.filePath(name.isEmpty() ? "out" : "out/" + name);
    }

    QStringList queuedNames() const
    {
        QStringList names;
        for (const ImageItem& item : model.items()->items())
            names << QString::fromStdString(item.url.filename().string());
        return names;
    }

    bool runToEnd()
    {
        QSignalSpy finished(&model, &ResizeViewModel::runFinished);
        return model.startProcessing() && finished.wait(60'000);
    }

    // Calls `action` once, the moment the item at `row` starts converting.
    void whenConverting(int row, std::function<void()> action)
    {
        auto done = std::make_shared<bool>(false);
        QObject::connect(model.items(), &QAbstractItemModel::dataChanged, &model,
                         [this, row, action, done](const QModelIndex& index) {
                             if (*done || index.row() != row ||
                                 model.items()->items()[std::size_t(row)].status.state !=
                                     Kind::processing)
                                 return;
                             *done = true;
                             action();
                         });
    }

    QTemporaryDir dir;
    FakePlatform platform;
    ResizeViewModel model{platform.services()};
};

} // namespace pictavo::test
