// Waiting on the server without a window: a waiter that asks to stop, the KILL QUERY that follows,
// an abandoned connect, and the connect time-out.

#include "server/ServerWait.h"
#include "Sandbox.h"
#include "SilentListener.h"
#include "server/MySql.h"

#include <mysql.h>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
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

TEST(StoppingAWait, AStopWhileTheRowsComeInEndsTheStatementAsAFailure) {
    TStopLater waiter;
    auto m = SandboxHost();
    m->SetWaiter(&waiter);
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    // Rows too large to wait in the server's buffer, coming slowly: some have arrived and more are
    // still to come when the stop comes.
    waiter.Arm(600);
    TResult* r =
        m->Execute("SELECT REPEAT('x', 100000), SLEEP(0.05) FROM information_schema.COLLATIONS LIMIT 200");
    EXPECT_EQ(waiter.Stops, 1);
    EXPECT_LT(SecondsSince(waiter.StoppedAt), 1.0) << "from the stop to the statement's end";
    EXPECT_EQ(r->Rows.Count(), 0) << "a stopped transfer keeps no partial rows";
    EXPECT_FALSE(r->ErrorText().empty());
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
