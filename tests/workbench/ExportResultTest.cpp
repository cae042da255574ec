// The export-options dialog, and the Export result command through the real main window: the
// dialogs, the cursor, the file it leaves, and round trips of the files through the sandbox
// server's own readers (LOAD DATA and the SQL parser).

#include "WindowTestSupport.h"

#include "FileLimits.h"
#include "Sandbox.h"
#include "TestFiles.h"
#include "server/MySql.h"
#include "workbench/dialogs/ExportResult.h"
#include "workbench/grid/ResultModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <mysql.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

bool Waiting() {
    return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// Scripted answers that also note whether the hourglass was up when a file was asked for.
class TCursorDialogs : public TScriptedDialogs {
public:
    std::vector<bool> WaitingAtFile;
    std::optional<QString> ChooseFile(QWidget* parent, const TFileDialog& dialog) override {
        WaitingAtFile.push_back(Waiting());
        return TScriptedDialogs::ChooseFile(parent, dialog);
    }
};

// A plain client connection of the test's own, with the options the round trips need.
class TRawConnection {
public:
    explicit TRawConnection(const std::string& db) : FHandle(mysql_init(nullptr)) {
        const SandboxLogin l = Sandbox();
        const unsigned int on = 1;
        mysql_options(FHandle, MYSQL_OPT_LOCAL_INFILE, &on);
        mysql_options(FHandle, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        if (!mysql_real_connect(FHandle, l.Host.c_str(), l.User.c_str(), l.Password.c_str(), db.c_str(),
                                static_cast<unsigned>(l.Port), nullptr, CLIENT_MULTI_STATEMENTS))
            throw std::runtime_error(std::string("cannot reach the sandbox server: ") + mysql_error(FHandle));
    }
    ~TRawConnection() { mysql_close(FHandle); }

    // Runs every statement of `sql`; the first error, or empty. `warnings`: their total.
    std::string Run(const std::string& sql, unsigned* warnings = nullptr) {
        if (warnings) *warnings = 0;
        if (mysql_real_query(FHandle, sql.data(), sql.size()) != 0) return mysql_error(FHandle);
        for (;;) {
            if (MYSQL_RES* r = mysql_store_result(FHandle)) mysql_free_result(r);
            if (warnings) *warnings += mysql_warning_count(FHandle);
            const int next = mysql_next_result(FHandle);
            if (next > 0) return mysql_error(FHandle);
            if (next < 0) return {};
        }
    }

private:
    MYSQL* FHandle;
};

} // namespace

// ---- the options dialog --------------------------------------------------------------------------

TEST(ExportOptionsDialog, LaidOutAsDesigned) {
    TfrmExportResult d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Export result"));
    EXPECT_EQ(d.size(), QSize(261, 219));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    const Qt::WindowFlags f = d.windowFlags();
    EXPECT_TRUE(f & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(
        f & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));

    auto find = [&](const char* name) { return d.findChild<QWidget*>(QLatin1String(name)); };
    EXPECT_EQ(d.rdbComma, find("rdbComma"));
    EXPECT_EQ(d.rdbComma->text(), QStringLiteral("Comma-seperated file"));
    EXPECT_TRUE(d.rdbComma->isChecked());
    EXPECT_EQ(d.chkHeader, find("chkHeader"));
    EXPECT_EQ(d.chkHeader->text(), QStringLiteral("Include table header (field names)"));
    EXPECT_TRUE(d.chkHeader->isChecked());
    EXPECT_EQ(d.txtComma, find("txtComma"));
    EXPECT_EQ(d.txtComma->text(), QStringLiteral(";"));
    EXPECT_EQ(d.txtComma->maxLength(), 1);
    EXPECT_EQ(d.lblComma->text(), QStringLiteral("Field seperator:"));
    EXPECT_EQ(d.rdbSQL, find("rdbSQL"));
    EXPECT_EQ(d.rdbSQL->text(), QStringLiteral("SQL Insert statements"));
    EXPECT_FALSE(d.rdbSQL->isChecked());
    EXPECT_EQ(d.txtTablename, find("txtTablename"));
    EXPECT_TRUE(d.txtTablename->text().isEmpty());
    EXPECT_EQ(d.lblTablename->text(), QStringLiteral("Tablename to insert into:"));
    EXPECT_EQ(d.btnOk, find("btnOk"));
    EXPECT_EQ(d.btnOk->text(), QStringLiteral("&Ok"));
    EXPECT_TRUE(d.btnOk->isDefault());
    EXPECT_EQ(d.btnCancel, find("btnCancel"));
    EXPECT_EQ(d.btnCancel->text(), QStringLiteral("&Cancel"));

    // The header option and separator in one bevelled panel under rdbComma, the table name in
    // another under rdbSQL.
    EXPECT_EQ(d.chkHeader->parentWidget(), d.pnlComma);
    EXPECT_EQ(d.txtComma->parentWidget(), d.pnlComma);
    EXPECT_EQ(d.txtTablename->parentWidget(), d.pnlSQL);
    for (QFrame* panel : {d.pnlComma, d.pnlSQL})
        EXPECT_NE(panel->frameShape(), QFrame::NoFrame);
    EXPECT_LT(d.rdbComma->geometry().bottom(), d.pnlComma->geometry().top());
    EXPECT_LT(d.pnlComma->geometry().bottom(), d.rdbSQL->geometry().top());
    EXPECT_LT(d.rdbSQL->geometry().bottom(), d.pnlSQL->geometry().top());
    EXPECT_LT(d.pnlSQL->geometry().bottom(), d.btnOk->geometry().top());
    for (QWidget* w : d.findChildren<QWidget*>())
        EXPECT_TRUE(QRect(0, 0, 261, 219).contains(w->geometry())) << w->objectName().toStdString();

    // One group: choosing one option clears the other; both panels stay usable.
    d.rdbSQL->click();
    EXPECT_FALSE(d.rdbComma->isChecked());
    EXPECT_TRUE(d.pnlComma->isEnabled() && d.pnlSQL->isEnabled());

    std::vector<QWidget*> order;
    QWidget* w = d.rdbComma;
    do {
        if (w->focusPolicy() & Qt::TabFocus) order.push_back(w);
        w = w->nextInFocusChain();
    } while (w != d.rdbComma);
    const std::vector<QWidget*> designed = {d.rdbComma,  d.rdbSQL,   d.btnOk,       d.btnCancel,
                                            d.chkHeader, d.txtComma, d.txtTablename};
    EXPECT_EQ(order, designed);
}

TEST(ExportOptionsDialog, OptionsFollowTheControls) {
    TfrmExportResult d;
    TExportOptions o = d.Options();
    EXPECT_EQ(o.Format, TExportOptions::Delimited);
    EXPECT_TRUE(o.Header);
    EXPECT_EQ(o.Separator, ";");
    d.rdbSQL->setChecked(true);
    d.chkHeader->setChecked(false);
    d.txtComma->clear();
    d.txtTablename->setText(QStringLiteral("größe"));
    o = d.Options();
    EXPECT_EQ(o.Format, TExportOptions::SqlInsert);
    EXPECT_FALSE(o.Header);
    EXPECT_EQ(o.Separator, "");
    EXPECT_EQ(o.TableName, "größe");
    d.txtComma->setText(QStringLiteral("§"));
    EXPECT_EQ(d.Options().Separator, "§");
}

// ---- the command -------------------------------------------------------------------------------

// A window with a connected sandbox host over a database of the test's own.
class ExportTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(Dir.isValid());
        Db = std::make_unique<TempDatabase>("export");
        Db->Run("CREATE TABLE t (id INT PRIMARY KEY, name VARCHAR(40))");
        Db->Run("INSERT INTO t VALUES (1, 'abc'), (2, '')");
        Windows = std::make_unique<TAppWindows>(&Recording, &Store());
        Window = Windows->frmMain.get();
        HostNode = Ui(*Window).Tree->AddHostNode(SandboxHost("sandbox"));
        ASSERT_TRUE(HostNode->Host()->Connect()) << HostNode->Host()->ErrorText();
        TNavigationTree::SetHostConnectedLook(HostNode, true);
        Ui(*Window).Tree->PopulateHost(HostNode);
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window));
        Ui(*Window).Tree->setCurrentItem(HostNode);
    }
    void TearDown() override {
        Close();
        EXPECT_EQ(Recording.UnexpectedCount(), 0) << "a dialog was shown that the test did not expect";
        WindowTest::TearDown();
        Db.reset();
    }

    // Shows a statement's result in the grid, as the Query command does.
    void Show(const std::string& sql) {
        TMySql& host = *HostNode->Host();
        host.Execute("USE " + QuoteIdentifier(Db->Name()));
        ASSERT_TRUE(Window->Results().ShowResult(*host.Execute(sql))) << Window->StatusText().toStdString();
    }

    // Runs `act` on the options dialog once it shows modally; a dialog left open is cancelled so
    // a broken command cannot hang the test.
    void WhenOptionsShow(std::function<void(TfrmExportResult&)> act) {
        QTimer::singleShot(0, Window, [this, act] {
            TfrmExportResult* d = Windows->frmExportResult.get();
            if (!d->isVisible() || QApplication::activeModalWidget() != d) {
                ADD_FAILURE() << "the options dialog is not shown modally";
                return;
            }
            WaitingAtOptions = Waiting();
            act(*d);
            if (d->isVisible()) {
                ADD_FAILURE() << "the options dialog stayed open";
                d->reject();
            }
        });
    }
    // Export with the dialog's settings as they are, to `path` (answering the question that
    // the save dialog asks about it, and the error box when `failing`).
    void ExportTo(const QString& path, std::function<void(TfrmExportResult&)> set = {},
                  bool failing = false) {
        WhenOptionsShow([set](TfrmExportResult& d) {
            if (set) set(d);
            d.btnOk->click();
        });
        Recording.AnswerFile(path);
        Recording.Answer(TMsgResult::Yes); // replace it, or create it
        if (failing) Recording.Answer(TMsgResult::Ok);
        Ui(*Window).btnExportResult->click();
        EXPECT_FALSE(QApplication::overrideCursor()) << "the cursor was not restored";
    }
    static void AsSql(TfrmExportResult& d, const QString& table) {
        d.rdbSQL->setChecked(true);
        d.txtTablename->setText(table);
    }
    QString File(const char* name) const { return Dir.filePath(QLatin1String(name)); }
    QStringList Files() const { return QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden); }
    // The questions asked: "file:" and the dialog's name, or a box's text.
    QStringList Asked() const {
        QStringList asked;
        for (const auto& q : Recording.Questions())
            asked << (q.Sort == TScriptedDialogs::TQuestion::File ? QStringLiteral("file:") + q.Title
                                                                  : q.Text);
        return asked;
    }

    TCursorDialogs Recording;
    QTemporaryDir Dir;
    std::unique_ptr<TempDatabase> Db;
    TTreeNode* HostNode = nullptr;
    bool WaitingAtOptions = false;
};

