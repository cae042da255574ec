#include "server/MySql.h"

#include "server/ServerWait.h"
#include "server/internal/AuthPlugins.h"
#include "server/internal/CatalogueRead.h"
#include "server/internal/ReservedWords.h"
#include "server/internal/ResultCopy.h"
#include "server/internal/SshTunnel.h"
#include "server/internal/Statements.h"
#include "server/internal/Tls.h"
#include "server/internal/WaitPath.h"

#include <mysql.h>

#include <chrono>
#include <cstring>
#include <functional>

namespace {

constexpr std::size_t ErrorTextLimit = 200;

std::string ErrorOf(MYSQL* h) {
    if (!h) return {};
    const char* e = mysql_error(h);
    if (!e) return {};
    return std::string(e, strnlen(e, ErrorTextLimit));
}

std::string TextOrEmpty(const char* s) {
    return s ? std::string(s) : std::string();
}

// A stored result: every row is in memory already.
std::shared_ptr<const TResultBlock> CopyStored(MYSQL_RES* res) {
    TResultBlock::Builder b(ColumnsOf(res));
    if (res)
        while (MYSQL_ROW row = mysql_fetch_row(res))
            b.AddRow(row, mysql_fetch_lengths(res));
    return b.Finish();
}

// How a streamed transfer ended.
enum class TCopyEnd { Complete, Failed, Stopped };

struct TCopied {
    std::shared_ptr<const TResultBlock> Block;
    TCopyEnd End = TCopyEnd::Complete;
    std::string StopReason; // the program stopped it: no room for more rows
};

// Rows are shown in chunks: the first at once, then at most every ChunkInterval (the clock is read
// every CheckRows rows), and whatever is pending before each wait for the server, so rows that came
// before a pause are on screen during it.
constexpr auto ChunkInterval = std::chrono::milliseconds(30);
constexpr std::size_t CheckRows = 64;

// Reads a streamed result row by row straight into a new block, handing the rows to `arrival` in
// chunks while they come. A stop of the user ends the copy, and so does a block past its budget
// whose rows cannot go to its file: the rest is read and dropped, so the connection can take the
// next statement.
TCopied CopyStreamed(MYSQL_RES* res, MYSQL* h, TRowsArrival* arrival) {
    TCopied out;
    TResultBlock::Builder b(ColumnsOf(res));
    const bool* stopped = StatementStopFlag(h);
    std::size_t shown = 0, sinceCheck = 0;
    auto lastShown = std::chrono::steady_clock::now();
    const std::function<void()> showPending = [&] {
        if (!arrival || b.RowCount() == shown) return;
        shown = b.RowCount();
        lastShown = std::chrono::steady_clock::now();
        arrival->RowsArrived(b.Growing());
    };
    const std::function<void()>* beforeWait = arrival ? &showPending : nullptr;
    bool stop = false;
    while (MYSQL_ROW row = FetchRow(res, beforeWait)) {
        if (stopped && *stopped) {
            stop = true;
            break;
        }
        b.AddRow(row, mysql_fetch_lengths(res));
        // Past the budget with nowhere to put the rows: memory would grow without end.
        if (b.SpillFailed()) {
            out.StopReason = b.Growing()->SpillError();
            StopStatement(h);
            stop = true;
            break;
        }
        if (arrival && (shown == 0 || ++sinceCheck == CheckRows)) {
            sinceCheck = 0;
            if (shown == 0 || std::chrono::steady_clock::now() - lastShown >= ChunkInterval) showPending();
        }
    }
    if (stopped && *stopped) stop = true;
    if (stop)
        while (FetchRow(res)) {
        }
    const unsigned error = h ? mysql_errno(h) : 0;
    if (stop) {
        // The server ends a killed statement with an error of its own; a client error (the
        // connection lost) leaves the outcome unknown. Stopped before any row came, the
        // statement was stopped, not its transfer.
        constexpr unsigned FirstClientError = 2000;
        const bool clean = error == 0 || (error < FirstClientError && b.RowCount() > 0);
        out.End = clean ? TCopyEnd::Stopped : TCopyEnd::Failed;
    } else if (error != 0) {
        out.End = TCopyEnd::Failed;
    }
    out.Block = b.Finish();
    return out;
}

std::shared_ptr<const TResultBlock> EmptyBlock() {
    return TResultBlock::Builder(std::span<const TColumnInfo>()).Finish();
}

constexpr int HighestPort = 65535;

constexpr const char* StoppedText = "Stopped by the user";

constexpr unsigned DefaultServerPort = 3306;

} // namespace

