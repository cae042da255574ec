// Scripts read from their files a piece at a time: pieces of a few bytes must give the very
// statements, numbers and lines that the cut of the whole decoded text gives; the encodings are
// those Load SQL finds; bad endings, long statements and files that change are refused unsent.

#include "sql/ScriptReader.h"

#include "WholeScriptCut.h"
#include "sql/QtText.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

struct TRead {
    std::vector<std::string> Statements;
    std::vector<std::size_t> Lines;
    TScriptReader::TError Error = TScriptReader::None;
    std::size_t ErrorNumber = 0, ErrorLine = 0;
    std::string ErrorText;
    TSqlEncoding Encoding = TSqlEncoding::Utf8;
    qint64 ReadAtError = 0;

    bool operator==(const TRead&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TRead& r) {
    for (std::size_t i = 0; i < r.Statements.size(); ++i)
        out << "[" << r.Lines[i] << "] <" << r.Statements[i] << ">\n";
    return out << "error " << r.Error << " at statement " << r.ErrorNumber << ", line " << r.ErrorLine << ": "
               << r.ErrorText << "\n";
}

TRead ReadAll(TScriptReader& reader) {
    TRead r;
    const std::size_t before = reader.Number();
    while (reader.Next()) {
        r.Statements.emplace_back(reader.Statement());
        r.Lines.push_back(reader.Line());
        EXPECT_EQ(reader.Number(), before + r.Statements.size());
    }
    r.Error = reader.Error();
    if (r.Error != TScriptReader::None) {
        r.ErrorNumber = reader.Number();
        r.ErrorLine = reader.Line();
        r.ErrorText = reader.ErrorText();
    }
    r.Encoding = reader.Encoding();
    return r;
}

// A device holding its own copy of the bytes (a QBuffer given a pointer leaves them to the caller).
std::unique_ptr<QBuffer> Device(const QByteArray& bytes) {
    auto device = std::make_unique<QBuffer>();
    device->setData(bytes);
    return device;
}

TRead Read(const QByteArray& bytes, std::size_t piece, std::size_t limit = std::size_t(-1)) {
    TScriptReader reader(Device(bytes), piece);
    reader.SetLimit(limit);
    TRead r = ReadAll(reader);
    r.ReadAtError = r.Error == TScriptReader::None ? 0 : reader.BytesRead();
    return r;
}

const std::size_t Pieces[] = {1, 2, 3, 7, 1 << 20};

// The text as UTF-16 behind its byte order mark.
QByteArray Utf16(std::u16string_view text, bool little) {
    QByteArray bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        bytes += little ? low : high;
        bytes += little ? high : low;
    }
    return bytes;
}

TEST(ScriptReader, PiecesOfAnySizeCutAsTheWholeTextIsCut) {
    const char* scripts[] = {
        "SELECT 1;\nSELECT 2;\n",
        "SELECT 1",
        "SELECT 1;\r\nSELECT 'a\r\nb';\r\n",
        "INSERT INTO t VALUES ('a;b', \"c;d\", `e;f`, 'it''s;', 'back\\';slash');\nSELECT 2;",
        "/* a; b */ SELECT 1; -- c; d\nSELECT 2; # e; f\nSELECT 3;\n-- the end\n",
        "# a comment line; with LF only\nSELECT 1;",
        // An unclosed "/*" is no comment, whatever comes after it ...
        "SELECT 1; /* not closed; SELECT 2; SELECT 3",
        // ... but one that is closed far on swallows everything up to there, however long.
        "SELECT '/*' AS a; SELECT 2; /* x; y; z */ SELECT 3; SELECT 4;",
        "SELECT 1 /* x; */; SELECT 2; /* closed */ SELECT 3 /* ; ; */ ;SELECT '*/';",
        "SELECT 1;*/ SELECT 2;/*/ SELECT 3;*/SELECT 4;",
        "DELIMITER $$\nCREATE PROCEDURE p() BEGIN SELECT 1; SELECT ';'; END$$\nDELIMITER ;\nSELECT 2;\n",
        "/*!40101 SET a=1 */;\nDELIMITER ;;\nCREATE TRIGGER t BEFORE INSERT ON x FOR EACH ROW BEGIN SET "
        "@a=1; "
        "END */;;\nDELIMITER ;\n/*!40101 SET b=2 */;\n",
        "delimiter //\nSELECT 1//\n  DeLiMiTeR ;\nSELECT 2;",
        "DELIMITER */\nSELECT 1*/\nSELECT 2 */ DELIMITER ;\nDELIMITER ;\n/* c */ SELECT 3;",
        "DELIMITER /\nSELECT 4 * 2/\nDELIMITER ;\n/* x */ SELECT 5;",
        "DELIMITER */\nSELECT 1 + 2*/\nDELIMITER ;\n/* c */ SELECT 3;",
        "SELECT 1;\nDELIMITERS_are_words;\nSELECT 'DELIMITER $$';",
        "SELECT 'lone\rcarriage';\n\n\n",
        "SELECT 1;;SELECT 2;\n;",
        "",
        "   \n-- nothing but comments; here\n/* and; this */\n",
    };
    for (const char* script : scripts) {
        const std::vector<std::string> whole = WholeScriptCut(script);
        for (const std::size_t piece : Pieces) {
            const TRead r = Read(script, piece);
            EXPECT_EQ(r.Error, TScriptReader::None) << script << " in pieces of " << piece << ":\n" << r;
            EXPECT_EQ(r.Statements, whole) << script << " in pieces of " << piece << ":\n" << r;
        }
    }
}

