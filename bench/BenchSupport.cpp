#include "BenchSupport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

std::size_t StatusField(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string k = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(k, 0) == 0) return std::stoul(line.substr(k.size())) * 1024;
    return 0;
}

void Run(TMySql& m, const std::string& sql) {
    TResult* r = m.Execute(sql);
    if (r->AffectedRows == -1 && !r->ErrorText().empty()) {
        std::fprintf(stderr, "statement failed: %s\n  %s\n", sql.c_str(), r->ErrorText().c_str());
        std::exit(1);
    }
}

} // namespace

Login SandboxLogin() {
    Login l;
    l.Host = EnvOr("KORVANA_BENCH_HOST", l.Host);
    l.Port = std::stoi(EnvOr("KORVANA_BENCH_PORT", KORVANA_DEFAULT_BENCH_PORT));
    l.User = EnvOr("KORVANA_BENCH_USER", l.User);
    l.Password = EnvOr("KORVANA_BENCH_PASSWORD", l.Password);
    return l;
}

void UseLogin(TMySql& m, const Login& l) {
    m.Host = l.Host;
    m.Port = l.Port;
    m.User = l.User;
    m.Password = l.Password;
}

double ConnectMs(TMySql& m) {
    const double t0 = NowMs();
    const bool ok = m.Connect();
    const double ms = NowMs() - t0;
    if (!ok) {
        std::fprintf(stderr, "connect failed: %s\n", m.ErrorText().c_str());
        std::exit(1);
    }
    return ms;
}

std::unique_ptr<TMySql> Connect(const Login& l) {
    auto m = std::make_unique<TMySql>();
    UseLogin(*m, l);
    if (!m->Connect()) {
        std::fprintf(stderr,
                     "cannot reach the sandbox server on %s:%d: %s\n"
                     "run the benchmarks with scripts/bench, which starts it\n",
                     l.Host.c_str(), l.Port, m->ErrorText().c_str());
        std::exit(1);
    }
    return m;
}

void EnsureBigTable(TMySql& m, long rows) {
    Run(m, "CREATE DATABASE IF NOT EXISTS korvana_bench");
    // The sequence tables below live in the current database, which must be a real one.
    Run(m, "USE korvana_bench");
    TResult* r = m.Execute(std::string("SELECT COUNT(*) FROM ") + BigTable);
    if (r->Rows.Count() == 1 && std::string(r->Rows.Items(0).Values(0)) == std::to_string(rows)) return;
    std::fprintf(stderr, "filling %s with %ld rows...\n", BigTable, rows);
    Run(m, std::string("DROP TABLE IF EXISTS ") + BigTable);
    Run(m, std::string("CREATE TABLE ") + BigTable +
               " (id INT PRIMARY KEY, k INT, name VARCHAR(40), email VARCHAR(60), amount DECIMAL(10,2),"
               " created DATETIME, status VARCHAR(10), note VARCHAR(60)) ENGINE=InnoDB");
    Run(m, std::string("INSERT INTO ") + BigTable +
               " SELECT seq, seq % 1000, CONCAT('customer-', seq), CONCAT('user', seq, '@example.org'),"
               " ROUND(MOD(seq * 1.37, 10000), 2), '2026-01-01 00:00:00' + INTERVAL seq SECOND,"
               " ELT(seq % 3 + 1, 'open', 'paid', 'closed'), REPEAT('x', seq % 40)"
               " FROM seq_1_to_" +
               std::to_string(rows));
}

namespace {

// Runs the client with the login and `args`, standard input from `input` (or none), output to
// /dev/null; its wall time in milliseconds, and its peak resident size in bytes.
double RunClient(const Login& l, const std::vector<std::string>& args, const char* input,
                 std::size_t& peakBytes) {
    const double t0 = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string port = "--port=" + std::to_string(l.Port);
        const std::string host = "--host=" + l.Host;
        const std::string user = "--user=" + l.User;
        // Through the environment, which only this user can read, not the command line.
        if (setenv("MYSQL_PWD", l.Password.c_str(), 1) != 0) _exit(126);
        if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
        if (input && !std::freopen(input, "r", stdin)) _exit(126);
        std::vector<const char*> argv = {"mariadb",    "--no-defaults", "--batch",
                                         host.c_str(), port.c_str(),    user.c_str()};
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        argv.push_back(nullptr);
        execvp("mariadb", const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double t = NowMs() - t0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the mariadb client failed (status %d)\n", status);
        std::exit(1);
    }
    peakBytes = static_cast<std::size_t>(usage.ru_maxrss) * 1024;
    return t;
}

} // namespace

double ClientMilliseconds(const Login& l, const std::string& sql) {
    std::size_t peak = 0;
    return RunClient(l, {"-e", sql}, nullptr, peak);
}

double ClientFirstRowMilliseconds(const Login& l, const std::string& sql) {
    int out[2];
    if (pipe(out) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const double t0 = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        const std::string port = "--port=" + std::to_string(l.Port);
        const std::string host = "--host=" + l.Host;
        const std::string user = "--user=" + l.User;
        if (setenv("MYSQL_PWD", l.Password.c_str(), 1) != 0) _exit(126);
        if (dup2(out[1], STDOUT_FILENO) < 0) _exit(126);
        const char* argv[] = {"mariadb",    "--no-defaults", "--quick", "--batch",   host.c_str(),
                              port.c_str(), user.c_str(),    "-e",      sql.c_str(), nullptr};
        execvp("mariadb", const_cast<char* const*>(argv));
        _exit(127);
    }
    close(out[1]);
    double first = -1;
    int lines = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (first < 0)
            for (ssize_t i = 0; i < n; ++i)
                if (buffer[i] == '\n' && ++lines == 2) {
                    first = NowMs() - t0;
                    break;
                }
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || first < 0) {
        std::fprintf(stderr, "the mariadb client failed (status %d)\n", status);
        std::exit(1);
    }
    return first;
}

double ClientScriptMilliseconds(const Login& l, const std::string& database, const std::string& path,
                                std::size_t& peakBytes) {
    return RunClient(l, {database}, path.c_str(), peakBytes);
}

std::size_t ResidentBytes() {
    return StatusField("VmRSS");
}
std::size_t PeakResidentBytes() {
    return StatusField("VmHWM");
}

void ResetPeak() {
    // Writing 5 to clear_refs resets the peak resident size to the current one.
    std::ofstream("/proc/self/clear_refs") << "5";
}

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace bench
