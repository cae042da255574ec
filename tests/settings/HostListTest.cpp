// Loading and saving the host list and window placement across simulated program runs.

#include "FileLimits.h"
#include "HostListRuns.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using HostList = HostListFiles;

TEST_F(HostList, AFirstRunWithoutHostsWritesNothingAtAll) {
    {
        TRun run(FPath);
        EXPECT_TRUE(run.Hosts.empty());
        EXPECT_EQ(run.Loaded.Error, "");
        EXPECT_FALSE(run.Loaded.Placement.Width || run.Loaded.Placement.State);
        EXPECT_EQ(run.Exit({10, 10, 640, 480, wsMaximized}), "");
    }
    EXPECT_FALSE(QFile::exists(FPath));
    EXPECT_FALSE(QDir(FDir.path() + "/Tarnvale").exists());
}

TEST_F(HostList, AHostCreatedInARunIsThereWithItsSettingsAndThePlacementAtTheNextStart) {
    {
        TRun run(FPath);
        auto h = Host("Production", "db.example.org", 3307);
        h->Password = "s3cr\"et\\ü";
        run.Hosts.push_back(std::move(h));
        EXPECT_EQ(run.Exit({-8, 20, 1024, 700, wsNormal}), "");
    }
    EXPECT_NE(FileText().find("\"password\"=\"s3cr\\\"et\\\\ü\""), std::string::npos)
        << "plain text, readable";

    TRun next(FPath);
    EXPECT_EQ(next.Loaded.Error, "");
    ASSERT_EQ(next.Names(), std::vector<std::string>{"Production"});
    const TMySql& h = *next.Hosts[0];
    EXPECT_EQ(h.Host, "db.example.org");
    EXPECT_EQ(h.User, "u-Production");
    EXPECT_EQ(h.Password, "s3cr\"et\\ü");
    EXPECT_EQ(h.Port, 3307);
    EXPECT_FALSE(h.IsAlive());
    const TLoadedPlacement& p = next.Loaded.Placement;
    EXPECT_EQ(p.Left, -8);
    EXPECT_EQ(p.Top, 20);
    EXPECT_EQ(p.Width, 1024);
    EXPECT_EQ(p.Height, 700);
    EXPECT_EQ(p.State, wsNormal);
}

TEST_F(HostList, HostsComeBackInTheRegistrysOrderNotTheTreesOrder) {
    std::vector<std::unique_ptr<TMySql>> hosts;
    for (const char* n : {"zeta", "Alpha", "beta"})
        hosts.push_back(Host(n));
    Store(std::move(hosts));
    TRun run(FPath);
    EXPECT_EQ(run.Names(), (std::vector<std::string>{"Alpha", "beta", "zeta"}));
}

TEST_F(HostList, DeletedAndRenamedHostsLoseTheirKeys) {
    std::vector<std::unique_ptr<TMySql>> hosts;
    for (const char* n : {"keep", "delete me", "old name"})
        hosts.push_back(Host(n));
    Store(std::move(hosts));
    {
        TRun run(FPath);
        ASSERT_EQ(run.Names(), (std::vector<std::string>{"delete me", "keep", "old name"}));
        run.Hosts.erase(run.Hosts.begin());
        run.Hosts[1]->Name = "new name";
        EXPECT_EQ(run.Exit(), "");
    }
    TRun run(FPath);
    EXPECT_EQ(run.Names(), (std::vector<std::string>{"keep", "new name"}));
    EXPECT_EQ(run.Hosts[1]->User, "u-old name");
    EXPECT_EQ(FileText().find("delete me"), std::string::npos);
    EXPECT_EQ(FileText().find("old name]"), std::string::npos);
}

TEST_F(HostList, RenamingOnlyInLetterCaseKeepsTheKeyInItsOldCase) {
    Store([] {
        std::vector<std::unique_ptr<TMySql>> v;
        v.push_back(Host("Staging", "old"));
        return v;
    }());
    {
        TRun run(FPath);
        run.Hosts[0]->Name = "STAGING";
        run.Hosts[0]->Host = "new";
        EXPECT_EQ(run.Exit(), "");
    }
    TRun run(FPath);
    ASSERT_EQ(run.Names(), std::vector<std::string>{"Staging"});
    EXPECT_EQ(run.Hosts[0]->Host, "new");
}

