#pragma once
// Server access layer: one connection object per host (TMySql), the copied outcome of a statement
// (TResult) and the catalogue of databases, tables and fields read at connect time.
//
// Nothing here raises on a server or network failure: operations return false or an empty
// TResult, and the caller reads ErrorText at once, since every library call replaces the last error.
//
// Ownership: TMySql owns its handle, its catalogue and its LastResult. Connect on an object that was
// connected before releases the old catalogue and handle first, so whoever shows catalogue objects
// (the navigation tree) must drop its references to them before calling Connect again.

#include "server/Catalogue.h"
#include "server/Result.h"
#include "server/SshSettings.h"
#include "server/TlsSettings.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct st_mysql;
struct st_mysql_res;
class TServerWaiter;
class TSshTunnel;

class TMySql {
public:
    TMySql();
    ~TMySql();
    TMySql(const TMySql&) = delete;
    TMySql& operator=(const TMySql&) = delete;

    // Waits through `waiter` from the next Connect on (null: the default waiter, ServerWait.h). A stop
    // asked for during Connect leaves the object unconnected, with ErrorText saying it was stopped.
    void SetWaiter(TServerWaiter* waiter) { FWaiter = waiter; }
    bool Connect();
    bool Disconnect();    // always false: closing has no failure outcome
    bool IsAlive() const; // local test, no round trip
    // The library's last error on the handle, or why Connect refused to try.
    std::string ErrorText() const;

    std::string ServerInfo() const;
    std::string HostInfo() const;
    unsigned long ThreadId() const;
    std::string Statistics() const;
    // The connection's TLS version and cipher ("TLSv1.3, TLS_AES_256_GCM_SHA384"); empty when it is
    // not encrypted or not open.
    std::string Encryption() const;
    static std::string ClientInfo();
    // The ssh process of the connection's tunnel; 0 without one.
    int TunnelProcess() const;

    // Runs one statement, sent whole with its length (a NUL inside is the server's to judge); the
    // result is this object's LastResult until the next Execute/ProcessList. Further results the
    // statement sends (a procedure's) are kept as MoreResults; one that fails makes the statement
    // a failure and drops them. A view, so a long statement read from a file is sent from where
    // it lies, not copied.
    //
    // While the rows of its first result arrive they are handed to the arrival set with
    // SetRowsArrival (null: none). A stop asked for meanwhile ends the transfer: the connection is
    // made ready for the next statement and the rows read so far are the result, marked Stopped.
    TResult* Execute(std::string_view sql);
    void SetRowsArrival(TRowsArrival* arrival) { FArrival = arrival; }
    // The results after the first that the last Execute got, in order (each result set of a CALL).
    const std::vector<std::unique_ptr<TResult>>& MoreResults() const { return FMoreResults; }
    TResult* ProcessList();
    bool CreateDatabase(const std::string& name);
    bool DropDatabase(const std::string& name);
    bool RefreshGrants();

    // Reads the catalogue again on the open connection (after creating or dropping a database).
    // The old catalogue is released first: drop every reference to it before calling. False, with
    // the catalogue left as it was, when there is no open connection.
    bool ReadDatabases();
    // Reads the catalogue again as ReadDatabases does, but leaves the connection's current database
    // as it was (the read itself makes databases current), and marks that one Selected: a refresh
    // must not undo the user's USE. A stop of the wait ends the read and keeps the old catalogue;
    // false then, and when there is no open connection. Drop every reference to the old catalogue
    // first.
    bool RefreshDatabases();
    // Reads one database's part of the catalogue again, with the same bulk read, in its place; a
    // database the server no longer lists leaves the catalogue. The current database stays as it
    // was, and a stopped read keeps the old part. Drop every reference into the old database
    // first. False when stopped, or when there is no open connection or catalogue.
    bool RefreshDatabase(const std::string& name);
    // The connection's current database as the server tells it ("SELECT DATABASE()"); empty when
    // none is, or when the question fails. LastResult stays as it was.
    std::string CurrentDatabase();
    // Marks the catalogue's databases as the server's current database says: that one Selected,
    // the others not. True when a mark changed.
    bool FollowCurrentDatabase();
    TDatabases* Databases() const { return FDatabases.get(); }
    // The words the connected server reserves, upper case and sorted, as read at Connect; empty when
    // the server does not tell.
    const std::vector<std::string>& ReservedWords() const { return FReservedWords; }
    TResult* LastResult() const { return FLastResult.get(); }
    // Lets go of LastResult and MoreResults before the next statement would (the user cleared
    // what they showed), so their rows are freed now.
    void ReleaseLastResult() {
        FLastResult.reset();
        FMoreResults.clear();
    }
    st_mysql* Handle() const { return FHandle; }

    std::string Name;
    std::string Host;
    std::string User;
    std::string Password;
    int Port = 0; // 0: the client library's default port
    TTlsSettings Tls;
    // Connect reaches Host:Port through an SSH tunnel when Ssh.Host is set; Host and Port then
    // name the server as the SSH server sees it.
    TSshSettings Ssh;
    // The password is kept in the desktop's keyring, not in the settings file; Password then holds
    // it only once it was read from there (at Connect) or typed.
    bool PasswordInKeyring = false;
    // The settings key this host was loaded under (empty for a host made in this run): where its
    // keyring entry is, also after a rename in this run.
    std::string StoredKey;

private:
    void CloseHandle();
    bool OpenTunnel(std::string& host, unsigned& port);
    // After a call: a connection the library dropped (the tunnel died, or the server went) needs
    // its ssh no more; a live one's ssh gets what it wrote read.
    void DropDeadTunnel();
    bool StoppedConnect();
    // After a read that made other databases current: `current` is made current again, and the
    // catalogue's marks follow what the server then says.
    void KeepCurrentDatabase(const std::string& current);
    // Runs `read`, which reads part of the catalogue aside, so that a stop of the wait ends it;
    // `take` then puts it in place unless the read was stopped or the connection went. The
    // current database stays as it was. False when stopped or lost.
    bool ReadAgain(const std::function<void()>& read, const std::function<void()>& take);
    TResult* Store(st_mysql_res* res, bool streamed, TRowsArrival* arrival = nullptr);

    st_mysql* FHandle = nullptr;
    std::unique_ptr<TDatabases> FDatabases;
    std::unique_ptr<TResult> FLastResult;
    std::vector<std::unique_ptr<TResult>> FMoreResults;
    std::vector<std::string> FReservedWords;
    std::unique_ptr<TSshTunnel> FTunnel; // while connected through ssh
    std::string FRefusal;                // why Connect did not try or gave up, reported as its error
    TServerWaiter* FWaiter = nullptr;
    TRowsArrival* FArrival = nullptr;
    bool FConnected = false;
};

// `name` as a backtick-quoted identifier, any backtick inside doubled.
std::string QuoteIdentifier(std::string_view name);
