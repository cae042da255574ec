// The compact result block on its own, without a server.

#include "server/ResultBlock.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <string>
#include <vector>

namespace {

std::shared_ptr<const TResultBlock> Build(std::vector<std::string> names,
                                          const std::vector<std::vector<const char*>>& rows) {
    TResultBlock::Builder b(std::move(names));
    for (const auto& r : rows)
        b.AddRow(r.data(), nullptr);
    return b.Finish();
}

} // namespace

TEST(ResultBlock, KeepsCellsInOrderWithNullAsEmpty) {
    auto block = Build({"a", "b"}, {{"1", "one"}, {nullptr, ""}, {"333", nullptr}});
    ASSERT_EQ(block->RowCount(), 3u);
    ASSERT_EQ(block->FieldCount(), 2u);
    EXPECT_EQ(block->Cell(0, 0), "1");
    EXPECT_EQ(block->Cell(0, 1), "one");
    EXPECT_EQ(block->Cell(1, 0), "");
    EXPECT_EQ(block->Cell(1, 1), "");
    EXPECT_EQ(block->Cell(2, 0), "333");
    EXPECT_EQ(block->Cell(2, 1), "");
    EXPECT_EQ(block->CellBytes(), 7u);
}

TEST(ResultBlock, KeepsEveryByteOfAValueNulBytesIncluded) {
    TResultBlock::Builder b({"v", "w", "x"});
    const char raw[] = {'a', 'b', '\0', 'c', 'd'};
    const char zeros[] = {'\0', '\0'};
    const char* values[] = {raw, "xyz", zeros};
    const unsigned long lengths[] = {5, 3, 2};
    b.AddRow(values, lengths);
    auto block = b.Finish();
    EXPECT_EQ(block->Cell(0, 0), std::string_view(raw, 5));
    EXPECT_EQ(block->Cell(0, 1), "xyz");
    EXPECT_EQ(block->Cell(0, 2), std::string_view(zeros, 2));
    EXPECT_EQ(block->WidestBytes(0), 5u);
    EXPECT_EQ(block->CellBytes(), 10u);
}

// NULL and the empty string read alike as text but are told apart by their mark, also across the
// word boundaries of the marks and in blocks that hold no NULL at all.
TEST(ResultBlock, MarksNullApartFromTheEmptyString) {
    std::vector<std::vector<const char*>> rows;
    for (int r = 0; r < 100; ++r)
        rows.push_back({r % 3 == 0 ? nullptr : "", r % 7 == 0 ? nullptr : "v"});
    auto block = Build({"a", "b"}, rows);
    for (std::size_t r = 0; r < 100; ++r) {
        EXPECT_EQ(block->IsNull(r, 0), r % 3 == 0) << r;
        EXPECT_EQ(block->IsNull(r, 1), r % 7 == 0) << r;
        EXPECT_EQ(block->Cell(r, 0), "");
    }
    EXPECT_TRUE(block->HasNulls());
    auto none = Build({"a"}, {{""}, {"x"}});
    EXPECT_FALSE(none->HasNulls());
    EXPECT_FALSE(none->IsNull(0, 0));
}

TEST(ResultBlock, ColumnKindsFollowTypeAndCharacterSet) {
    // Type numbers of the client protocol: strings of the binary character set are bytes; numbers
    // and times report that character set too and stay what they are.
    EXPECT_EQ(ColumnKindOf(3, 63), TColumnKind::Integer);   // INT
    EXPECT_EQ(ColumnKindOf(13, 63), TColumnKind::Integer);  // YEAR
    EXPECT_EQ(ColumnKindOf(246, 63), TColumnKind::Decimal); // DECIMAL
    EXPECT_EQ(ColumnKindOf(5, 63), TColumnKind::Float);     // DOUBLE
    EXPECT_EQ(ColumnKindOf(12, 63), TColumnKind::Temporal); // DATETIME
    EXPECT_EQ(ColumnKindOf(16, 63), TColumnKind::Bit);      // BIT
    EXPECT_EQ(ColumnKindOf(252, 63), TColumnKind::Binary);  // BLOB
    EXPECT_EQ(ColumnKindOf(252, 45), TColumnKind::Text);    // TEXT in utf8mb4
    EXPECT_EQ(ColumnKindOf(254, 63), TColumnKind::Binary);  // BINARY(n)
    EXPECT_EQ(ColumnKindOf(253, 33), TColumnKind::Text);    // VARCHAR in utf8
    EXPECT_EQ(ColumnKindOf(255, 63), TColumnKind::Binary);  // spatial
}