// Scripts made of the pieces the cut looks at, thrown together at random.
TEST(ScriptReader, RandomScriptsCutAlikeInPiecesAndWhole) {
    const char* parts[] = {"SELECT 1", ";",         ";;",    "\n", "\r\n",       " ",    "'",
                           "\"",       "`",         "\\",    "/*", "*/",         "#",    "-- ",
                           "--",       "$$",        "/",     "*",  "DELIMITER ", "$$\n", "//\n",
                           ";\n",      "delimiter", "'a;b'", "x",  "\xC3\xA9",   "\xE9"};
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::size_t> part(0, std::size(parts) - 1), count(1, 40);
    for (int i = 0; i < 3000; ++i) {
        std::string script;
        for (std::size_t n = count(rng); n > 0; --n)
            script += parts[part(rng)];
        const QByteArray bytes(script.data(), qsizetype(script.size()));
        const TRead whole = Read(bytes, 1 << 20);
        if (whole.Error == TScriptReader::None && DecodeSqlText(bytes).Encoding == TSqlEncoding::Utf8) {
            EXPECT_EQ(whole.Statements, WholeScriptCut(script)) << script;
        }
        for (const std::size_t piece : {1, 2, 3, 7}) {
            TRead r = Read(bytes, piece);
            r.ReadAtError = whole.ReadAtError;
            ASSERT_EQ(r, whole) << script << "\nin pieces of " << piece << ":\n" << r << "whole:\n" << whole;
        }
    }
}

TEST(ScriptReader, EachStatementKnowsTheLineItsTextBeginsOn) {
    const char* script = "\n\n-- heading\n# another\nSELECT 1;\n\n   SELECT\n2;SELECT 3;\r\n"
                         "/* opening comment */ SELECT 4;\nDELIMITER $$\n\nSELECT 5$$";
    for (const std::size_t piece : Pieces) {
        const TRead r = Read(script, piece);
        EXPECT_EQ(r.Lines, (std::vector<std::size_t>{5, 7, 8, 9, 12})) << "pieces of " << piece << ":\n" << r;
    }
}

TEST(ScriptReader, TheEncodingIsTheOneLoadSqlFinds) {
    const QByteArray le = Utf16(u"SELECT '\u20AC\U0001F600';\r\nSELECT 2\n", true);
    const QByteArray be = Utf16(u"SELECT '\u00E9';\nSELECT '\uFEFF'", false);
    const QByteArray scripts[] = {
        "SELECT '\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80';",
        "\xEF\xBB\xBFSELECT '\xEF\xBB\xBF\xC3\xA9';", // a second mark is text
        "SELECT '\xE9\x80\x81\x9F';",                 // Windows-1252, unassigned bytes too
        "\xEF\xBB\xBFSELECT '\xE9';",                 // no UTF-8: the mark is text
        "SELECT '\xC0\xAF', '\xED\xA0\x80';",         // overlong, a surrogate
        "SELECT '\xEF\xB7\x90';",                     // the editor's own character
        "SELECT '\xF4\x90\x80\x80';",                 // beyond U+10FFFF
        "SELECT 1; -- \xE2\x82",                      // cut at the end
        le,
        be,
    };
    for (const QByteArray& bytes : scripts) {
        const TSqlText loaded = DecodeSqlText(bytes);
        const std::vector<std::string> whole = WholeScriptCut(ServerText(loaded.Text));
        for (const std::size_t piece : Pieces) {
            const TRead r = Read(bytes, piece);
            EXPECT_EQ(r.Encoding, loaded.Encoding)
                << bytes.toHex().toStdString() << " in pieces of " << piece;
            EXPECT_EQ(r.Statements, whole)
                << bytes.toHex().toStdString() << " in pieces of " << piece << ":\n"
                << r;
        }
    }
}

