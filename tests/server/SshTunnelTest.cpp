// Connections through an SSH tunnel, against the private SSH servers of tests/support/ssh-server
// and the sandbox: a statement runs through it (directly and through ProxyJump), each way it can
// fail is told in ssh's own words, Esc abandons a login that hangs, and no ssh process outlives
// its connection: not after Disconnect, not after the object goes, not after the program is killed.

#include "Sandbox.h"
#include "SilentListener.h"
#include "server/MySql.h"
#include "server/ServerWait.h"
#include "server/SshAsk.h"

#include <mysql.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) throw std::runtime_error(std::string(name) + " is not set: run the test through ctest");
    return v;
}

std::string SshDir() {
    return Env("KORVANA_SSH_DIR");
}

struct TProcess {
    int Pid = 0;
    int Parent = 0;
    std::string Name;
    char State = '?';
};

std::map<int, TProcess> Processes() {
    std::map<int, TProcess> all;
    DIR* proc = opendir("/proc");
    if (!proc) return all;
    while (dirent* e = readdir(proc)) {
        const int pid = std::atoi(e->d_name);
        if (pid <= 0) continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // "pid (name) state ppid ...": the name may hold spaces, so it is read up to the last ')'.
        const auto open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        TProcess p;
        p.Pid = pid;
        p.Name = line.substr(open + 1, close - open - 1);
        std::istringstream rest(line.substr(close + 1));
        rest >> p.State >> p.Parent;
        all[pid] = p;
    }
    closedir(proc);
    return all;
}

// The live ssh processes below `root`, at any depth (a ProxyJump's ssh is a child of the tunnel's).
std::vector<int> SshBelow(int root) {
    const auto all = Processes();
    std::vector<int> found;
    std::vector<int> parents{root};
    while (!parents.empty()) {
        const int parent = parents.back();
        parents.pop_back();
        for (const auto& [pid, p] : all)
            if (p.Parent == parent) {
                parents.push_back(pid);
                if (p.Name == "ssh" && p.State != 'Z') found.push_back(pid);
            }
    }
    return found;
}

bool Gone(int pid) {
    const auto all = Processes();
    const auto it = all.find(pid);
    return it == all.end() || it->second.State == 'Z';
}

