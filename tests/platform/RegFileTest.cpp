// The registry's file: its text form, atomic replacement, permissions, and damaged files.

#include "platform/internal/RegFile.h"
#include "FileLimits.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

std::string ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "(unreadable)";
    return f.readAll().toStdString();
}

void WriteRaw(const QString& path, const std::string& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

class RegistryFile : public ::testing::Test {
protected:
    QTemporaryDir FDir;
    QString FPath = FDir.path() + "/Tarnvale/Korvana.reg";

    QStringList Leftovers() const {
        return QDir(FDir.path() + "/Tarnvale").entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

TEST_F(RegistryFile, EveryValueKindSurvivesARoundTripInReadableRegText) {
    const std::string tricky = "C:\\dir\\\"quoted\" Zürich ✓ ; [x] = @";
    {
        TRegistryStore store(FPath);
        TRegistry reg(store);
        ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts\\Büro \"main\"", true));
        reg.WriteString("host", tricky);
        reg.WriteString("user", "");
        reg.WriteString("password", "two\r\nlines\\n");
        reg.WriteInteger("port", 3306);
        reg.WriteInteger("neg", -1);
        reg.WriteInteger("max", 2147483647);
        ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana\\Empty", true));
        ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", false));
        reg.WriteString("", "default value");
        reg.WriteInteger("width", 0xcea);
    }

    const std::string text = ReadAll(FPath);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u) << text;
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Tarnvale\\Korvana]\n@=\"default "
                        "value\"\n\"width\"=dword:00000cea\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Tarnvale\\Korvana\\Hosts\\Büro \"main\"]\n"),
              std::string::npos);
    EXPECT_NE(text.find("\"host\"=\"C:\\\\dir\\\\\\\"quoted\\\" Zürich ✓ ; [x] = @\"\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\"neg\"=dword:ffffffff\n"), std::string::npos);
    EXPECT_NE(text.find("\"port\"=dword:00000cea"), std::string::npos);

    TRegistryStore again(FPath);
    EXPECT_FALSE(again.Damaged());
    TRegistry reg(again);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts\\büro \"MAIN\"", false));
    EXPECT_EQ(reg.ReadString("host"), tricky);
    EXPECT_TRUE(reg.ValueExists("user"));
    EXPECT_EQ(reg.ReadString("user"), "");
    EXPECT_EQ(reg.ReadString("password"), "two\r\nlines\\n");
    EXPECT_EQ(reg.ReadInteger("port"), 3306);
    EXPECT_EQ(reg.ReadInteger("neg"), -1);
    EXPECT_EQ(reg.ReadInteger("max"), 2147483647);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", false));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"Empty", "Hosts"}));
    EXPECT_EQ(reg.ReadString(""), "default value");
    // Saving what was loaded gives the same text.
    reg.WriteInteger("width", 0xcea);
    EXPECT_EQ(ReadAll(FPath), text);
}

TEST_F(RegistryFile, TheFileIsOwnerOnlyAndNoTemporaryFileStays) {
    TRegistryStore store(FPath);
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts\\h", true));
    reg.WriteString("password", "secret");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(FPath).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A file a person loosened keeps no loose mode after the next save.
    ::chmod(QFile::encodeName(FPath).constData(), 0644);
    reg.WriteString("password", "secret2");
    ASSERT_EQ(::stat(QFile::encodeName(FPath).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Leftovers(), QStringList{"Korvana.reg"});
}

TEST_F(RegistryFile, AFailedWriteLeavesTheOldFileAndTheStoreAsTheyWere) {
    TRegistryStore store(FPath);
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts\\h", true));
    reg.WriteString("host", "old");
    const std::string before = ReadAll(FPath);

    std::string error;
    bool opened = true;
    {
        TFileSizeLimit limit(before.size() + 16);
        try {
            reg.WriteString("host", std::string(4096, 'x'));
        } catch (const ERegistryException& e) {
            error = e.what();
        }
        opened = reg.OpenKey(
            "\\Software\\Tarnvale\\Korvana\\Hosts\\AnotherWithALongName" + std::string(64, 'n'), true);
    }

    EXPECT_EQ(error, "Failed to set data for 'host'");
    EXPECT_FALSE(opened);
    EXPECT_EQ(ReadAll(FPath), before);
    EXPECT_EQ(Leftovers(), QStringList{"Korvana.reg"});
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana\\Hosts", false));
    EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"h"});
    ASSERT_TRUE(reg.OpenKey("h", false));
    EXPECT_EQ(reg.ReadString("host"), "old");
}

