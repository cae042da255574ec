// A desktop without a keyring (no session bus answers): a host that asks for the keyring keeps its
// password in the settings file, and the save says why once.

#include "HostListRuns.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using NoKeyring = HostListFiles;

TEST_F(NoKeyring, ThePasswordStaysInTheFileAndTheReasonIsGivenOnce) {
    // Before libsecret first looks for the bus.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/korvana-no-bus", 1);
    unsetenv("DISPLAY");
    {
        TRun run(FPath);
        for (const char* name : {"One", "Two"}) {
            auto h = Host(name);
            h->PasswordInKeyring = true;
            run.Hosts.push_back(std::move(h));
        }
        ASSERT_EQ(run.Exit(), "");
        EXPECT_TRUE(run.List.KeyringTrouble().starts_with("the desktop keyring did not answer: "))
            << run.List.KeyringTrouble();
    }
    EXPECT_NE(FileText().find("\"password\"=\"p-One\""), std::string::npos) << FileText();
    EXPECT_NE(FileText().find("\"password\"=\"p-Two\""), std::string::npos);
    TRun next(FPath);
    ASSERT_EQ(next.Hosts.size(), 2u);
    EXPECT_TRUE(next.Hosts[0]->PasswordInKeyring) << "the choice stays, for a desktop that has a keyring";
    EXPECT_EQ(next.List.ReadPassword(*next.Hosts[0]), "");
    EXPECT_EQ(next.Hosts[0]->Password, "p-One");
}

} // namespace
