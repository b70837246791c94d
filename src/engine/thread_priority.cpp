#include "thread_priority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace pictavo {

namespace {

// Low enough for the scheduler to favour the GUI about ten to one, not so low that a busy
// desktop starves the batch.
constexpr int kBackgroundNice = 10;

} // namespace

void useBackgroundPriority()
{
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno == 0 && current >= kBackgroundNice)
        return;
    // Failing leaves the thread as it was, which only costs smoothness.
    (void)setpriority(PRIO_PROCESS, thread, kBackgroundNice);
}

} // namespace pictavo
