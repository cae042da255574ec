#include "workbench/waiting/EventLoopWaiter.h"

#include <mysql.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <optional>

namespace {

// How long the window may go without its event loop while the socket keeps having data.
constexpr qint64 LoopIntervalMs = 10;

} // namespace

void TEventLoopWaiter::RequestStop() {
    FStopPending = FStopAsked = true;
    if (FLoop) FLoop->quit();
}

void TEventLoopWaiter::Serve() {
    if (FSinceLoop.isValid() && FSinceLoop.elapsed() < LoopIntervalMs) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    FSinceLoop.restart();
}

bool TEventLoopWaiter::TakeStop() {
    const bool stop = FStopPending;
    FStopPending = false;
    return stop;
}

bool TEventLoopWaiter::Breathe() {
    Serve();
    return TakeStop();
}

int TEventLoopWaiter::Wait(int socket, int events, unsigned timeoutMs) {
    if (TakeStop()) return Stop;
    // Most reads of a large result find data waiting: those are answered at once, with a round of
    // the window's events at most every LoopIntervalMs. No socket notifier is made for a socket that
    // is ready already: a source that stays ready outranks the window's timers in the event loop,
    // which then never fire while a large result streams in.
    if (const int ready = PollSocket(socket, events, 0)) {
        Serve();
        return ready;
    }

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
    // Ready between the poll above and now: the notifier reports it at once.
    FLoop = &loop;
    loop.exec();
    FLoop = nullptr;
    FSinceLoop.restart();
    if (!happened && TakeStop()) return Stop;
    return happened;
}
