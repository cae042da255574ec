#include "server/ServerWait.h"

#include <mysql.h>

#include <cerrno>
#include <poll.h>

namespace {

TServerWaiter* DefaultOverride = nullptr;

} // namespace

int PollSocket(int socket, int events, int timeoutMs) {
    pollfd p{socket, 0, 0};
    if (events & MYSQL_WAIT_READ) p.events |= POLLIN;
    if (events & MYSQL_WAIT_WRITE) p.events |= POLLOUT;
    if (events & MYSQL_WAIT_EXCEPT) p.events |= POLLPRI;
    int n;
    do
        n = poll(&p, 1, timeoutMs);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return 0;
    int ready = 0;
    // A closed or broken socket counts as readable and writable: the library's next call on it
    // then sees the failure itself.
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) ready |= events & MYSQL_WAIT_READ;
    if (p.revents & (POLLOUT | POLLHUP | POLLERR)) ready |= events & MYSQL_WAIT_WRITE;
    if (p.revents & POLLPRI) ready |= events & MYSQL_WAIT_EXCEPT;
    return ready;
}

int TBlockingWaiter::Wait(int socket, int events, unsigned timeoutMs) {
    const bool limited = events & MYSQL_WAIT_TIMEOUT;
    const int ready = PollSocket(socket, events, limited ? static_cast<int>(timeoutMs) : -1);
    return ready ? ready : MYSQL_WAIT_TIMEOUT;
}

void SetDefaultWaiter(TServerWaiter* waiter) {
    DefaultOverride = waiter;
}

TServerWaiter& DefaultWaiter() {
    static TBlockingWaiter blocking;
    return DefaultOverride ? *DefaultOverride : blocking;
}
