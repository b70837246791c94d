#include "reserved_names.h"

namespace pictavo {

std::filesystem::path ReservedNames::reserve(FreeNameFinder& finder)
{
    const std::lock_guard lock(m_mutex);
    for (;;) {
        std::filesystem::path name = finder.next();
        if (m_held.insert(name).second)
            return name;
    }
}

void ReservedNames::release(const std::filesystem::path& name)
{
    const std::lock_guard lock(m_mutex);
    m_held.erase(name);
}

} // namespace pictavo
