// Waiting on the server without a window: a waiter that asks to stop, the KILL QUERY that follows,
// an abandoned connect, and the connect time-out.

#include "server/ServerWait.h"
#include "Sandbox.h"
#include "SilentListener.h"
#include "server/MySql.h"

#include <mysql.h>

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// A connected sandbox host whose current database is one of its own, where the server's number
// tables (seq_1_to_N) can be read.
std::unique_ptr<TMySql> HostInDatabase(TempDatabase& db, TServerWaiter* waiter = nullptr) {
    auto m = SandboxHost();
    m->SetWaiter(waiter);
    EXPECT_TRUE(m->Connect()) << m->ErrorText();
    m->Execute("USE " + QuoteIdentifier(db.Name()));
    return m;
}

// Waits in poll() and, once armed, reports one stop when the time has come, as a user's Esc would.
class TStopLater : public TServerWaiter {
public:
    void Arm(int ms) {
        FAt = Clock::now() + std::chrono::milliseconds(ms);
        FArmed = true;
    }
    int Waits = 0;
    int Stops = 0;
    Clock::time_point StoppedAt;

    int Wait(int socket, int events, unsigned timeoutMs) override {
        ++Waits;
        const auto limit = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (FArmed && Clock::now() >= FAt) {
                FArmed = false;
                ++Stops;
                StoppedAt = Clock::now();
                return Stop;
            }
            if (const int ready = PollSocket(socket, events, 10)) return ready;
            if ((events & MYSQL_WAIT_TIMEOUT) && Clock::now() >= limit) return MYSQL_WAIT_TIMEOUT;
        }
    }

private:
    bool FArmed = false;
    Clock::time_point FAt;
};

TEST(StoppingAWait, AStatementIsKilledOnTheServerAndTheConnectionStaysUsable) {
    TStopLater waiter;
    auto m = SandboxHost();
    m->SetWaiter(&waiter);
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    const unsigned long thread = m->ThreadId();
    EXPECT_GT(waiter.Waits, 0) << "the connect waited elsewhere";

    waiter.Arm(500);
    TResult* r = m->Execute("SELECT SLEEP(20)");
    EXPECT_EQ(waiter.Stops, 1);
    EXPECT_LT(SecondsSince(waiter.StoppedAt), 1.0) << "from the stop to the statement's end";
    EXPECT_EQ(r->Rows.Count(), 0);
    EXPECT_NE(r->ErrorText().find("interrupted"), std::string::npos) << r->ErrorText();

    EXPECT_TRUE(m->IsAlive());
    EXPECT_EQ(m->ThreadId(), thread);
    r = m->Execute("SELECT 41 + 1");
    ASSERT_EQ(r->Rows.Count(), 1) << r->ErrorText();
    EXPECT_EQ(r->Rows.Items(0).Values(0), "42");
}

TEST(StoppingAWait, AStopWhileTheRowsComeInKeepsTheRowsRead) {
    TStopLater waiter;
    TempDatabase db("arrive");
    auto m = HostInDatabase(db, &waiter);
    const unsigned long thread = m->ThreadId();
    // Rows too large to wait in the server's buffer, coming slowly: some have arrived and more are
    // still to come when the stop comes.
    waiter.Arm(600);
    TResult* r = m->Execute("SELECT seq, REPEAT('x', 100000), SLEEP(0.05) FROM seq_1_to_200");
    EXPECT_EQ(waiter.Stops, 1);
    EXPECT_LT(SecondsSince(waiter.StoppedAt), 1.0) << "from the stop to the statement's end";
    EXPECT_TRUE(r->Stopped);
    EXPECT_TRUE(r->ErrorText().empty()) << r->ErrorText();
    ASSERT_GT(r->Rows.Count(), 0) << "the rows that had arrived were dropped";
    EXPECT_LT(r->Rows.Count(), 200);
    EXPECT_EQ(r->Fields.Count(), 3);
    EXPECT_EQ(r->AffectedRows, r->Rows.Count());
    for (int i = 0; i < r->Rows.Count(); ++i) {
        ASSERT_EQ(r->Rows.Items(i).Values(0), std::to_string(i + 1));
        ASSERT_EQ(r->Rows.Items(i).Values(1).size(), 100000u);
    }
    // Nothing of the stopped statement is left on the connection.
    EXPECT_EQ(m->ThreadId(), thread);
    r = m->Execute("SELECT 1");
    EXPECT_EQ(r->Rows.Count(), 1) << r->ErrorText();
    EXPECT_FALSE(r->Stopped);
}

