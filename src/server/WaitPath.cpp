#include "server/internal/WaitPath.h"

#include "server/ServerWait.h"
#include "server/internal/AuthPlugins.h"
#include "server/internal/Statements.h"
#include "server/internal/Tls.h"

#include <mysql.h>

#include <chrono>
#include <sys/socket.h>
#include <unordered_map>

namespace {

// A connect (network connect and the server's greeting) that takes longer fails with the
// library's own message. Statements have no limit: the user stops them.
constexpr unsigned int ConnectTimeoutSeconds = 10;

struct THandleWait {
    TServerWaiter* Waiter = nullptr;
    TServerLogin Login;
    TStopMode Mode = TStopMode::Statement;
    bool ConnectStopped = false;
    bool StatementStopped = false;
};

// Single-threaded like the rest of the program.
std::unordered_map<st_mysql*, THandleWait>& Handles() {
    static std::unordered_map<st_mysql*, THandleWait> handles;
    return handles;
}

THandleWait* Find(st_mysql* handle) {
    auto it = Handles().find(handle);
    return it == Handles().end() ? nullptr : &it->second;
}

// Stops the statement running on `thread` through a second, short-lived connection with the same
// settings and waiter; its own wait ignores further stop requests.
void KillQuery(const THandleWait& of, unsigned long thread) {
    MYSQL* k = mysql_init(nullptr);
    if (!k) return;
    AllowOnlyHashedPasswords(k);
    if (PrepareHandle(k, of.Waiter, of.Login, TStopMode::Ignore) && OpenConnection(k))
        Send(k, "KILL QUERY " + std::to_string(thread));
    ForgetHandle(k);
    mysql_close(k);
}

void ActOnStop(st_mysql* handle) {
    THandleWait* w = Find(handle);
    if (!w) return;
    switch (w->Mode) {
    case TStopMode::Statement: {
        w->StatementStopped = true;
        const THandleWait copy = *w; // the kill's own handle joins the table
        KillQuery(copy, mysql_thread_id(handle));
        break;
    }
    case TStopMode::Connect:
        w->ConnectStopped = true;
        // The library's pending read or write then fails at once, and the call ends as a failure.
        if (const my_socket s = mysql_get_socket(handle); s != MARIADB_INVALID_SOCKET) shutdown(s, SHUT_RDWR);
        break;
    case TStopMode::Ignore:
        break;
    }
}

} // namespace

bool PrepareHandle(st_mysql* handle, TServerWaiter* waiter, TServerLogin login, TStopMode mode) {
    const unsigned int timeout = ConnectTimeoutSeconds;
    if (mysql_options(handle, MYSQL_OPT_NONBLOCK, nullptr) != 0) return false;
    if (mysql_options(handle, MYSQL_OPT_CONNECT_TIMEOUT, &timeout) != 0) return false;
    if (!ApplyTls(handle, login.Tls)) return false;
    THandleWait& w = Handles()[handle];
    w = THandleWait{waiter, std::move(login), mode, false, false};
    return true;
}

void ForgetHandle(st_mysql* handle) {
    Handles().erase(handle);
}

void SetStopMode(st_mysql* handle, TStopMode mode) {
    if (THandleWait* w = Find(handle)) w->Mode = mode;
}

bool ConnectWasStopped(st_mysql* handle) {
    const THandleWait* w = Find(handle);
    return w && w->ConnectStopped;
}

// Elements of an unordered_map keep their place while others come and go.
const bool* StatementStopFlag(st_mysql* handle) {
    const THandleWait* w = Find(handle);
    return w ? &w->StatementStopped : nullptr;
}

void ClearStatementStop(st_mysql* handle) {
    if (THandleWait* w = Find(handle)) w->StatementStopped = false;
}

bool StatementWasStopped(st_mysql* handle) {
    const bool* stopped = StatementStopFlag(handle);
    return stopped && *stopped;
}

void StopStatement(st_mysql* handle) {
    THandleWait* w = Find(handle);
    if (!w || w->StatementStopped) return;
    w->StatementStopped = true;
    const THandleWait copy = *w;
    KillQuery(copy, mysql_thread_id(handle));
}

bool OpenConnection(st_mysql* handle) {
    const THandleWait* w = Find(handle);
    if (!w) return false;
    const TServerLogin login = w->Login; // the table may grow while waiting
    const TUncheckedTlsConnect fast(login.Tls);
    MYSQL* ret = nullptr;
    Drive(
        handle,
        [&] {
            return mysql_real_connect_start(&ret, handle, login.Host.c_str(), login.User.c_str(),
                                            login.Password.c_str(), nullptr, login.Port, nullptr, 0);
        },
        [&](int events) { return mysql_real_connect_cont(&ret, handle, events); });
    return ret != nullptr;
}

void Breathe(st_mysql* handle) {
    const THandleWait* w = Find(handle);
    TServerWaiter& waiter = w && w->Waiter ? *w->Waiter : DefaultWaiter();
    if (waiter.Breathe()) ActOnStop(handle);
}

int WaitRound(st_mysql* handle, int status) {
    using Clock = std::chrono::steady_clock;
    const bool limited = status & MYSQL_WAIT_TIMEOUT;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(limited ? mysql_get_timeout_value_ms(handle) : 0);
    for (;;) {
        const THandleWait* w = Find(handle);
        TServerWaiter& waiter = w && w->Waiter ? *w->Waiter : DefaultWaiter();
        unsigned left = 0;
        if (limited) {
            const auto now = Clock::now();
            if (now >= deadline) return MYSQL_WAIT_TIMEOUT;
            left =
                static_cast<unsigned>(std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count());
        }
        const int happened = waiter.Wait(static_cast<int>(mysql_get_socket(handle)), status, left);
        if (happened != TServerWaiter::Stop) return happened;
        ActOnStop(handle);
    }
}