TEST(ScriptReader, BadInputIsRefusedAfterTheStatementsBeforeIt) {
    struct TCase {
        const char* Script;
        std::size_t Limit;
        std::vector<std::string> Sent;
        TScriptReader::TError Error;
        std::size_t Number, Line;
        std::string Text;
    };
    const TCase cases[] = {
        {"SELECT 1;\nDELIMITER\nSELECT 2;\n",
         std::size_t(-1),
         {"SELECT 1"},
         TScriptReader::BadDelimiter,
         2,
         2,
         "DELIMITER must be followed by a delimiter"},
        {"SELECT 1;\nSELECT 2\nDELIMITER\n",
         std::size_t(-1),
         {"SELECT 1"},
         TScriptReader::BadDelimiter,
         2,
         3,
         "DELIMITER must be followed by a delimiter"},
        {"DELIMITER '\nSELECT 1;",
         std::size_t(-1),
         {},
         TScriptReader::BadDelimiter,
         1,
         1,
         "the delimiter's closing quote is missing"},
        {"SELECT 1;\n  delimiter \\\n",
         std::size_t(-1),
         {"SELECT 1"},
         TScriptReader::BadDelimiter,
         2,
         2,
         "a delimiter cannot contain a backslash"},
        {"SELECT 1;\nINSERT INTO t VALUES ('abc;\n",
         std::size_t(-1),
         {"SELECT 1"},
         TScriptReader::EndsInQuote,
         2,
         2,
         ""},
        {"SELECT 1;\n\n`name", std::size_t(-1), {"SELECT 1"}, TScriptReader::EndsInQuote, 2, 3, ""},
        {"DELIMITER $$\nSELECT 1$$\nCREATE PROCEDURE p()\nBEGIN\n  SELECT 1;\nEND\n",
         std::size_t(-1),
         {"SELECT 1"},
         TScriptReader::EndsInBody,
         2,
         3,
         ""},
        {"SELECT 1;\nSELECT 'too long';\nSELECT 3;", 12, {"SELECT 1"}, TScriptReader::TooLong, 2, 2, ""},
        // Exactly as long as allowed, once its CR LF counts one byte.
        {"SELECT 1;\r\nSELECT\r\n'1234';",
         14,
         {"SELECT 1", "\nSELECT\n'1234'"},
         TScriptReader::None,
         0,
         0,
         ""},
    };
    for (const TCase& c : cases) {
        for (const std::size_t piece : Pieces) {
            const TRead r = Read(c.Script, piece, c.Limit);
            EXPECT_EQ(r.Statements, c.Sent) << c.Script << " in pieces of " << piece << ":\n" << r;
            EXPECT_EQ(r.Error, c.Error) << c.Script << " in pieces of " << piece << ":\n" << r;
            EXPECT_EQ(r.ErrorNumber, c.Number) << c.Script << " in pieces of " << piece;
            EXPECT_EQ(r.ErrorLine, c.Line) << c.Script << " in pieces of " << piece;
            EXPECT_EQ(r.ErrorText, c.Text) << c.Script << " in pieces of " << piece;
        }
    }
    // A file with a NUL byte is no text: nothing at all comes out of it.
    const TRead binary = Read(QByteArray("SELECT 1;\0SELECT 2;", 19), 4);
    EXPECT_EQ(binary.Error, TScriptReader::NotText);
    EXPECT_TRUE(binary.Statements.empty());
}

