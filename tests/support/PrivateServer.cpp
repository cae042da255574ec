#include "PrivateServer.h"

#include "Sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v)
        throw std::runtime_error(std::string("private server not configured: ") + name + " is not set");
    return v;
}

std::string PidFile() {
    return Env("KORVANA_FAULT_DIR") + "/mysqld.pid";
}

// A killed server stays a zombie until its parent reaps it; it holds no socket by then.
bool Gone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

} // namespace

namespace PrivateServer {

int Port() {
    return std::stoi(Env("KORVANA_FAULT_PORT"));
}

pid_t Pid() {
    std::ifstream in(PidFile());
    long pid = 0;
    if (!(in >> pid) || pid <= 0 || Gone(pid_t(pid))) return 0;
    return pid_t(pid);
}

void Start() {
    if (Pid() != 0) return;
    std::remove(PidFile().c_str()); // left by a killed server, it would read as running
    const std::string command = "KORVANA_SANDBOX_DIR='" + Env("KORVANA_FAULT_DIR") +
                                "' KORVANA_SANDBOX_PORT=" + std::to_string(Port()) + " '" +
                                Env("KORVANA_SANDBOX_SCRIPT") + "' start >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << "the private server did not start";
}

void Signal(int signal) {
    const pid_t pid = Pid();
    ASSERT_NE(pid, 0) << "the private server does not run";
    ASSERT_EQ(::kill(pid, signal), 0);
    if (signal != SIGKILL) return;
    for (int i = 0; i < 500 && !Gone(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(Gone(pid));
}

std::unique_ptr<TMySql> Host(const std::string& name) {
    auto m = SandboxHost(name);
    m->Host = "127.0.0.1";
    m->Port = Port();
    return m;
}

} // namespace PrivateServer
