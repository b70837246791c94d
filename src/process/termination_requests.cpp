#include "termination_requests.h"

#include "temporary_registry.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace pictavo {

namespace {

int requestPipe[2] = {-1, -1};
std::atomic<int> requestsSeen{0};

void onTerminationRequest(int signal)
{
    const int savedErrno = errno;
    if (requestsSeen.fetch_add(1) == 0 && requestPipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(requestPipe[1], &byte, 1);
        errno = savedErrno;
        return;
    }
    detail::removeRegisteredTemporaries();
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    ::sigaction(signal, &defaultAction, nullptr);
    // Blocked while this handler runs, the signal ends the process as soon as it returns.
    ::raise(signal);
}

void installHandlers()
{
    struct sigaction action {};
    action.sa_handler = onTerminationRequest;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the launcher set to be ignored (nohup's SIGHUP) stays ignored.
        struct sigaction inherited {};
        if (::sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

} // namespace

int installTerminationRequests()
{
    if (requestPipe[0] < 0 && ::pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    installHandlers();
    return requestPipe[0];
}

void endOnTerminationRequests()
{
    requestsSeen = 1;
    installHandlers();
}

} // namespace pictavo
