// The clipboard forms of selected rows: tab-separated text and HTML, as a spreadsheet reads them
// back into the same cells, and the table name of copied INSERT statements.

#include "sql/CopyText.h"

#include "TypedBlock.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Row = TTestRow; // nullopt: SQL NULL

TColumnInfo Column(std::string name, TColumnKind kind = TColumnKind::Text, std::string table = "t") {
    return TestColumn(std::move(name), kind, std::move(table));
}

std::shared_ptr<const TResultBlock> Block(const std::vector<TColumnInfo>& columns,
                                          const std::vector<Row>& rows) {
    return TypedBlock(columns, rows);
}

TExportGrid Grid(const std::vector<TColumnInfo>& columns, const std::vector<Row>& rows) {
    return WholeBlock(Block(columns, rows));
}

// The cells between "<tr>" and "</tr>" of the HTML form, one string a row.
std::vector<std::string> HtmlRows(const std::string& html) {
    std::vector<std::string> rows;
    for (std::size_t at = html.find("<tr>"); at != std::string::npos; at = html.find("<tr>", at + 1)) {
        const std::size_t end = html.find("</tr>", at);
        rows.push_back(html.substr(at + 4, end - at - 4));
    }
    return rows;
}

} // namespace

TEST(CopyText, TextIsOneLineARowWithTabsAndEnclosesOnlyWhatWouldSplitACell) {
    const TExportGrid grid =
        Grid({Column("a"), Column("b")},
             {{"plain", "with\ttab"}, {"say \"hi\"", "two\nlines"}, {"cr\r\nlf", "it's; fine, \\ really"}});
    const TCopiedRows copied = CopyRows(grid, false);
    EXPECT_EQ(copied.Text, "plain\t\"with\ttab\"\n"
                           "\"say \"\"hi\"\"\"\t\"two\nlines\"\n"
                           "\"cr\r\nlf\"\tit's; fine, \\ really\n");
    EXPECT_EQ(HtmlRows(copied.Html), (std::vector<std::string>{
                                         "<td>plain</td><td>with\ttab</td>",
                                         "<td>say &quot;hi&quot;</td><td>two<br>lines</td>",
                                         "<td>cr<br>lf</td><td>it's; fine, \\ really</td>",
                                     }));
}

TEST(CopyText, NullAndTheEmptyStringAreEmptyFieldsAndTheTextNullStaysText) {
    const TExportGrid grid =
        Grid({Column("city"), Column("empty"), Column("word")}, {{std::nullopt, "", "NULL"}});
    const TCopiedRows copied = CopyRows(grid, false);
    EXPECT_EQ(copied.Text, "\t\tNULL\n");
    EXPECT_EQ(HtmlRows(copied.Html), (std::vector<std::string>{"<td></td><td></td><td>NULL</td>"}));
}

TEST(CopyText, HtmlIsOneEscapedTableThatNamesItsCharacterSet) {
    const TExportGrid grid = Grid({Column("x < y & z")}, {{"<b>bold</b> & \"q\""}, {"Grüße 🙂"}});
    const TCopiedRows copied = CopyRows(grid, true);
    EXPECT_NE(copied.Html.find("charset=utf-8"), std::string::npos);
    EXPECT_EQ(copied.Html.find("<table>"), copied.Html.rfind("<table>"));
    EXPECT_EQ(copied.Html.substr(copied.Html.size() - 9), "</table>\n");
    EXPECT_EQ(HtmlRows(copied.Html), (std::vector<std::string>{
                                         "<th>x &lt; y &amp; z</th>",
                                         "<td>&lt;b&gt;bold&lt;/b&gt; &amp; &quot;q&quot;</td>",
                                         "<td>Grüße 🙂</td>",
                                     }));
    // The text form knows nothing of HTML; only its own quotes.
    EXPECT_EQ(copied.Text, "x < y & z\n\"<b>bold</b> & \"\"q\"\"\"\nGrüße 🙂\n");
}

TEST(CopyText, ValuesAreWholeThroughNulBytesAndBinaryValuesAreHexadecimal) {
    const TExportGrid grid =
        Grid({Column("txt"), Column("bin", TColumnKind::Binary), Column("bits", TColumnKind::Bit)},
             {{"a\0b"s, "\x00\xff\x10 "s, "\x05"s}, {"", ""s, std::nullopt}});
    const TCopiedRows copied = CopyRows(grid, false);
    EXPECT_EQ(copied.Text, "a\0b\t0x00FF1020\t0x05\n\t\t\n"s);
    // HTML cannot carry a NUL: it becomes the replacement character, and what follows it stays.
    EXPECT_EQ(HtmlRows(copied.Html), (std::vector<std::string>{
                                         "<td>a\xEF\xBF\xBD"
                                         "b</td><td>0x00FF1020</td><td>0x05</td>",
                                         "<td></td><td></td><td></td>",
                                     }));
}