TEST(ResultBlock, RemembersTheWidestValueOfEachColumn) {
    auto block = Build({"a", "b"}, {{"x", "long value"}, {"wider", "s"}, {"abcde", "t"}});
    EXPECT_EQ(block->WidestBytes(0), 5u);
    EXPECT_EQ(block->WidestRow(0), 1u); // the first row holding it
    EXPECT_EQ(block->WidestBytes(1), 10u);
    EXPECT_EQ(block->WidestRow(1), 0u);
}

TEST(ResultBlock, EmptyAndFieldOnlyBlocks) {
    auto none = Build({}, {});
    EXPECT_EQ(none->RowCount(), 0u);
    EXPECT_EQ(none->FieldCount(), 0u);
    auto fieldsOnly = Build({"only"}, {});
    EXPECT_EQ(fieldsOnly->FieldCount(), 1u);
    EXPECT_EQ(fieldsOnly->FieldName(0), "only");
    EXPECT_EQ(fieldsOnly->WidestBytes(0), 0u);
}

TEST(ResultBlock, ManyRowsStayCompact) {
    TResultBlock::Builder b({"id", "text"});
    std::vector<std::string> ids;
    for (int i = 0; i < 200000; ++i) {
        const std::string id = std::to_string(i);
        const std::string text(static_cast<std::size_t>(i % 17), 'q');
        const char* values[] = {id.c_str(), text.c_str()};
        b.AddRow(values, nullptr);
    }
    auto block = b.Finish();
    ASSERT_EQ(block->RowCount(), 200000u);
    EXPECT_EQ(block->Cell(123456, 0), "123456");
    EXPECT_EQ(block->Cell(123456, 1).size(), 123456u % 17);
    EXPECT_EQ(block->Cell(199999, 0), "199999");
    // Cells plus one 4-byte offset each, and nothing per row besides.
    const std::size_t bound = block->CellBytes() + block->RowCount() * 2 * 4 + 4096;
    EXPECT_LE(block->MemoryUsed(), bound);
}

namespace {

// A folder of the test's own for spill files, and the budget put back afterwards.
class Spilling : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/korvana-spill-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        Folder = pattern;
    }
    void TearDown() override {
        TResultBlock::SetSpill({}, 0);
        EXPECT_TRUE(FilesLeft().empty()) << FilesLeft().front();
        rmdir(Folder.c_str());
    }
    std::vector<std::string> FilesLeft() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(Folder.c_str())) {
            while (const dirent* e = readdir(d))
                if (e->d_name[0] != '.') names.emplace_back(e->d_name);
            closedir(d);
        }
        return names;
    }
    std::string Folder;
};

// Row r: its number, a value of r % 97 bytes (NUL bytes among them), NULL in every fifth row.
std::string Value(std::size_t r) {
    std::string v(r % 97, 'a');
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<char>(i % 13 == 5 ? '\0' : 'a' + (r + i) % 26);
    return v;
}

} // namespace

