#include "thread_priority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace pictavo {

namespace {

// At ten the scheduler favours normal threads about nine to one: the window is drawn first,
// and the batch still moves on, more slowly, while other programs keep the processor busy.
constexpr int kBackgroundNice = 10;

} // namespace

void useBackgroundPriority()
{
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    // A thread started nicer still (the whole program under `nice 15`) stays as it is.
    if (errno == 0 && current >= kBackgroundNice)
        return;
    // Failing leaves the thread as it was, which only costs smoothness.
    (void)setpriority(PRIO_PROCESS, thread, kBackgroundNice);
}

} // namespace pictavo
