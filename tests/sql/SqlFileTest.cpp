// SQL script files without the window: decoding, line ends, the NUL cut, the encoding kept from
// load to save, the capacity limit and the atomic save.

#include "sql/SqlFile.h"
#include "FileLimits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray Bytes(const char* s, qsizetype n = -1) {
    return n < 0 ? QByteArray(s) : QByteArray(s, n);
}

QByteArray RoundTrip(const QByteArray& bytes) {
    TSqlText text = DecodeSqlText(bytes);
    return EncodeSqlText(text.Text, text.Encoding);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Random bytes without NUL whose only line ends are CR LF.
QByteArray RandomCrLfBytes(std::mt19937& rng, int length) {
    std::uniform_int_distribution<int> byte(1, 255);
    QByteArray out;
    while (out.size() < length) {
        const char c = static_cast<char>(byte(rng));
        if (c == '\r' || c == '\n')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

// Random valid UTF-8 from all planes (surrogates and the editor's two noncharacters aside).
QByteArray RandomUtf8(std::mt19937& rng, int characters) {
    std::uniform_int_distribution<int> plane(0, 9);
    std::uniform_int_distribution<char32_t> ascii(1, 0x7F), bmp(0x80, 0xFFFD), astral(0x10000, 0x10FFFF);
    std::u32string text;
    for (int i = 0; i < characters; ++i) {
        const int p = plane(rng);
        char32_t c = p < 5 ? ascii(rng) : p < 9 ? bmp(rng) : astral(rng);
        if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFDD0 || c == 0xFDD1 || c == 0x2028 || c == 0x2029) c = 'x';
        if (c == '\r' || c == '\n') {
            text += U"\r\n";
            continue;
        }
        text += c;
    }
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size())).toUtf8();
}

} // namespace

TEST(SqlFileDecode, EveryKindOfLineEndBecomesCrLf) {
    const QString want = QStringLiteral("SELECT 1;\r\nSELECT 2;\r\n\r\nSELECT 3");
    EXPECT_EQ(DecodeSqlText(Bytes("SELECT 1;\r\nSELECT 2;\r\n\r\nSELECT 3")).Text, want);
    EXPECT_EQ(DecodeSqlText(Bytes("SELECT 1;\nSELECT 2;\n\nSELECT 3")).Text, want);
    EXPECT_EQ(DecodeSqlText(Bytes("SELECT 1;\rSELECT 2;\r\rSELECT 3")).Text, want);
    EXPECT_EQ(DecodeSqlText(Bytes("SELECT 1;\nSELECT 2;\r\rSELECT 3")).Text, want);
    // LF CR is two line ends, CR LF one; in UTF-8 the Unicode separators are line ends too.
    EXPECT_EQ(DecodeSqlText(Bytes("a\n\rb")).Text, QStringLiteral("a\r\n\r\nb"));
    EXPECT_EQ(DecodeSqlText(Bytes("a\xE2\x80\xA8"
                                  "b\xE2\x80\xA9"))
                  .Text,
              QStringLiteral("a\r\nb\r\n"));
    EXPECT_EQ(DecodeSqlText(Bytes("\r")).Text, QStringLiteral("\r\n"));
    EXPECT_EQ(DecodeSqlText(Bytes("")).Text, QString());
}

TEST(SqlFileDecode, TheTextEndsAtTheFirstNul) {
    EXPECT_EQ(DecodeSqlText(Bytes("SELECT 1;\0DROP TABLE t;", 23)).Text, QStringLiteral("SELECT 1;"));
    EXPECT_EQ(DecodeSqlText(Bytes("\0abc", 4)).Text, QString());
    // What follows the NUL plays no part in telling the encoding.
    EXPECT_EQ(DecodeSqlText(Bytes("caf\xC3\xA9\0\xFF", 7)).Encoding, TSqlEncoding::Utf8);
}

