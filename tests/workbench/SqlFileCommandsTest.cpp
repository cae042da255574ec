// Load SQL and Save SQL through the main window: its buttons and menu items, dlgOpen and dlgSave
// answered by script, the editor's text, and the files on disk.

#include "FileLimits.h"
#include "WindowTestSupport.h"
#include "editor/ColorMemo.h"
#include "sql/SqlFile.h"
#include "workbench/controllers/QueryHistory.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>

#include <random>

namespace {

class SqlFileCommandsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(Files.isValid());
    }

    QString Path(const char* name) const { return Files.filePath(QLatin1String(name)); }
    QStringList Entries() const {
        return QDir(Files.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray ReadFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

    // Load SQL of `path` from the tool bar.
    void Load(const QString& path) {
        Dialogs.AnswerFile(path);
        Ui(*Window).btnLoadSql->click();
    }
    // Save SQL to `path` from the File menu; `confirm` answers the replace or create question.
    void Save(const QString& path, TMsgResult confirm = TMsgResult::Yes) {
        Dialogs.AnswerFile(path);
        Dialogs.Answer(confirm);
        Ui(*Window).mnuSaveSql->trigger();
    }
    const TScriptedDialogs::TQuestion& LastQuestion() const { return Dialogs.Questions().back(); }

    QTemporaryDir Files;
};

} // namespace

