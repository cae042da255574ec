// The two export formats as bytes, and writing them to a file: chunks, replacing the old file only
// when complete, failures that leave it intact.

#include "sql/ExportWriter.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "TypedBlock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <span>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Row = TTestRow; // nullopt: SQL NULL

TExportGrid Grid(std::span<const TColumnInfo> columns, const std::vector<Row>& rows) {
    return WholeBlock(TypedBlock(columns, rows));
}

TExportGrid Grid(const std::vector<std::string>& names, const std::vector<Row>& rows) {
    std::vector<TColumnInfo> columns;
    for (const std::string& name : names)
        columns.emplace_back(name);
    return Grid(columns, rows);
}

TColumnInfo Column(std::string name, TColumnKind kind) {
    TColumnInfo c(std::move(name));
    c.Kind = kind;
    return c;
}

TExportOptions Delimited(std::string separator = ";", bool header = true) {
    TExportOptions o;
    o.Separator = std::move(separator);
    o.Header = header;
    return o;
}

TExportOptions Sql(std::string table) {
    TExportOptions o;
    o.Format = TExportOptions::SqlInsert;
    o.TableName = std::move(table);
    return o;
}

TExportGrid Example() {
    return Grid({"id", "name"}, {{"1", "abc"}, {"2", ""}});
}

QStringList Entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

// ---- the formats ---------------------------------------------------------------------------------

TEST(ExportFormats, TheDesignedExampleInBothFormats) {
    EXPECT_EQ(ExportText(Example(), Delimited()), "id;name\r\n1;abc\r\n2;\r\n");
    // Text columns: the empty name stays the empty string.
    EXPECT_EQ(ExportText(Example(), Sql("t")),
              "INSERT INTO t VALUES('1','abc');\r\nINSERT INTO t VALUES('2','');\r\n");
}

TEST(ExportFormats, HeaderRowsAndColumnsPresentOrNot) {
    EXPECT_EQ(ExportText(Example(), Delimited(";", false)), "1;abc\r\n2;\r\n");

    const TExportGrid noRows = Grid({"a", "b", "c"}, {});
    EXPECT_EQ(ExportText(noRows, Delimited()), "a;b;c\r\n");
    EXPECT_EQ(ExportText(noRows, Delimited(";", false)), "");
    EXPECT_EQ(ExportText(noRows, Sql("t")), "");

    // After Clear result the grid has no block at all.
    const TExportGrid cleared;
    EXPECT_EQ(ExportText(cleared, Delimited()), "\r\n");
    EXPECT_EQ(ExportText(cleared, Delimited(";", false)), "");
    EXPECT_EQ(ExportText(cleared, Sql("t")), "");

    const TExportGrid oneColumn = Grid({"only"}, {{"x"}, {std::nullopt}});
    EXPECT_EQ(ExportText(oneColumn, Delimited()), "only\r\nx\r\nNULL\r\n");
    EXPECT_EQ(ExportText(oneColumn, Sql("t")),
              "INSERT INTO t VALUES('x');\r\nINSERT INTO t VALUES(NULL);\r\n");
}

TEST(ExportFormats, ColumnsGoInTheOrderGiven) {
    TExportGrid grid = Grid({"a", "b", "c"}, {{"1", "2", "3"}});
    grid.Columns = {2, 0, 1};
    EXPECT_EQ(ExportText(grid, Delimited()), "c;a;b\r\n3;1;2\r\n");
    EXPECT_EQ(ExportText(grid, Sql("t")), "INSERT INTO t VALUES('3','1','2');\r\n");
    grid.Rows = 0; // a grid showing fewer rows than its block holds
    EXPECT_EQ(ExportText(grid, Delimited()), "c;a;b\r\n");
}

TEST(ExportFormats, DelimitedEnclosesExactlyTheValuesThatWouldBreakTheFile) {
    const TExportGrid grid = Grid({"plain", "has;sep", "q\"uote"}, {{"a,b c\t'\\", "x;y", "say \"hi\""},
                                                                    {"line\r\nbreak", "lf\nonly", "cr\ronly"},
                                                                    {"\"", "", std::nullopt}});
    EXPECT_EQ(ExportText(grid, Delimited()), "plain;\"has;sep\";\"q\"\"uote\"\r\n"
                                             "a,b c\t'\\;\"x;y\";\"say \"\"hi\"\"\"\r\n"
                                             "\"line\r\nbreak\";\"lf\nonly\";\"cr\ronly\"\r\n"
                                             "\"\"\"\";;NULL\r\n");
    // Another separator: the semicolon is plain text now, the comma is what encloses.
    EXPECT_EQ(ExportText(Grid({"v"}, {{"x;y"}, {"x,y"}}), Delimited(",", false)), "x;y\r\n\"x,y\"\r\n");
}

