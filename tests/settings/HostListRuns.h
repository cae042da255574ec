#pragma once
// Runs of the program as the host-list tests simulate them: each loads at its start and saves at
// its exit, on a store of its own over one settings file in a temporary folder.

#include "settings/HostList.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <initializer_list>

inline std::unique_ptr<TMySql> Host(const std::string& name, const std::string& host = "h", int port = 0) {
    auto m = std::make_unique<TMySql>();
    m->Name = name;
    m->Host = host;
    m->User = "u-" + name;
    m->Password = "p-" + name;
    m->Port = port;
    return m;
}

// A stored placement, so that the hosts key is reached.
inline void WritePlacement(TRegistry& reg) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", true));
    for (const char* name : {"width", "height", "left", "top", "state"})
        reg.WriteInteger(name, 0);
    reg.CloseKey();
}

// One run of the program: loads at start, saves at exit, on a store of its own file.
struct TRun {
    explicit TRun(const QString& path) : Store(path), List(Store) {
        Loaded = List.Load([this](std::unique_ptr<TMySql> h) { Hosts.push_back(std::move(h)); });
    }
    std::string Exit(const TFormPlacement& placement = {}) { return List.Save(std::move(Hosts), placement); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& h : Hosts)
            names.push_back(h->Name);
        return names;
    }

    TRegistryStore Store;
    THostList List;
    THostListLoad Loaded;
    std::vector<std::unique_ptr<TMySql>> Hosts;
};

class HostListFiles : public ::testing::Test {
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

inline std::vector<std::unique_ptr<TMySql>> MakeHosts(std::initializer_list<const char*> names) {
    std::vector<std::unique_ptr<TMySql>> hosts;
    for (const char* name : names)
        hosts.push_back(Host(name));
    return hosts;
}
