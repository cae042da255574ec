// Run SQL file through the main window against the sandbox: the File menu's item and dlgOpen
// answered by script, real files on disk, the server's tables read back, the progress window's
// Cancel and Esc, and the status bar.

#include "Sandbox.h"
#include "WindowTestSupport.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "workbench/controllers/QueryHistory.h"
#include "workbench/dialogs/RunSqlFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>
#include <string>
#include <vector>

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

class RunSqlFileTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(Files.isValid());
        Db = std::make_unique<TempDatabase>("runfile");
        Db->Run("CREATE TABLE t (n INT, s VARCHAR(40))");
        Open();
        ShowConnectedSandbox();
        ASSERT_FALSE(HasFailure());
    }
    void TearDown() override {
        WindowTest::TearDown();
        Db.reset();
    }

    // The file `name` holding `bytes`, its statements run in the test's database.
    QString Write(const char* name, const QByteArray& bytes) {
        const QString path = Files.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_EQ(f.write(bytes), bytes.size());
        return path;
    }
    QByteArray Use() const { return "USE `" + QByteArray::fromStdString(Db->Name()) + "`;\n"; }
    // Run SQL file from the File menu, dlgOpen answered with `path`.
    void RunFile(const QString& path) {
        Dialogs.AnswerFile(path);
        Ui(*Window).mnuRunSqlFile->trigger();
        EXPECT_TRUE(Dialogs.AllAnswersUsed()) << "Run SQL file did not ask for a file";
    }
    std::vector<std::string> Column(const std::string& sql) {
        TResult* r = Db->Admin().Execute(sql);
        EXPECT_TRUE(r->ErrorText().empty()) << r->ErrorText();
        std::vector<std::string> values;
        for (int i = 0; i < r->Rows.Count(); ++i)
            values.emplace_back(r->Rows.Items(i).Values(0));
        return values;
    }
    std::vector<std::string> Rows() {
        return Column("SELECT CONCAT(n, ':', s) FROM `" + Db->Name() + "`.t ORDER BY n");
    }
    QString Status() const { return Window->StatusText(); }
    TfrmRunSqlFile& Progress() const { return *Windows->frmRunSqlFile; }

    QTemporaryDir Files;
    std::unique_ptr<TempDatabase> Db;
};

} // namespace

TEST_F(RunSqlFileTest, AScriptWithADelimiterBlockRunsAndLeavesEditorAndHistoryAlone) {
    // Enabled exactly when Query is.
    EXPECT_TRUE(TCommand::ItemEnabled(Ui(*Window).mnuRunSqlFile));
    EXPECT_EQ(Ui(*Window).mnuRunSqlFile->text(), QStringLiteral("&Run SQL file\u2026"));
    EXPECT_EQ(Ui(*Window).mnuRunSqlFile->parent(), Ui(*Window).mnuFile);

    Ui(*Window).mmoIn->SetText(QStringLiteral("SELECT 'typed';"));
    const QString path =
        Write("script.sql", Use() + "INSERT INTO t VALUES (1, 'one; with a semicolon');\r\n"
                                    "DELIMITER $$\n"
                                    "CREATE PROCEDURE fill(x INT)\nBEGIN\n"
                                    "  INSERT INTO t VALUES (x, 'from; the procedure');\nEND$$\n"
                                    "DELIMITER ;\n"
                                    "CALL fill(2);\n"
                                    "-- the end\n");
    RunFile(path);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("4 statement(s) of script.sql run in ")))
        << Status().toStdString();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1:one; with a semicolon", "2:from; the procedure"}));
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), QStringLiteral("SELECT 'typed';"));
    EXPECT_EQ(Window->History()->Count(), 0);
    EXPECT_FALSE(Progress().isVisible());

    // Not without a connection, just like Query.
    Ui(*Window).btnDisconnect->click();
    EXPECT_FALSE(TCommand::ItemEnabled(Ui(*Window).mnuRunSqlFile));
    EXPECT_EQ(TCommand::ItemEnabled(Ui(*Window).mnuRunSqlFile), TCommand::ItemEnabled(Ui(*Window).mnuQuery));
}