TEST_F(HostList, TwoHostsOfOneNameShareOneKeyAndTheLowerOneWins) {
    std::vector<std::unique_ptr<TMySql>> hosts;
    hosts.push_back(Host("Twin", "upper"));
    hosts.push_back(Host("other"));
    hosts.push_back(Host("twin", "lower"));
    Store(std::move(hosts));
    {
        TRun run(FPath);
        ASSERT_EQ(run.Names(), (std::vector<std::string>{"other", "Twin"}));
        EXPECT_EQ(run.Hosts[1]->Host, "lower");
        // Both twins again, "other" gone: the one key is matched once and stays, "other" goes.
        run.Hosts.erase(run.Hosts.begin());
        run.Hosts.push_back(Host("TWIN", "third"));
        EXPECT_EQ(run.Exit(), "");
    }
    TRun run(FPath);
    ASSERT_EQ(run.Names(), std::vector<std::string>{"Twin"});
    EXPECT_EQ(run.Hosts[0]->Host, "third");
}

TEST_F(HostList, AMaximisedWindowSavesState2AndAStrangeStateReadsAsNormal) {
    {
        TRun run(FPath);
        run.Hosts.push_back(Host("a"));
        EXPECT_EQ(run.Exit({0, 0, 1920, 1050, wsMaximized}), "");
    }
    {
        TRun run(FPath);
        EXPECT_EQ(run.Loaded.Placement.State, wsMaximized);
        EXPECT_EQ(run.Loaded.Placement.Width, 1920);
        EXPECT_EQ(run.Exit({0, 0, 100, 100, 7}), "");
    }
    TRun run(FPath);
    EXPECT_EQ(run.Loaded.Error, "");
    EXPECT_EQ(run.Loaded.Placement.State, wsNormal);
    EXPECT_EQ(run.Names(), std::vector<std::string>{"a"});
}

TEST_F(HostList, AMissingPortEndsTheLoadAfterTheHostsReadBeforeIt) {
    std::vector<std::unique_ptr<TMySql>> hosts;
    for (const char* n : {"a", "b", "c"})
        hosts.push_back(Host(n, "h", 1));
    Store(std::move(hosts));
    {
        TRegistryStore store(FPath);
        TRegistry reg(store);
        ASSERT_TRUE(reg.DeleteKey("Software\\Tarnvale\\Korvana\\Hosts\\b"));
        ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts\\b", true));
        reg.WriteString("host", "only a host"); // no user, password or port
    }
    TRun run(FPath);
    EXPECT_EQ(run.Loaded.Error, "Failed to get data for 'port'");
    EXPECT_EQ(run.Names(), std::vector<std::string>{"a"});
    EXPECT_EQ(run.Loaded.Placement.Width, 300);
}

TEST_F(HostList, MissingStringsReadEmpty) {
    {
        TRegistryStore store(FPath);
        TRegistry reg(store);
        WritePlacement(reg);
        ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts\\bare", true));
        reg.WriteInteger("port", 3306);
    }
    TRun run(FPath);
    EXPECT_EQ(run.Loaded.Error, "");
    ASSERT_EQ(run.Names(), std::vector<std::string>{"bare"});
    EXPECT_EQ(run.Hosts[0]->Host, "");
    EXPECT_EQ(run.Hosts[0]->Password, "");
    EXPECT_EQ(run.Hosts[0]->Port, 3306);
}

TEST_F(HostList, AWrongTypeOrMissingPlacementValueLoadsNoHosts) {
    Store([] {
        std::vector<std::unique_ptr<TMySql>> v;
        v.push_back(Host("a"));
        return v;
    }());
    {
        TRegistryStore store(FPath);
        TRegistry reg(store);
        ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana", false));
        reg.WriteString("state", "maximised");
    }
    {
        TRun run(FPath);
        EXPECT_EQ(run.Loaded.Error, "Invalid data type for 'state'");
        EXPECT_TRUE(run.Hosts.empty());
        // What was read before the failure is applied all the same.
        EXPECT_EQ(run.Loaded.Placement.Top, 2);
        EXPECT_FALSE(run.Loaded.Placement.State);
    }
    {
        TRegistryStore store(FPath);
        TRegistry reg(store);
        ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts\\a", false));
        reg.WriteString("port", "3306");
        ASSERT_TRUE(reg.DeleteKey("\\Software\\Tarnvale\\Korvana"));
        ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", true));
        reg.WriteInteger("width", 1);
        reg.WriteInteger("height", 1);
        reg.WriteInteger("left", 1);
    }
    TRun run(FPath);
    EXPECT_EQ(run.Loaded.Error, "Failed to get data for 'top'");
    EXPECT_TRUE(run.Hosts.empty());
}

