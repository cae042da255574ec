#include "server/internal/SshTunnel.h"

#include "server/ServerWait.h"
#include "server/SshAsk.h"

#include <mysql.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// An SSH login that takes longer than this (a server that accepts and then stalls) fails; ssh's
// own ConnectTimeout covers the network connect and the greeting.
constexpr auto OpenLimit = std::chrono::seconds(30);
// How long ssh may take to end on SIGTERM before it is killed.
constexpr auto EndLimit = std::chrono::seconds(2);

// A loopback port nothing listens on right now. ssh binds it a moment later; should another
// process take it first, ssh fails with its own message (ExitOnForwardFailure).
int FreeLoopbackPort() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(s);
    return port;
}

// Whether process `pid` holds the socket with inode `inode`.
bool Holds(pid_t pid, unsigned long inode) {
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* fds = opendir(folder.c_str());
    if (!fds) return false;
    const std::string wanted = "socket:[" + std::to_string(inode) + "]";
    bool held = false;
    char target[64];
    while (!held)
        if (const dirent* e = readdir(fds)) {
            const ssize_t n = readlink((folder + "/" + e->d_name).c_str(), target, sizeof target);
            held = n > 0 && std::string_view(target, static_cast<std::size_t>(n)) == wanted;
        } else {
            break;
        }
    closedir(fds);
    return held;
}

// Whether ssh (`pid`) listens on 127.0.0.1:`port`, read from the kernel's socket table: a local
// test that opens no connection, so the far server never sees a connection that says nothing. A
// listener of another process that took the port first does not count; ssh then gives up.
bool Listening(int port, pid_t pid) {
    FILE* f = std::fopen("/proc/net/tcp", "re");
    if (!f) return false;
    char line[512];
    unsigned long inode = 0;
    constexpr unsigned ListenState = 0x0A;
    constexpr unsigned LoopbackLittleEndian = 0x0100007F;
    while (inode == 0 && std::fgets(line, sizeof line, f)) {
        unsigned address = 0, localPort = 0, state = 0;
        unsigned long node = 0;
        // sl local rem st tx:rx tr:when retrnsmt uid timeout inode
        if (std::sscanf(line, " %*u: %8X:%4X %*8X:%*4X %2X %*X:%*X %*X:%*X %*X %*u %*u %lu", &address,
                        &localPort, &state, &node) == 4 &&
            state == ListenState && address == LoopbackLittleEndian &&
            localPort == static_cast<unsigned>(port))
            inode = node;
    }
    std::fclose(f);
    return inode != 0 && Holds(pid, inode);
}

// The ssh program on PATH, found before forking: the child may only call what is safe there.
std::string FindSsh() {
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/bin:/bin";
    std::size_t from = 0;
    while (from <= dirs.size()) {
        std::size_t to = dirs.find(':', from);
        if (to == std::string::npos) to = dirs.size();
        std::string candidate = dirs.substr(from, to - from);
        candidate += candidate.empty() ? "ssh" : "/ssh";
        struct stat st {};
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        from = to + 1;
    }
    return {};
}

TSshAsker* Asker = nullptr;
std::string AskpassProgram;

// What the askpass helper says: the kind ssh gave it (SSH_ASKPASS_PROMPT: empty for a question
// to answer, "confirm" or "none" for a notice), a line feed, then the prompt. The reply is "1" and
// the answer, or "0" for none.
constexpr int HelperLimitMs = 2000;
constexpr std::size_t LongestQuestion = std::size_t{64} * 1024;

bool ReadAll(int fd, std::string& into) {
    char buffer[1024];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, HelperLimitMs) != 1) return false;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        into.append(buffer, static_cast<std::size_t>(n));
        if (into.size() > LongestQuestion) return false;
    }
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

void Forget(std::string& secret) {
    explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

// A yes/no question about a host key that is not known (or has changed): never answered yes, so
// ssh refuses the key with its own message.
bool IsHostKeyQuestion(const std::string& prompt) {
    return prompt.find("(yes/no") != std::string::npos || prompt.find("fingerprint])") != std::string::npos;
}

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && (s[start] == ' ' || s[start] == '\t'))
        ++start;
    return s.substr(start);
}