TEST_F(ExportTest, TheDesignedExampleFromEveryControlUnderTheHourglass) {
    Show("SELECT id, name FROM t ORDER BY id");
    ASSERT_TRUE(Ui(*Window).btnExportResult->isEnabled());

    ExportTo(File("a.csv"));
    EXPECT_EQ(ReadFile(File("a.csv")), "id;name\r\n1;abc\r\n2;\r\n");
    EXPECT_TRUE(WaitingAtOptions);
    EXPECT_EQ(Asked(),
              QStringList({QStringLiteral("file:dlgSave"),
                           File("a.csv") + QStringLiteral("\nThis file does not exist.\nDo you want to "
                                                          "create it?")}));

    // The menu item and the grid's context-menu item run the same command.
    WhenOptionsShow([](TfrmExportResult& d) {
        AsSql(d, QStringLiteral("t"));
        d.btnOk->click();
    });
    Recording.AnswerFile(File("a.sql"));
    Recording.Answer(TMsgResult::Yes);
    Ui(*Window).mnuExportResult->trigger();
    EXPECT_EQ(ReadFile(File("a.sql")), "INSERT INTO t VALUES(1,'abc');\r\nINSERT INTO t VALUES(2,'');\r\n");

    WaitingAtOptions = false;
    WhenOptionsShow([](TfrmExportResult& d) { d.btnOk->click(); });
    Recording.AnswerFile(File("a.sql"));
    Recording.Answer(TMsgResult::Yes); // replace
    Ui(*Window).popmnuExportResult->trigger();
    EXPECT_EQ(ReadFile(File("a.sql")), "INSERT INTO t VALUES(1,'abc');\r\nINSERT INTO t VALUES(2,'');\r\n");
    EXPECT_TRUE(WaitingAtOptions);
    EXPECT_EQ(Recording.WaitingAtFile, std::vector<bool>({true, true, true}));
    EXPECT_FALSE(QApplication::overrideCursor());
    EXPECT_EQ(Files(), QStringList({QStringLiteral("a.csv"), QStringLiteral("a.sql")}));
}