TEST(ExportFormats, EmptySeparatorConcatenatesAndEnclosesOnlyQuotesAndLineBreaks) {
    const TExportGrid grid = Grid({"a", "b"}, {{"1;2", "x"}, {"q\"", "l\n"}, {"", ""}});
    EXPECT_EQ(ExportText(grid, Delimited("")), "ab\r\n1;2x\r\n\"q\"\"\"\"l\n\"\r\n\r\n");
}

TEST(ExportFormats, MultiByteSeparatorEnclosesOnlyWhereItsWholeSequenceOccurs) {
    // "§" is C2 A7 in UTF-8; "Â" (C3 82) and "ç" (C3 A7) share a byte with it but not the sequence.
    const TExportGrid grid = Grid({"a", "b"}, {{"x§y", "Âç"}});
    EXPECT_EQ(ExportText(grid, Delimited("§", false)), "\"x§y\"§Âç\r\n");
}

TEST(ExportFormats, ValueEndingInPartOfARepeatingSeparatorIsEnclosed) {
    // Unenclosed, "a;" before ";;" would read back as "a" and ";b".
    const TExportGrid grid = Grid({"a", "b"}, {{"a;", "b"}, {";a", "b;"}});
    EXPECT_EQ(ExportText(grid, Delimited(";;", false)), "\"a;\";;b\r\n;a;;\"b;\"\r\n");
    // "xa" before "ab" holds no separator that starts inside the value: no quotes.
    EXPECT_EQ(ExportText(Grid({"a", "b"}, {{"xa", "b"}}), Delimited("ab", false)), "xaabb\r\n");
    EXPECT_EQ(ExportText(Grid({"a", "b"}, {{"x-=", "y"}, {"x-=-", "y"}}), Delimited("-=-=", false)),
              "\"x-=\"-=-=y\r\nx-=--=-=y\r\n");
}

TEST(ExportFormats, SqlEscapesWhatWouldEndOrChangeTheString) {
    const std::string ctrlZ = "a\x1a"
                              "b";
    const TExportGrid grid = Grid({"a", "b", "c", "d"}, {{"it's", "back\\slash\\", "cr\rlf\n", ctrlZ},
                                                         {"tab\tand \"double\"", "ünï ✓", "", std::nullopt},
                                                         {std::nullopt, "\\'", "'", "\\"}});
    EXPECT_EQ(ExportText(grid, Sql("t")),
              "INSERT INTO t VALUES('it\\'s','back\\\\slash\\\\','cr\\rlf\\n','a\\Zb');\r\n"
              "INSERT INTO t VALUES('tab\tand \"double\"','ünï ✓','',NULL);\r\n"
              "INSERT INTO t VALUES(NULL,'\\\\\\'','\\'','\\\\');\r\n");
}

TEST(ExportFormats, SqlTableNameIsWrittenAsTyped) {
    const TExportGrid grid = Grid({"a"}, {{"1"}});
    EXPECT_EQ(ExportText(grid, Sql("")), "INSERT INTO  VALUES('1');\r\n");
    EXPECT_EQ(ExportText(grid, Sql("db.`my t`")), "INSERT INTO db.`my t` VALUES('1');\r\n");
}

TEST(ExportFormats, NullEmptyAndTheTextNullStayApartInBothFormats) {
    const TExportGrid grid =
        Grid({"a", "b", "c"}, {{std::nullopt, "", "NULL"}, {"null", "NULL ", std::nullopt}});
    EXPECT_EQ(ExportText(grid, Delimited()), "a;b;c\r\nNULL;;\"NULL\"\r\nnull;NULL ;NULL\r\n");
    EXPECT_EQ(ExportText(grid, Sql("t")),
              "INSERT INTO t VALUES(NULL,'','NULL');\r\nINSERT INTO t VALUES('null','NULL ',NULL);\r\n");
    // A caption NULL is enclosed too, so a reader that keeps the header does not read SQL NULL.
    EXPECT_EQ(ExportText(Grid({"NULL"}, {}), Delimited()), "\"NULL\"\r\n");
}

