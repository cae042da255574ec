// The password never crosses an unencrypted connection in clear text, however the server asks for
// it. A scripted server on loopback offers the clear-text methods, at the greeting and by an
// authentication switch, and records every byte the client sends.

#include "server/MySql.h"

#include <gtest/gtest.h>
#include <mysql.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

namespace {

const std::string Secret = "s3cret-PASSWORD-in-clear";

// One connection's worth of a server that greets with `greetPlugin` and, when `switchTo` is set,
// answers the client's login with a switch to that method; then it reads until the client goes.
class TScriptedServer {
public:
    TScriptedServer(std::string greetPlugin, std::string switchTo)
        : FGreet(std::move(greetPlugin)), FSwitch(std::move(switchTo)) {
        FListen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(FListen, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(FListen, 1) != 0 ||
            getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            ADD_FAILURE() << "no loopback socket: " << std::strerror(errno);
        FPort = ntohs(a.sin_port);
        FThread = std::thread([this] { Serve(); });
    }
    ~TScriptedServer() {
        if (FThread.joinable()) FThread.join();
        close(FListen);
    }

    int Port() const { return FPort; }
    // Everything the client sent; complete once the client has closed its connection.
    const std::string& Received() {
        if (FThread.joinable()) FThread.join();
        return FReceived;
    }

private:
    static std::string Packet(unsigned char seq, const std::string& payload) {
        std::string p(4, '\0');
        p[0] = char(payload.size() & 0xFF);
        p[1] = char((payload.size() >> 8) & 0xFF);
        p[2] = char((payload.size() >> 16) & 0xFF);
        p[3] = char(seq);
        return p + payload;
    }

    std::string Greeting() const {
        const std::uint32_t caps = 0x00000001 | 0x00000200 | 0x00008000 | 0x00080000; // long password,
        // protocol 4.1, secure connection, plugin authentication
        std::string g;
        g += char(10);
        g += std::string("5.5.5-10.11.0-scripted") + '\0';
        g += std::string("\x01\x00\x00\x00", 4);
        g += "abcdefgh";
        g += '\0';
        g += char(caps & 0xFF);
        g += char((caps >> 8) & 0xFF);
        g += char(45);
        g += std::string("\x02\x00", 2);
        g += char((caps >> 16) & 0xFF);
        g += char((caps >> 24) & 0xFF);
        g += char(21);
        g += std::string(10, '\0');
        g += std::string("ijklmnopqrst") + '\0';
        g += FGreet + '\0';
        return g;
    }

    // Reads what arrives within three seconds; false when the client has closed or gone quiet.
    bool ReadSome(int fd) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 3000) <= 0) return false;
        char buf[4096];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        FReceived.append(buf, std::size_t(n));
        return true;
    }

    void Serve() {
        pollfd p{FListen, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) return;
        const int fd = accept(FListen, nullptr, nullptr);
        if (fd < 0) return;
        const std::string greeting = Packet(0, Greeting());
        if (write(fd, greeting.data(), greeting.size()) < 0) return;
        if (ReadSome(fd) && !FSwitch.empty()) {
            const std::string change = Packet(2, "\xFE" + FSwitch + '\0' + "abcdefghijklmnopqrst" + '\0');
            if (write(fd, change.data(), change.size()) < 0) return;
        }
        while (ReadSome(fd)) {
        }
        close(fd);
    }

    std::string FGreet;
    std::string FSwitch;
    int FListen = -1;
    int FPort = 0;
    std::thread FThread;
    std::string FReceived;
};

} // namespace

TEST(ClearTextPassword, IsRefusedWhenTheServerAsksForItAtTheGreetingOrBySwitching) {
    for (const auto& [greet, change] : {std::pair<std::string, std::string>{"mysql_clear_password", ""},
                                        {"mysql_native_password", "mysql_clear_password"},
                                        {"dialog", ""},
                                        {"mysql_native_password", "dialog"}}) {
        SCOPED_TRACE(greet + " then " + change);
        TScriptedServer server(greet, change);
        TMySql m;
        m.Host = "127.0.0.1";
        m.Port = server.Port();
        m.User = "someone";
        m.Password = Secret;
        EXPECT_FALSE(m.Connect());
        EXPECT_FALSE(m.ErrorText().empty());
        EXPECT_EQ(m.ErrorText().find(Secret), std::string::npos);
        m.Disconnect();
        EXPECT_EQ(server.Received().find(Secret), std::string::npos) << "the password went out in clear";
    }
}

// The scripted server does catch a client that gives the password away: a bare handle that
// allows the clear-text method sends it as it is.
TEST(ClearTextPassword, ScriptedServerSeesThePasswordOfAClientThatAllowsClearText) {
    TScriptedServer server("mysql_clear_password", "");
    MYSQL* h = mysql_init(nullptr);
    const my_bool on = 1;
    mysql_optionsv(h, MYSQL_ENABLE_CLEARTEXT_PLUGIN, &on);
    EXPECT_EQ(mysql_real_connect(h, "127.0.0.1", "someone", Secret.c_str(), nullptr,
                                 static_cast<unsigned>(server.Port()), nullptr, 0),
              nullptr);
    mysql_close(h);
    EXPECT_NE(server.Received().find(Secret), std::string::npos);
}