TEST(SqlFileDecode, BinaryJunkGivesTheTextBeforeItsFirstNul) {
    std::mt19937 rng(14);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk += static_cast<char>(byte(rng));
        const qsizetype nul = junk.indexOf('\0');
        const TSqlText text = DecodeSqlText(junk);
        EXPECT_FALSE(text.Text.contains(QChar(0)));
        EXPECT_FALSE(text.Text.contains(QChar::ReplacementCharacter));
        EXPECT_EQ(text.Text, DecodeSqlText(junk.left(nul)).Text);
    }
}

TEST(SqlFileDecode, Utf8IsReadAsUtf8AndEverythingElseByteForByte) {
    TSqlText utf8 = DecodeSqlText(Bytes("SELECT 'caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80'"));
    EXPECT_EQ(utf8.Encoding, TSqlEncoding::Utf8);
    EXPECT_EQ(utf8.Text, QString::fromUtf8("SELECT 'café € \xF0\x9F\x98\x80'"));

    TSqlText bom = DecodeSqlText(Bytes("\xEF\xBB\xBFSELECT 1"));
    EXPECT_EQ(bom.Encoding, TSqlEncoding::Utf8Bom);
    EXPECT_EQ(bom.Text, QStringLiteral("SELECT 1")); // the mark never reaches the server

    TSqlText latin1 = DecodeSqlText(Bytes("SELECT 'caf\xE9 \x80 \xA0 \x81'"));
    EXPECT_EQ(latin1.Encoding, TSqlEncoding::Windows1252);
    EXPECT_EQ(latin1.Text, QString::fromUtf8("SELECT 'café € \xC2\xA0 \xC2\x81'"));

    // Overlong forms, encoded surrogates, a cut sequence and the editor's own noncharacters are
    // no UTF-8 to keep.
    for (const char* odd : {"\xC0\xAF", "\xED\xA0\x80", "ab\xE2\x82", "\xEF\xB7\x90", "\xF4\x90\x80\x80"})
        EXPECT_EQ(DecodeSqlText(Bytes(odd)).Encoding, TSqlEncoding::Windows1252) << odd;
}

TEST(SqlFileEncode, AnyScriptWithCrLfLineEndsComesBackByteForByte) {
    std::mt19937 rng(1409);
    std::uniform_int_distribution<int> length(0, 600);
    for (int round = 0; round < 400; ++round) {
        const QByteArray raw = RandomCrLfBytes(rng, length(rng));
        EXPECT_EQ(RoundTrip(raw), raw) << raw.toHex().constData();
        const QByteArray utf8 = RandomUtf8(rng, length(rng));
        EXPECT_EQ(RoundTrip(utf8), utf8) << utf8.toHex().constData();
        const QByteArray marked = QByteArray("\xEF\xBB\xBF") + utf8;
        EXPECT_EQ(RoundTrip(marked), marked) << marked.toHex().constData();
    }
}

TEST(SqlFileEncode, ACharacterTheOldCodePageLacksMakesTheScriptUtf8) {
    TSqlText text = DecodeSqlText(Bytes("SELECT 'caf\xE9'"));
    ASSERT_EQ(text.Encoding, TSqlEncoding::Windows1252);
    TSqlEncoding encoding = text.Encoding;
    EXPECT_EQ(EncodeSqlText(text.Text + QStringLiteral(" -- \u20AC"), encoding),
              Bytes("SELECT 'caf\xE9' -- \x80"));
    EXPECT_EQ(encoding, TSqlEncoding::Windows1252);

    const QString typed = text.Text + QStringLiteral(" -- \u0142\u00F3d\u017A");
    const QByteArray bytes = EncodeSqlText(typed, encoding);
    EXPECT_EQ(encoding, TSqlEncoding::Utf8);
    EXPECT_EQ(DecodeSqlText(bytes).Text, typed); // nothing typed is lost
}

// ---- files ----

class SqlFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Dir.isValid()); }
    QString Path(const char* name) const { return Dir.filePath(QLatin1String(name)); }
    QStringList Entries() const {
        return QDir(Dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    QTemporaryDir Dir;
};

TEST_F(SqlFileTest, MissingAndUnreadableFilesCannotBeOpened) {
    EXPECT_EQ(ReadSqlFile(Path("missing.sql")).Error, TSqlFileRead::CannotOpen);
    EXPECT_EQ(ReadSqlFile(Dir.path()).Error, TSqlFileRead::CannotOpen); // a folder
    // Opens, but reading fails at once (nothing is mapped at address 0).
    EXPECT_EQ(ReadSqlFile(QStringLiteral("/proc/self/mem")).Error, TSqlFileRead::CannotOpen);
}

TEST_F(SqlFileTest, TheCapacityCountsCharactersAsTheEditorDoes) {
    WriteFile(Path("fits.sql"), QByteArray(10, 'a'));
    EXPECT_EQ(ReadSqlFile(Path("fits.sql"), 10).Error, TSqlFileRead::None);
    EXPECT_EQ(ReadSqlFile(Path("fits.sql"), 9).Error, TSqlFileRead::TooLong);
    // A lone LF grows to CR LF and counts two; a character off the Basic Multilingual Plane two.
    WriteFile(Path("lf.sql"), Bytes("abcd\n\n\n"));
    EXPECT_EQ(ReadSqlFile(Path("lf.sql"), 10).Error, TSqlFileRead::None);
    EXPECT_EQ(ReadSqlFile(Path("lf.sql"), 9).Error, TSqlFileRead::TooLong);
    WriteFile(Path("astral.sql"), Bytes("\xF0\x9F\x98\x80\xF0\x9F\x98\x80"));
    EXPECT_EQ(ReadSqlFile(Path("astral.sql"), 4).Error, TSqlFileRead::None);
    EXPECT_EQ(ReadSqlFile(Path("astral.sql"), 3).Error, TSqlFileRead::TooLong);
    // Three-byte characters count one each, the byte order mark none.
    WriteFile(Path("wide.sql"), Bytes("\xEF\xBB\xBF\xE2\x82\xAC\xE2\x82\xAC"));
    TSqlFileRead wide = ReadSqlFile(Path("wide.sql"), 2);
    EXPECT_EQ(wide.Error, TSqlFileRead::None);
    EXPECT_EQ(wide.Script.Text, QStringLiteral("\u20AC\u20AC"));
    // A NUL byte makes the file no text at all, rather than a text cut short.
    WriteFile(Path("nul.sql"), Bytes("SELECT 1;") + QByteArray(1, '\0') + QByteArray(300, 'x'));
    EXPECT_EQ(ReadSqlFile(Path("nul.sql"), 400).Error, TSqlFileRead::NotText);
    // The fixed limit itself (one over it: through the window).
    WriteFile(Path("limit.sql"), QByteArray(MaxSqlTextLength, 'a'));
    EXPECT_EQ(ReadSqlFile(Path("limit.sql")).Error, TSqlFileRead::None);
}

TEST_F(SqlFileTest, ASaveReplacesTheFileWholeAndKeepsItsPermissions) {
    const QString path = Path("script.sql");
    WriteFile(path, QByteArray(5000, 'o'));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_TRUE(WriteSqlFile(path, Bytes("SELECT 1;\r\n")));
    EXPECT_EQ(ReadFile(path), Bytes("SELECT 1;\r\n"));
    const QFile::Permissions modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                        QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFile::permissions(path) & modeBits, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("script.sql")});

    // A link stays a link: the file it points to is the one replaced.
    ASSERT_TRUE(QFile::link(path, Path("link.sql")));
    ASSERT_TRUE(WriteSqlFile(Path("link.sql"), Bytes("SELECT 2;")));
    EXPECT_TRUE(QFileInfo(Path("link.sql")).isSymLink());
    EXPECT_EQ(ReadFile(path), Bytes("SELECT 2;"));
    ASSERT_TRUE(QFile::remove(Path("link.sql")));

    ASSERT_TRUE(WriteSqlFile(Path("new.sql"), QByteArray()));
    EXPECT_TRUE(QFile::exists(Path("new.sql")));
    EXPECT_EQ(ReadFile(Path("new.sql")), QByteArray());
}

