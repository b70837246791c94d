#pragma once

#include "item_id.h"
#include "output_subfolders.h"
#include "reserved_names.h"
#include "resize_settings.h"
#include "run_capacity.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <filesystem>
#include <functional>
#include <list>
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

// One conversion on its way: the item, its share of the memory budget and its job.
struct Conversion {
    ItemId id;
    std::int64_t memoryEstimate = 0;
    QFutureWatcher<JobResult>* watcher = nullptr; // a child of the model
};

// One batch run: the values fixed when it started and its counters. The items it converts
// are remembered by id, so that removing items under a running batch can never make it write
// a status to another item or step past the end of the queue.
struct BatchRun {
    std::filesystem::path folder;
    std::shared_ptr<const OpenFolder> root; // the folder, held open from the run's start
    ResizeSettings settings;
    RunCapacity capacity;
    qint64 total = 0;
    std::vector<ItemId> ids;
    std::size_t position = 0; // the next item to start
    qint64 settled = 0;       // items finished or passed over, for the progress
    qint64 succeeded = 0;
    qint64 failed = 0;
    bool cancelled = false;
    bool finished = false;
    std::shared_ptr<ReservedNames> names = std::make_shared<ReservedNames>();
    std::shared_ptr<OutputSubfolders> subfolders; // with keepFolderStructure only
    std::list<Conversion> inFlight;
    // The run's own pool, sized to its conversions: the global one is capped at the
    // processor count and is shared with thumbnails and the final flush.
    std::unique_ptr<QThreadPool> pool;
    std::unique_ptr<QFutureWatcher<void>> flush; // the final flush to disk
};

} // namespace pictavo