TEST_F(Spilling, ABlockPastItsBudgetReadsEveryCellBackFromItsOwnerOnlyFile) {
    TResultBlock::SetSpill(Folder, 1); // one byte: every filled chunk goes
    TResultBlock::Builder b({"n", "v"});
    constexpr std::size_t Rows = 300000;
    std::shared_ptr<const TResultBlock> growing = b.Growing();
    for (std::size_t r = 0; r < Rows; ++r) {
        const std::string n = std::to_string(r), v = Value(r);
        const char* values[] = {n.c_str(), r % 5 == 0 ? nullptr : v.data()};
        const unsigned long lengths[] = {n.size(), v.size()};
        b.AddRow(values, lengths);
        // The rows so far read back while more are added, spilled ones included.
        if (r % 50000 == 49999) {
            ASSERT_EQ(growing->RowCount(), r + 1);
            ASSERT_EQ(growing->Cell(r / 2, 0), std::to_string(r / 2));
            ASSERT_EQ(growing->Cell(r, 1), r % 5 == 0 ? std::string() : Value(r));
        }
    }
    growing.reset();
    auto block = b.Finish();
    ASSERT_EQ(block->RowCount(), Rows);
    EXPECT_GT(block->SpilledBytes(), block->CellBytes());
    // Only the last chunk is in memory.
    EXPECT_LT(block->MemoryUsed(), 2 * TResultBlock::ChunkBytes);
    ASSERT_FALSE(block->SpillFile().empty());
    EXPECT_EQ(block->SpillFile().rfind(Folder + "/" + TResultBlock::SpillPrefix, 0), 0u)
        << block->SpillFile();
    struct stat st {};
    ASSERT_EQ(stat(block->SpillFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(block->HasNulls());
    // Read from the end, then the start, and in between: every look finds its chunk.
    for (std::size_t r = Rows; r-- > 0;) {
        ASSERT_EQ(block->Cell(r, 0), std::to_string(r)) << r;
        ASSERT_EQ(block->IsNull(r, 1), r % 5 == 0) << r;
        ASSERT_EQ(block->Cell(r, 1), r % 5 == 0 ? std::string() : Value(r)) << r;
    }
    EXPECT_EQ(block->WidestBytes(1), 96u);
    EXPECT_EQ(block->WidestRow(1), 96u);
    // Let go, the file goes with it.
    block.reset();
    EXPECT_TRUE(FilesLeft().empty());
}

TEST_F(Spilling, WithinTheBudgetOrWithNoneNothingIsWritten) {
    TResultBlock::SetSpill(Folder, std::uint64_t(1) << 30);
    TResultBlock::Builder b({"v"});
    const std::string v(1000, 'q');
    for (int r = 0; r < 20000; ++r) {
        const char* values[] = {v.c_str()};
        b.AddRow(values, nullptr);
    }
    auto block = b.Finish();
    EXPECT_EQ(block->SpilledBytes(), 0u);
    EXPECT_TRUE(block->SpillFile().empty());
    EXPECT_TRUE(FilesLeft().empty());
    EXPECT_EQ(block->Cell(19999, 0), v);

    TResultBlock::SetSpill(Folder, 0);
    TResultBlock::Builder unlimited({"v"});
    for (int r = 0; r < 20000; ++r) {
        const char* values[] = {v.c_str()};
        unlimited.AddRow(values, nullptr);
    }
    EXPECT_EQ(unlimited.Finish()->SpilledBytes(), 0u);
    EXPECT_TRUE(FilesLeft().empty());
}

TEST_F(Spilling, AFolderThatCannotTakeTheFileKeepsTheRowsInMemory) {
    TResultBlock::SetSpill(Folder + "/missing", 1);
    TResultBlock::Builder b({"v"});
    const std::string v(1000, 'q');
    for (int r = 0; r < 20000; ++r) {
        const std::string n = std::to_string(r);
        const char* values[] = {n.c_str()};
        b.AddRow(values, nullptr);
    }
    for (int r = 0; r < 5000; ++r) {
        const char* values[] = {v.c_str()};
        b.AddRow(values, nullptr);
    }
    auto block = b.Finish();
    EXPECT_EQ(block->SpilledBytes(), 0u);
    ASSERT_EQ(block->RowCount(), 25000u);
    for (int r = 0; r < 20000; ++r)
        ASSERT_EQ(block->Cell(static_cast<std::size_t>(r), 0), std::to_string(r));
    EXPECT_EQ(block->Cell(24999, 0), v);
}