TEST_F(ExportTest, CancelInEitherDialogWritesNothing) {
    Show("SELECT id, name FROM t ORDER BY id");
    ASSERT_TRUE(WriteFile(File("old.csv"), "old"));

    WhenOptionsShow([](TfrmExportResult& d) { d.btnCancel->click(); });
    Ui(*Window).btnExportResult->click();
    WhenOptionsShow([](TfrmExportResult& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    Ui(*Window).btnExportResult->click();
    EXPECT_TRUE(Recording.Questions().empty()); // no save dialog

    // Cancelling the save dialog, and declining to create or replace a file, which asks again.
    WhenOptionsShow([](TfrmExportResult& d) { d.btnOk->click(); });
    Recording.AnswerFile(std::nullopt);
    Ui(*Window).btnExportResult->click();
    WhenOptionsShow([](TfrmExportResult& d) { d.btnOk->click(); });
    Recording.AnswerFile(File("new.csv"));
    Recording.Answer(TMsgResult::No);
    Recording.AnswerFile(File("old.csv"));
    Recording.Answer(TMsgResult::No);
    Recording.AnswerFile(std::nullopt);
    Ui(*Window).btnExportResult->click();

    EXPECT_EQ(Files(), QStringList{QStringLiteral("old.csv")});
    EXPECT_EQ(ReadFile(File("old.csv")), "old");
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(ExportTest, TheDialogKeepsItsSettingsAndTheSaveDialogOffersTheLastName) {
    Show("SELECT id, name FROM t ORDER BY id");
    TfrmExportResult* dialog = Windows->frmExportResult.get();
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->isVisible());

    ExportTo(File("one.csv"), [](TfrmExportResult& d) {
        d.chkHeader->setChecked(false);
        d.txtComma->setText(QStringLiteral(","));
        d.txtTablename->setText(QStringLiteral("kept"));
    });
    EXPECT_EQ(ReadFile(File("one.csv")), "1,abc\r\n2,\r\n");

    bool kept = false;
    ExportTo(File("two.sql"), [&](TfrmExportResult& d) {
        kept = !d.chkHeader->isChecked() && d.txtComma->text() == QStringLiteral(",") &&
               d.txtTablename->text() == QStringLiteral("kept") && d.rdbComma->isChecked();
        d.rdbSQL->setChecked(true);
    });
    EXPECT_TRUE(kept);
    EXPECT_EQ(Windows->frmExportResult.get(), dialog); // the same dialog, not a new one
    EXPECT_EQ(ReadFile(File("two.sql")),
              "INSERT INTO kept VALUES(1,'abc');\r\nINSERT INTO kept VALUES(2,'');\r\n");

    ExportTo(File("three.sql"), [&](TfrmExportResult& d) { kept = d.rdbSQL->isChecked(); });
    EXPECT_TRUE(kept);

    // dlgSave, shared with Save SQL, offers the name chosen last.
    std::vector<QString> offered;
    for (const auto& q : Recording.Questions())
        if (q.Sort == TScriptedDialogs::TQuestion::File) offered.push_back(q.Offered);
    EXPECT_EQ(offered, std::vector<QString>({QString(), File("one.csv"), File("two.sql")}));
    EXPECT_EQ(Ui(*Window).dlgSave->FileName, File("three.sql"));
}

TEST_F(ExportTest, ColumnsWithoutRowsAndAfterClearResult) {
    Show("SELECT id, name FROM t WHERE id < 0");
    ExportTo(File("empty.csv"));
    EXPECT_EQ(ReadFile(File("empty.csv")), "id;name\r\n");
    ExportTo(File("empty.sql"), [](TfrmExportResult& d) { AsSql(d, QStringLiteral("t")); });
    EXPECT_EQ(ReadFile(File("empty.sql")), "");

    Show("SELECT id, name FROM t");
    Ui(*Window).popmnuClearResult->trigger();
    ASSERT_TRUE(Ui(*Window).btnExportResult->isEnabled());
    ExportTo(File("cleared.sql"));
    EXPECT_EQ(ReadFile(File("cleared.sql")), "");
    ExportTo(File("cleared.csv"), [](TfrmExportResult& d) { d.rdbComma->setChecked(true); });
    EXPECT_EQ(ReadFile(File("cleared.csv")), "\r\n");
    ExportTo(File("cleared.txt"), [](TfrmExportResult& d) { d.chkHeader->setChecked(false); });
    EXPECT_EQ(ReadFile(File("cleared.txt")), "");
}

TEST_F(ExportTest, ColumnsGoInDisplayOrder) {
    Show("SELECT id, name, 'x' AS third FROM t ORDER BY id");
    Ui(*Window).lstOut->horizontalHeader()->moveSection(2, 0);
    ExportTo(File("moved.csv"));
    EXPECT_EQ(ReadFile(File("moved.csv")), "third;id;name\r\nx;1;abc\r\nx;2;\r\n");
}

TEST_F(ExportTest, AFileThatCannotBeWrittenIsReportedAndTheOldOneStays) {
    Show("SELECT id, name FROM t ORDER BY id");
    const QString missing = File("no-such-folder/out.csv");
    ExportTo(missing, {}, true);
    ASSERT_FALSE(Recording.Questions().empty());
    const auto& box = Recording.Questions().back();
    EXPECT_EQ(box.Text, QStringLiteral("Cannot create file ") + missing);
    EXPECT_EQ(box.Kind, TMsgKind::Error);
    EXPECT_EQ(box.Buttons, TMsgButtons::Ok);
    EXPECT_TRUE(Files().isEmpty());

    // A write failing halfway: a file size limit far below the output. The writer's own test
    // sets it in a forked child; a child of a process that has painted cannot paint again (the
    // painting threads stay behind), so here the limit is lowered for the export and raised again.
    Show("SELECT seq, REPEAT('x', 100) FROM seq_1_to_20000");
    const std::string old = "the old content\r\n";
    ASSERT_TRUE(WriteFile(File("big.csv"), old));
    {
        TFileSizeLimit limit(128 * 1024);
        Recording.ClearQuestions();
        ExportTo(File("big.csv"), {}, true);
    }
    ASSERT_FALSE(Recording.Questions().empty());
    EXPECT_EQ(Recording.Questions().back().Text, QStringLiteral("Cannot create file ") + File("big.csv"));
    EXPECT_EQ(ReadFile(File("big.csv")), old);
    EXPECT_EQ(Files(), QStringList{QStringLiteral("big.csv")});
}

// ---- round trips through the server's readers ----------------------------------------------------

class ExportRoundTrip : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        // The first column is text, so its empty and NULL values are tried too; id orders the rows.
        Db->Run("CREATE TABLE src (a MEDIUMTEXT, b MEDIUMTEXT, c VARCHAR(300), id INT PRIMARY KEY) "
                "CHARACTER SET utf8mb4");
        Db->Run("CREATE TABLE dst LIKE src");
        Db->Run(
            "INSERT INTO src VALUES "
            "('semi;colon', 'say \"hi\"', 'it''s', 1),"
            "(CONCAT('back', CHAR(92), 'slash', CHAR(92)), CONCAT('cr', CHAR(13), 'lf', CHAR(10), 'crlf', "
            "CHAR(13, 10)), CONCAT('tab', CHAR(9), 'x'), 2),"
            "('Größe — 日本語 ✓', NULL, '', 3),"
            "(REPEAT(CONCAT('a;\"', CHAR(39), CHAR(92), CHAR(13), CHAR(10), 'z'), 8192), REPEAT('x', 70000), "
            "'\"quoted\"', 4),"
            "('\"', CHAR(39), CHAR(92), 5),"
            "(CONCAT('x', CHAR(26), 'y'), ' lead and trail ', CONCAT(CHAR(92), 'N'), 6),"
            "(NULL, '', '\"', 7),"
            "('', ';', ';;', 8)");
        Show("SELECT * FROM src ORDER BY id");
        ASSERT_EQ(Ui(*Window).lstOut->Model()->rowCount(), 8);
    }

    // Both tables, row by row, NULL apart from the empty text.
    void ExpectSameRows() {
        TResult* s = Db->Admin().Execute("SELECT * FROM `" + Db->Name() + "`.src ORDER BY id");
        const auto source = s->Block();
        TResult* d = Db->Admin().Execute("SELECT * FROM `" + Db->Name() + "`.dst ORDER BY id");
        const auto copy = d->Block();
        ASSERT_EQ(copy->RowCount(), source->RowCount()) << d->ErrorText();
        for (std::size_t row = 0; row < source->RowCount(); ++row)
            for (std::size_t col = 0; col < source->FieldCount(); ++col)
                EXPECT_TRUE(copy->Cell(row, col) == source->Cell(row, col) &&
                            copy->IsNull(row, col) == source->IsNull(row, col))
                    << "row " << row << ", column " << col;
        // The 64 KB values really were that long.
        EXPECT_EQ(copy->Cell(3, 0).size(), 65536u);
        EXPECT_EQ(copy->Cell(3, 1).size(), 70000u);
    }
};

