#include "allocator_restart.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace pictavo {

namespace {

// Holds the caller's GLIBC_TUNABLES across the restart: "-" when there was none, else "=" and
// the value. Its presence also stops a second restart.
constexpr const char* kSavedTunables = "PICTAVO_SAVED_GLIBC_TUNABLES";
constexpr const char* kHugePages = "glibc.malloc.hugetlb=1";

void restoreTunables(const std::string& saved)
{
    if (saved.size() > 0 && saved[0] == '=')
        ::setenv("GLIBC_TUNABLES", saved.c_str() + 1, 1);
    else
        ::unsetenv("GLIBC_TUNABLES");
    ::unsetenv(kSavedTunables);
}

} // namespace

void restartWithHugePageAllocator(char** argv)
{
    if (const char* saved = std::getenv(kSavedTunables)) {
        restoreTunables(saved);
        return;
    }
    const char* current = std::getenv("GLIBC_TUNABLES");
    const std::string original = current != nullptr ? current : "";
    // The user's own choice for huge pages stands.
    if (original.find("glibc.malloc.hugetlb") != std::string::npos)
        return;
    const std::string saved = current != nullptr ? "=" + original : "-";
    const std::string tunables = original.empty() ? kHugePages : original + ":" + kHugePages;
    if (::setenv(kSavedTunables, saved.c_str(), 1) != 0 ||
        ::setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0)
        return restoreTunables(saved);
    ::execv("/proc/self/exe", argv);
    restoreTunables(saved);
}

} // namespace pictavo
