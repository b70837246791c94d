#pragma once

#include "free_name_finder.h"

#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <map>
#include <mutex>

namespace pictavo {

// The output names of one run's conversions, while they are under way, so that conversions
// running side by side end with the names a one-at-a-time run gives: each item holds the
// first free name of its sequence (Name, Name-2 …) from its start, in queue order, and takes
// its final name only once every earlier item that holds a name before it has finished,
// because one that fails leaves its name to the next. Safe on any thread.
class ReservedNames {
public:
    // At the start of the item at `position`, items starting in queue order: the first name
    // of `candidates` that is free on disk and held by no item, now held by this one.
    std::filesystem::path reserve(FreeNameFinder candidates, std::size_t position);

    // When the item at `position` is written: the first name of `candidates` free on disk that
    // no earlier item holds, now held by this one. Waits while an earlier item holds a name
    // before it; takes over a name that a later item holds.
    std::filesystem::path claim(const FreeNameFinder& candidates, std::size_t position);

    // Gives back every name the item holds: its file is written, or it never will be.
    void releaseAll(std::size_t position);

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    std::map<std::filesystem::path, std::size_t> m_holders;
};

} // namespace pictavo
