#include "sql/SplitStatements.h"
#include "ReferenceSplit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

namespace {

using Statements = std::vector<std::string>;

Statements Split(std::string_view text) {
    Statements list;
    SplitStatements(list, text);
    return list;
}

Statements Reference(const std::string& t) {
    const std::vector<std::string_view> cut = ReferenceSplit(t);
    return Statements(cut.begin(), cut.end());
}

TEST(SplitStatements, StatementBoundaries) {
    EXPECT_EQ(Split("SELECT 1"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("SELECT 1;\r\nSELECT 2;"), (Statements{"SELECT 1", "\r\nSELECT 2"}));
    // A tail after the last ";" runs, unless it is only blanks, line breaks and comments.
    EXPECT_EQ(Split("SELECT 1; SELECT 2"), (Statements{"SELECT 1", " SELECT 2"}));
    EXPECT_EQ(Split("SELECT 1;\r\n\t \r\n"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("SELECT 1; # done"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("SELECT 1; -- done\r\n/* really */\r\n"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("SELECT 1; --"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("SELECT 1; /* open"), (Statements{"SELECT 1", " /* open"}));
    EXPECT_EQ(Split("SELECT 1; -- done\r\nSELECT 2"), (Statements{"SELECT 1", " -- done\r\nSELECT 2"}));
    EXPECT_EQ(Split("SELECT 1;'"), (Statements{"SELECT 1", "'"}));
    EXPECT_EQ(Split("SELECT 1;"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("a;;b;"), (Statements{"a", "", "b"}));
    EXPECT_EQ(Split(";"), Statements{""});
    EXPECT_EQ(Split(""), Statements{""});
    EXPECT_EQ(Split("  \r\n  "), Statements{"  \r\n  "});
}

TEST(SplitStatements, AppendsToWhatTheListHolds) {
    Statements list{"kept"};
    SplitStatements(list, "x;y;");
    EXPECT_EQ(list, (Statements{"kept", "x", "y"}));
}

TEST(SplitStatements, HashCommentRunsToCrLf) {
    EXPECT_EQ(Split("SELECT 1 # no; split\r\n;"), Statements{"SELECT 1 # no; split\r\n"});
    // A bare LF does not end the comment.
    EXPECT_EQ(Split("# a\n; b\r\n;x;"), (Statements{"# a\n; b\r\n", "x"}));
    // On the last line, with or without a line break, the scan just ends.
    EXPECT_EQ(Split("SELECT 1;\r\n# last; line"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("SELECT 1;\r\n# last; line\r\n"), Statements{"SELECT 1"});
    EXPECT_EQ(Split("# only ; a comment"), Statements{"# only ; a comment"});
    EXPECT_EQ(Split("#"), Statements{"#"});
    EXPECT_EQ(Split("#\r"), Statements{"#\r"});
    // The LF of the pair is an ordinary character again, so a ';' right after it splits.
    EXPECT_EQ(Split("#\r\n;"), Statements{"#\r\n"});
}

TEST(SplitStatements, BlockComments) {
    EXPECT_EQ(Split("SELECT /* a;b */ 1;2;"), (Statements{"SELECT /* a;b */ 1", "2"}));
    EXPECT_EQ(Split("/*/;*/;"), (Statements{"/*/", "*/"})); // "/*/" is already a whole comment
    EXPECT_EQ(Split("/**/;"), Statements{"/**/"});
    EXPECT_EQ(Split("/* ; unclosed; x"), (Statements{"/* ", " unclosed", " x"}));
    EXPECT_EQ(Split("/"), Statements{"/"});
    EXPECT_EQ(Split("/*"), Statements{"/*"});
    EXPECT_EQ(Split("a/;b;"), (Statements{"a/", "b"}));
    // A "#" inside a block comment is part of the comment, and "/*" inside a "#" comment too.
    EXPECT_EQ(Split("/* # */;x;"), (Statements{"/* # */", "x"}));
    EXPECT_EQ(Split("# /*\r\n;*/;"), (Statements{"# /*\r\n", "*/"}));
    // Several unclosed openings: each is an ordinary character, and every later ';' still splits.
    EXPECT_EQ(Split("/*a;/*b;/*c;"), (Statements{"/*a", "/*b", "/*c"}));
}

TEST(SplitStatements, QuotesHideWhatTheyHold) {
    EXPECT_EQ(Split("SELECT 'Ink; blue';SELECT 2;"), (Statements{"SELECT 'Ink; blue'", "SELECT 2"}));
    EXPECT_EQ(Split("SELECT \"a;b\", `c;d` FROM t;x;"), (Statements{"SELECT \"a;b\", `c;d` FROM t", "x"}));
    // Quotes hide comment starts too, and comments hide quotes.
    EXPECT_EQ(Split("SELECT '#', \"/*\", '-- ';x;"), (Statements{"SELECT '#', \"/*\", '-- '", "x"}));
    EXPECT_EQ(Split("SELECT 1 # it's\r\n;x;"), (Statements{"SELECT 1 # it's\r\n", "x"}));
    EXPECT_EQ(Split("/* it's */;x;"), (Statements{"/* it's */", "x"}));
    EXPECT_EQ(Split("-- it's\n;x;"), (Statements{"-- it's\n", "x"}));
    // A doubled quote stands for itself.
    EXPECT_EQ(Split("SELECT 'it''s; fine';x;"), (Statements{"SELECT 'it''s; fine'", "x"}));
    EXPECT_EQ(Split("SELECT ```;`;x;"), (Statements{"SELECT ```;`", "x"}));
    EXPECT_EQ(Split("SELECT '';x;"), (Statements{"SELECT ''", "x"}));
    // A backslash takes the next character as is in '...' and "...", not in `...`.
    EXPECT_EQ(Split("SELECT 'it\\'s; fine';x;"), (Statements{"SELECT 'it\\'s; fine'", "x"}));
    EXPECT_EQ(Split("SELECT \"\\\";\";x;"), (Statements{"SELECT \"\\\";\"", "x"}));
    EXPECT_EQ(Split("SELECT 'a\\\\';x;"), (Statements{"SELECT 'a\\\\'", "x"}));
    EXPECT_EQ(Split("SELECT 'a\\\\\\';';x;"), (Statements{"SELECT 'a\\\\\\';'", "x"}));
    EXPECT_EQ(Split("SELECT `a\\`;x;"), (Statements{"SELECT `a\\`", "x"}));
    EXPECT_EQ(Split("SELECT 'a\\'';x;"), (Statements{"SELECT 'a\\''", "x"}));
    // One kind of quote does not close another.
    EXPECT_EQ(Split("SELECT '\"`;';x;"), (Statements{"SELECT '\"`;'", "x"}));
    // An unclosed quote runs to the end of the text: nothing after it is cut off.
    EXPECT_EQ(Split("SELECT 'a; b; c"), Statements{"SELECT 'a; b; c"});
    EXPECT_EQ(Split("SELECT 1; SELECT 'a; b"), (Statements{"SELECT 1", " SELECT 'a; b"}));
    EXPECT_EQ(Split("x;'\\"), (Statements{"x", "'\\"}));
}

TEST(SplitStatements, DashCommentsNeedABlankAfterTheDashes) {
    // The half statement must not run on its own.
    EXPECT_EQ(Split("DELETE FROM t -- keep row 5; see ticket\r\nWHERE id = 5;"),
              Statements{"DELETE FROM t -- keep row 5; see ticket\r\nWHERE id = 5"});
    EXPECT_EQ(Split("SELECT 1 --\t;x\n;y;"), (Statements{"SELECT 1 --\t;x\n", "y"}));
    EXPECT_EQ(Split("SELECT 1 --\r\n;y;"), (Statements{"SELECT 1 --\r\n", "y"}));
    EXPECT_EQ(Split("SELECT 1 -- ;"), Statements{"SELECT 1 -- ;"});
    // Anything else after "--" is two minus signs.
    EXPECT_EQ(Split("SELECT 1--1;y;"), (Statements{"SELECT 1--1", "y"}));
    EXPECT_EQ(Split("SELECT 5 - -3;y;"), (Statements{"SELECT 5 - -3", "y"}));
    EXPECT_EQ(Split("SELECT 1 ---;y;"), (Statements{"SELECT 1 ---", "y"}));
    EXPECT_EQ(Split("SELECT 1 --- ;y;"), Statements{"SELECT 1 --- ;y;"});
    EXPECT_EQ(Split("-;-"), (Statements{"-", "-"}));
}

TEST(SplitStatements, ViewsPointIntoTheText) {
    const std::string text = "one; two /*;*/;three";
    std::vector<std::string_view> views;
    SplitStatements(views, text);
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(views[0].data(), text.data());
    EXPECT_EQ(views[1], " two /*;*/");
    EXPECT_EQ(views[1].data(), text.data() + 4);
    EXPECT_EQ(views[2].data(), text.data() + 15);
}

// Long texts go through the wide scan: specials at every offset around its block edges.
TEST(SplitStatements, SpecialsAtEveryOffsetOfLongTexts) {
    for (std::size_t length : {15u, 16u, 17u, 63u, 64u, 65u, 130u, 511u, 512u, 513u, 1100u}) {
        for (std::size_t at = 0; at < length; ++at) {
            for (const char* special :
                 {";", "#", "/*", "*/", "\r\n", "-- ", "'", "\\'", "`", "\"", "/\n", "-\r",
                  "\nDELIMITER $$\n", "\n \tdelimiter ;;\r\n", "\ndelimit", "xdelimiter $$\n"}) {
                std::string text(length, 'x');
                text.replace(at, std::string(special).size(), special);
                text.resize(length);
                text += ";tail;";
                EXPECT_EQ(Split(text), Reference(text))
                    << "length " << length << " at " << at << " " << special;
            }
        }
    }
}

// Random texts over the characters that matter: the cut equals the reference scan, the statements
// are disjoint pieces of the text in order, and joining them with ";" never exceeds the text.
TEST(SplitStatements, RandomTextsFollowTheRules) {
    std::mt19937 random(20260508);
    const std::string alphabet = ";#/*\r\n ab'\"-`\\\t";
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 80, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];

        std::vector<std::string_view> views;
        SplitStatements(views, text);
        ASSERT_FALSE(views.empty());
        std::size_t next = 0, joined = 0;
        for (std::string_view v : views) {
            ASSERT_GE(v.data(), text.data() + next) << text;
            ASSERT_LE(v.data() + v.size(), text.data() + text.size()) << text;
            next = static_cast<std::size_t>(v.data() - text.data()) + v.size();
            joined += v.size();
        }
        joined += views.size() - 1;
        ASSERT_LE(joined, text.size()) << text;
        ASSERT_EQ(Split(text), Reference(text)) << text;
    }
    // Long texts with sparse specials, so comments jump across the scan's windows.
    for (int round = 0; round < 300; ++round) {
        std::string text(random() % 5000, 'x');
        for (char& c : text)
            if (random() % 40 == 0) c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(Split(text), Reference(text)) << text;
    }
    // Long texts of single-quoted values and ';', as rows of INSERTs are, with a rare other stop:
    // whole words hold nothing else, and texts run across their edges.
    const std::string rare = "\\#\"-`/";
    for (int round = 0; round < 500; ++round) {
        std::string text(random() % 3000, 'x');
        for (char& c : text) {
            const auto r = random() % 64;
            if (r < 3)
                c = '\'';
            else if (r == 3)
                c = ';';
            else if (r == 4 && random() % 8 == 0)
                c = rare[random() % rare.size()];
        }
        ASSERT_EQ(Split(text), Reference(text)) << text;
    }
}

// Texts full of unclosed "/*" or of "#" comments must not make the scan quadratic: 200,000
// unclosed openings would take minutes if each searched to the end.
TEST(SplitStatements, UnclosedCommentsStayLinear) {
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "/*;";
    const auto start = std::chrono::steady_clock::now();
    Statements list;
    SplitStatements(list, text);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(list.size(), 200000u);
    EXPECT_EQ(list.back(), "/*");
    // Linear takes milliseconds; quadratic would take minutes.
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

// The same for long quoted texts full of escaped quotes and backslashes, and for many quotes.
TEST(SplitStatements, LongQuotedTextsStayLinear) {
    std::string escaped = "SELECT '";
    for (int i = 0; i < 200000; ++i)
        escaped += "\\\\\\';";
    escaped += "';x;";
    std::string many;
    for (int i = 0; i < 200000; ++i)
        many += "'a''b\\\\'`c`;";
    const auto start = std::chrono::steady_clock::now();
    Statements a, b;
    SplitStatements(a, escaped);
    SplitStatements(b, many);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(a.size(), 2u);
    EXPECT_EQ(b.size(), 200000u);
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

} // namespace

// ---- DELIMITER lines, as the command-line client reads them ----

TEST(Delimiter, ALineNamesTheDelimiterUntilTheNextOne) {
    const std::string dump =
        "CREATE TABLE t (a INT);\n"
        "DELIMITER ;;\n"
        "CREATE TRIGGER tr BEFORE INSERT ON t FOR EACH ROW BEGIN SET NEW.a = 1; SET @x = ';;'; END ;;\n"
        "DELIMITER ;\n"
        "INSERT INTO t VALUES (1);\n";
    EXPECT_EQ(Split(dump),
              (Statements{"CREATE TABLE t (a INT)",
                          "CREATE TRIGGER tr BEFORE INSERT ON t FOR EACH ROW BEGIN SET NEW.a = 1; "
                          "SET @x = ';;'; END ",
                          "INSERT INTO t VALUES (1)"}));
    // Any letter case, blanks before it, a word as delimiter, quotes taken off, the rest ignored.
    EXPECT_EQ(Split("  delimiter $$ # to the end\r\nSELECT 1; SELECT 2$$SELECT 3$$"),
              (Statements{"SELECT 1; SELECT 2", "SELECT 3"}));
    EXPECT_EQ(Split("Delimiter GO\nSELECT 1 go\nSELECT 2 GO"), (Statements{"SELECT 1 ", "\nSELECT 2 "}));
    EXPECT_EQ(Split("DELIMITER '//' trailing\nSELECT 1//"), Statements{"SELECT 1"});
    // The line ends the statement before it; a pending blank or comment is no statement.
    EXPECT_EQ(Split("SELECT 1\nDELIMITER $$\nSELECT 2$$"), (Statements{"SELECT 1\n", "SELECT 2"}));
    EXPECT_EQ(Split("SELECT 1;\n-- note\nDELIMITER $$\nSELECT 2$$"), (Statements{"SELECT 1", "SELECT 2"}));
    // Only alone at the start of a line, outside quotes and comments.
    EXPECT_EQ(Split("SELECT 'a\nDELIMITER $$\n';x;"), (Statements{"SELECT 'a\nDELIMITER $$\n'", "x"}));
    EXPECT_EQ(Split("/*\nDELIMITER $$\n*/;x;"), (Statements{"/*\nDELIMITER $$\n*/", "x"}));
    EXPECT_EQ(Split("SELECT 1 DELIMITER $$;x;"), (Statements{"SELECT 1 DELIMITER $$", "x"}));
    EXPECT_EQ(Split("DELIMITERS $$;x;"), (Statements{"DELIMITERS $$", "x"}));
    // The delimiter inside quotes and comments is text; executable comments travel as they stand.
    EXPECT_EQ(Split("DELIMITER $$\nSELECT '$$' /* $$ */ $$/*!50003 SELECT 1 */$$"),
              (Statements{"SELECT '$$' /* $$ */ ", "/*!50003 SELECT 1 */"}));
    // Only DELIMITER lines: no statement at all.
    EXPECT_EQ(Split("DELIMITER $$\nDELIMITER ;\n"), Statements{});
}

TEST(Delimiter, ALineThatNamesNoUsableDelimiterStopsTheCutWithAMessage) {
    const std::string text = "SELECT 1;\nDELIMITER \nSELECT 2;";
    TScriptCut cut = CutScript(text);
    EXPECT_EQ(cut.Statements, (std::vector<std::string_view>{"SELECT 1"}));
    EXPECT_EQ(cut.Error, "DELIMITER must be followed by a delimiter");
    EXPECT_EQ(cut.ErrorAt, text.find("DELIMITER"));
    EXPECT_EQ(CutScript("DELIMITER \\\\\nSELECT 1").Error, "a delimiter cannot contain a backslash");
    EXPECT_EQ(CutScript("DELIMITER '\nSELECT 1").Error, "the delimiter's closing quote is missing");
    EXPECT_EQ(CutScript("DELIMITER ''\nSELECT 1").Error, "DELIMITER must be followed by a delimiter");
    // The delimiter in force at the end, for a script cut in pieces.
    cut = CutScript("DELIMITER $$\nSELECT 1$$");
    EXPECT_TRUE(cut.Error.empty());
    EXPECT_EQ(cut.Delimiter, "$$");
    cut = CutScript("SELECT 1$$SELECT 2", "$$");
    EXPECT_EQ(cut.Statements, (std::vector<std::string_view>{"SELECT 1", "SELECT 2"}));
}

// Scripts made of the pieces that matter, DELIMITER lines among them: the cut equals the reference.
TEST(Delimiter, RandomScriptsFollowTheRules) {
    std::mt19937 random(20261208);
    const std::vector<std::string> pieces{"DELIMITER $$\n",
                                          "DELIMITER ;\n",
                                          "delimiter ;;\r\n",
                                          " DELIMITER //\n",
                                          "DELIMITER\n",
                                          "$$",
                                          ";;",
                                          "//",
                                          ";",
                                          "'",
                                          "\"",
                                          "`",
                                          "\\",
                                          "#",
                                          "/*",
                                          "*/",
                                          "-- ",
                                          "\r\n",
                                          "\n",
                                          "x",
                                          " ",
                                          "DELIMITER 'a b'\n"};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int i = random() % 24; i > 0; --i)
            text += pieces[random() % pieces.size()];
        ASSERT_EQ(Split(text), Reference(text)) << text;
    }
}

// Where the text after the last delimiter, or after the last whole DELIMITER line, begins: a text
// read in pieces keeps the bytes from there for the next piece.
TEST(Delimiter, RestIsWhereTheUncutTextBegins) {
    struct TCase {
        std::string_view Text, Delimiter;
        std::size_t Rest;
    };
    const TCase cases[] = {
        {"", ";", 0},
        {"SELECT 1", ";", 0},
        {"SELECT 1;", ";", 9},
        {"a;b;SELECT 'x;", ";", 4},
        {"SELECT 1; -- a; comment", ";", 9},
        {"a$$b$", "$$", 3},
        {"SELECT 1;\nDELIMITER $$\nSELECT 2$$ x", ";", 33},
        {"SELECT 1;\nDELIMITER $$\n", ";", 23},
        {"SELECT 1;\nDELIMITER $$\r\n", ";", 24},
        // A DELIMITER line the text ends in without a line break may still grow: not taken yet.
        {"SELECT 1;\nDELIMITER $", ";", 10},
        {"x;\nDELIMITER $$\nDELIMITER ;\ny", ";", 28},
        // A line that names no delimiter stops the cut: the rest is where it stood before.
        {"x;\nDELIMITER \ny;", ";", 2},
    };
    for (const TCase& c : cases) {
        const TScriptCut cut = CutScript(c.Text, c.Delimiter);
        EXPECT_EQ(cut.Rest, c.Rest) << c.Text;
        if (c.Delimiter == ";") {
            EXPECT_EQ(cut.Rest, ReferenceCut(c.Text).Rest) << c.Text;
        }
    }
}

// The cut reads the text with AVX2, with SSE2 or a byte at a time, as the processor allows: each
// way, chosen in turn, must cut exactly as the reference does, across the edges of its blocks too.
TEST(Delimiter, EveryWayOfReadingCutsAlike) {
    std::mt19937 random(20261209);
    const std::vector<std::string> pieces{"DELIMITER $$\n",
                                          " delimiter ;\r\n",
                                          "DELIMITER\n",
                                          "$$",
                                          ";",
                                          "'",
                                          "\"",
                                          "`",
                                          "\\",
                                          "#",
                                          "/*",
                                          "*/",
                                          "-- ",
                                          "--",
                                          "/\n",
                                          "-\r",
                                          "\r\n",
                                          "\n",
                                          "x",
                                          " ",
                                          "eli",
                                          "del",
                                          "ELI",
                                          "dEli"};
    std::vector<std::string> texts;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = random() % 40; i > 0; --i)
            text += pieces[random() % pieces.size()];
        texts.push_back(text);
        // The same with long runs of plain text, so that what matters falls anywhere in a block.
        std::string spread;
        for (char c : text)
            spread += random() % 4 ? std::string(1, c) : std::string(random() % 70, 'y') + c;
        texts.push_back(spread);
    }
    for (ESplitReading reading : {ESplitReading::Bytes, ESplitReading::Sse2, ESplitReading::Widest}) {
        ChooseSplitReading(reading);
        for (const std::string& text : texts) {
            const TReferenceCut expected = ReferenceCut(text);
            const TScriptCut cut = CutScript(text);
            ASSERT_EQ(Statements(cut.Statements.begin(), cut.Statements.end()),
                      Statements(expected.Statements.begin(), expected.Statements.end()))
                << static_cast<int>(reading) << " " << text;
            ASSERT_EQ(cut.Rest, expected.Rest) << static_cast<int>(reading) << " " << text;
            ASSERT_EQ(cut.Error.empty() ? std::string_view::npos : cut.ErrorAt, expected.StoppedAt) << text;
        }
    }
    ChooseSplitReading(ESplitReading::Widest);
}
