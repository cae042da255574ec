#include "Sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v)
        throw std::runtime_error(std::string("sandbox server not configured: ") + name +
                                 " is not set (run the tests through ctest)");
    return v;
}

} // namespace

SandboxLogin Sandbox() {
    SandboxLogin l;
    l.Host = Env("KORVANA_TEST_HOST");
    l.Port = std::stoi(Env("KORVANA_TEST_PORT"));
    l.User = Env("KORVANA_TEST_USER");
    l.Password = Env("KORVANA_TEST_PASSWORD");
    return l;
}

std::unique_ptr<TMySql> SandboxHost(const std::string& name) {
    const SandboxLogin l = Sandbox();
    auto m = std::make_unique<TMySql>();
    m->Name = name;
    m->Host = l.Host;
    m->Port = l.Port;
    m->User = l.User;
    m->Password = l.Password;
    return m;
}

std::unique_ptr<TMySql> ConnectedSandbox() {
    auto m = SandboxHost();
    if (!m->Connect()) throw std::runtime_error("cannot reach the sandbox server: " + m->ErrorText());
    return m;
}

TempDatabase::TempDatabase(const std::string& stem) {
    static std::atomic<int> counter{0};
    FName = "korvana_" + stem + "_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    FAdmin = ConnectedSandbox();
    Run("DROP DATABASE IF EXISTS " + QuoteIdentifier(FName));
    Run("CREATE DATABASE " + QuoteIdentifier(FName));
}

TempDatabase::~TempDatabase() {
    if (FAdmin && FAdmin->IsAlive()) FAdmin->Execute("DROP DATABASE IF EXISTS " + QuoteIdentifier(FName));
}

void TempDatabase::Run(const std::string& sql) {
    FAdmin->Execute("USE " + QuoteIdentifier(FName));
    TResult* r = FAdmin->Execute(sql);
    const std::string err = r->ErrorText();
    if (r->AffectedRows == -1 && !err.empty())
        throw std::runtime_error("statement failed: " + sql + ": " + err);
}
