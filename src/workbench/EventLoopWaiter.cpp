#include "EventLoopWaiter.h"

#include <mysql.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <optional>

namespace {

// How long the window may go without its event loop while the socket keeps having data.
constexpr qint64 LoopIntervalMs = 10;

} // namespace

void TEventLoopWaiter::RequestStop() {
    FStopPending = true;
    if (FLoop) FLoop->quit();
}

int TEventLoopWaiter::Wait(int socket, int events, unsigned timeoutMs) {
    if (FStopPending) {
        FStopPending = false;
        return Stop;
    }
    // Most reads of a large result find data waiting: answer those without a loop round.
    if (FSinceLoop.isValid() && FSinceLoop.elapsed() < LoopIntervalMs)
        if (const int ready = PollSocket(socket, events, 0)) return ready;

    QEventLoop loop;
    int happened = 0;
    auto notice = [&](int what) {
        happened |= what;
        loop.quit();
    };
    std::optional<QSocketNotifier> read, write, except;
    if (events & MYSQL_WAIT_READ) {
        read.emplace(socket, QSocketNotifier::Read);
        QObject::connect(&*read, &QSocketNotifier::activated, &loop, [&] { notice(MYSQL_WAIT_READ); });
    }
    if (events & MYSQL_WAIT_WRITE) {
        write.emplace(socket, QSocketNotifier::Write);
        QObject::connect(&*write, &QSocketNotifier::activated, &loop, [&] { notice(MYSQL_WAIT_WRITE); });
    }
    if (events & MYSQL_WAIT_EXCEPT) {
        except.emplace(socket, QSocketNotifier::Exception);
        QObject::connect(&*except, &QSocketNotifier::activated, &loop, [&] { notice(MYSQL_WAIT_EXCEPT); });
    }
    QTimer timer;
    if (events & MYSQL_WAIT_TIMEOUT) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] { notice(MYSQL_WAIT_TIMEOUT); });
        timer.start(static_cast<int>(timeoutMs));
    }
    // Already ready: the loop still runs once, for the window.
    happened = PollSocket(socket, events, 0);
    FLoop = &loop;
    if (happened)
        loop.processEvents(QEventLoop::AllEvents);
    else
        loop.exec();
    FLoop = nullptr;
    FSinceLoop.restart();
    if (!happened && FStopPending) {
        FStopPending = false;
        return Stop;
    }
    return happened;
}
