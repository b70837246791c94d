#pragma once

#include "item_id.h"
#include "resize_settings.h"

#include <QFuture>
#include <QFutureWatcher>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace pictavo {

// What one conversion job hands back to the GUI thread.
struct JobResult {
    bool succeeded = false;
    std::filesystem::path output; // the written file, byte for byte
    std::string message;          // the error's text
};

// One batch run: the values fixed when it started and its counters. The items it converts
// are remembered by id, so that removing items under a running batch can never make it write
// a status to another item or step past the end of the queue.
struct BatchRun {
    std::filesystem::path folder;
    ResizeSettings settings;
    qint64 total = 0;
    std::vector<ItemId> ids;
    std::size_t position = 0;
    qint64 succeeded = 0;
    qint64 failed = 0;
    bool cancelled = false;
    bool finished = false;
    ItemId current;
    QFuture<JobResult> job;
    std::unique_ptr<QFutureWatcher<JobResult>> watcher;
    std::unique_ptr<QFutureWatcher<void>> flush; // the final flush to disk
};

} // namespace pictavo