TEST_F(RunSqlFileTest, TheFirstFailingStatementEndsTheRunAndIsNamedWithItsLine) {
    RunFile(Write("broken.sql", Use() + "INSERT INTO t VALUES (1, 'a');\n"
                                        "\n"
                                        "INSERT INTO no_such_table VALUES (2);\n"
                                        "INSERT INTO t VALUES (3, 'c');\n"));
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Error: Table '"))) << Status().toStdString();
    EXPECT_TRUE(Status().endsWith(
        QStringLiteral("doesn't exist in statement 3 (line 4 of broken.sql); 2 statement(s) run before it")))
        << Status().toStdString();
    EXPECT_EQ(Rows(), std::vector<std::string>{"1:a"});
}

TEST_F(RunSqlFileTest, BadFilesAreRefusedWithNothingHalfSent) {
    struct TCase {
        const char* Name;
        QByteArray Bytes;
        QString Status;
        std::vector<std::string> Rows;
    };
    const TCase cases[] = {
        {"binary.sql", Use() + QByteArray("INSERT INTO t VALUES (1, 'x');\n\0\1\2", 34), {}, {}},
        {"quote.sql",
         Use() + "INSERT INTO t VALUES (1, 'a');\nINSERT INTO t VALUES (2, 'no end;\n",
         QStringLiteral(
             "Error: quote.sql ends inside a quoted text: statement 3 (line 3) was not sent; 2 statement(s) "
             "run before it"),
         {"1:a"}},
        {"body.sql",
         Use() +
             "INSERT INTO t VALUES (1, 'a');\nDELIMITER //\nCREATE PROCEDURE p()\nBEGIN\n  SELECT 1;\nEND\n",
         QStringLiteral("Error: body.sql ends before the delimiter //: statement 3 (line 4) was not sent; 2 "
                        "statement(s) "
                        "run before it"),
         {"1:a"}},
        {"delimiter.sql",
         Use() + "INSERT INTO t VALUES (1, 'a');\nINSERT INTO t VALUES (2, 'b')\nDELIMITER\n",
         QStringLiteral(
             "Error: line 4 of delimiter.sql: DELIMITER must be followed by a delimiter; 2 statement(s) "
             "run before it"),
         {"1:a"}},
    };
    for (const TCase& c : cases) {
        Db->Run("DELETE FROM t");
        const QString path = Write(c.Name, c.Bytes);
        if (c.Status.isEmpty()) Dialogs.Answer(TMsgResult::Ok);
        RunFile(path);
        if (c.Status.isEmpty()) {
            // As Load SQL refuses it.
            const QString refusal = QStringLiteral("Cannot run file ") + QDir::toNativeSeparators(path) +
                                    QStringLiteral(": it holds NUL bytes and is not a text file");
            EXPECT_EQ(Status(), refusal);
            ASSERT_FALSE(Dialogs.Questions().empty());
            EXPECT_EQ(Dialogs.Questions().back().Text, refusal);
            EXPECT_EQ(Dialogs.Questions().back().Kind, TMsgKind::Error);
            Dialogs.ClearQuestions();
        } else {
            EXPECT_EQ(Status(), c.Status) << c.Name;
        }
        EXPECT_EQ(Rows(), c.Rows) << c.Name;
    }
}

TEST_F(RunSqlFileTest, UnicodeAndWindows1252FilesReachTheServerIntact) {
    QByteArray utf16("\xFF\xFE", 2);
    const QString text =
        QString::fromUtf8(Use()) + QStringLiteral("INSERT INTO t VALUES (1, '\u00E9\u20AC\U0001F600');\r\n");
    for (const QChar c : text)
        utf16.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
    const struct {
        const char* Name;
        QByteArray Bytes;
        std::string Hex;
    } cases[] = {
        {"utf16.sql", utf16, "C3A9E282ACF09F9880"},
        {"cp1252.sql", Use() + "INSERT INTO t VALUES (1, 'caf\xE9 \x80\x93');\n", "636166C3A920E282ACE2809C"},
    };
    for (const auto& c : cases) {
        Db->Run("DELETE FROM t");
        RunFile(Write(c.Name, c.Bytes));
        EXPECT_FALSE(Status().startsWith(QStringLiteral("Error"))) << Status().toStdString();
        EXPECT_EQ(Column("SELECT HEX(s) FROM `" + Db->Name() + "`.t"), std::vector<std::string>{c.Hex})
            << c.Name;
    }
}