TEST(ExportFormats, ASeparatorInsideTheWordNullLeavesNullEmpty) {
    // With "L" as the separator the bare word would read as "NU", "" and ""; the text NULL holds
    // the separator and is enclosed anyway.
    const TExportGrid grid = Grid({"a", "b"}, {{std::nullopt, "NULL"}});
    EXPECT_EQ(ExportText(grid, Delimited("L", false)), "L\"NULL\"\r\n");
    EXPECT_EQ(ExportText(grid, Delimited("UL", false)), "UL\"NULL\"\r\n");
    // "NULLLN" still reads as NULL, then the separator.
    EXPECT_EQ(ExportText(grid, Delimited("LN", false)), "NULLLN\"NULL\"\r\n");
}

TEST(ExportFormats, SqlWritesNumbersBareAndBinaryAsHexadecimal) {
    const std::vector<TColumnInfo> columns = {
        Column("i", TColumnKind::Integer), Column("d", TColumnKind::Decimal),
        Column("f", TColumnKind::Float),   Column("b", TColumnKind::Binary),
        Column("bit", TColumnKind::Bit),   Column("when", TColumnKind::Temporal),
        Column("s", TColumnKind::Text)};
    const std::string bytes("\0\x01'\\\xff\x7f", 6);
    const TExportGrid grid = Grid(
        columns,
        {{"-9223372036854775808", "-12345678901234567890.0123456789", "-1.17549e-38", bytes,
          std::string("\0", 1), "2024-02-29 23:59:59.000001", "0x41"},
         {"18446744073709551615", "0.0000000000", "1.7976931348623157e308", "", "\x05", "-838:59:59", ""},
         {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt}});
    EXPECT_EQ(ExportText(grid, Sql("t")),
              "INSERT INTO t VALUES(-9223372036854775808,-12345678901234567890.0123456789,-1.17549e-38,"
              "0x0001275CFF7F,0x00,'2024-02-29 23:59:59.000001','0x41');\r\n"
              "INSERT INTO t VALUES(18446744073709551615,0.0000000000,1.7976931348623157e308,X'',0x05,"
              "'-838:59:59','');\r\n"
              "INSERT INTO t VALUES(NULL,NULL,NULL,NULL,NULL,NULL,NULL);\r\n");
    // The delimited format writes the same values as their bytes.
    const std::string firstLine = "-9223372036854775808;-12345678901234567890.0123456789;-1.17549e-38;" +
                                  bytes + ";" + std::string("\0", 1) + ";2024-02-29 23:59:59.000001;0x41\r\n";
    EXPECT_EQ(ExportText(grid, Delimited(";", false)).substr(0, firstLine.size()), firstLine);
}

TEST(ExportFormats, ANumberColumnValueThatIsNoNumberIsQuotedNotWrittenAsSql) {
    const TExportGrid grid = Grid(std::vector{Column("n", TColumnKind::Integer)},
                                  {{"1);DROP TABLE t;--"}, {""}, {"-"}, {"1e"}, {".e5"}, {"+.5E-3"}, {"1."}});
    EXPECT_EQ(ExportText(grid, Sql("t")), "INSERT INTO t VALUES('1);DROP TABLE t;--');\r\n"
                                          "INSERT INTO t VALUES('');\r\n"
                                          "INSERT INTO t VALUES('-');\r\n"
                                          "INSERT INTO t VALUES('1e');\r\n"
                                          "INSERT INTO t VALUES('.e5');\r\n"
                                          "INSERT INTO t VALUES(+.5E-3);\r\n"
                                          "INSERT INTO t VALUES(1.);\r\n");
}

TEST(ExportFormats, FollowTheShownOrderOfRows) {
    TExportGrid grid = Grid({"n"}, {{"a"}, {std::nullopt}, {"c"}});
    grid.Order = std::make_shared<const std::vector<std::size_t>>(std::vector<std::size_t>{2, 0, 1});
    EXPECT_EQ(ExportText(grid, Delimited(";", false)), "c\r\na\r\nNULL\r\n");
    EXPECT_EQ(ExportText(grid, Sql("t")),
              "INSERT INTO t VALUES('c');\r\nINSERT INTO t VALUES('a');\r\nINSERT INTO t VALUES(NULL);\r\n");
}

// ---- chunks ------------------------------------------------------------------------------------

