// The registry's semantics, independent of its file: key names, order, value types, errors.

#include "platform/Registry.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

namespace {

class RegistrySemantics : public ::testing::Test {
protected:
    QTemporaryDir FDir;
    TRegistryStore FStore{FDir.path() + "/Korvana.reg"};
    TRegistry FReg{FStore};

    std::string Error(const std::function<void()>& op) {
        try {
            op();
        } catch (const ERegistryException& e) {
            return e.what();
        }
        return "(no failure)";
    }
};

TEST_F(RegistrySemantics, KeyNamesIgnoreLetterCaseAndKeepTheirFirstCase) {
    ASSERT_TRUE(FReg.OpenKey("Software\\Tarnvale\\Korvana", true));
    FReg.CloseKey();

    EXPECT_FALSE(FReg.OpenKey("Software\\Tarnvale\\Other", false));
    ASSERT_TRUE(FReg.OpenKey("SOFTWARE\\tarnvale\\KORVANA", false));
    EXPECT_EQ(FReg.CurrentPath(), "Software\\Tarnvale\\Korvana");

    // Creating along a differently cased path reuses the keys there.
    FReg.CloseKey();
    ASSERT_TRUE(FReg.OpenKey("software\\TARNVALE\\korvana\\Hosts", true));
    EXPECT_EQ(FReg.CurrentPath(), "Software\\Tarnvale\\Korvana\\Hosts");
    FReg.CloseKey();
    ASSERT_TRUE(FReg.OpenKey("Software\\Tarnvale", false));
    EXPECT_EQ(FReg.GetKeyNames(), std::vector<std::string>{"Korvana"});

    // Non-ASCII letters fold too, as the registry folds them.
    FReg.CloseKey();
    ASSERT_TRUE(FReg.OpenKey("Software\\Zürich", true));
    FReg.CloseKey();
    ASSERT_TRUE(FReg.OpenKey("SOFTWARE\\ZÜRICH", false));
    EXPECT_EQ(FReg.CurrentPath(), "Software\\Zürich");

    // Names in another 8-bit encoding are not folded together.
    FReg.CloseKey();
    ASSERT_TRUE(FReg.OpenKey("Latin\\caf\xe9", true));
    ASSERT_TRUE(FReg.OpenKey("\\Latin\\caf\xe8", true));
    ASSERT_TRUE(FReg.OpenKey("\\Latin", false));
    EXPECT_EQ(FReg.GetKeyNames().size(), 2u);
}

TEST_F(RegistrySemantics, PathsAreRelativeToTheOpenKeyUnlessTheyStartWithABackslash) {
    ASSERT_TRUE(FReg.OpenKey("Software", true));
    ASSERT_TRUE(FReg.OpenKey("Tarnvale", true));
    EXPECT_EQ(FReg.CurrentPath(), "Software\\Tarnvale");
    ASSERT_TRUE(FReg.OpenKey("\\Top", true));
    EXPECT_EQ(FReg.CurrentPath(), "Top");
    FReg.CloseKey();
    EXPECT_EQ(FReg.CurrentPath(), "");
    ASSERT_TRUE(FReg.OpenKey("Software\\Tarnvale", false));
}

TEST_F(RegistrySemantics, PathsWithEmptyOrUnprintableNamesOpenNothingAndCreateNothing) {
    EXPECT_FALSE(FReg.OpenKey("Software\\\\Hosts", true));
    EXPECT_FALSE(FReg.OpenKey("Software\\Hosts\\", true));
    EXPECT_FALSE(FReg.OpenKey("Software\\line\nbreak", true));
    ASSERT_TRUE(FReg.OpenKey("\\", false)); // the root itself
    EXPECT_TRUE(FReg.GetKeyNames().empty());
    EXPECT_FALSE(QFile::exists(FStore.FileName()));
}

TEST_F(RegistrySemantics, SubkeysAreListedInUpperCaseOrdinalOrder) {
    for (const char* name : {"beta", "_x", "Zeta", "a_b", "Alpha", "ab"}) {
        ASSERT_TRUE(FReg.OpenKey(std::string("\\Hosts\\") + name, true));
    }
    ASSERT_TRUE(FReg.OpenKey("\\Hosts", false));
    // Upper-cased, "_" sorts after the letters: "AB" < "ALPHA" < "A_B", and "_X" comes last.
    EXPECT_EQ(FReg.GetKeyNames(), (std::vector<std::string>{"ab", "Alpha", "a_b", "beta", "Zeta", "_x"}));
}

TEST_F(RegistrySemantics, AValueHasOneTypeAndReadsCheckIt) {
    ASSERT_TRUE(FReg.OpenKey("Software\\Tarnvale\\Korvana", true));
    FReg.WriteInteger("width", 800);
    FReg.WriteString("host", "db.example");

    EXPECT_EQ(FReg.ReadInteger("WIDTH"), 800); // value names ignore case as well
    EXPECT_EQ(FReg.ReadString("Host"), "db.example");
    EXPECT_EQ(Error([&] { FReg.ReadString("width"); }), "Invalid data type for 'width'");
    EXPECT_EQ(Error([&] { FReg.ReadInteger("host"); }), "Invalid data type for 'host'");
    EXPECT_EQ(Error([&] { FReg.ReadInteger("port"); }), "Failed to get data for 'port'");
    EXPECT_EQ(FReg.ReadString("password"), "");
    EXPECT_FALSE(FReg.ValueExists("password"));
    EXPECT_TRUE(FReg.ValueExists("HOST"));

    // Writing replaces the value, type and all.
    FReg.WriteString("width", "wide");
    EXPECT_EQ(FReg.ReadString("width"), "wide");
    EXPECT_EQ(Error([&] { FReg.ReadInteger("width"); }), "Invalid data type for 'width'");

    FReg.WriteInteger("left", -12);
    EXPECT_EQ(FReg.ReadInteger("left"), -12);
    FReg.WriteString("cut", std::string("before\0after", 12));
    EXPECT_EQ(FReg.ReadString("cut"), "before");
}

TEST_F(RegistrySemantics, WritingWithoutAnOpenKeyFails) {
    EXPECT_EQ(Error([&] { FReg.WriteString("host", "x"); }), "Failed to set data for 'host'");
    EXPECT_EQ(Error([&] { FReg.WriteInteger("port", 1); }), "Failed to set data for 'port'");
    EXPECT_EQ(FReg.ReadString("host"), "");
    EXPECT_EQ(Error([&] { FReg.ReadInteger("port"); }), "Failed to get data for 'port'");
}

TEST_F(RegistrySemantics, DeleteKeyRemovesTheWholeTreeAndNothingBeside) {
    ASSERT_TRUE(FReg.OpenKey("\\Hosts\\one\\deep\\deeper", true));
    FReg.WriteString("v", "1");
    ASSERT_TRUE(FReg.OpenKey("\\Hosts\\two", true));
    FReg.CloseKey();

    EXPECT_TRUE(FReg.DeleteKey("HOSTS\\ONE"));
    EXPECT_FALSE(FReg.OpenKey("Hosts\\one\\deep", false));
    ASSERT_TRUE(FReg.OpenKey("Hosts", false));
    EXPECT_EQ(FReg.GetKeyNames(), std::vector<std::string>{"two"});
    FReg.CloseKey();
    EXPECT_FALSE(FReg.DeleteKey("Hosts\\one"));
    EXPECT_FALSE(FReg.DeleteKey(""));

    // Made again, it is a new, empty key.
    ASSERT_TRUE(FReg.OpenKey("\\Hosts\\one\\deep\\deeper", true));
    EXPECT_FALSE(FReg.ValueExists("v"));
}

TEST_F(RegistrySemantics, HandlesShareOneStoreAndAKeyDeletedUnderAHandleStopsIt) {
    TRegistry other(FStore);
    ASSERT_TRUE(FReg.OpenKey("\\Hosts\\one", true));
    ASSERT_TRUE(other.OpenKey("\\hosts\\ONE", false));
    FReg.WriteString("host", "h");
    EXPECT_EQ(other.ReadString("host"), "h");

    other.CloseKey();
    ASSERT_TRUE(other.DeleteKey("Hosts\\One"));
    EXPECT_EQ(Error([&] { FReg.WriteString("host", "again"); }), "Failed to set data for 'host'");
    EXPECT_EQ(FReg.ReadString("host"), "");
    EXPECT_FALSE(FReg.OpenKey("\\Hosts\\one", false));
}

} // namespace
