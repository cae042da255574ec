// Passwords in the desktop keyring, against a real gnome-keyring-daemon on a private session bus
// (support/KeyringSession.cpp): stored, read, moved with a rename, given back to the settings file
// when the host stops using the keyring, removed with the host; and when no keyring answers, the
// password stays in the file and the trouble is told once.

#include "settings/Keyring.h"
#include "HostListRuns.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Kept(const std::string& name) {
    std::string password;
    bool found = false;
    const std::string error = DesktopKeyring().Lookup(name, password, found);
    EXPECT_EQ(error, "");
    return found ? password : "(none)";
}

// A keyring that never answers, as on a desktop without a Secret Service.
class TAbsentKeyring : public TKeyring {
public:
    int Calls = 0;
    std::string Store(const TKeyringEntry&, const std::string&) override { return Fail(); }
    std::string Lookup(const std::string&, std::string&, bool& found) override {
        found = false;
        return Fail();
    }
    std::string Remove(const std::string&) override { return Fail(); }

private:
    std::string Fail() {
        ++Calls;
        return "the desktop keyring did not answer: no Secret Service";
    }
};

using Keyring = HostListFiles;

TEST_F(Keyring, TheDaemonStoresReadsAndRemoves) {
    TKeyring& k = DesktopKeyring();
    EXPECT_EQ(k.Store({"direct", "db.example.org", "ann", 3307}, "s3cret ü"), "");
    EXPECT_EQ(Kept("direct"), "s3cret ü");
    EXPECT_EQ(k.Store({"direct", "db.example.org", "ann", 3307}, "changed"), "");
    EXPECT_EQ(Kept("direct"), "changed") << "one entry a host, replaced";
    EXPECT_EQ(k.Remove("direct"), "");
    EXPECT_EQ(Kept("direct"), "(none)");
    EXPECT_EQ(k.Remove("direct"), "") << "removing what is not there succeeds";
}

TEST_F(Keyring, AHostsPasswordLivesInTheKeyringAndFollowsTheHost) {
    {
        TRun run(FPath);
        auto h = Host("Vault", "db.example.org", 3307);
        h->Password = "vault-pass";
        h->PasswordInKeyring = true;
        run.Hosts.push_back(std::move(h));
        ASSERT_EQ(run.Exit(), "");
        EXPECT_EQ(run.List.KeyringTrouble(), "");
    }
    EXPECT_NE(FileText().find("\"password\"=\"\""), std::string::npos) << FileText();
    EXPECT_EQ(FileText().find("vault-pass"), std::string::npos) << "never in the file";
    EXPECT_NE(FileText().find("\"keyring\"=dword:00000001"), std::string::npos) << FileText();
    EXPECT_EQ(Kept("Vault"), "vault-pass");

    // Read at Connect; renamed without being read, the entry moves with the host.
    {
        TRun run(FPath);
        ASSERT_EQ(run.Hosts.size(), 1u);
        TMySql& h = *run.Hosts[0];
        EXPECT_TRUE(h.PasswordInKeyring);
        EXPECT_EQ(h.Password, "");
        EXPECT_EQ(run.List.ReadPassword(h), "");
        EXPECT_EQ(h.Password, "vault-pass");
    }
    {
        TRun run(FPath);
        run.Hosts[0]->Name = "Vault 2";
        ASSERT_EQ(run.Exit(), "");
    }
    EXPECT_EQ(Kept("Vault"), "(none)");
    EXPECT_EQ(Kept("Vault 2"), "vault-pass");

    // Leaving the keyring: the password comes back into the file, the entry goes.
    {
        TRun run(FPath);
        run.Hosts[0]->PasswordInKeyring = false;
        ASSERT_EQ(run.Exit(), "");
    }
    EXPECT_NE(FileText().find("\"password\"=\"vault-pass\""), std::string::npos) << FileText();
    EXPECT_EQ(Kept("Vault 2"), "(none)");

    // Back in, then the host deleted: its entry goes with it.
    {
        TRun run(FPath);
        run.Hosts[0]->PasswordInKeyring = true;
        ASSERT_EQ(run.Exit(), "");
    }
    EXPECT_EQ(Kept("Vault 2"), "vault-pass");
    {
        TRun run(FPath);
        run.Hosts.clear();
        ASSERT_EQ(run.Exit(), "");
    }
    EXPECT_EQ(Kept("Vault 2"), "(none)");
}

TEST_F(Keyring, WithoutAKeyringThePasswordStaysInTheFileAndTheTroubleIsToldOnce) {
    TAbsentKeyring absent;
    {
        TRegistryStore store(FPath);
        THostList list(store, absent);
        list.Load([](std::unique_ptr<TMySql>) {});
        std::vector<std::unique_ptr<TMySql>> hosts;
        for (const char* name : {"One", "Two"}) {
            auto h = Host(name);
            h->PasswordInKeyring = true;
            hosts.push_back(std::move(h));
        }
        ASSERT_EQ(list.Save(std::move(hosts), {}), "");
        EXPECT_EQ(list.KeyringTrouble(), "the desktop keyring did not answer: no Secret Service");
    }
    EXPECT_NE(FileText().find("\"password\"=\"p-One\""), std::string::npos) << FileText();
    EXPECT_NE(FileText().find("\"password\"=\"p-Two\""), std::string::npos);
    // The next start reads the file's password and does not need the keyring for it.
    TRegistryStore store(FPath);
    THostList list(store, absent);
    std::vector<std::unique_ptr<TMySql>> hosts;
    list.Load([&](std::unique_ptr<TMySql> h) { hosts.push_back(std::move(h)); });
    ASSERT_EQ(hosts.size(), 2u);
    const int calls = absent.Calls;
    EXPECT_EQ(list.ReadPassword(*hosts[0]), "");
    EXPECT_EQ(hosts[0]->Password, "p-One");
    EXPECT_EQ(absent.Calls, calls);
}

} // namespace