TEST_F(RunSqlFileTest, CancelAndEscStopTheStatementUnderWayAndTheConnectionGoesOn) {
    const unsigned long thread = HostNode->Host()->ThreadId();
    const std::function<void()> stops[] = {
        [this] { QTest::mouseClick(Progress().btnRunCancel, Qt::LeftButton); },
        [this] { QTest::keyClick(&Progress(), Qt::Key_Escape); },
    };
    for (const auto& stop : stops) {
        Db->Run("DELETE FROM t");
        const QString path = Write(
            "sleep.sql",
            Use() + "INSERT INTO t VALUES (1, 'a');\nSELECT SLEEP(30);\nINSERT INTO t VALUES (3, 'c');\n");
        QElapsedTimer took;
        QTimer::singleShot(1000, Window, [&] {
            EXPECT_TRUE(Progress().isVisible());
            EXPECT_EQ(Progress().lblRunFile->text(), QDir::toNativeSeparators(path));
            EXPECT_EQ(Progress().lblRunStatements->text(), QStringLiteral("Statements run: 2"));
            took.start();
            stop();
        });
        RunFile(path);
        ASSERT_TRUE(took.isValid()) << "the run ended before it was stopped: " << Status().toStdString();
        EXPECT_LT(took.elapsed(), 5000) << "from the stop to the end of the run";
        EXPECT_EQ(Status(),
                  QStringLiteral("Stopped by the user at statement 3 (line 3 of sleep.sql); 2 statement(s) "
                                 "run before it"));
        EXPECT_EQ(Rows(), std::vector<std::string>{"1:a"});
        EXPECT_FALSE(Progress().isVisible());
    }
    // The same connection, still usable.
    EXPECT_EQ(HostNode->Host()->ThreadId(), thread);
    Ui(*Window).mmoIn->SetText(QStringLiteral("SELECT 1"));
    Ui(*Window).btnQuery->click();
    EXPECT_TRUE(Status().startsWith(QStringLiteral("1 rows - 1 fields"))) << Status().toStdString();
}

TEST_F(RunSqlFileTest, AStatementBeyondTheServersPacketLimitIsRefusedUnsentAndTheConnectionGoesOn) {
    const TResult& limit = *Db->Admin().Execute("SELECT @@max_allowed_packet");
    ASSERT_EQ(limit.Rows.Count(), 1) << limit.ErrorText();
    const long long maxPacket = std::stoll(std::string(limit.Rows.Items(0).Values(0)));
    QByteArray big = Use() + "INSERT INTO t VALUES (1, 'a');\nINSERT INTO t VALUES (2, '";
    big.append(QByteArray(maxPacket + 1024 * 1024, 'x'));
    big.append("');\nINSERT INTO t VALUES (3, 'c');\n");
    RunFile(Write("big.sql", big));
    EXPECT_EQ(
        Status(),
        QStringLiteral("Error: a statement of big.sql is longer than the server's max_allowed_packet of %1 "
                       "bytes: statement 3 (line 3) was not sent; 2 statement(s) run before it")
            .arg(maxPacket));
    EXPECT_EQ(Rows(), std::vector<std::string>{"1:a"});
    // Sent, it would have cost the connection.
    Ui(*Window).mmoIn->SetText(QStringLiteral("SELECT 1"));
    Ui(*Window).btnQuery->click();
    EXPECT_TRUE(Status().startsWith(QStringLiteral("1 rows - 1 fields"))) << Status().toStdString();
}