// Notes each arrival of rows; asks to stop once `stopAfter` rows are in (0: never).
class TArrivals : public TRowsArrival {
public:
    explicit TArrivals(TStopLater* waiter = nullptr, std::size_t stopAfter = 0)
        : FWaiter(waiter), FStopAfter(stopAfter) {}
    void RowsArrived(const std::shared_ptr<const TResultBlock>& block) override {
        Counts.push_back(block->RowCount());
        Blocks.push_back(block.get());
        if (FWaiter && FStopAfter && block->RowCount() >= FStopAfter && !FAsked) {
            FAsked = true;
            FWaiter->Arm(0);
        }
    }
    std::vector<std::size_t> Counts;
    std::vector<const TResultBlock*> Blocks;

private:
    TStopLater* FWaiter;
    std::size_t FStopAfter;
    bool FAsked = false;
};

TEST(RowsArriving, AreHandedOverInGrowingChunksOfTheResultsOwnBlock) {
    TempDatabase db("arrive");
    auto m = HostInDatabase(db, nullptr);
    TArrivals arrivals;
    m->SetRowsArrival(&arrivals);
    // A pause after the first rows: those are handed over before it.
    TResult* r =
        m->Execute("SELECT seq, REPEAT('y', 3000), SLEEP(IF(seq = 100, 0.5, 0)) FROM seq_1_to_20000");
    ASSERT_EQ(r->Rows.Count(), 20000) << r->ErrorText();
    EXPECT_FALSE(r->Stopped);
    ASSERT_GE(arrivals.Counts.size(), 2u);
    EXPECT_GE(arrivals.Counts.front(), 1u);
    EXPECT_TRUE(std::is_sorted(arrivals.Counts.begin(), arrivals.Counts.end()));
    EXPECT_EQ(std::adjacent_find(arrivals.Counts.begin(), arrivals.Counts.end()), arrivals.Counts.end())
        << "handed over twice with no new row";
    EXPECT_LE(arrivals.Counts.back(), 20000u);
    // One of them came during the pause, with the rows before it that had left the server (it
    // holds back at most one buffer of 16 KB).
    EXPECT_NE(std::find_if(arrivals.Counts.begin(), arrivals.Counts.end(),
                           [](std::size_t n) { return n >= 90 && n < 100; }),
              arrivals.Counts.end());
    for (const TResultBlock* b : arrivals.Blocks)
        EXPECT_EQ(b, r->Block().get()) << "the rows shown are not the result's own";

    // Only the first result of a statement is handed over; the others' rows are read as before.
    arrivals.Counts.clear();
    r = m->Execute("SELECT 1");
    EXPECT_EQ(arrivals.Counts, std::vector<std::size_t>({1}));
    m->SetRowsArrival(nullptr);
    r = m->Execute("SELECT 2");
    EXPECT_EQ(arrivals.Counts.size(), 1u);
}

TEST(RowsArriving, ATransferThatFailsAfterRowsWereShownKeepsNone) {
    TempDatabase db("arrive");
    auto m = HostInDatabase(db, nullptr);
    TArrivals arrivals;
    m->SetRowsArrival(&arrivals);
    // Row 150 has a subquery of two rows: the server fails there, after sending the rows before.
    TResult* r = m->Execute("SELECT seq, REPEAT('z', 3000), SLEEP(IF(seq = 149, 0.3, 0)), "
                            "(SELECT seq FROM seq_1_to_2 WHERE seq <= IF(s.seq = 150, 2, 1)) "
                            "FROM seq_1_to_300 s");
    ASSERT_FALSE(arrivals.Counts.empty()) << "no rows were handed over before the failure";
    EXPECT_EQ(r->Rows.Count(), 0);
    EXPECT_EQ(r->Fields.Count(), 0);
    EXPECT_FALSE(r->Stopped);
    EXPECT_NE(r->ErrorText().find("Subquery returns more than 1 row"), std::string::npos) << r->ErrorText();
    r = m->Execute("SELECT 1");
    EXPECT_EQ(r->Rows.Count(), 1) << r->ErrorText();
}

