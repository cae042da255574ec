#pragma once
// The window's way of waiting on the server: the event loop runs while the connection's socket is
// watched, so the windows keep painting. Only used while a TServerWaitGuard keeps the user's input
// away, since the loop would otherwise act on it in the middle of a command.

#include "server/ServerWait.h"

#include <QElapsedTimer>

class QEventLoop;

class TEventLoopWaiter : public TServerWaiter {
public:
    int Wait(int socket, int events, unsigned timeoutMs) override;
    bool Breathe() override;

    // The wait under way (or the next one) ends with Stop.
    void RequestStop();
    void ClearStop() { FStopPending = FStopAsked = false; }
    // Whether a stop was asked for since ClearStop, whether a wait took it or not: a command that
    // runs many statements stops between them too.
    bool StopAsked() const { return FStopAsked; }

private:
    // Runs the window's events when it has not been served for a while.
    void Serve();
    bool TakeStop();

    QEventLoop* FLoop = nullptr;
    bool FStopPending = false;
    bool FStopAsked = false;
    // Since the event loop last ran: a socket that is ready at once skips the loop only while the
    // window has been served recently, so a long fast transfer still lets it paint.
    QElapsedTimer FSinceLoop;
};