TEST_F(SqlFileTest, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const QString path = Path("script.sql");
    const QByteArray old = Bytes("SELECT 'old';\r\n");
    WriteFile(path, old);

    // A file-size limit below the new text: the write fails half-way.
    bool written = true;
    {
        TFileSizeLimit limit(64 * 1024);
        written = WriteSqlFile(path, QByteArray(1024 * 1024, 'n'));
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("script.sql")});

    // A folder that does not exist.
    EXPECT_FALSE(WriteSqlFile(Path("nowhere/script.sql"), old));
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("script.sql")});
}

TEST(SqlFileDecode, TheFilesLineEndStyleIsThatOfItsFirstBreak) {
    EXPECT_EQ(DecodeSqlText(Bytes("a;\r\nb;\nc;")).LineEnds, TLineEnds::CrLf);
    EXPECT_EQ(DecodeSqlText(Bytes("a;\nb;\r\n")).LineEnds, TLineEnds::Lf);
    EXPECT_EQ(DecodeSqlText(Bytes("a;")).LineEnds, TLineEnds::Lf);
    EXPECT_EQ(DecodeSqlText(Bytes("a\xE9;\r\n")).LineEnds, TLineEnds::CrLf); // Windows-1252 too
    TSqlEncoding utf8 = TSqlEncoding::Utf8;
    EXPECT_EQ(EncodeSqlText(QStringLiteral("a;\r\nb;\r\n"), utf8, TLineEnds::Lf), QByteArray("a;\nb;\n"));
    EXPECT_EQ(EncodeSqlText(QStringLiteral("a;\r\nb;"), utf8, TLineEnds::CrLf), QByteArray("a;\r\nb;"));
}

TEST(SqlFileDecode, Utf16BehindItsMarkIsReadAsUtf16) {
    const QByteArray le("\xFF\xFE"
                        "S\0"
                        "1\0"
                        "\r\0\n\0"
                        "\xAC\x20",
                        12);
    const TSqlText text = DecodeSqlText(le);
    EXPECT_EQ(text.Encoding, TSqlEncoding::Utf16Le);
    EXPECT_EQ(text.Text, QStringLiteral("S1\r\n\u20AC"));
    TSqlEncoding encoding = text.Encoding;
    EXPECT_EQ(EncodeSqlText(text.Text, encoding, text.LineEnds), le);
    const QByteArray be("\xFE\xFF"
                        "\0S"
                        "\0\n",
                        6);
    EXPECT_EQ(DecodeSqlText(be).Encoding, TSqlEncoding::Utf16Be);
    EXPECT_EQ(DecodeSqlText(be).Text, QStringLiteral("S\r\n"));
    // An odd length or a lone surrogate is no UTF-16: read byte for byte as before.
    EXPECT_EQ(DecodeSqlText(QByteArray("\xFF\xFE"
                                       "a",
                                       3))
                  .Encoding,
              TSqlEncoding::Windows1252);
    EXPECT_EQ(DecodeSqlText(QByteArray("\xFF\xFE\x00\xD8", 4)).Encoding, TSqlEncoding::Windows1252);
}

// A Windows-1252 script that begins with the two letters of a UTF-16 mark would load back as
// UTF-16: it is saved as UTF-8 instead, and a second mark inside UTF-16 stays a character.
TEST(SqlFileEncode, TextsThatLookLikeAUtf16MarkLoadBackAsTheyWere) {
    const TSqlText odd = DecodeSqlText(QByteArray("\xFF\xFE"
                                                  "x",
                                                  3)); // odd length: no UTF-16
    ASSERT_EQ(odd.Encoding, TSqlEncoding::Windows1252);
    TSqlEncoding encoding = odd.Encoding;
    const QByteArray saved = EncodeSqlText(odd.Text, encoding, odd.LineEnds);
    EXPECT_EQ(encoding, TSqlEncoding::Utf8);
    EXPECT_EQ(DecodeSqlText(saved).Text, odd.Text);
    const QByteArray twoMarks("\xFF\xFE\xFF\xFE"
                              "a\0",
                              6);
    const TSqlText wide = DecodeSqlText(twoMarks);
    EXPECT_EQ(wide.Text, QStringLiteral("\uFEFFa"));
    TSqlEncoding utf16 = wide.Encoding;
    EXPECT_EQ(EncodeSqlText(wide.Text, utf16, wide.LineEnds), twoMarks);
}
