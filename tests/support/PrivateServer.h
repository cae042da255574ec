#pragma once
// A server of a test's own, for faults that would break every other test if done to the shared
// sandbox: killing it, stopping it. CTest starts it before the first such test and stops it after
// the last; the tests that use it never run at the same time (one resource lock).

#include "server/MySql.h"

#include <memory>
#include <string>
#include <sys/types.h>

namespace PrivateServer {

// Starts the server unless it runs (after a kill, it starts again); fails the test when it cannot.
void Start();
// The server's process id, 0 when none runs.
pid_t Pid();
// Sends `signal` to the server; for SIGKILL, waits until the process is gone.
void Signal(int signal);
int Port();

// A new, unconnected TMySql for the private server.
std::unique_ptr<TMySql> Host(const std::string& name = "private");

} // namespace PrivateServer