TEST_F(ExportRoundTrip, TheDelimitedFileLoadsBackThroughLoadData) {
    ExportTo(File("src.csv"));
    TRawConnection raw(Db->Name());
    unsigned warnings = 0;
    const std::string path = QFile::encodeName(File("src.csv")).toStdString();
    EXPECT_EQ(
        raw.Run("LOAD DATA LOCAL INFILE '" + path +
                    "' INTO TABLE dst CHARACTER SET utf8mb4 FIELDS TERMINATED BY ';' OPTIONALLY ENCLOSED BY "
                    "'\"' ESCAPED BY '' LINES TERMINATED BY '\\r\\n' IGNORE 1 LINES",
                &warnings),
        "");
    EXPECT_EQ(warnings, 0u);
    ExpectSameRows();
}

TEST_F(ExportRoundTrip, TheSqlFileRunsBackIntoATableOfTheSameShape) {
    ExportTo(File("src.sql"), [](TfrmExportResult& d) { AsSql(d, QStringLiteral("dst")); });
    const std::string script = ReadFile(File("src.sql"));
    TRawConnection raw(Db->Name());
    unsigned warnings = 0;
    EXPECT_EQ(raw.Run(script, &warnings), "");
    EXPECT_EQ(warnings, 0u);
    ExpectSameRows();
}