TEST_F(RegistryFile, ADamagedFileLoadsWhatItCanAndIsKeptBesideBeforeTheFirstSave) {
    const std::string damaged = "Windows Registry Editor Version 5.00\r\n"
                                "\r\n"
                                "; a comment a person wrote\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Tarnvale\\Korvana\\Hosts\\good]\r\n"
                                "\"host\" = \"db1\"\r\n"
                                "\"port\"=dword:00000cea\r\n"
                                "this line means nothing\r\n"
                                "\"bin\"=hex:01,02,03\r\n"
                                "\"user\"=\"unterminated\r\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\r\n"
                                "\"lost\"=\"not ours\"\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Tarnvale\\Korvana\\Hosts\\second]\r\n"
                                "\"host\"=\"db2\"\r\n"
                                "\x01\x02\xff\xfe garbage \0 with a NUL\r\n"
                                "\"port\"=dword:000"s;
    WriteRaw(FPath, damaged);

    TRegistryStore store(FPath);
    EXPECT_TRUE(store.Damaged());
    EXPECT_EQ(ReadAll(FPath), damaged) << "loading never writes";
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale\\Korvana\\Hosts", false));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"good", "second"}));
    ASSERT_TRUE(reg.OpenKey("good", false));
    EXPECT_EQ(reg.ReadString("host"), "db1");
    EXPECT_EQ(reg.ReadInteger("port"), 3306);
    EXPECT_FALSE(reg.ValueExists("bin"));
    EXPECT_FALSE(reg.ValueExists("user"));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana\\Hosts\\second", false));
    EXPECT_EQ(reg.ReadString("host"), "db2");
    EXPECT_EQ(reg.ReadInteger("port"), 0); // "000" is a short but readable dword
    EXPECT_FALSE(reg.OpenKey("\\Software\\Elsewhere", false));

    reg.WriteString("user", "me");
    EXPECT_EQ(store.BackupFileName(), FPath + ".bad");
    EXPECT_EQ(ReadAll(FPath + ".bad"), damaged);
    TRegistryStore reloaded(FPath);
    EXPECT_FALSE(reloaded.Damaged());
    TRegistry check(reloaded);
    ASSERT_TRUE(check.OpenKey("Software\\Tarnvale\\Korvana\\Hosts\\second", false));
    EXPECT_EQ(check.ReadString("user"), "me");

    // A second damaged file does not overwrite the first one kept.
    WriteRaw(FPath, "garbage only");
    TRegistryStore third(FPath);
    EXPECT_TRUE(third.Damaged());
    TRegistry reg3(third);
    ASSERT_TRUE(reg3.OpenKey("Software", true));
    EXPECT_EQ(third.BackupFileName(), FPath + ".bad.1");
    EXPECT_EQ(ReadAll(FPath + ".bad"), damaged);
    EXPECT_EQ(ReadAll(FPath + ".bad.1"), "garbage only");
}

TEST_F(RegistryFile, HandWrittenButWellFormedFilesAreNotDamaged) {
    WriteRaw(FPath, "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                    "; comment\r\n"
                    "[hkey_current_user\\Software\\Tarnvale]\r\n"
                    "  \"a\"=dword:FF  \r\n"
                    "[HKEY_CURRENT_USER\\software\\tarnvale\\K]\r\n"
                    "\"path\"=\"C:\\temp\"\r\n");
    TRegistryStore store(FPath);
    EXPECT_FALSE(store.Damaged());
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("Software\\Tarnvale", false));
    EXPECT_EQ(reg.ReadInteger("a"), 255);
    ASSERT_TRUE(reg.OpenKey("k", false));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Tarnvale\\K");
    EXPECT_EQ(reg.ReadString("path"), "C:\\temp"); // a lone backslash stays as written
    reg.WriteString("path", "x");
    EXPECT_FALSE(QFile::exists(FPath + ".bad"));
}

TEST_F(RegistryFile, AMissingHeaderCountsAsDamage) {
    WriteRaw(FPath, "[HKEY_CURRENT_USER\\Software]\n\"a\"=\"1\"\n");
    TRegistryStore store(FPath);
    EXPECT_TRUE(store.Damaged());
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("Software", false));
    EXPECT_EQ(reg.ReadString("a"), "1");
}

TEST_F(RegistryFile, EveryTruncationOfAGoodFileLoadsTheLinesBeforeTheCut) {
    TRegKey full;
    full.AddSubkey("Software")->AddSubkey("Hosts");
    TRegKey* hosts = full.FindSubkey("Software")->FindSubkey("Hosts");
    for (int i = 0; i < 3; ++i) {
        TRegKey* h = hosts->AddSubkey("h" + std::to_string(i));
        h->Values.push_back({"host", rdString, "name \"" + std::to_string(i) + "\" \\", 0});
        h->Values.push_back({"port", rdInteger, "", static_cast<std::uint32_t>(3300 + i)});
    }
    const std::string text = SerializeRegFile(full);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        TRegKey root;
        const std::string prefix = text.substr(0, cut);
        const bool clean = ParseRegFile(prefix, root);
        // Every value line that ended before the cut is there with its full value.
        std::size_t complete = 0;
        for (std::size_t p = prefix.find("\"port\"=dword:"); p != std::string::npos;
             p = prefix.find("\"port\"=dword:", p + 1))
            if (prefix.find('\n', p) != std::string::npos) ++complete;
        const TRegKey* h =
            root.FindSubkey("Software") ? root.FindSubkey("Software")->FindSubkey("Hosts") : nullptr;
        std::size_t loaded = 0;
        if (h)
            for (const auto& k : h->Subkeys)
                if (const TRegValue* port = k->FindValue("port"); port && port->Dword >= 3300) ++loaded;
        EXPECT_GE(loaded, complete) << "cut at " << cut;
        if (cut == text.size()) {
            EXPECT_TRUE(clean);
        }
    }
}