std::string QuoteIdentifier(std::string_view name) {
    std::string q;
    q.reserve(name.size() + 2);
    q += '`';
    for (char c : name) {
        if (c == '`') q += '`';
        q += c;
    }
    q += '`';
    return q;
}

// ---- Result model -------------------------------------------------------------------------------

TFields::TFields(const std::vector<std::string>& names) {
    FItems.reserve(names.size());
    for (const auto& n : names)
        FItems.emplace_back(n);
}

TResult::TResult(st_mysql_res* res, st_mysql* handle) : TResult(nullptr, handle, 0) {
    FBlock = CopyStored(res);
    Rows = TRows(FBlock.get());
    Fields = TFields(FBlock->FieldNames());
    AffectedRows = handle ? static_cast<int>(static_cast<std::uint32_t>(mysql_affected_rows(handle))) : 0;
    FErrorText = ErrorOf(handle);
}

TResult::TResult(std::shared_ptr<const TResultBlock> block, st_mysql* handle, int affectedRows)
    : FBlock(block ? std::move(block) : EmptyBlock()), Handle(handle), Rows(FBlock.get()),
      Fields(FBlock->FieldNames()), AffectedRows(affectedRows), FErrorText(ErrorOf(handle)) {}

// ---- Connection ---------------------------------------------------------------------------------

TMySql::TMySql() = default;

TMySql::~TMySql() {
    FDatabases.reset();
    FLastResult.reset();
    CloseHandle();
}

void TMySql::CloseHandle() {
    if (FHandle) {
        ForgetHandle(FHandle);
        mysql_close(FHandle);
    }
    FHandle = nullptr;
    FTunnel.reset(); // no connection, no tunnel: its ssh ends here
}

bool TMySql::OpenTunnel(std::string& host, unsigned& port) {
    FTunnel = std::make_unique<TSshTunnel>();
    // The SSH server connects to the host as it sees it; the library's defaults mean its own host.
    const std::string far = Host.empty() ? std::string("localhost") : Host;
    const unsigned farPort = Port == 0 ? DefaultServerPort : static_cast<unsigned>(Port);
    switch (FTunnel->Open(Ssh, far, farPort, FWaiter ? *FWaiter : DefaultWaiter())) {
    case TSshTunnel::TOutcome::Open:
        host = "127.0.0.1";
        port = static_cast<unsigned>(FTunnel->LocalPort());
        return true;
    case TSshTunnel::TOutcome::Stopped:
        FRefusal = StoppedText;
        break;
    case TSshTunnel::TOutcome::Failed:
        FRefusal = FTunnel->ErrorText();
        break;
    }
    FTunnel.reset();
    return false;
}

void TMySql::DropDeadTunnel() {
    if (!FTunnel) return;
    if (IsAlive())
        FTunnel->Drain();
    else
        FTunnel.reset();
}

int TMySql::TunnelProcess() const {
    return FTunnel ? FTunnel->Process() : 0;
}

bool TMySql::Connect() {
    // A handle and catalogue left from a failed attempt or a lost connection go first.
    FDatabases.reset();
    FLastResult.reset();
    FReservedWords.clear();
    FRefusal.clear();
    CloseHandle();
    // The library takes the port as unsigned: a wider value would wrap round to another port.
    if (Port < 0 || Port > HighestPort) {
        FRefusal =
            "Port " + std::to_string(Port) + " is not a TCP port (0 to " + std::to_string(HighestPort) + ")";
        return FConnected = false;
    }
    // The library checks a certificate only against a CA it is given: without one a verifying mode
    // would connect unchecked and look as if it had checked.
    if ((Tls.Mode == TTlsMode::VerifyCa || Tls.Mode == TTlsMode::VerifyIdentity) && Tls.Ca.empty()) {
        FRefusal = "The server's certificate cannot be checked: no CA file is set";
        return FConnected = false;
    }
    std::string host = Host;
    auto port = static_cast<unsigned int>(Port);
    // The tunnel first: the library then connects to its local end.
    if (!Ssh.Host.empty() && !OpenTunnel(host, port)) return FConnected = false;
    FHandle = mysql_init(nullptr);
    if (!FHandle) {
        FTunnel.reset();
        return FConnected = false;
    }
    AllowOnlyHashedPasswords(FHandle);
    // A stop during the attempt or the catalogue read abandons the whole connect.
    if (!PrepareHandle(FHandle, FWaiter, TServerLogin{host, User, Password, port, Tls}, TStopMode::Connect) ||
        !OpenConnection(FHandle)) {
        // A forward that failed (the server unreachable from the SSH server) is told by ssh; the
        // library only saw the connection close.
        if (FTunnel && !ConnectWasStopped(FHandle))
            if (std::string said = FTunnel->ErrorText(); !said.empty()) FRefusal = std::move(said);
        FTunnel.reset();
        return FConnected = StoppedConnect();
    }
    // The library lets a server without TLS in even when TLS is required; the host's settings say
    // otherwise, so the connection is not used.
    if (Tls.Mode != TTlsMode::Preferred && Tls.Mode != TTlsMode::Disabled &&
        TlsDescription(FHandle).empty()) {
        FRefusal = "The server does not offer TLS, which this host's settings require";
        CloseHandle();
        return FConnected = false;
    }
    // Asked while no database is current, so the server's look at each word touches no tables.
    FReservedWords = ReadReservedWords(FHandle);
    FDatabases = std::make_unique<TDatabases>(FHandle);
    if (ConnectWasStopped(FHandle)) {
        FDatabases.reset();
        FReservedWords.clear();
        return FConnected = StoppedConnect();
    }
    DropDeadTunnel();
    SetStopMode(FHandle, TStopMode::Statement);
    FConnected = true;
    return true;
}

