#pragma once
// One running `ssh -N -L` for a connection: started before the library connects, ended with the
// connection. The ssh process dies with the program, also when the program is killed.

#include "server/SshSettings.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

class TServerWaiter;

class TSshTunnel {
public:
    TSshTunnel() = default;
    ~TSshTunnel(); // ends the ssh process
    TSshTunnel(const TSshTunnel&) = delete;
    TSshTunnel& operator=(const TSshTunnel&) = delete;

    enum class TOutcome { Open, Failed, Stopped };
    // Starts ssh forwarding a free loopback port to `host`:`port` as seen from the SSH server and
    // waits through `waiter` until the port listens, ssh gives up or the waiter reports a stop.
    // On failure ErrorText says why in ssh's words and no process is left.
    TOutcome Open(const TSshSettings& ssh, const std::string& host, unsigned port, TServerWaiter& waiter);
    int LocalPort() const { return FLocalPort; }
    // The last line ssh wrote to its error output since the tunnel opened (a forward that failed
    // once the library connected), or why it did not open.
    std::string ErrorText();
    // Reads what ssh wrote meanwhile, so its error output never fills up and stalls it.
    void Drain();
    // The ssh process, 0 once it ended.
    pid_t Process() const { return FPid; }

private:
    // Answers the askpass helper's questions that are waiting, if asking is on; the time the user
    // took is added to `deadline`.
    void ServeQuestions(std::chrono::steady_clock::time_point& deadline);
    bool OpenQuestions(std::vector<std::string>& environment);
    void CloseQuestions();
    void ReadErrors();
    bool Reap(bool wait);
    void End();

    pid_t FPid = 0;
    int FErrors = -1; // the read end of ssh's error output
    int FLocalPort = 0;
    std::string FErrorBytes;
    std::string FLastLine;
    int FExitStatus = -1;
    int FQuestions = -1;      // the askpass helper's socket, listening while asking is on
    std::string FQuestionDir; // its private folder
};