TEST(ScriptReader, ALongStatementIsReadOnceAndRefusedAsSoonAsItIsTooLong) {
    std::string script = "SELECT 1;\nINSERT INTO t VALUES ";
    while (script.size() < 200000)
        script += "('x;y', 12345),\n";
    script += "('end', 0);\nSELECT 3;\n";
    const std::vector<std::string> whole = WholeScriptCut(script);
    ASSERT_EQ(whole.size(), 3u);
    for (const std::size_t piece : {7, 4096}) {
        // Delivered whole, after reading at most a quarter beyond it (and a piece).
        TScriptReader reader(Device(QByteArray(script.data(), qsizetype(script.size()))), piece);
        qint64 readThen = 0;
        std::vector<std::string> got;
        while (reader.Next()) {
            got.emplace_back(reader.Statement());
            if (got.size() == 2) readThen = reader.BytesRead();
        }
        EXPECT_EQ(got, whole);
        EXPECT_LE(readThen, qint64(whole[1].size() * 4 / 3 + 2 * piece + 64));

        // Longer than allowed: refused once a tenth of it is read, not at its end.
        const TRead r = Read(QByteArray(script.data(), qsizetype(script.size())), piece, 20000);
        EXPECT_EQ(r.Statements, std::vector<std::string>{"SELECT 1"});
        EXPECT_EQ(r.Error, TScriptReader::TooLong);
        EXPECT_EQ(r.ErrorNumber, 2u);
        EXPECT_EQ(r.ErrorLine, 2u);
        EXPECT_LT(r.ReadAtError, 40000);
    }
}

class ScriptFile : public ::testing::Test {
protected:
    QString Write(const QByteArray& bytes) {
        QFile f(Path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        EXPECT_EQ(f.write(bytes), bytes.size());
        return Path;
    }
    std::unique_ptr<TScriptReader> Open(std::size_t piece) {
        return std::make_unique<TScriptReader>(std::make_unique<QFile>(Path), piece);
    }
    static QByteArray Statements(int n) {
        QByteArray bytes;
        for (int i = 1; i <= n; ++i)
            bytes += "INSERT INTO t VALUES (" + QByteArray::number(i) + ", 'some text of a row');\n";
        return bytes;
    }

    QTemporaryDir Dir;
    QString Path = Dir.filePath(QStringLiteral("script.sql"));
};

TEST_F(ScriptFile, AFileThatShrinksWhileItRunsStopsWithNothingHalfSent) {
    Write(Statements(100));
    auto reader = Open(64);
    ASSERT_TRUE(reader->Check());
    ASSERT_TRUE(reader->Next());
    ASSERT_TRUE(QFile::resize(Path, 1000));
    TRead r = ReadAll(*reader);
    EXPECT_EQ(r.Error, TScriptReader::Changed);
    ASSERT_FALSE(r.Statements.empty());
    EXPECT_LT(r.Statements.size(), 99u);
    // Every statement taken is whole: the ones of the file as it was, in order.
    for (std::size_t i = 0; i < r.Statements.size(); ++i)
        EXPECT_EQ(r.Statements[i],
                  "\nINSERT INTO t VALUES (" + std::to_string(i + 2) + ", 'some text of a row')");
    EXPECT_EQ(reader->Number(), r.Statements.size() + 2);
}

TEST_F(ScriptFile, AFileThatGrowsWhileItRunsLeavesItsUnfinishedLastStatementUnsent) {
    Write("SELECT 1;\nSELECT 2");
    auto reader = Open(4);
    ASSERT_TRUE(reader->Check());
    QFile more(Path);
    ASSERT_TRUE(more.open(QIODevice::Append));
    more.write(" + 3;\n");
    more.close();
    const TRead r = ReadAll(*reader);
    EXPECT_EQ(r.Statements, std::vector<std::string>{"SELECT 1"});
    EXPECT_EQ(r.Error, TScriptReader::Changed);
    EXPECT_EQ(r.ErrorLine, 2u);
}

TEST_F(ScriptFile, AFileRemovedWhileItRunsIsReadToItsEndOnce) {
    Write(Statements(50));
    auto reader = Open(100);
    ASSERT_TRUE(reader->Check());
    ASSERT_TRUE(QFile::remove(Path));
    const TRead r = ReadAll(*reader);
    EXPECT_EQ(r.Error, TScriptReader::None);
    EXPECT_EQ(r.Statements.size(), 50u);
}

TEST_F(ScriptFile, TheProgressCanStopTheReadingAndAMissingFileCannotBeOpened) {
    Write(Statements(50));
    auto reader = Open(100);
    int calls = 0;
    reader->SetProgress([&] { return ++calls < 30; });
    const TRead r = ReadAll(*reader);
    EXPECT_EQ(r.Error, TScriptReader::Stopped);
    EXPECT_GT(r.Statements.size(), 0u);
    EXPECT_LT(r.Statements.size(), 50u);

    ASSERT_TRUE(QFile::remove(Path));
    EXPECT_EQ(ReadAll(*Open(100)).Error, TScriptReader::CannotOpen);
}

} // namespace
