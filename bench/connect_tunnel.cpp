// How long Connect takes through an SSH tunnel (the system's ssh, a private sshd on loopback)
// beside plain Connect to the same server in the same run, in turns; and through a ProxyJump, which
// makes two SSH logins. The server is the benchmark sandbox with no user tables, so the figures are
// the tunnel's own cost: starting ssh, its login, the forward, one more hop for every byte.
//
//   connect_tunnel [runs]
// KORVANA_SSH_DIR, KORVANA_SSH_PORT: the SSH servers of tests/support/ssh-server (scripts/bench
// starts them).

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) {
        std::fprintf(stderr, "%s is not set: run through scripts/bench, which starts the SSH servers\n",
                     name);
        std::exit(1);
    }
    return v;
}

// One Connect with its catalogue and a statement through it, then Disconnect (which ends ssh).
double ConnectMs(const bench::Login& l, const TSshSettings& ssh) {
    TMySql m;
    bench::UseLogin(m, l);
    m.Ssh = ssh;
    const double ms = bench::ConnectMs(m);
    if (m.Execute("SELECT 1")->Rows.Count() != 1) {
        std::fprintf(stderr, "statement failed through the tunnel\n");
        std::exit(1);
    }
    return ms;
}

// The reference for the tunnel's own share: one ssh login to the same SSH server that runs `true`
// and ends, with the tunnel's options, from the shell.
double SshLoginMs(const std::string& dir, int port) {
    const std::string command = "ssh -F '" + dir + "/ssh_config' -o BatchMode=yes -o ControlPath=none -p " +
                                std::to_string(port) + " -i '" + dir + "/client_key' 127.0.0.1 true";
    const double t0 = bench::NowMs();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "ssh login failed: %s\n", command.c_str());
        std::exit(1);
    }
    return bench::NowMs() - t0;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    const bench::Login login = bench::SandboxLogin();
    const std::string dir = Env("KORVANA_SSH_DIR");
    setenv("KORVANA_SSH_CONFIG", (dir + "/ssh_config").c_str(), 1);
    const TSshSettings direct{"127.0.0.1", std::atoi(Env("KORVANA_SSH_PORT").c_str()), "",
                              dir + "/client_key"};
    const TSshSettings jump{"korvana-behind-jump", 0, "", ""};

    std::vector<double> plain, tunnel, jumped, login1;
    ConnectMs(login, direct); // the first ssh start reads its files from disk
    for (int i = 0; i < runs; ++i) {
        plain.push_back(ConnectMs(login, {}));
        tunnel.push_back(ConnectMs(login, direct));
        jumped.push_back(ConnectMs(login, jump));
        login1.push_back(SshLoginMs(dir, direct.Port));
    }
    const double p = bench::Median(plain), t = bench::Median(tunnel), j = bench::Median(jumped);
    std::printf("connect_tunnel: Connect through an SSH tunnel vs plain Connect, same server, medians of %d "
                "runs\n",
                runs);
    std::printf("%-28s %12s %10s\n", "connect", "ms", "vs plain");
    std::printf("%-28s %12.1f %10s\n", "plain", p, "1.00");
    std::printf("%-28s %12.1f %10.2f   (+%.1f ms)\n", "through ssh -L", t, t / p, t - p);
    std::printf("%-28s %12.1f %10.2f   (+%.1f ms)\n", "through ssh -L, ProxyJump", j, j / p, j - p);
    std::printf("%-28s %12.1f %10s   (reference: the tunnel's share of Connect, %.1f ms, is %.2f of it)\n",
                "ssh login running `true`", bench::Median(login1), "", t - p,
                (t - p) / bench::Median(login1));
    return 0;
}