// ---- every column type of the server, both formats -----------------------------------------------

namespace {

// Every byte value once, NUL included, as hexadecimal digits.
std::string AllBytesHex() {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string hex;
    for (int b = 0; b < 256; ++b)
        hex += {Digits[b >> 4], Digits[b & 15]};
    return hex;
}

// A row of values at each type's limits, one the other way, one of NULLs (with the empty string
// in a NOT NULL column), one of awkward values: the text NULL, separators, quotes and line
// breaks inside text, binary and BIT values. FLOAT values are written with at most six digits,
// which the server's text for them keeps exactly.
const char* const EveryTypeTable =
    "CREATE TABLE every (id INT PRIMARY KEY,"
    " ti TINYINT, tu TINYINT UNSIGNED, si SMALLINT, su SMALLINT UNSIGNED, mi MEDIUMINT,"
    " mu MEDIUMINT UNSIGNED, ii INT, iu INT UNSIGNED, bi BIGINT, bu BIGINT UNSIGNED,"
    " de DECIMAL(30,10), fl FLOAT, db DOUBLE, b1 BIT(1), b64 BIT(64), b13 BIT(13),"
    " da DATE, dt DATETIME(6), ts TIMESTAMP(6) NULL DEFAULT NULL, tm TIME(6), yr YEAR,"
    " ch CHAR(8), vc VARCHAR(40), nn VARCHAR(10) NOT NULL, tx TEXT, bl BLOB, bn BINARY(16),"
    " en ENUM('a','b','NULL',''), st SET('x','y','z'), js JSON, i6 INET6, uu UUID, pt POINT"
    ") CHARACTER SET utf8mb4";

std::string EveryTypeRows() {
    return "INSERT INTO every VALUES "
           "(1, -128, 0, -32768, 0, -8388608, 0, -2147483648, 0, -9223372036854775808, 0,"
           " -99999999999999999999.9999999999, -3.40282e38, -1.7976931348623157e308, b'0', b'0', b'0',"
           " '1000-01-01', '1000-01-01 00:00:00.000000', '1970-01-02 00:00:00.000001', '-838:59:59.000000',"
           " 1901, '', '', '',"
           " CONCAT('it''s \"quoted\" ', CHAR(92), 'back', CHAR(92), CHAR(9), 'tab', CHAR(13, 10), 'crlf ',"
           " '\xF0\x9F\x98\x80 \xE2\x9C\x93 ', CHAR(0), CHAR(26), ';'),"
           " UNHEX('" +
           AllBytesHex() +
           "'), UNHEX('00000000000000000000000000000000'), 'a', '',"
           " '{\"k\": \"v \\\\\"q\\\\\" ;\", \"n\": null}', '::', '00000000-0000-0000-0000-000000000000',"
           " ST_PointFromText('POINT(0 0)')),"
           "(2, 127, 255, 32767, 65535, 8388607, 16777215, 2147483647, 4294967295, 9223372036854775807,"
           " 18446744073709551615, 99999999999999999999.9999999999, 3.40282e38, 1.7976931348623157e308,"
           " b'1', 0xFFFFFFFFFFFFFFFF, b'1111111111111',"
           " '9999-12-31', '9999-12-31 23:59:59.999999', '2038-01-18 03:14:07.999999', '838:59:59.000000',"
           " 2155, 'NULL', 'NULL', 'NULL', 'NULL', '', UNHEX(REPEAT('FF', 16)), 'NULL', 'x,y,z',"
           " '[1, 2.5e-7, \"\xE2\x9C\x93\", true]', 'ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff',"
           " 'ffffffff-ffff-ffff-ffff-ffffffffffff', ST_PointFromText('POINT(-1.5 1e300)')),"
           "(3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
           "NULL,"
           " NULL, NULL, NULL, NULL, NULL, NULL, NULL, '', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
           "NULL),"
           "(4, 0, 1, -1, 1, 0, 1, 0, 1, -1, 1, 0.0000000001, 1.17549e-38, 2.2250738585072014e-308, b'1',"
           " 0x223B0D0A4E554C4C, 0x0000,"
           " '2024-02-29', '2024-02-29 12:34:56.500000', '2024-02-29 12:34:56.000000', '00:00:00.000001', 0,"
           " 'a;b', 'null', 'x', ';\"', 'NULL', UNHEX('0022003B0D0A5C00FF0000000000001A'), '', 'y',"
           " '\"just ; a string\"', '2001:db8::1', '123e4567-e89b-12d3-a456-426614174000',"
           " ST_PointFromText('POINT(1 2)'))";
}

} // namespace