TEST(ExportChunks, LargeOutputArrivesInBoundedChunksThatJoinToTheWholeText) {
    std::vector<Row> rows;
    const std::string big(3 << 20, 'v'); // larger than a chunk on its own
    rows.push_back({"0", big});
    for (int i = 1; i < 40000; ++i)
        rows.push_back({std::to_string(i), std::string(40, 'a' + i % 26)});
    const TExportGrid grid = Grid({"n", "v"}, rows);

    for (const TExportOptions& options : {Delimited(), Sql("t")}) {
        std::string joined;
        std::size_t chunks = 0, largestSmall = 0;
        ASSERT_TRUE(WriteExport(grid, options, [&](std::string_view chunk) {
            ++chunks;
            if (chunk.size() < big.size()) largestSmall = std::max(largestSmall, chunk.size());
            joined.append(chunk);
            return true;
        }));
        EXPECT_GT(chunks, 3u);
        EXPECT_LE(largestSmall, std::size_t(1) << 20);
        EXPECT_EQ(joined, ExportText(grid, options));
        EXPECT_NE(joined.find(big), std::string::npos);
    }

    // A large binary value: its hexadecimal form also arrives in bounded chunks.
    const TExportGrid binary =
        Grid(std::vector{Column("b", TColumnKind::Binary)}, {{std::string(3 << 20, '\xab')}});
    std::string joined;
    std::size_t largest = 0;
    ASSERT_TRUE(WriteExport(binary, Sql("t"), [&](std::string_view chunk) {
        largest = std::max(largest, chunk.size());
        joined.append(chunk);
        return true;
    }));
    EXPECT_LE(largest, std::size_t(1) << 20);
    std::string hex;
    for (int i = 0; i < (3 << 20); ++i)
        hex += "AB";
    EXPECT_EQ(joined, "INSERT INTO t VALUES(0x" + hex + ");\r\n");
}

TEST(ExportChunks, ARefusedChunkStopsTheExport) {
    std::vector<Row> rows;
    for (int i = 0; i < 100000; ++i)
        rows.push_back({std::to_string(i), std::string(50, 'x')});
    const TExportGrid grid = Grid({"n", "v"}, rows);
    int calls = 0;
    EXPECT_FALSE(WriteExport(grid, Delimited(), [&](std::string_view) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 1);
}

// ---- files -------------------------------------------------------------------------------------

TEST(ExportFile, WritesTheBytesAndReplacesAnOldFileLeavingNothingElse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    ASSERT_TRUE(ExportToFile(path, Example(), Delimited()));
    EXPECT_EQ(ReadFile(path), "id;name\r\n1;abc\r\n2;\r\n");

    ASSERT_TRUE(WriteFile(path, std::string(100000, 'o'))); // longer than the new content
    ASSERT_TRUE(ExportToFile(path, Example(), Sql("t")));
    EXPECT_EQ(ReadFile(path), "INSERT INTO t VALUES('1','abc');\r\nINSERT INTO t VALUES('2','');\r\n");

    ASSERT_TRUE(ExportToFile(path, TExportGrid(), Delimited(";", false)));
    EXPECT_EQ(ReadFile(path), "");
    EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("out.csv")});
}

TEST(ExportFile, AnUnwritablePlaceFailsAndLeavesTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_FALSE(ExportToFile(dir.filePath(QStringLiteral("missing/out.csv")), Example(), Delimited()));
    EXPECT_FALSE(ExportToFile(dir.path(), Example(), Delimited())); // a folder, not a file
    EXPECT_TRUE(Entries(dir).isEmpty());

    // A read-only folder: the file in it may not be replaced (root may write anyway, so only
    // when the folder really refuses).
    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(locked));
    const QString path = locked + QStringLiteral("/out.csv");
    ASSERT_TRUE(WriteFile(path, "old"));
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0500), 0);
    const bool refuses = ::access(QFile::encodeName(locked).constData(), W_OK) != 0;
    const bool written = ExportToFile(path, Example(), Delimited());
    ::chmod(QFile::encodeName(locked).constData(), 0700);
    if (refuses) {
        EXPECT_FALSE(written);
        EXPECT_EQ(ReadFile(path), "old");
        EXPECT_EQ(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.csv")});
    } else {
        EXPECT_TRUE(written);
    }
}

TEST(ExportFile, AWriteFailingHalfwayLeavesTheOldFileAndNoTemporaryFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.sql"));
    const std::string old = "the old content\r\n";
    ASSERT_TRUE(WriteFile(path, old));

    std::vector<Row> rows;
    for (int i = 0; i < 50000; ++i)
        rows.push_back({std::to_string(i), std::string(60, 'x')});
    const TExportGrid grid = Grid({"n", "v"}, rows);

    // A file size limit far below the output: the writes stop with EFBIG partway through.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256 * 1024, 256 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
        ::_exit(ExportToFile(path, grid, Sql("t")) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the export reported success (1) or could not set the limit (3)";
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("out.sql")});

    // Without the limit the same export goes through.
    ASSERT_TRUE(ExportToFile(path, grid, Sql("t")));
    EXPECT_EQ(ReadFile(path), ExportText(grid, Sql("t")));
}
