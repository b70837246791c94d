#pragma once

#include "output_naming.h"

#include <filesystem>
#include <mutex>
#include <set>

namespace pictavo {

// The output names that conversions of one run have chosen but not yet written. Conversions
// running side by side consult it, so two of them never pick the same name, and names taken
// in queue order are the names a one-at-a-time run would give. Safe on any thread.
class ReservedNames {
public:
    // The first name `finder` hands out that no conversion holds, now held by the caller.
    std::filesystem::path reserve(FreeNameFinder& finder);
    // Gives a name back: its file has been written, or it never will be.
    void release(const std::filesystem::path& name);

private:
    std::mutex m_mutex;
    std::set<std::filesystem::path> m_held;
};

} // namespace pictavo
