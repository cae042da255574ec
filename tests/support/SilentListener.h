#pragma once
// A loopback TCP port that takes connections and never says a word: a server that hangs before
// its greeting.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class TSilentListener {
public:
    TSilentListener() {
        FSocket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        socklen_t len = sizeof a;
        // The kernel completes the connection from the backlog; nothing is ever sent.
        if (bind(FSocket, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(FSocket, 8) == 0 &&
            getsockname(FSocket, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            FPort = ntohs(a.sin_port);
    }
    ~TSilentListener() { close(FSocket); }
    TSilentListener(const TSilentListener&) = delete;
    TSilentListener& operator=(const TSilentListener&) = delete;

    // 0 when no port could be had.
    int Port() const { return FPort; }

private:
    int FSocket = -1;
    int FPort = 0;
};
