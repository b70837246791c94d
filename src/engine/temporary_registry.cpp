#include "temporary_registry.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <unistd.h>

namespace pictavo::detail {

namespace {

enum SlotState : int { kFree, kFilling, kHeld, kRemoving };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the slot states");

// The batch writes one file at a time and the benchmark two; the rest is headroom.
std::array<Slot, 16> slots;

} // namespace

int registerTemporary(const char* path) noexcept
{
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX)
        return -1;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling))
            continue;
        std::memcpy(slots[i].path, path, length + 1);
        slots[i].state.store(kHeld, std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1;
}

void unregisterTemporary(int slot) noexcept
{
    if (slot < 0)
        return;
    // A slot a handler is emptying is left to it: the process is about to end.
    int expected = kHeld;
    slots[static_cast<std::size_t>(slot)].state.compare_exchange_strong(expected, kFree);
}

void removeRegisteredTemporaries() noexcept
{
    for (Slot& slot : slots) {
        int expected = kHeld;
        // Claiming the slot first keeps its path from being overwritten while it is read.
        if (slot.state.compare_exchange_strong(expected, kRemoving))
            ::unlink(slot.path);
    }
}

} // namespace pictavo::detail