// A result past its budget whose file cannot grow (here a file-size limit, as a full disk would).
TEST(RowsArriving, RowsWithNoRoomLeftStopTheTransferAndAreKept) {
    char folder[] = "/tmp/korvana-full-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    TempDatabase db("arrive");
    auto m = HostInDatabase(db);
    TResultBlock::SetSpill(folder, 1);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit small{rlim_t(6) << 20, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    TResult* r = m->Execute("SELECT seq, REPEAT('f', 1000) FROM seq_1_to_100000");
    setrlimit(RLIMIT_FSIZE, &old);
    TResultBlock::SetSpill({}, 0);

    EXPECT_TRUE(r->Stopped);
    EXPECT_EQ(r->StopReason, std::string("no room for more rows in ") + folder + ": File too large");
    EXPECT_TRUE(r->ErrorText().empty()) << r->ErrorText();
    ASSERT_GT(r->Rows.Count(), 0);
    EXPECT_LT(r->Rows.Count(), 100000);
    for (int i = 0; i < r->Rows.Count(); i += 97)
        ASSERT_EQ(r->Rows.Items(i).Values(0), std::to_string(i + 1));
    EXPECT_EQ(r->Rows.Items(r->Rows.Count() - 1).Values(1), std::string(1000, 'f'));
    r = m->Execute("SELECT 1");
    EXPECT_EQ(r->Rows.Count(), 1) << r->ErrorText();
    // The stopped result let go, its file goes with it.
    EXPECT_EQ(rmdir(folder), 0) << "a spill file was left behind";
}

TEST(RowsArriving, AStopBeforeAnyRowCameIsAFailedStatement) {
    TStopLater waiter;
    TempDatabase db("arrive");
    auto m = HostInDatabase(db, &waiter);
    TArrivals arrivals;
    m->SetRowsArrival(&arrivals);
    waiter.Arm(300);
    TResult* r = m->Execute("SELECT seq, SLEEP(IF(seq = 1, 20, 0)) FROM seq_1_to_5");
    EXPECT_TRUE(arrivals.Counts.empty());
    EXPECT_FALSE(r->Stopped);
    EXPECT_EQ(r->Rows.Count(), 0);
    EXPECT_NE(r->ErrorText().find("interrupted"), std::string::npos) << r->ErrorText();

    // A stop asked for as the rows come in, with no wait after it: the rows read before it stay.
    arrivals = TArrivals(&waiter, 1000);
    m->SetRowsArrival(&arrivals);
    r = m->Execute("SELECT seq, REPEAT('w', 100) FROM seq_1_to_300000");
    EXPECT_TRUE(r->Stopped);
    EXPECT_GE(r->Rows.Count(), 1000);
    EXPECT_LT(r->Rows.Count(), 300000);
    r = m->Execute("SELECT 1");
    EXPECT_EQ(r->Rows.Count(), 1) << r->ErrorText();
}

TEST(StoppingAWait, AConnectIsAbandonedAndSaysSo) {
    TSilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    TStopLater waiter;
    TMySql m;
    m.Host = "127.0.0.1";
    m.Port = silent.Port();
    m.SetWaiter(&waiter);
    waiter.Arm(300);
    const auto t0 = Clock::now();
    EXPECT_FALSE(m.Connect());
    EXPECT_LT(SecondsSince(t0), 2.0);
    EXPECT_EQ(m.ErrorText(), "Stopped by the user");
    EXPECT_FALSE(m.IsAlive());
    EXPECT_EQ(m.Handle(), nullptr);
    EXPECT_EQ(m.Databases(), nullptr);

    // The object connects again as usual afterwards.
    const SandboxLogin l = Sandbox();
    m.Host = l.Host;
    m.Port = l.Port;
    m.User = l.User;
    m.Password = l.Password;
    EXPECT_TRUE(m.Connect()) << m.ErrorText();
    EXPECT_TRUE(m.ErrorText().empty());
}

TEST(ConnectTimeOut, AServerThatNeverGreetsFailsAfterTenSeconds) {
    TSilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    TMySql m;
    m.Host = "127.0.0.1";
    m.Port = silent.Port();
    const auto t0 = Clock::now();
    EXPECT_FALSE(m.Connect());
    const double took = SecondsSince(t0);
    EXPECT_GE(took, 9.5);
    EXPECT_LT(took, 13.0);
    EXPECT_NE(m.ErrorText().find("Lost connection"), std::string::npos) << m.ErrorText();
    EXPECT_FALSE(m.IsAlive());
}

} // namespace