bool TMySql::StoppedConnect() {
    if (FHandle && ConnectWasStopped(FHandle)) {
        // Closed, so the host is plainly not connected; the reason is kept for ErrorText.
        FRefusal = StoppedText;
        CloseHandle();
    }
    return false;
}

bool TMySql::ReadDatabases() {
    if (!IsAlive()) return false;
    FDatabases.reset();
    FDatabases = std::make_unique<TDatabases>(FHandle);
    return true;
}

std::string TMySql::CurrentDatabase() {
    if (!IsAlive() || !Send(FHandle, "SELECT DATABASE()")) return {};
    MYSQL_RES* res = StoreResult(FHandle);
    std::string name;
    if (res) {
        if (MYSQL_ROW row = mysql_fetch_row(res); row && row[0]) name = row[0];
        mysql_free_result(res);
    }
    return name;
}

namespace {
bool MarkCurrent(TDatabases* dbs, const std::string& current) {
    bool changed = false;
    for (int i = 0; dbs && i < dbs->Count(); ++i) {
        TDatabase* d = dbs->Items(i);
        const bool now = !current.empty() && d->Name == current;
        changed |= d->Selected != now;
        d->Selected = now;
    }
    return changed;
}
} // namespace

bool TMySql::FollowCurrentDatabase() {
    if (!IsAlive()) return false;
    return MarkCurrent(FDatabases.get(), CurrentDatabase());
}

void TMySql::KeepCurrentDatabase(const std::string& current) {
    // Made current again, it needs no asking; with none current before (or one that went), the
    // read's choice stands, and the server says which it is.
    const bool kept = !current.empty() && SelectDatabase(FHandle, current);
    MarkCurrent(FDatabases.get(), kept ? current : CurrentDatabase());
}

bool TMySql::ReadAgain(const std::function<void()>& read, const std::function<void()>& take) {
    // Stoppable from the first statement on: a stop sets the flag, and the read ends at its next
    // statement.
    ClearStatementStop(FHandle);
    const std::string current = CurrentDatabase();
    read();
    // A connection lost meanwhile read nothing: the old catalogue stays then too.
    const bool stopped = StatementWasStopped(FHandle) || !IsAlive();
    if (!stopped) take();
    if (IsAlive()) KeepCurrentDatabase(current);
    return !stopped;
}

bool TMySql::RefreshDatabases() {
    if (!IsAlive()) return false;
    std::unique_ptr<TDatabases> read;
    return ReadAgain([&] { read = std::make_unique<TDatabases>(FHandle); },
                     [&] { FDatabases = std::move(read); });
}

bool TMySql::RefreshDatabase(const std::string& name) {
    if (!IsAlive() || !FDatabases) return false;
    std::vector<std::unique_ptr<TDatabase>> read;
    return ReadAgain([&] { read = TCatalogueRead(FHandle).Databases(name); },
                     [&] { FDatabases->Replace(name, read.empty() ? nullptr : std::move(read.front())); });
}

bool TMySql::Disconnect() {
    FRefusal.clear();
    CloseHandle();
    FConnected = false;
    return FConnected;
}

bool TMySql::IsAlive() const {
    // The library drops its network layer when a read or write on it fails; asking for the socket
    // tells whether it still holds one, without a round trip.
    return FHandle && mysql_get_socket(FHandle) != MARIADB_INVALID_SOCKET;
}

std::string TMySql::ErrorText() const {
    return FRefusal.empty() ? ErrorOf(FHandle) : FRefusal;
}