class ExportEveryType : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        Db->Run(EveryTypeTable);
        Db->Run(EveryTypeRows());
        Db->Run("CREATE TABLE copy LIKE every");
        Show("SELECT * FROM every ORDER BY id");
        ASSERT_EQ(Ui(*Window).lstOut->Model()->rowCount(), 4);
    }

    std::shared_ptr<const TResultBlock> Select(const std::string& sql) {
        TMySql& admin = Db->Admin();
        admin.Execute("USE " + QuoteIdentifier(Db->Name()));
        TResult* r = admin.Execute(sql);
        EXPECT_TRUE(r->ErrorText().empty()) << r->ErrorText() << " in " << sql;
        return r->Block();
    }

    // Every value of both tables by its HEX() and ISNULL(), FLOAT also as the server prints it
    // (its HEX() is of the rounded integer), and CHECKSUM TABLE over the whole rows.
    void ExpectCopyHoldsEveryValue() {
        const auto columns = Select("SELECT * FROM every LIMIT 0");
        std::string list = "id";
        for (std::size_t c = 1; c < columns->FieldCount(); ++c) {
            const std::string& name = columns->FieldName(c);
            list += ", HEX(" + name + ") AS `" + name + "`, ISNULL(" + name + ") AS `" + name + " is null`";
            if (name == "fl") list += ", fl AS `fl as shown`";
        }
        const auto source = Select("SELECT " + list + " FROM every ORDER BY id");
        const auto copy = Select("SELECT " + list + " FROM copy ORDER BY id");
        ASSERT_TRUE(source && copy);
        ASSERT_EQ(copy->RowCount(), source->RowCount());
        for (std::size_t row = 0; row < source->RowCount(); ++row)
            for (std::size_t col = 0; col < source->FieldCount(); ++col)
                EXPECT_EQ(copy->Cell(row, col), source->Cell(row, col))
                    << "row " << row + 1 << ", " << source->FieldName(col);
        // The values really were there to compare: the every-byte BLOB, and the NULL row.
        const auto& names = source->FieldNames();
        const std::size_t blob = std::find(names.begin(), names.end(), "bl") - names.begin();
        ASSERT_LT(blob + 1, names.size());
        EXPECT_EQ(source->Cell(0, blob), AllBytesHex());
        EXPECT_EQ(source->Cell(2, blob + 1), "1");

        const auto sums = Select("CHECKSUM TABLE every, copy");
        ASSERT_TRUE(sums && sums->RowCount() == 2);
        EXPECT_FALSE(sums->IsNull(0, 1));
        EXPECT_EQ(sums->Cell(1, 1), sums->Cell(0, 1)) << "CHECKSUM TABLE";
    }

    std::string LoadData(const char* name, const std::string& table, unsigned* warnings = nullptr) {
        TRawConnection raw(Db->Name());
        return raw.Run("LOAD DATA LOCAL INFILE '" + QFile::encodeName(File(name)).toStdString() +
                           "' INTO TABLE " + table +
                           " CHARACTER SET utf8mb4 FIELDS TERMINATED BY ';' OPTIONALLY ENCLOSED BY '\"' "
                           "ESCAPED BY '' LINES TERMINATED BY '\\r\\n' IGNORE 1 LINES",
                       warnings);
    }
    std::string RunScript(const char* name, unsigned* warnings = nullptr) {
        TRawConnection raw(Db->Name());
        return raw.Run(ReadFile(File(name)), warnings);
    }
};