TEST_F(RegistryFile, AFileThatCannotBeReadIsNeverWrittenOver) {
    ASSERT_TRUE(QDir().mkpath(FPath)); // a folder where the file should be
    TRegistryStore store(FPath);
    EXPECT_TRUE(store.Damaged());
    TRegistry reg(store);
    EXPECT_FALSE(reg.OpenKey("Software", true));
    EXPECT_TRUE(QFileInfo(FPath).isDir());
}

// Two copies of the program saving at once: the later one waits, then builds on the file as the
// earlier one left it.
TEST_F(RegistryFile, AnUpdateWaitsForTheLockAndAppliesItselfToTheFileAsItIsThen) {
    TRegistryStore store(FPath);
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("\\Software\\A", true));
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    // Forked before the lock is taken, so the child holds no share of it.
    TChild other([&] {
        char byte;
        if (::read(go[0], &byte, 1) != 1) return std::string("(no go)");
        TRegistryStore own(FPath); // loaded before the change below reaches the file
        try {
            own.Update([&] {
                TRegistry r(own);
                r.OpenKey("\\Software\\B", true);
                r.WriteInteger("v", 2);
            });
        } catch (const ERegistryException& e) {
            return std::string(e.what());
        }
        return std::string("saved");
    });
    auto held = std::make_unique<TFolderLock>(QFileInfo(FPath).absolutePath(), 0);
    ASSERT_TRUE(held->Held());
    ASSERT_EQ(::write(go[1], "g", 1), 1);
    ::usleep(100 * 1000);
    ASSERT_TRUE(reg.OpenKey("\\Software\\C", true)); // the other copy's save, while it holds the lock
    ::usleep(200 * 1000);
    EXPECT_EQ(ReadAll(FPath).find("Software\\B"), std::string::npos) << "the update did not wait";
    held.reset();
    EXPECT_EQ(other.Wait(), "saved");
    ::close(go[0]);
    ::close(go[1]);

    TRegistryStore after(FPath);
    TRegistry check(after);
    ASSERT_TRUE(check.OpenKey("Software", false));
    EXPECT_EQ(check.GetKeyNames(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(RegistryFile, AFailedUpdateLeavesFileAndStoreAsOnDisk) {
    TRegistryStore store(FPath);
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Kept", true));
    reg.WriteString("v", "old");
    const std::string before = ReadAll(FPath);

    std::string error;
    {
        TFileSizeLimit limit(before.size() + 8);
        try {
            store.Update([&] {
                reg.WriteString("v", "new and longer than the limit allows");
                ASSERT_TRUE(reg.OpenKey("\\Software\\Added", true));
                reg.WriteString("w", "x");
            });
        } catch (const ERegistryException& e) {
            error = e.what();
        }
    }
    EXPECT_EQ(error, "Failed to set data for 'v'");
    EXPECT_EQ(ReadAll(FPath), before);
    EXPECT_EQ(Leftovers(), QStringList{"Korvana.reg"});
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Kept"});
    ASSERT_TRUE(reg.OpenKey("Kept", false));
    EXPECT_EQ(reg.ReadString("v"), "old");

    // A failure inside the change is passed on, with the same outcome.
    EXPECT_THROW(store.Update([&] {
        reg.WriteString("v", "changed");
        throw ERegistryException("stop");
    }),
                 ERegistryException);
    EXPECT_EQ(ReadAll(FPath), before);
    EXPECT_EQ(reg.ReadString("v"), "old");
}

} // namespace

TEST_F(RegistryFile, ValuesOfHkeyCurrentUserItselfSurviveASave) {
    // The program writes none there, but a hand-made file may: they are loaded, so they are saved.
    TRegKey root;
    ASSERT_TRUE(ParseRegFile("Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER]\r\n\"top\"=\"kept\"\r\n@=dword:00000007\r\n"
                             "[HKEY_CURRENT_USER\\Software]\r\n\"a\"=\"b\"\r\n",
                             root));
    TRegKey again;
    ASSERT_TRUE(ParseRegFile(SerializeRegFile(root), again));
    ASSERT_EQ(again.Values.size(), 2u);
    ASSERT_NE(again.FindValue("top"), nullptr);
    EXPECT_EQ(again.FindValue("top")->Text, "kept");
    ASSERT_NE(again.FindValue(""), nullptr);
    EXPECT_EQ(again.FindValue("")->Dword, 7u);
    ASSERT_NE(again.FindSubkey("Software"), nullptr);
    EXPECT_EQ(SerializeRegFile(again), SerializeRegFile(root));
}
