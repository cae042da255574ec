// korvana-askpass: the prompt program ssh runs (SSH_ASKPASS) when a tunnel of Korvana needs a
// passphrase or a password. It asks nothing itself: it hands ssh's prompt to the Korvana that
// started the tunnel, over the socket named in KORVANA_ASKPASS_SOCKET, and prints the answer the
// user gave there for ssh to read. Exit status 1 when the user declined or nobody asked.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool SendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const char* path = std::getenv("KORVANA_ASKPASS_SOCKET");
    if (!path || !*path) {
        std::fputs("korvana-askpass: ssh runs this for Korvana; there is nothing to ask here\n", stderr);
        return 1;
    }
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    if (std::strlen(path) >= sizeof a.sun_path) return 1;
    std::strcpy(a.sun_path, path);
    const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0 || connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return 1;

    // ssh tells a notice ("none") or a yes/no question ("confirm") from a question to answer.
    const char* kind = std::getenv("SSH_ASKPASS_PROMPT");
    std::string request = kind ? kind : "";
    request += '\n';
    if (argc > 1) request += argv[1];
    if (!SendAll(s, request) || shutdown(s, SHUT_WR) != 0) return 1;

    std::string reply;
    char buffer[512];
    for (;;) {
        const ssize_t n = read(s, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    close(s);
    explicit_bzero(buffer, sizeof buffer);
    int status = 1;
    if (!reply.empty() && reply[0] == '1') {
        reply += '\n';
        status = std::fwrite(reply.data() + 1, 1, reply.size() - 1, stdout) == reply.size() - 1 &&
                         std::fflush(stdout) == 0
                     ? 0
                     : 1;
    }
    explicit_bzero(reply.data(), reply.size());
    return status;
}