TEST_F(ExportEveryType, TheDelimitedFileLoadsBackEveryValueThroughLoadData) {
    ExportTo(File("every.csv"), [](TfrmExportResult& d) {
        d.rdbComma->setChecked(true);
        d.chkHeader->setChecked(true);
        d.txtComma->setText(QStringLiteral(";"));
    });
    const std::string file = ReadFile(File("every.csv"));
    // NULL bare, the text NULL enclosed, the empty string as nothing.
    EXPECT_NE(file.find("\r\n3;NULL;NULL;"), std::string::npos);
    EXPECT_NE(file.find(";\"NULL\";\"NULL\";\"NULL\";\"NULL\";;"), std::string::npos);

    unsigned warnings = 0;
    EXPECT_EQ(LoadData("every.csv", "copy", &warnings), "");
    EXPECT_EQ(warnings, 0u);
    ExpectCopyHoldsEveryValue();
}

TEST_F(ExportEveryType, TheSqlFileInsertsBackEveryValue) {
    ExportTo(File("every.sql"), [](TfrmExportResult& d) { AsSql(d, QStringLiteral("copy")); });
    const std::string script = ReadFile(File("every.sql"));
    // The NULL row: NULL in every nullable column, '' in the NOT NULL one.
    EXPECT_NE(script.find("INSERT INTO copy VALUES(3,NULL,NULL,"), std::string::npos);
    EXPECT_NE(script.find(",NULL,'',NULL,"), std::string::npos);
    unsigned warnings = 0;
    EXPECT_EQ(RunScript("every.sql", &warnings), "");
    EXPECT_EQ(warnings, 0u);
    ExpectCopyHoldsEveryValue();
}