// Whether every one of `pids` has ended within a few seconds (ssh ends on a signal, not at once).
bool AllGoneSoon(const std::vector<int>& pids) {
    const auto limit = Clock::now() + std::chrono::seconds(10);
    for (;;) {
        bool all = true;
        for (int pid : pids)
            all = all && Gone(pid);
        if (all) return true;
        if (Clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The sandbox through the first SSH server, with the authorized key; the tests' ssh_config keeps
// the user's own files out.
std::unique_ptr<TMySql> TunnelHost() {
    auto m = SandboxHost("through ssh");
    m->Ssh.Host = "127.0.0.1";
    m->Ssh.Port = std::stoi(Env("KORVANA_SSH_PORT"));
    m->Ssh.Key = SshDir() + "/client_key";
    return m;
}

class SshTunnel : public testing::Test {
protected:
    void SetUp() override { UseConfig("ssh_config"); }
    static void UseConfig(const char* name) {
        setenv("KORVANA_SSH_CONFIG", (SshDir() + "/" + name).c_str(), 1);
    }
};

std::string Answer(TMySql& m, const char* sql) {
    TResult* r = m.Execute(sql);
    if (r->Rows.Count() != 1) return "error: " + r->ErrorText();
    return std::string(r->Rows.Items(0).Values(0));
}

int ClosedPort() {
    TSilentListener l; // bound and let go again: nothing listens there now
    return l.Port();
}

TEST_F(SshTunnel, AStatementRunsThroughTheTunnelAndDisconnectEndsSsh) {
    auto m = TunnelHost();
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    EXPECT_TRUE(m->IsAlive());
    EXPECT_EQ(Answer(*m, "SELECT 41 + 1"), "42");
    // The server sees the connection come from the SSH server's side of the tunnel.
    EXPECT_NE(m->HostInfo().find("127.0.0.1"), std::string::npos) << m->HostInfo();
    const std::vector<int> ssh = SshBelow(getpid());
    ASSERT_EQ(ssh.size(), 1U);
    EXPECT_EQ(ssh[0], m->TunnelProcess());

    m->Disconnect();
    EXPECT_FALSE(m->IsAlive());
    EXPECT_EQ(m->TunnelProcess(), 0);
    EXPECT_TRUE(AllGoneSoon(ssh));
    // Connect again makes a new tunnel.
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    EXPECT_EQ(Answer(*m, "SELECT 'again'"), "again");
}

TEST_F(SshTunnel, ProxyJumpFromTheConfigWorksAndBothSshGoWithTheObject) {
    auto m = SandboxHost("behind a jump host");
    m->Ssh.Host = "korvana-behind-jump"; // an alias of the config, reached through korvana-jump
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    EXPECT_EQ(Answer(*m, "SELECT 6 * 7"), "42");
    const std::vector<int> ssh = SshBelow(getpid());
    EXPECT_EQ(ssh.size(), 2U) << "the tunnel's ssh and the jump's";
    m.reset(); // as at the program's end
    EXPECT_TRUE(AllGoneSoon(ssh));
}

TEST_F(SshTunnel, AStopDuringAStatementKillsItThroughTheTunnelAndTheConnectionStays) {
    // The KILL QUERY goes over a second connection, which must find the tunnel too.
    class TStopOnce : public TServerWaiter {
    public:
        Clock::time_point At = Clock::time_point::max();
        int Wait(int socket, int events, unsigned timeoutMs) override {
            const auto limit = Clock::now() + std::chrono::milliseconds(timeoutMs);
            for (;;) {
                if (Clock::now() >= At) {
                    At = Clock::time_point::max();
                    return Stop;
                }
                if (const int ready = PollSocket(socket, events, 10)) return ready;
                if ((events & MYSQL_WAIT_TIMEOUT) && Clock::now() >= limit) return MYSQL_WAIT_TIMEOUT;
            }
        }
    } waiter;
    auto m = TunnelHost();
    m->SetWaiter(&waiter);
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    waiter.At = Clock::now() + std::chrono::milliseconds(300);
    TResult* r = m->Execute("SELECT SLEEP(20)");
    EXPECT_NE(r->ErrorText().find("interrupted"), std::string::npos) << r->ErrorText();
    EXPECT_EQ(Answer(*m, "SELECT 'still here'"), "still here");
}

TEST_F(SshTunnel, EachFailureIsToldInSshsWordsAndLeavesNoProcess) {
    struct TCase {
        const char* What;
        const char* Config;
        void (*Change)(TMySql&);
        const char* Said; // the end of ssh's last line
    };
    const TCase cases[] = {
        {"a key the server does not know", "ssh_config",
         [](TMySql& m) { m.Ssh.Key = SshDir() + "/other_key"; }, "Permission denied (publickey)."},
        {"no known host key", "ssh_config_unknown", [](TMySql&) {}, "Host key verification failed."},
        {"a name that does not resolve", "ssh_config",
         [](TMySql& m) { m.Ssh.Host = "korvana-no-such-host.invalid"; },
         "Could not resolve hostname korvana-no-such-host.invalid: Name or service not known"},
        {"nothing listens on the SSH port", "ssh_config", [](TMySql& m) { m.Ssh.Port = ClosedPort(); },
         "Connection refused"},
        {"the server is not reachable from the SSH server", "ssh_config",
         [](TMySql& m) { m.Port = ClosedPort(); }, "open failed: connect failed: Connection refused"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        UseConfig(c.Config);
        auto m = TunnelHost();
        c.Change(*m);
        EXPECT_FALSE(m->Connect());
        EXPECT_FALSE(m->IsAlive());
        const std::string said = m->ErrorText();
        EXPECT_TRUE(said.size() >= std::string(c.Said).size() &&
                    said.compare(said.size() - std::string(c.Said).size(), std::string::npos, c.Said) == 0)
            << said;
        EXPECT_EQ(said.find('\n'), std::string::npos) << said;
        EXPECT_EQ(m->TunnelProcess(), 0);
        EXPECT_TRUE(SshBelow(getpid()).empty());
    }
}

TEST_F(SshTunnel, AnSshHostThatLooksLikeAnOptionIsAHostName) {
    const std::string marker = SshDir() + "/option-ran-" + std::to_string(getpid());
    auto m = TunnelHost();
    m->Ssh.Host = "-oProxyCommand=touch " + marker;
    EXPECT_FALSE(m->Connect());
    // ssh judged it as a host name (and refused it), not as one of its options.
    EXPECT_NE(m->ErrorText().find("hostname"), std::string::npos) << m->ErrorText();
    EXPECT_NE(access(marker.c_str(), F_OK), 0) << "ssh took the host for an option";
}

TEST_F(SshTunnel, EscAbandonsALoginToAServerThatNeverAnswers) {
    class TStopAfter : public TServerWaiter {
    public:
        Clock::time_point At;
        int Stops = 0;
        int Wait(int socket, int events, unsigned timeoutMs) override {
            const auto limit = Clock::now() + std::chrono::milliseconds(timeoutMs);
            for (;;) {
                if (Stops == 0 && Clock::now() >= At) {
                    ++Stops;
                    return Stop;
                }
                if (const int ready = PollSocket(socket, events, 5)) return ready;
                if ((events & MYSQL_WAIT_TIMEOUT) && Clock::now() >= limit) return MYSQL_WAIT_TIMEOUT;
            }
        }
    } waiter;
    TSilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    auto m = TunnelHost();
    m->Ssh.Port = silent.Port();
    m->SetWaiter(&waiter);
    const auto t0 = Clock::now();
    waiter.At = t0 + std::chrono::milliseconds(500);
    EXPECT_FALSE(m->Connect());
    EXPECT_EQ(waiter.Stops, 1);
    // ssh itself would give up only after its 10-second ConnectTimeout.
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 5.0);
    EXPECT_EQ(m->ErrorText(), "Stopped by the user");
    EXPECT_FALSE(m->IsAlive());
    EXPECT_TRUE(SshBelow(getpid()).empty());
}

TEST_F(SshTunnel, ATunnelThatDiesFailsTheNextStatementAndIsNotConnected) {
    auto m = TunnelHost();
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    const int ssh = m->TunnelProcess();
    ASSERT_GT(ssh, 0);
    kill(ssh, SIGKILL);
    TResult* r = m->Execute("SELECT 1");
    EXPECT_EQ(r->Rows.Count(), 0);
    EXPECT_FALSE(r->ErrorText().empty());
    EXPECT_FALSE(m->IsAlive());
    EXPECT_EQ(m->TunnelProcess(), 0) << "the dead ssh is reaped";
    EXPECT_TRUE(Gone(ssh));
}

// Answers ssh's questions from a script and records them.
class TScriptedAsker : public TSshAsker {
public:
    std::vector<std::optional<std::string>> Answers;
    std::vector<std::string> Prompts;
    std::optional<std::string> Ask(const std::string& prompt) override {
        Prompts.push_back(prompt);
        if (Answers.empty()) return std::nullopt;
        auto a = Answers.front();
        Answers.erase(Answers.begin());
        return a;
    }
};

class SshAsking : public SshTunnel {
protected:
    void SetUp() override {
        SshTunnel::SetUp();
        SetSshAsker(&Asker);
        SetSshAskpassProgram(Env("KORVANA_ASKPASS"));
    }
    void TearDown() override {
        SetSshAsker(nullptr);
        SetSshAskpassProgram({});
    }
    TScriptedAsker Asker;
};

TEST_F(SshAsking, AKeysPassphraseIsAskedAndTheAnswerOpensTheTunnel) {
    auto m = TunnelHost();
    m->Ssh.Key = SshDir() + "/locked_key";
    Asker.Answers = {"korvana-passphrase"};
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    ASSERT_EQ(Asker.Prompts.size(), 1U);
    EXPECT_NE(Asker.Prompts[0].find("passphrase"), std::string::npos) << Asker.Prompts[0];
    EXPECT_NE(Asker.Prompts[0].find("locked_key"), std::string::npos) << Asker.Prompts[0];
    EXPECT_EQ(Answer(*m, "SELECT 'unlocked'"), "unlocked");
    m->Disconnect();

    // Declined, and a wrong passphrase: ssh gives up with its own words.
    for (const std::optional<std::string>& answer :
         {std::optional<std::string>(), std::optional<std::string>("wrong")}) {
        Asker.Prompts.clear();
        Asker.Answers = {answer, answer, answer};
        auto again = TunnelHost();
        again->Ssh.Key = SshDir() + "/locked_key";
        EXPECT_FALSE(again->Connect());
        EXPECT_FALSE(Asker.Prompts.empty());
        EXPECT_NE(again->ErrorText().find("Permission denied (publickey)"), std::string::npos)
            << again->ErrorText();
        EXPECT_TRUE(SshBelow(getpid()).empty());
    }
}

TEST_F(SshAsking, AnUnknownHostKeyIsRefusedWithoutAskingEvenWhenAskingIsPossible) {
    // ssh's default asks whether to accept the key; the question never reaches the user.
    for (const char* config : {"ssh_config_ask", "ssh_config_unknown"}) {
        SCOPED_TRACE(config);
        UseConfig(config);
        // Should the question reach the asker, it would say yes.
        Asker.Answers = {"yes", "yes"};
        Asker.Prompts.clear();
        auto m = TunnelHost();
        EXPECT_FALSE(m->Connect());
        EXPECT_TRUE(Asker.Prompts.empty()) << Asker.Prompts[0];
        EXPECT_NE(m->ErrorText().find("Host key verification failed."), std::string::npos) << m->ErrorText();
        std::ifstream known(SshDir() + "/empty_known_hosts");
        EXPECT_EQ(known.peek(), std::ifstream::traits_type::eof()) << "the key was added to known_hosts";
    }
}

TEST_F(SshAsking, WithoutAnAskerAKeyThatNeedsAPassphraseFailsAtOnce) {
    SetSshAsker(nullptr);
    auto m = TunnelHost();
    m->Ssh.Key = SshDir() + "/locked_key";
    EXPECT_FALSE(m->Connect());
    EXPECT_NE(m->ErrorText().find("Permission denied (publickey)"), std::string::npos) << m->ErrorText();
}

TEST_F(SshTunnel, SshEndsWhenTheProgramIsKilled) {
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        // The "program": connects through a jump host, tells its ssh processes, and waits to be killed.
        close(report[0]);
        auto m = SandboxHost();
        m->Ssh.Host = "korvana-behind-jump";
        if (!m->Connect()) _exit(2);
        std::string pids;
        for (int pid : SshBelow(getpid()))
            pids += std::to_string(pid) + " ";
        pids += "\n";
        if (write(report[1], pids.data(), pids.size()) < 0) _exit(3);
        for (;;)
            pause();
    }
    close(report[1]);
    pollfd p{report[0], POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 30000), 1) << "the program did not connect";
    char buffer[256] = {};
    ASSERT_GT(read(report[0], buffer, sizeof buffer - 1), 0) << "the program failed to connect";
    close(report[0]);
    std::vector<int> ssh;
    std::istringstream in(buffer);
    for (int pid; in >> pid;)
        ssh.push_back(pid);
    EXPECT_EQ(ssh.size(), 2U);

    kill(program, SIGKILL);
    waitpid(program, nullptr, 0);
    EXPECT_TRUE(AllGoneSoon(ssh));
}

} // namespace
