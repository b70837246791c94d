#include "temporary_registry.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace pictavo::detail {

namespace {

enum SlotState : int { kFree, kFilling, kHeld, kRemoving };

struct Slot {
    std::atomic<int> state{kFree};
    int folder = -1;
    char name[NAME_MAX + 1];
};

static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the slot states");

// Slots come in blocks chained as they are needed: as many files as a process writes at once
// (one per conversion in flight, and the number of conversions is the user's to choose). A
// block is added at registration, never in the handler, and never freed, so the handler can
// walk the chain at any moment without a lock.
constexpr std::size_t kSlotsPerBlock = 32;

struct Block {
    std::array<Slot, kSlotsPerBlock> slots;
    std::atomic<Block*> next{nullptr};
};

static_assert(std::atomic<Block*>::is_always_lock_free, "a signal handler follows the chain");

Block first;

// The block holding slot number `slot`, counted along the chain.
Block* blockOf(int slot)
{
    Block* block = &first;
    for (int skipped = slot / int(kSlotsPerBlock); skipped > 0 && block != nullptr; --skipped)
        block = block->next.load(std::memory_order_acquire);
    return block;
}

} // namespace

int registerTemporary(int folder, const char* name) noexcept
{
    const std::size_t length = std::strlen(name);
    if (length > NAME_MAX)
        return -1;
    int base = 0;
    for (Block* block = &first; block != nullptr; base += int(kSlotsPerBlock)) {
        for (std::size_t i = 0; i < kSlotsPerBlock; ++i) {
            Slot& slot = block->slots[i];
            int expected = kFree;
            if (!slot.state.compare_exchange_strong(expected, kFilling))
                continue;
            slot.folder = folder;
            std::memcpy(slot.name, name, length + 1);
            slot.state.store(kHeld, std::memory_order_release);
            return base + static_cast<int>(i);
        }
        Block* next = block->next.load(std::memory_order_acquire);
        if (next == nullptr) {
            auto* added = new (std::nothrow) Block;
            if (added == nullptr)
                return -1;
            // Another thread may have chained its own block meanwhile: then that one is used.
            if (block->next.compare_exchange_strong(next, added, std::memory_order_acq_rel))
                next = added;
            else
                delete added;
        }
        block = next;
    }
    return -1;
}

void unregisterTemporary(int slot) noexcept
{
    Block* block = slot < 0 ? nullptr : blockOf(slot);
    if (block == nullptr)
        return;
    // A slot a handler is emptying is left to it: the process is about to end.
    int expected = kHeld;
    block->slots[static_cast<std::size_t>(slot) % kSlotsPerBlock].state.compare_exchange_strong(
        expected, kFree);
}

void removeRegisteredTemporaries() noexcept
{
    for (Block* block = &first; block != nullptr;
         block = block->next.load(std::memory_order_acquire))
        for (Slot& slot : block->slots) {
            int expected = kHeld;
            // Claiming the slot first keeps its name from being overwritten while it is read.
            if (slot.state.compare_exchange_strong(expected, kRemoving))
                ::unlinkat(slot.folder, slot.name, 0);
        }
}

} // namespace pictavo::detail
