#pragma once
// How the server layer waits for a server. Every call that waits is made through the client
// library's non-blocking interface; whenever the library would block, the handle's waiter waits for
// the connection's socket. The plain waiter blocks in poll(); the window supplies one that keeps its
// event loop running meanwhile. A waiter may report that the user asked to stop: a running statement
// is then stopped on the server, a connect is abandoned.

struct st_mysql;

class TServerWaiter {
public:
    // What Wait returns, once for each request, when the user asked to stop.
    static constexpr int Stop = -1;

    virtual ~TServerWaiter() = default;
    // Waits until one of `events` (the library's MYSQL_WAIT_READ / _WRITE / _EXCEPT bits) happens on
    // `socket` or, when `events` holds MYSQL_WAIT_TIMEOUT, until `timeoutMs` have passed; returns the
    // events that happened (MYSQL_WAIT_TIMEOUT when the time ran out), or Stop.
    virtual int Wait(int socket, int events, unsigned timeoutMs) = 0;
    // Called now and then while the library goes on without waiting (rows of a large result that
    // are all there already); true, once, when the user asked to stop meanwhile.
    virtual bool Breathe() { return false; }
};

// Blocks the calling thread in poll(); never stops. For tests, benchmarks and programs without a
// window.
class TBlockingWaiter : public TServerWaiter {
public:
    int Wait(int socket, int events, unsigned timeoutMs) override;
};

// The events of `events` that are ready on `socket` within `timeoutMs` (-1: no limit); 0 when none
// is. MYSQL_WAIT_TIMEOUT is not reported here.
int PollSocket(int socket, int events, int timeoutMs);

// The waiter of every connection made from now on that was given none of its own; null goes back to
// the blocking one. Not taken over.
void SetDefaultWaiter(TServerWaiter* waiter);
TServerWaiter& DefaultWaiter();
