#include "reserved_names.h"

#include <iterator>

namespace pictavo {

namespace fs = std::filesystem;

fs::path ReservedNames::reserve(FreeNameFinder candidates, std::size_t position)
{
    const std::lock_guard lock(m_mutex);
    for (;;) {
        fs::path name = candidates.next();
        if (m_holders.emplace(name, position).second)
            return name;
    }
}

fs::path ReservedNames::claim(const FreeNameFinder& candidates, std::size_t position)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        // The files on disk change while waiting, so every pass walks the sequence afresh.
        FreeNameFinder walk = candidates;
        std::optional<fs::path> chosen;
        bool blocked = false;
        while (!chosen && !blocked) {
            fs::path name = walk.next();
            const auto holder = m_holders.find(name);
            if (holder == m_holders.end() || holder->second >= position)
                chosen = std::move(name);
            else
                blocked = true;
        }
        if (blocked) {
            m_released.wait(lock);
            continue;
        }
        for (auto held = m_holders.begin(); held != m_holders.end();)
            held = held->second == position ? m_holders.erase(held) : std::next(held);
        m_holders[*chosen] = position;
        return *chosen;
    }
}

void ReservedNames::releaseAll(std::size_t position)
{
    {
        const std::lock_guard lock(m_mutex);
        for (auto held = m_holders.begin(); held != m_holders.end();)
            held = held->second == position ? m_holders.erase(held) : std::next(held);
    }
    m_released.notify_all();
}

} // namespace pictavo
