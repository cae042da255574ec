#pragma once
// The one path by which the server layer waits: each handle is known with its waiter, the settings
// it connected with (for the second connection that stops a statement) and what a stop means for
// it right now. Calls are driven through the library's `..._start` / `..._cont` pairs.

#include "server/TlsSettings.h"

#include <string>

struct st_mysql;
class TServerWaiter;

struct TServerLogin {
    std::string Host;
    std::string User;
    std::string Password;
    unsigned int Port = 0; // 0: the library's default
    TTlsSettings Tls;
};

enum class TStopMode {
    Statement, // KILL QUERY of the connection's thread; the connection stays usable
    Connect,   // the attempt is abandoned: the socket is shut, the caller reports it as stopped
    Ignore,
};

// Gives `handle` its settings (the one place that sets a handle's options, so every connection
// of the program, the stopping one too, gets the same) and makes it known to the wait path.
// `waiter` null: the default one at the time of each wait. False when an option is refused.
bool PrepareHandle(st_mysql* handle, TServerWaiter* waiter, TServerLogin login, TStopMode mode);
// Forgets the handle; call before closing it.
void ForgetHandle(st_mysql* handle);
void SetStopMode(st_mysql* handle, TStopMode mode);
// True when the user stopped a connect of this handle.
bool ConnectWasStopped(st_mysql* handle);
// Set when the user stopped the statement running on this handle (its KILL QUERY was sent), until
// the next ClearStatementStop. The flag lives as long as the handle is known, so a loop over many
// rows may keep it and read it cheaply; null for a handle not known.
const bool* StatementStopFlag(st_mysql* handle);
void ClearStatementStop(st_mysql* handle);
// The flag above, read once: a read of many statements ends at the next one after a stop.
bool StatementWasStopped(st_mysql* handle);
// Stops the statement running on `handle` as a stop of the user would (its flag set, KILL QUERY
// sent), for a reason of the program's own.
void StopStatement(st_mysql* handle);

// Opens the prepared handle with its settings; no default database, no client flags.
bool OpenConnection(st_mysql* handle);

// One wait for what the library asked for in `status`; a stop request is acted on as the handle's
// mode says, and the wait goes on until the library can continue.
int WaitRound(st_mysql* handle, int status);

// Lets the handle's waiter look after the window while a call goes on without waiting; a stop asked
// for meanwhile is acted on as the handle's mode says.
void Breathe(st_mysql* handle);

// Runs one library call to its end: `start()` begins it, `cont(events)` carries it on; both return
// the library's wait status, 0 when the call is done.
template <class Start, class Cont> void Drive(st_mysql* handle, Start start, Cont cont) {
    int status = start();
    // Answered at once: a stop asked for meanwhile is still acted on, or a read of many quick
    // statements would never see it.
    if (status == 0) Breathe(handle);
    for (; status != 0; status = cont(WaitRound(handle, status))) {
    }
}
