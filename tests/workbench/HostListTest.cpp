// Loading and saving the host list and window placement across simulated program runs.

#include "HostList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TMySql> Host(const std::string& name, const std::string& host = "h", int port = 0) {
    auto m = std::make_unique<TMySql>();
    m->Name = name;
    m->Host = host;
    m->User = "u-" + name;
    m->Password = "p-" + name;
    m->Port = port;
    return m;
}

// A stored placement, so that the hosts key is reached.
void WritePlacement(TRegistry& reg) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", true));
    for (const char* name : {"width", "height", "left", "top", "state"})
        reg.WriteInteger(name, 0);
    reg.CloseKey();
}

// One run of the program: loads at start, saves at exit, on a store of its own file.
struct TRun {
    explicit TRun(const QString& path) : Store(path) {
        Loaded = LoadHostList([this](std::unique_ptr<TMySql> h) { Hosts.push_back(std::move(h)); }, Store);
    }
    std::string Exit(const TFormPlacement& placement = {}) {
        return SaveHostList(std::move(Hosts), placement, Store);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& h : Hosts)
            names.push_back(h->Name);
        return names;
    }

    TRegistryStore Store;
    THostListLoad Loaded;
    std::vector<std::unique_ptr<TMySql>> Hosts;
};

class HostList : public ::testing::Test {
protected:
    QTemporaryDir FDir;
    QString FPath = FDir.path() + "/Tarnvale/Korvana.reg";

    std::string FileText() const {
        QFile f(FPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }
    // Starts with the given hosts stored (and a placement).
    void Store(std::vector<std::unique_ptr<TMySql>> hosts) {
        TRun run(FPath);
        for (auto& h : hosts)
            run.Hosts.push_back(std::move(h));
        ASSERT_EQ(run.Exit({1, 2, 300, 400, wsNormal}), "");
    }
};

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
    // The file's place is taken by a folder: nothing can be renamed over it.
    ASSERT_TRUE(QFile::remove(FPath));
    ASSERT_TRUE(QDir().mkpath(FPath));
    EXPECT_EQ(run.Exit({5, 5, 5, 5, wsMaximized}), "Failed to set data for 'host'");

    // The rest was skipped: the stale key and the old placement are still there.
    TRegistry reg(run.Store);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts", false));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"a", "stale"}));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", false));
    EXPECT_EQ(reg.ReadInteger("state"), wsNormal);
    EXPECT_EQ(reg.ReadInteger("width"), 300);
}

} // namespace
