#pragma once
// Access to the sandbox MariaDB server for tests. The connection settings come from the
// environment that CTest sets; a test that cannot reach the server fails, it never skips.

#include "server/MySql.h"

#include <memory>
#include <string>

struct SandboxLogin {
    std::string Host;
    int Port = 0;
    std::string User;
    std::string Password;
};

// The sandbox login; fails the current test (fatally, by exception) when the environment lacks it.
SandboxLogin Sandbox();

// A new, unconnected TMySql with the sandbox settings.
std::unique_ptr<TMySql> SandboxHost(const std::string& name = "sandbox");

// A TMySql connected to the sandbox; fails the test when connecting fails.
std::unique_ptr<TMySql> ConnectedSandbox();

// A database of its own for one test, with a unique name; dropped again on destruction.
class TempDatabase {
public:
    explicit TempDatabase(const std::string& stem = "t");
    ~TempDatabase();
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    const std::string& Name() const { return FName; }
    // Runs statements inside this database on the helper's own connection; fails the test on error.
    void Run(const std::string& sql);
    TMySql& Admin() { return *FAdmin; }

private:
    std::unique_ptr<TMySql> FAdmin;
    std::string FName;
};
