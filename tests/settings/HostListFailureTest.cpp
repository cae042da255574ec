// Exit saves that cannot complete, and settings that cannot be read: each says so, and the file on
// disk stays whole.

#include "FileLimits.h"
#include "HostListRuns.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

std::string ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("(unreadable)");
}

class HostListFailure : public HostListFiles {
protected:
    QString Folder() const { return QFileInfo(FPath).absolutePath(); }
    QStringList FolderFiles() const {
        return QDir(Folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // What a run does before its exit: hosts created, changed, renamed and deleted.
    static void ChangeSomething(TRun& run) {
        run.Hosts.erase(run.Hosts.begin()); // "a"
        run.Hosts[0]->Port = 4444;          // "b"
        run.Hosts[1]->Name = "c renamed";   // "c"
        run.Hosts.push_back(Host("new", "n", 3306));
        run.Hosts.push_back(Host("another new one with a long name", "m", 3307));
    }
};

TEST_F(HostListFailure, AnExitSaveCutShortAnywhereLeavesTheOldFileWhole) {
    Store(MakeHosts({"a", "b", "c"}));
    const std::string before = FileText();

    // The size of the file the save writes, measured on a copy.
    QTemporaryDir scratch;
    const QString copy = scratch.path() + "/Korvana.reg";
    ASSERT_TRUE(QFile::copy(FPath, copy));
    {
        TRun run(copy);
        ChangeSomething(run);
        ASSERT_EQ(run.Exit({7, 7, 700, 500, wsNormal}), "");
    }
    const auto full = static_cast<rlim_t>(QFileInfo(copy).size());
    ASSERT_GT(full, before.size());

    std::vector<rlim_t> limits{0, 1, full / 2, full - 1};
    for (rlim_t limit = 64; limit < full; limit += 128)
        limits.push_back(limit);
    for (rlim_t limit : limits) {
        SCOPED_TRACE("file-size limit " + std::to_string(limit) + " of " + std::to_string(full));
        TRun run(FPath);
        ChangeSomething(run);
        std::string error;
        {
            TFileSizeLimit small(limit);
            error = run.Exit({7, 7, 700, 500, wsNormal});
        }
        EXPECT_EQ(error, "Failed to set data for 'host'");
        EXPECT_EQ(FileText(), before);
        EXPECT_EQ(FolderFiles(), QStringList{"Korvana.reg"});
    }

    // The next run finds the old list, and its save, not cut short, brings every change.
    TRun run(FPath);
    EXPECT_EQ(run.Names(), (std::vector<std::string>{"a", "b", "c"}));
    ChangeSomething(run);
    EXPECT_EQ(run.Exit({7, 7, 700, 500, wsNormal}), "");
    TRun next(FPath);
    EXPECT_EQ(next.Names(),
              (std::vector<std::string>{"another new one with a long name", "b", "c renamed", "new"}));
    EXPECT_EQ(next.Hosts[1]->Port, 4444);
}

TEST_F(HostListFailure, AFullFileSystemGivesTheMessageAndLeavesTheOldFileWhole) {
    const std::string outcome = InChild([this] {
        const QString small = FDir.path() + "/small";
        if (!QDir().mkpath(small) || !MountSmallFileSystem(small.toStdString(), 64 * 1024))
            return std::string("(cannot mount a small file system here)");
        const QString path = small + "/Tarnvale/Korvana.reg";
        {
            TRun run(path);
            for (auto& h : MakeHosts({"a", "b", "c"}))
                run.Hosts.push_back(std::move(h));
            if (!run.Exit().empty()) return std::string("(first save failed)");
        }
        const std::string before = ReadFile(path);
        // Fill what is left of it.
        QFile filler(small + "/filler");
        if (!filler.open(QIODevice::WriteOnly)) return std::string("(no filler)");
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        TRun run(path);
        ChangeSomething(run);
        const std::string error = run.Exit();
        return error + " / " + (ReadFile(path) == before ? "old file whole" : "old file changed") + " / " +
               QDir(QFileInfo(path).absolutePath())
                   .entryList(QDir::Files | QDir::Hidden)
                   .join(' ')
                   .toStdString();
    });
    EXPECT_EQ(outcome, "Failed to set data for 'host' / old file whole / Korvana.reg");
}

TEST_F(HostListFailure, AReadOnlyFolderGivesTheMessageAndKeepsTheFile) {
    Store(MakeHosts({"a"}));
    const std::string before = FileText();
    const std::string error = InChild([this] {
        if (!BecomeUnprivileged(FDir.path().toStdString())) return std::string("(could not give up root)");
        ::chmod(QFile::encodeName(Folder()).constData(), 0500);
        TRun run(FPath);
        run.Hosts.push_back(Host("new"));
        return run.Exit();
    });
    EXPECT_EQ(error, "Failed to set data for 'host'");
    EXPECT_EQ(FileText(), before);
}

TEST_F(HostListFailure, AnUnusableFolderGivesTheMessage) {
    // A file where the folder should be: nothing can be made in it.
    QFile blocker(Folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TRun run(FPath);
    EXPECT_EQ(run.Loaded.Error, "");
    run.Hosts.push_back(Host("new"));
    EXPECT_EQ(run.Exit(), "Failed to set data for 'host'");
    EXPECT_TRUE(QFileInfo(Folder()).isFile());
}

TEST_F(HostListFailure, AnUnreadableFileIsReportedAtStartAndAtExitAndNeverWrittenOver) {
    Store(MakeHosts({"a", "b"}));
    const std::string before = FileText();
    const std::string expected = "Cannot open file " + QFile::encodeName(FPath).toStdString();
    const std::string messages = InChild([this] {
        if (!BecomeUnprivileged(FDir.path().toStdString())) return std::string("(could not give up root)");
        ::chmod(QFile::encodeName(FPath).constData(), 0);
        TRun run(FPath);
        const std::string atStart = run.Loaded.Error + " / " + std::to_string(run.Hosts.size()) + " hosts";
        run.Hosts.push_back(Host("new"));
        return atStart + " / " + run.Exit();
    });
    EXPECT_EQ(messages, expected + " / 0 hosts / " + expected);
    EXPECT_EQ(FileText(), before);
}

} // namespace