TEST_F(HostList, AWrongTypedPortIsReportedAsSuch) {
    {
        TRegistryStore store(FPath);
        TRegistry reg(store);
        WritePlacement(reg);
        ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts\\a", true));
        reg.WriteString("port", "3306");
    }
    TRun run(FPath);
    EXPECT_EQ(run.Loaded.Error, "Invalid data type for 'port'");
    EXPECT_TRUE(run.Hosts.empty());
}

TEST_F(HostList, NamesThatCannotBeOneKeyAreStoredUnderAReadableOne) {
    std::vector<std::unique_ptr<TMySql>> hosts;
    hosts.push_back(Host("back\\slash", "one"));
    hosts.push_back(Host("", "two"));
    hosts.push_back(Host("line\nbreak", "three"));
    hosts.push_back(Host("zz last", "four"));
    Store(std::move(hosts));
    for (int run = 0; run < 2; ++run) { // a second save must keep the keys it reads back
        TRun r(FPath);
        EXPECT_EQ(r.Loaded.Error, "");
        EXPECT_EQ(r.Names(), (std::vector<std::string>{"(unnamed)", "back/slash", "line break", "zz last"}));
        EXPECT_EQ(r.Hosts[1]->Host, "one");
        EXPECT_EQ(r.Exit(), "");
    }
}

TEST_F(HostList, AValueThatCannotBeWrittenEndsTheSaveWithItsMessage) {
    std::vector<std::unique_ptr<TMySql>> hosts;
    hosts.push_back(Host("a"));
    hosts.push_back(Host("stale"));
    Store(std::move(hosts));

    TRun run(FPath);
    ASSERT_EQ(run.Hosts.size(), 2u);
    run.Hosts.pop_back();
    run.Hosts[0]->Host = "changed";
    {
        // No new file can be written in full.
        TFileSizeLimit limit(16);
        EXPECT_EQ(run.Exit({5, 5, 5, 5, wsMaximized}), "Failed to set data for 'host'");
    }

    // The rest was skipped: the stale key and the old placement are still there.
    TRegistry reg(run.Store);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts", false));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"a", "stale"}));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", false));
    EXPECT_EQ(reg.ReadInteger("state"), wsNormal);
    EXPECT_EQ(reg.ReadInteger("width"), 300);
}

// ---- what the exit save must leave alone ----

const std::string HostsSection = "[HKEY_CURRENT_USER\\Software\\Tarnvale\\Korvana\\Hosts\\";

std::string HostSection(const std::string& key, const std::string& host, const std::string& port) {
    return HostsSection + key + "]\n\"host\"=\"" + host +
           "\"\n\"user\"=\"u\"\n\"password\"=\"p\"\n\"port\"=" + port + "\n\n";
}

void WriteFile(const QString& path, const std::string& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.data(), static_cast<qint64>(text.size()));
}