// The arguments of the ssh command line for a tunnel from 127.0.0.1:`localPort`, without the
// program name. `config`: an ssh_config file to use instead of the user's, empty for theirs.
// `batch`: ssh may ask nothing.
std::vector<std::string> SshTunnelArguments(const TSshSettings& ssh, const std::string& host, unsigned port,
                                            int localPort, const std::string& config, bool batch) {
    // An address with colons (IPv6) is bracketed, as ssh reads its -L argument.
    const std::string target =
        host.find(':') != std::string::npos && host.front() != '[' ? "[" + host + "]" : host;
    std::vector<std::string> args = {
        "-N",
        // ssh ends when the forward cannot be set up, instead of living on without it.
        "-o", "ExitOnForwardFailure=yes", "-o", "ConnectTimeout=10",
        // An idle tunnel is kept open, and one whose server went away ends within 90 seconds.
        "-o", "ServerAliveInterval=30", "-o", "ServerAliveCountMax=3",
        // No shared master connection: a master started for the tunnel would outlive it, and a
        // forward asked of an existing one would live in that master.
        "-o", "ControlPath=none"};
    // Nothing may ask on a terminal the user does not see: either ssh asks nothing, or it asks
    // through the helper (SSH_ASKPASS_REQUIRE=force), never on the terminal the program came from.
    if (batch) args.insert(args.end(), {"-o", "BatchMode=yes"});
    if (!config.empty()) args.insert(args.end(), {"-F", config});
    if (ssh.Port != 0) args.insert(args.end(), {"-p", std::to_string(ssh.Port)});
    if (!ssh.User.empty()) args.insert(args.end(), {"-l", ssh.User});
    if (!ssh.Key.empty()) args.insert(args.end(), {"-i", ssh.Key});
    args.insert(args.end(),
                {"-L", "127.0.0.1:" + std::to_string(localPort) + ":" + target + ":" + std::to_string(port)});
    // The SSH host is the destination, never an option, whatever it starts with.
    args.insert(args.end(), {"--", ssh.Host});
    return args;
}

} // namespace

void SetSshAsker(TSshAsker* asker) {
    Asker = asker;
}

void SetSshAskpassProgram(std::string path) {
    AskpassProgram = std::move(path);
}

TSshTunnel::~TSshTunnel() {
    End();
}