std::string TMySql::ServerInfo() const {
    return FHandle ? TextOrEmpty(mysql_get_server_info(FHandle)) : "";
}

std::string TMySql::HostInfo() const {
    return FHandle ? TextOrEmpty(mysql_get_host_info(FHandle)) : "";
}

unsigned long TMySql::ThreadId() const {
    return FHandle ? mysql_thread_id(FHandle) : 0;
}

std::string TMySql::Encryption() const {
    return IsAlive() ? TlsDescription(FHandle) : std::string();
}

std::string TMySql::Statistics() const {
    if (!FHandle) return "";
    const char* text = nullptr;
    Drive(
        FHandle, [&] { return mysql_stat_start(&text, FHandle); },
        [&](int events) { return mysql_stat_cont(&text, FHandle, events); });
    return TextOrEmpty(text);
}

std::string TMySql::ClientInfo() {
    return TextOrEmpty(mysql_get_client_info());
}

TResult* TMySql::Store(st_mysql_res* res, bool streamed, TRowsArrival* arrival) {
    FLastResult.reset();
    if (!streamed) {
        FLastResult = std::make_unique<TResult>(res, FHandle);
        mysql_free_result(res);
        return FLastResult.get();
    }
    // Rows are streamed straight into the block, so the library never holds a second full copy.
    // The server counts the rows of a result set as its affected rows; that is what a stored
    // result would report.
    TCopied copied = CopyStreamed(res, FHandle, arrival);
    mysql_free_result(res);
    if (copied.End == TCopyEnd::Failed) {
        // A transfer that broke off is a failed statement: no partial rows, the library's error kept.
        FLastResult.reset(new TResult(nullptr, FHandle, -1));
    } else {
        const int rows = static_cast<int>(static_cast<std::uint32_t>(copied.Block->RowCount()));
        FLastResult.reset(new TResult(std::move(copied.Block), FHandle, rows));
        if (copied.End == TCopyEnd::Stopped) {
            FLastResult->Stopped = true;
            FLastResult->StopReason = std::move(copied.StopReason);
            FLastResult->FErrorText.clear();
        }
    }
    return FLastResult.get();
}

TResult* TMySql::Execute(std::string_view sql) {
    const auto t0 = std::chrono::steady_clock::now();
    FMoreResults.clear();
    if (FHandle) {
        ClearStatementStop(FHandle);
        Send(FHandle, sql);
    }
    MYSQL_RES* res = FHandle ? mysql_use_result(FHandle) : nullptr;
    TResult* r = res ? Store(res, true, FArrival) : Store(nullptr, false);
    if (r->Stopped) {
        // What else the statement would have sent is read and dropped: the user stopped it.
        DrainResults(FHandle);
    } else {
        // A procedure sends a result for each of its statements that returns rows, then reports
        // its own outcome: when that is an error, the statement failed, whatever its first result
        // looked like.
        const bool rest = FHandle && ReadMoreResults(FHandle, [this](MYSQL_RES* more) {
                              TCopied copied = CopyStreamed(more, FHandle, nullptr);
                              if (copied.End != TCopyEnd::Complete) return false;
                              const int rows =
                                  static_cast<int>(static_cast<std::uint32_t>(copied.Block->RowCount()));
                              FMoreResults.emplace_back(new TResult(std::move(copied.Block), FHandle, rows));
                              return true;
                          });
        if (FHandle && !rest) {
            FMoreResults.clear();
            FLastResult.reset(new TResult(nullptr, FHandle, -1));
            r = FLastResult.get();
        }
    }
    DropDeadTunnel();
    const auto t1 = std::chrono::steady_clock::now();
    r->Duration = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(t1 - t0).count());
    return r;
}

TResult* TMySql::ProcessList() {
    MYSQL_RES* res = FHandle ? ListProcesses(FHandle) : nullptr;
    TResult* r = Store(res, false);
    DropDeadTunnel();
    return r;
}

bool TMySql::CreateDatabase(const std::string& name) {
    if (!FHandle) return false;
    return Send(FHandle, "CREATE DATABASE " + QuoteIdentifier(name));
}

bool TMySql::DropDatabase(const std::string& name) {
    if (!FHandle) return false;
    return Send(FHandle, "DROP DATABASE " + QuoteIdentifier(name));
}

bool TMySql::RefreshGrants() {
    if (!FHandle) return false;
    int ret = 1;
    Drive(
        FHandle, [&] { return mysql_refresh_start(&ret, FHandle, REFRESH_GRANT); },
        [&](int events) { return mysql_refresh_cont(&ret, FHandle, events); });
    return ret == 0;
}