TEST_F(HostList, HostsThatWereNotLoadedAreKeptExactlyAsTheyWere) {
    const std::string placement =
        "[HKEY_CURRENT_USER\\Software\\Tarnvale\\Korvana]\n\"width\"=dword:00000320\n"
        "\"height\"=dword:00000258\n\"left\"=dword:00000000\n\"top\"=dword:00000000\n"
        "\"state\"=dword:00000000\n\n";
    struct TCase {
        const char* Trigger;
        std::string Loads;               // placement and the hosts that load
        std::vector<std::string> Unread; // host sections after the failure, in the file's order
        std::string Error;
        std::vector<std::string> Loaded;
    };
    const std::vector<TCase> cases = {
        {"a hand-written file without placement values",
         "",
         {HostSection("one", "h1", "dword:00000001"), HostSection("two", "h2", "dword:00000002")},
         "Failed to get data for 'width'",
         {}},
        {"a port written as text",
         placement + HostSection("a", "ha", "dword:00000001"),
         {HostSection("b", "hb", "\"3306\""), HostSection("c", "hc", "dword:00000003"),
          HostSection("d", "hd", "dword:00000004")},
         "Invalid data type for 'port'",
         {"a"}},
        {"a host name with a backslash, read as nested keys",
         placement + HostsSection + "x]\n\n",
         {HostSection("x\\y", "hxy", "dword:00000001"), HostSection("z", "hz", "dword:00000002")},
         "Failed to get data for 'port'",
         {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Trigger);
        std::string text = "Windows Registry Editor Version 5.00\n\n" + c.Loads;
        for (const std::string& section : c.Unread)
            text += section;
        WriteFile(FPath, text);
        {
            TRun run(FPath);
            EXPECT_EQ(run.Loaded.Error, c.Error);
            EXPECT_EQ(run.Names(), c.Loaded);
            run.Hosts.push_back(Host("new one"));
            EXPECT_EQ(run.Exit({10, 20, 640, 480, wsNormal}), "");
        }
        const std::string after = FileText();
        for (const std::string& section : c.Unread)
            EXPECT_NE(after.find(section), std::string::npos) << section << "is not in\n" << after;
        EXPECT_NE(after.find(HostsSection + "new one]"), std::string::npos);
    }
}

TEST_F(HostList, AFileWithoutPlacementIsMadeWholeByTheExitSave) {
    WriteFile(FPath, "Windows Registry Editor Version 5.00\n\n" + HostSection("one", "h1", "dword:00000001") +
                         HostSection("two", "h2", "dword:00000002"));
    {
        TRun run(FPath);
        EXPECT_EQ(run.Loaded.Error, "Failed to get data for 'width'");
        EXPECT_EQ(run.Exit({10, 20, 640, 480, wsNormal}), "");
    }
    TRun run(FPath);
    EXPECT_EQ(run.Loaded.Error, "");
    EXPECT_EQ(run.Names(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(run.Loaded.Placement.Width, 640);
}

TEST_F(HostList, TwoCopiesOfTheProgramKeepEachOthersChanges) {
    Store(MakeHosts({"a", "b", "c"}));
    TRun first(FPath);
    TRun second(FPath); // started before the first one ends
    first.Hosts.push_back(Host("from first"));
    first.Hosts[0]->Port = 1111;                // a
    first.Hosts.erase(first.Hosts.begin() + 1); // b
    second.Hosts.push_back(Host("from second"));
    second.Hosts[2]->User = "changed"; // c
    second.Hosts[0]->Name = "a renamed";
    EXPECT_EQ(first.Exit({1, 1, 500, 500, wsNormal}), "");
    EXPECT_EQ(second.Exit({2, 2, 600, 600, wsMaximized}), "");

    TRun next(FPath);
    EXPECT_EQ(next.Loaded.Error, "");
    // "a" was renamed by the second copy after the first had changed it: the rename carries the
    // second copy's values, and the key of the old name goes.
    ASSERT_EQ(next.Names(), (std::vector<std::string>{"a renamed", "c", "from first", "from second"}));
    EXPECT_EQ(next.Hosts[1]->User, "changed");
    EXPECT_EQ(next.Loaded.Placement.Width, 600);
    EXPECT_EQ(next.Loaded.Placement.State, wsMaximized);
}

TEST_F(HostList, AHostAnotherCopyDeletedStaysDeletedUnlessThisRunChangedIt) {
    Store(MakeHosts({"a", "b"}));
    TRun first(FPath);
    TRun second(FPath);
    first.Hosts.clear();
    second.Hosts[1]->Host = "edited";
    EXPECT_EQ(first.Exit(), "");
    EXPECT_EQ(second.Exit(), "");
    TRun next(FPath);
    ASSERT_EQ(next.Names(), std::vector<std::string>{"b"});
    EXPECT_EQ(next.Hosts[0]->Host, "edited");
}

TEST_F(HostList, ASaveThatChangesNothingLeavesTheFileUntouched) {
    Store(MakeHosts({"a", "b"}));
    const auto inode = [this] {
        struct stat st {};
        return ::stat(QFile::encodeName(FPath).constData(), &st) == 0 ? st.st_ino : 0;
    };
    const auto before = inode();
    TRun run(FPath);
    EXPECT_EQ(run.Exit({1, 2, 300, 400, wsNormal}), "");
    EXPECT_EQ(inode(), before) << "the file was replaced";
}

TEST_F(HostList, TheResultMemorySetByHandIsReadAndKeptButNeverWritten) {
    Store(MakeHosts({"a"}));
    {
        TRun first(FPath);
        EXPECT_FALSE(first.Loaded.Placement.ResultMemoryMB);
        EXPECT_EQ(first.Exit({7, 2, 300, 400, wsNormal}), "");
    }
    EXPECT_EQ(FileText().find("result memory"), std::string::npos) << "written without being set";
    {
        TRegistryStore store(FPath);
        store.Update([&] {
            TRegistry reg(store);
            ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", false));
            reg.WriteInteger("result memory", 256);
        });
    }
    TRun run(FPath);
    EXPECT_EQ(run.Loaded.Placement.ResultMemoryMB, 256u);
    EXPECT_EQ(run.Exit({5, 6, 300, 400, wsNormal}), "");
    EXPECT_NE(FileText().find("\"result memory\"=dword:00000100"), std::string::npos) << FileText();
}

} // namespace

namespace {

TEST_F(HostList, EncryptionSettingsAreStoredOnlyOnceSetAndComeBackAsTheyWere) {
    {
        TRun run(FPath);
        run.Hosts.push_back(Host("Plain", "db.example.org", 3306));
        EXPECT_EQ(run.Exit({0, 0, 640, 480, wsNormal}), "");
    }
    EXPECT_EQ(FileText().find("tls"), std::string::npos) << "an older build's store, unchanged";
    const TTlsSettings set{TTlsMode::VerifyCa, "/etc/ssl/ca.pem", "/home/u/client.pem",
                           "/home/u/client-key.pem"};
    {
        TRun run(FPath);
        ASSERT_EQ(run.Hosts.size(), 1u);
        EXPECT_EQ(run.Hosts[0]->Tls, TTlsSettings{}) << "missing values read as the defaults";
        run.Hosts[0]->Tls = set;
        EXPECT_EQ(run.Exit({0, 0, 640, 480, wsNormal}), "");
    }
    EXPECT_NE(FileText().find("\"tls mode\"=\"verify-ca\""), std::string::npos) << FileText();
    {
        TRun run(FPath);
        ASSERT_EQ(run.Hosts.size(), 1u);
        EXPECT_EQ(run.Hosts[0]->Tls, set);
        run.Hosts[0]->Tls = {};
        EXPECT_EQ(run.Exit({0, 0, 640, 480, wsNormal}), "");
    }
    TRun last(FPath);
    ASSERT_EQ(last.Hosts.size(), 1u);
    EXPECT_EQ(last.Hosts[0]->Tls, TTlsSettings{}) << "values set once are written back as the defaults";
}

} // namespace

namespace {

TEST_F(HostList, TunnelSettingsAreStoredOnlyOnceSetAndComeBackAsTheyWere) {
    {
        TRun run(FPath);
        run.Hosts.push_back(Host("Direct", "db.example.org", 3306));
        EXPECT_EQ(run.Exit({0, 0, 640, 480, wsNormal}), "");
    }
    EXPECT_EQ(FileText().find("ssh"), std::string::npos) << "an older build's store, unchanged";
    const TSshSettings set{"bastion.example.org", 2222, "ann", "/home/ann/.ssh/id_ed25519"};
    {
        TRun run(FPath);
        ASSERT_EQ(run.Hosts.size(), 1u);
        EXPECT_EQ(run.Hosts[0]->Ssh, TSshSettings{}) << "missing values read as no tunnel";
        run.Hosts[0]->Ssh = set;
        EXPECT_EQ(run.Exit({0, 0, 640, 480, wsNormal}), "");
    }
    EXPECT_NE(FileText().find("\"ssh host\"=\"bastion.example.org\""), std::string::npos) << FileText();
    EXPECT_NE(FileText().find("\"ssh port\"=dword:000008ae"), std::string::npos) << FileText();
    {
        TRun run(FPath);
        ASSERT_EQ(run.Hosts.size(), 1u);
        EXPECT_EQ(run.Hosts[0]->Ssh, set);
        EXPECT_EQ(run.Hosts[0]->Host, "db.example.org") << "the server as the SSH server sees it";
        run.Hosts[0]->Ssh = {};
        EXPECT_EQ(run.Exit({0, 0, 640, 480, wsNormal}), "");
    }
    TRun last(FPath);
    ASSERT_EQ(last.Hosts.size(), 1u);
    EXPECT_EQ(last.Hosts[0]->Ssh, TSshSettings{}) << "a tunnel taken away stays away";
}

} // namespace