TEST(CopyText, NamesComeFirstOnlyWhenAskedFor) {
    const TExportGrid grid = Grid({Column("id"), Column("full\tname")}, {{"1", "Ada"}});
    EXPECT_EQ(CopyRows(grid, true).Text, "id\t\"full\tname\"\n1\tAda\n");
    EXPECT_EQ(CopyRows(grid, false).Text, "1\tAda\n");
    EXPECT_EQ(HtmlRows(CopyRows(grid, true).Html).front(), "<th>id</th><th>full\tname</th>");
}

TEST(CopyText, SelectedRowsFollowTheShownRowAndColumnOrder) {
    TExportGrid shown = Grid({Column("id"), Column("name")}, {{"0", "zero"}, {"1", "one"}, {"2", "two"}});
    // Sorted by the view: block rows 2, 0, 1 shown top to bottom; the columns moved.
    shown.Order = std::make_shared<std::vector<std::size_t>>(std::vector<std::size_t>{2, 0, 1});
    shown.Columns = {1, 0};
    const std::vector<std::size_t> places{0, 2, 7}; // 7 is past the end and left out
    const TExportGrid selected = SelectedRows(shown, places);
    EXPECT_EQ(selected.Rows, 2u);
    EXPECT_EQ(CopyRows(selected, true).Text, "name\tid\ntwo\t2\none\t1\n");
    // The export writer reads the narrowed grid as any other.
    TExportOptions sql;
    sql.Format = TExportOptions::SqlInsert;
    sql.TableName = "t";
    EXPECT_EQ(ExportText(selected, sql).find("INSERT INTO t VALUES('two',"), 0u);
    EXPECT_EQ(ExportText(selected, sql).find("INSERT INTO t VALUES('one',"),
              ExportText(selected, sql).find("\r\n") + 2);
}

TEST(CopyText, NothingToCopyGivesEmptyForms) {
    const TExportGrid none;
    EXPECT_EQ(SelectedRows(none, std::vector<std::size_t>{0, 1}).Rows, 0u);
    EXPECT_EQ(CopyTextBytes(none), 0u);
    EXPECT_TRUE(CopyRows(none, true).Text.empty());
    const TExportGrid grid = Grid({Column("a")}, {{"x"}});
    EXPECT_EQ(CopyRows(SelectedRows(grid, {}), false).Text, "");
}

TEST(CopyText, TheSizeAskedAboutIsTheTextsSizeWithoutQuotes) {
    const TExportGrid grid = Grid({Column("a"), Column("b", TColumnKind::Binary)},
                                  {{"abc", "\x01\x02"s}, {std::nullopt, ""s}, {"q\"", "\x00"s}});
    const TCopiedRows copied = CopyRows(grid, false);
    // The one enclosed value adds its two quotes and one doubled quote.
    EXPECT_EQ(CopyTextBytes(grid) + 3, copied.Text.size());
    EXPECT_EQ(CopyTextBytes(SelectedRows(grid, std::vector<std::size_t>{0})), 4u + 7u);
}

TEST(CopyText, InsertTableIsTheTypedNameElseTheOneSourceTable) {
    const auto one = Block({Column("id", TColumnKind::Integer, "customers"), Column("name")}, {});
    EXPECT_EQ(CopyInsertTable(*Block({Column("id", TColumnKind::Integer, "customers"),
                                      Column("name", TColumnKind::Text, "customers")},
                                     {}),
                              ""),
              "customers");
    EXPECT_EQ(CopyInsertTable(*one, "shop.archive"), "shop.archive"); // as typed
    EXPECT_EQ(CopyInsertTable(*one, "  "), ""); // blank is not a name; the tables differ
    EXPECT_EQ(CopyInsertTable(*Block({Column("a", TColumnKind::Text, "order items")}, {}), " "),
              "`order items`");
    // An expression has no table, so the columns do not share one.
    EXPECT_EQ(CopyInsertTable(
                  *Block({Column("a", TColumnKind::Text, "t"), Column("b", TColumnKind::Text, "")}, {}), ""),
              "");
    EXPECT_EQ(CopyInsertTable(*Block({Column("x", TColumnKind::Text, "")}, {}), ""), "");
}