// A FLOAT the server computed reaches the client as six significant digits, so no text export can
// give back its bits; what comes back is what the grid showed. A DOUBLE's text is exact.
TEST_F(ExportEveryType, AComputedFloatComesBackAsTheGridShowedIt) {
    Db->Run("CREATE TABLE computed (id INT PRIMARY KEY, f FLOAT, d DOUBLE)");
    Db->Run("INSERT INTO computed VALUES (1, 1e0 / 3, 1e0 / 3), (2, 16777217, 0.1e0 + 0.2e0), "
            "(3, PI(), PI()), (4, -1e-40, 4.9e-324)");
    Db->Run("CREATE TABLE computed_copy LIKE computed");
    Show("SELECT * FROM computed ORDER BY id");
    const auto expectShownValues = [this](const char* format) {
        const auto source =
            Select("SELECT id, f, d = (SELECT d FROM computed_copy c WHERE c.id = computed.id) "
                   "FROM computed ORDER BY id");
        const auto copy = Select("SELECT id, f FROM computed_copy ORDER BY id");
        ASSERT_EQ(copy->RowCount(), 4u) << format;
        for (std::size_t row = 0; row < 4; ++row) {
            EXPECT_EQ(copy->Cell(row, 1), source->Cell(row, 1))
                << format << ": FLOAT as shown, row " << row + 1;
            EXPECT_EQ(source->Cell(row, 2), "1") << format << ": DOUBLE bit for bit, row " << row + 1;
        }
        Db->Run("TRUNCATE TABLE computed_copy");
    };
    ExportTo(File("computed.sql"), [](TfrmExportResult& d) { AsSql(d, QStringLiteral("computed_copy")); });
    EXPECT_EQ(RunScript("computed.sql"), "");
    expectShownValues("SQL");
    ExportTo(File("computed.csv"), [](TfrmExportResult& d) { d.rdbComma->setChecked(true); });
    EXPECT_EQ(LoadData("computed.csv", "computed_copy"), "");
    expectShownValues("delimited");
}