TSshTunnel::TOutcome TSshTunnel::Open(const TSshSettings& ssh, const std::string& host, unsigned port,
                                      TServerWaiter& waiter) {
    End();
    FErrorBytes.clear();
    FLastLine.clear();
    FExitStatus = -1;
    const std::string program = FindSsh();
    if (program.empty()) {
        FLastLine = "The SSH client ssh is not installed";
        return TOutcome::Failed;
    }
    FLocalPort = FreeLoopbackPort();
    if (FLocalPort == 0) {
        FLastLine = "No free local port for the SSH tunnel";
        return TOutcome::Failed;
    }
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        environment.emplace_back(*e);
    const bool asking = OpenQuestions(environment);
    std::vector<char*> envp;
    envp.reserve(environment.size() + 1);
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    // The tests' way to keep the user's own ssh configuration out.
    const char* config = std::getenv("KORVANA_SSH_CONFIG");
    std::vector<std::string> args = SshTunnelArguments(ssh, host, port, FLocalPort,
                                                       config ? std::string(config) : std::string(), !asking);
    args.insert(args.begin(), "ssh");
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int errors[2];
    if (pipe2(errors, O_CLOEXEC) != 0) {
        CloseQuestions();
        FLastLine = "The SSH tunnel could not be started";
        return TOutcome::Failed;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls that are safe between fork and exec. ssh gets SIGTERM when the program ends in
        // any way, so no tunnel outlives it; its own process group takes a ProxyJump's ssh along.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
        }
        dup2(errors[1], STDERR_FILENO);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(errors[1]);
    if (pid < 0) {
        close(errors[0]);
        CloseQuestions();
        FLastLine = "The SSH tunnel could not be started";
        return TOutcome::Failed;
    }
    setpgid(pid, pid); // also here, so a stop right away reaches the group
    FPid = pid;
    FErrors = errors[0];
    fcntl(FErrors, F_SETFL, fcntl(FErrors, F_GETFL) | O_NONBLOCK);

    // ssh says nothing when the forward listens, so the socket table is looked at between waits for
    // its error output; the looks start close together, as a tunnel on a near server opens fast.
    auto deadline = std::chrono::steady_clock::now() + OpenLimit;
    unsigned intervalMs = 1;
    constexpr unsigned LongestIntervalMs = 20;
    for (;;) {
        ServeQuestions(deadline);
        ReadErrors();
        // Its error output ended: ssh is on its way out, and the pipe is no longer worth a wait.
        const auto limit = std::chrono::steady_clock::now() + EndLimit;
        while (FErrors < 0 && !Reap(false) && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (FErrors < 0 || Reap(false)) {
            ReadErrors();
            if (FLastLine.empty()) FLastLine = "ssh ended with exit status " + std::to_string(FExitStatus);
            End();
            return TOutcome::Failed;
        }
        if (Listening(FLocalPort, FPid)) {
            // What ssh says from now on is about the open tunnel; it has nothing more to ask.
            ReadErrors();
            FLastLine.clear();
            CloseQuestions();
            return TOutcome::Open;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            End();
            FLastLine = "The SSH tunnel did not open within 30 seconds";
            return TOutcome::Failed;
        }
        if (waiter.Wait(FErrors, MYSQL_WAIT_READ | MYSQL_WAIT_TIMEOUT, intervalMs) == TServerWaiter::Stop) {
            End();
            return TOutcome::Stopped;
        }
        intervalMs = std::min(LongestIntervalMs, intervalMs * 2);
    }
}

void TSshTunnel::Drain() {
    ReadErrors();
}

std::string TSshTunnel::ErrorText() {
    if (FErrors >= 0) {
        // A forward that fails is written a moment before ssh closes the local connection.
        constexpr int SettleMs = 20;
        PollSocket(FErrors, MYSQL_WAIT_READ, SettleMs);
        ReadErrors();
    }
    return FLastLine;
}

void TSshTunnel::ReadErrors() {
    if (FErrors < 0) return;
    char buffer[4096];
    bool ended = false;
    for (;;) {
        const ssize_t n = read(FErrors, buffer, sizeof buffer);
        if (n > 0) {
            FErrorBytes.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        ended = n == 0;
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    // Only the last line matters; what comes before it is dropped as it is read.
    std::size_t start = 0;
    for (std::size_t nl; (nl = FErrorBytes.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string line = Trimmed(FErrorBytes.substr(start, nl - start));
        if (!line.empty()) FLastLine = std::move(line);
    }
    FErrorBytes.erase(0, start);
    if (ended) {
        if (std::string rest = Trimmed(FErrorBytes); !rest.empty()) FLastLine = std::move(rest);
        FErrorBytes.clear();
        close(FErrors);
        FErrors = -1;
    }
}

bool TSshTunnel::Reap(bool wait) {
    if (FPid == 0) return true;
    int status = 0;
    pid_t r;
    do
        r = waitpid(FPid, &status, wait ? 0 : WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r == FPid) FExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    FPid = 0;
    return true;
}

void TSshTunnel::End() {
    if (FPid != 0) {
        if (kill(-FPid, SIGTERM) != 0) kill(FPid, SIGTERM);
        const auto limit = std::chrono::steady_clock::now() + EndLimit;
        while (!Reap(false) && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (FPid != 0) {
            if (kill(-FPid, SIGKILL) != 0) kill(FPid, SIGKILL);
            Reap(true);
        }
    }
    if (FErrors >= 0) {
        close(FErrors);
        FErrors = -1;
    }
    CloseQuestions();
}

bool TSshTunnel::OpenQuestions(std::vector<std::string>& environment) {
    if (!Asker || AskpassProgram.empty()) return false;
    // A folder only this user may enter: nobody else can put a question to the user through it.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = std::string(runtime && *runtime ? runtime : "/tmp") + "/korvana-ssh-XXXXXX";
    if (!mkdtemp(folder.data())) return false;
    FQuestionDir = folder;
    const std::string path = folder + "/askpass";
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    if (path.size() >= sizeof a.sun_path) {
        CloseQuestions();
        return false;
    }
    std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
    FQuestions = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (FQuestions < 0 || bind(FQuestions, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(FQuestions, 4) != 0) {
        CloseQuestions();
        return false;
    }
    std::erase_if(environment, [](const std::string& e) {
        return e.starts_with("SSH_ASKPASS=") || e.starts_with("SSH_ASKPASS_REQUIRE=") ||
               e.starts_with("KORVANA_ASKPASS_SOCKET=");
    });
    environment.push_back("SSH_ASKPASS=" + AskpassProgram);
    environment.push_back("SSH_ASKPASS_REQUIRE=force");
    environment.push_back("KORVANA_ASKPASS_SOCKET=" + path);
    return true;
}

void TSshTunnel::CloseQuestions() {
    if (FQuestions >= 0) {
        close(FQuestions);
        FQuestions = -1;
    }
    if (!FQuestionDir.empty()) {
        unlink((FQuestionDir + "/askpass").c_str());
        rmdir(FQuestionDir.c_str());
        FQuestionDir.clear();
    }
}

void TSshTunnel::ServeQuestions(std::chrono::steady_clock::time_point& deadline) {
    if (FQuestions < 0) return;
    for (;;) {
        const int helper = accept4(FQuestions, nullptr, nullptr, SOCK_CLOEXEC);
        if (helper < 0) return;
        std::string request;
        std::string reply = "0";
        if (ReadAll(helper, request)) {
            const std::size_t nl = request.find('\n');
            const std::string kind = nl == std::string::npos ? std::string() : request.substr(0, nl);
            const std::string prompt = nl == std::string::npos ? request : request.substr(nl + 1);
            // Only questions that want an answer typed in reach the user; a notice (a security key
            // waiting for a touch) needs none, and a host key is never accepted from here.
            if (kind.empty() && !IsHostKeyQuestion(prompt)) {
                const auto asked = std::chrono::steady_clock::now();
                if (std::optional<std::string> answer = Asker->Ask(prompt)) {
                    reply = "1" + *answer;
                    Forget(*answer);
                }
                deadline += std::chrono::steady_clock::now() - asked;
            }
        }
        WriteAll(helper, reply);
        Forget(reply);
        close(helper);
    }
}