TEST_F(SqlFileCommandsTest, EveryKindOfLineEndLoadsAsTheSameLines) {
    TfrmMain& w = Open();
    w.SetStatusText(QStringLiteral("Connected to localhost:3306"));
    const QString want = QStringLiteral("SELECT 1;\r\n\r\nSELECT 2;\r\n");
    for (const char* bytes : {"SELECT 1;\r\n\r\nSELECT 2;\r\n", "SELECT 1;\n\nSELECT 2;\n",
                              "SELECT 1;\r\rSELECT 2;\r", "SELECT 1;\n\rSELECT 2;\r\n"}) {
        Ui(w).mmoIn->SetText(QStringLiteral("old text"));
        WriteFile(Path("script.sql"), bytes);
        Load(Path("script.sql"));
        EXPECT_EQ(Ui(w).mmoIn->Text(), want) << bytes;
        EXPECT_EQ(Ui(w).mmoIn->Lines(), (QStringList{"SELECT 1;", "", "SELECT 2;", ""})) << bytes;
    }
    // Nothing but the editor is touched.
    EXPECT_EQ(w.StatusText(), QStringLiteral("Connected to localhost:3306"));
    EXPECT_EQ(w.History()->Count(), 0);
    EXPECT_EQ(Ui(w).dlgOpen->FileName, Path("script.sql"));
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(SqlFileCommandsTest, ALoadIsOneStepThatUndoTakesBack) {
    TfrmMain& w = Open();
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT 'typed';"));
    WriteFile(Path("a.sql"), "SELECT 'a';\r\nSELECT 'b';");
    Dialogs.AnswerFile(Path("a.sql"));
    Ui(w).mnuLoadSql->trigger();
    ASSERT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT 'a';\r\nSELECT 'b';"));
    EXPECT_EQ(Ui(w).mmoIn->SelStart(), 0);
    Ui(w).mmoIn->undo();
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT 'typed';"));
}

// A NUL byte outside UTF-16 marks a binary file: loading the text before it would lose the rest
// without a word, so the file is refused and the editor keeps its text.
TEST_F(SqlFileCommandsTest, FilesWithNulBytesAreRefusedAndTheEditorKeepsItsText) {
    TfrmMain& w = Open();
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT 'kept';"));
    WriteFile(Path("nul.sql"), QByteArray("SELECT 1;\r\nSELECT", 17) + QByteArray(1, '\0') + "DROP TABLE t;");
    Dialogs.Answer(TMsgResult::Ok);
    Load(Path("nul.sql"));
    EXPECT_EQ(LastQuestion().Text, QStringLiteral("Cannot load file ") +
                                       QDir::toNativeSeparators(Path("nul.sql")) +
                                       QStringLiteral(": it holds NUL bytes and is not a text file"));
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT 'kept';"));

    // Junk without a NUL loads byte for byte as Windows-1252; with one it is refused.
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 20; ++round) {
        QByteArray junk;
        for (int i = 0; i < 20000; ++i)
            junk += static_cast<char>(byte(rng) | (round % 2 ? 1 : 0));
        WriteFile(Path("junk.bin"), junk);
        const bool hasNul = junk.contains('\0');
        if (hasNul) Dialogs.Answer(TMsgResult::Ok);
        Ui(w).mmoIn->SetText(QStringLiteral("SELECT 'kept';"));
        Load(Path("junk.bin"));
        EXPECT_EQ(Ui(w).mmoIn->Text(), hasNul ? QStringLiteral("SELECT 'kept';") : DecodeSqlText(junk).Text);
    }
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

// Scripts written by Windows tools: UTF-16 behind a byte order mark, NUL bytes and all.
TEST_F(SqlFileCommandsTest, Utf16ScriptsLoadAndSaveBackAsTheyCame) {
    TfrmMain& w = Open();
    const QString script = QStringLiteral("SELECT 'caf\u00E9 \u20AC';\r\nSELECT 2;\r\n");
    for (const bool little : {true, false}) {
        QByteArray bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (const QChar c : script) {
            const char lo = static_cast<char>(c.unicode() & 0xFF), hi = static_cast<char>(c.unicode() >> 8);
            bytes.append(little ? lo : hi).append(little ? hi : lo);
        }
        WriteFile(Path("wide.sql"), bytes);
        Load(Path("wide.sql"));
        EXPECT_EQ(Ui(w).mmoIn->Text(), script);
        Save(Path("again.sql"));
        EXPECT_EQ(ReadFile(Path("again.sql")), bytes) << little;
        QFile::remove(Path("again.sql"));
    }
}

// The file's own line ends come back: LF scripts stay LF, CR LF scripts CR LF.
TEST_F(SqlFileCommandsTest, EachLineEndStyleComesBackByteForByte) {
    TfrmMain& w = Open();
    for (const QByteArray& bytes :
         {QByteArray("SELECT 1;\nSELECT 'a\nb';\n"), QByteArray("SELECT 1;\r\nSELECT 2;\r\n")}) {
        WriteFile(Path("style.sql"), bytes);
        Load(Path("style.sql"));
        EXPECT_TRUE(
            Ui(w).mmoIn->Text().startsWith(QStringLiteral("SELECT 1;\r\n"))); // the editor's own breaks
        Save(Path("style.sql"));
        EXPECT_EQ(ReadFile(Path("style.sql")), bytes);
    }
}

TEST_F(SqlFileCommandsTest, AMissingOrUnreadableFileLeavesTheEditorAsItWas) {
    TfrmMain& w = Open();
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT 'kept';"));

    // dlgOpen itself refuses a file that does not exist and comes back.
    Dialogs.AnswerFile(Path("missing.sql"));
    Dialogs.Answer(TMsgResult::Ok);
    Dialogs.AnswerFile(std::nullopt);
    Ui(w).btnLoadSql->click();
    EXPECT_TRUE(Dialogs.Questions()[1].Text.contains(QStringLiteral("File not found")));
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT 'kept';"));

    // A file that opens but cannot be read.
    Dialogs.AnswerFile(QStringLiteral("/proc/self/mem"));
    Dialogs.Answer(TMsgResult::Ok);
    Ui(w).btnLoadSql->click();
    EXPECT_EQ(LastQuestion().Text, QStringLiteral("Cannot open file /proc/self/mem"));
    EXPECT_EQ(LastQuestion().Buttons, TMsgButtons::Ok);
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT 'kept';"));
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(SqlFileCommandsTest, ATextOverTheCapacityIsRefusedAndTheEditorKeepsItsText) {
    TfrmMain& w = Open();
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT 'kept';"));
    // A lone LF counts two once it is CR LF: one character over the limit.
    QByteArray big(MaxSqlTextLength, 'a');
    big[100] = '\n';
    WriteFile(Path("big.sql"), big);
    Dialogs.AnswerFile(Path("big.sql"));
    Dialogs.Answer(TMsgResult::Ok);
    Ui(w).btnLoadSql->click();
    EXPECT_EQ(LastQuestion().Text, QStringLiteral("Text exceeds memo capacity"));
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT 'kept';"));
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(SqlFileCommandsTest, SavingAndLoadingAgainGivesTheSameTextAndTheSameBytes) {
    TfrmMain& w = Open();
    // Latin-1 with a no-break space, C1 controls, the hot-spot delimiters and page breaks: the
    // editor holds each as it is and the save writes the same bytes back.
    const QByteArray latin1("-- caf\xE9 \xA0 \x80\x81\x8D\x9D\r\nSELECT '\x1E"
                            "a\x1F' \x0B\x0C;\r\n\r\n\t\xFF");
    WriteFile(Path("latin1.sql"), latin1);
    Load(Path("latin1.sql"));
    const QString text = Ui(w).mmoIn->Text();
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("-- café \xC2\xA0 €")));
    Save(Path("latin1.sql")); // replace it
    EXPECT_TRUE(LastQuestion().Text.contains(QStringLiteral("already exists")));
    EXPECT_EQ(ReadFile(Path("latin1.sql")), latin1);
    Load(Path("latin1.sql"));
    EXPECT_EQ(Ui(w).mmoIn->Text(), text);

    // Random scripts of either kind, with and without a final line break.
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> byte(1, 255), length(0, 3000);
    for (int round = 0; round < 30; ++round) {
        QByteArray bytes;
        const int n = length(rng);
        for (int i = 0; i < n; ++i) {
            const char c = static_cast<char>(byte(rng));
            bytes += c == '\r' || c == '\n' ? QByteArray("\r\n") : QByteArray(1, c);
        }
        if (round % 2) bytes = QString::fromLatin1(bytes).toUtf8(); // valid UTF-8 this time
        WriteFile(Path("in.sql"), bytes);
        Load(Path("in.sql"));
        const QString loaded = Ui(w).mmoIn->Text();
        QFile::remove(Path("out.sql"));
        Save(Path("out.sql")); // create it
        EXPECT_TRUE(LastQuestion().Text.contains(QStringLiteral("does not exist")));
        EXPECT_EQ(ReadFile(Path("out.sql")), bytes) << round;
        Load(Path("out.sql"));
        EXPECT_EQ(Ui(w).mmoIn->Text(), loaded) << round;
    }
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
}

TEST_F(SqlFileCommandsTest, SaveWritesTheTextAsTheEditorHoldsIt) {
    TfrmMain& w = Open();
    // A new script is written with this platform's LF line ends.
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT 1;\nSELECT 'caf\u00E9';"));
    Save(Path("a.sql"));
    EXPECT_EQ(ReadFile(Path("a.sql")), QByteArray("SELECT 1;\nSELECT 'caf\xC3\xA9';"));
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT 1;\r\n"));
    Save(Path("a.sql"));
    EXPECT_EQ(ReadFile(Path("a.sql")), QByteArray("SELECT 1;\n"));

    // Declining the replace question brings the dialog back; cancelling it writes nothing.
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT 2;"));
    Dialogs.AnswerFile(Path("a.sql"));
    Dialogs.Answer(TMsgResult::No);
    Dialogs.AnswerFile(std::nullopt);
    Ui(w).btnSaveSql->click();
    EXPECT_EQ(ReadFile(Path("a.sql")), QByteArray("SELECT 1;\n"));
    // Declining to create a new file leaves none.
    Dialogs.AnswerFile(Path("b.sql"));
    Dialogs.Answer(TMsgResult::No);
    Dialogs.AnswerFile(std::nullopt);
    Ui(w).btnSaveSql->click();
    EXPECT_FALSE(QFile::exists(Path("b.sql")));
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    // The name chosen last is offered again.
    EXPECT_EQ(Dialogs.Questions().back().Offered, Path("a.sql"));
}

TEST_F(SqlFileCommandsTest, AFailedSaveShowsTheMessageAndLeavesTheOldFile) {
    TfrmMain& w = Open();
    const QByteArray old("SELECT 'old';\r\n");
    WriteFile(Path("script.sql"), old);
    Ui(w).mmoIn->SetText(QString(512 * 1024, QLatin1Char('n')));

    {
        TFileSizeLimit limit(16 * 1024);
        Dialogs.AnswerFile(Path("script.sql"));
        Dialogs.Answer(TMsgResult::Yes); // replace it
        Dialogs.Answer(TMsgResult::Ok);  // the failure
        Ui(w).btnSaveSql->click();
    }

    EXPECT_EQ(LastQuestion().Text,
              QStringLiteral("Cannot create file ") + QDir::toNativeSeparators(Path("script.sql")));
    EXPECT_EQ(ReadFile(Path("script.sql")), old);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("script.sql")});
    EXPECT_EQ(Ui(w).mmoIn->Text().size(), 512 * 1024);
}
