// The compact result block on its own, without a server.

#include "server/ResultBlock.h"

#include <gtest/gtest.h>

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
