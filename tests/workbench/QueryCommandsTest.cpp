// The Query command, ShowResult, Clear and Maximize result and the query history, driven through
// the real main window against the sandbox server: keys, tool buttons and menu items in, the grid,
// the status line, the command states and the result window out.

#include "WindowTestSupport.h"

#include "Sandbox.h"
#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "workbench/controllers/QueryHistory.h"
#include "workbench/dialogs/ResultWindow.h"
#include "workbench/grid/ResultModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// What the status bar showed each time it was painted, and the cursor shown meanwhile.
class TPaintLog : public QObject {
public:
    struct TPaint {
        QString Text;
        bool SqlCursor = false;
        bool AnyOverride = false;
    };

    TPaintLog(TfrmMain& window) : FWindow(window) { Ui(window).StatusBar->installEventFilter(this); }
    ~TPaintLog() override { Ui(FWindow).StatusBar->removeEventFilter(this); }

    std::vector<TPaint> Paints;

    const TPaint* Find(const QString& text) const {
        for (const TPaint& p : Paints)
            if (p.Text == text) return &p;
        return nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == Ui(FWindow).StatusBar && event->type() == QEvent::Paint) {
            const QCursor* c = QApplication::overrideCursor();
            Paints.push_back(
                {FWindow.StatusText(), c && SameCursor(*c, TQueryController::SqlBusyCursor()), c != nullptr});
        }
        return false;
    }

private:
    static bool SameCursor(const QCursor& a, const QCursor& b) {
        return a.hotSpot() == b.hotSpot() && a.pixmap().toImage() == b.pixmap().toImage();
    }
    TfrmMain& FWindow;
};

// A window with a connected sandbox host selected, over a database of the test's own with
// t(id, name, total) holding two rows, one of them all NULL but its key.
class QueryTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Db = std::make_unique<TempDatabase>("query");
        Db->Run("CREATE TABLE t (id INT PRIMARY KEY, name VARCHAR(40), total DECIMAL(8,2))");
        Db->Run("INSERT INTO t VALUES (1, 'a rather long name for the column', 12.50), (2, NULL, NULL)");
        Db->Run("CREATE TABLE log (n INT)");
        Open();
        ShowConnectedSandbox();
        ASSERT_FALSE(HasFailure());
        ASSERT_TRUE(Ui(*Window).btnQuery->isEnabled());
    }
    void TearDown() override {
        WindowTest::TearDown();
        Db.reset();
    }

    // A table of the test's database, qualified: statements run on the connection's current one.
    QString T(const char* table) const {
        return QStringLiteral("`%1`.`%2`").arg(QString::fromStdString(Db->Name()), QLatin1String(table));
    }
    // Types the text into the editor and presses F12.
    void Run(const QString& text) {
        // The window handles its events while statements run, so a result window closed before
        // may have taken the activation with it.
        QApplication::setActiveWindow(Window);
        Ui(*Window).mmoIn->SetText(text);
        Ui(*Window).mmoIn->setFocus();
        QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_F12);
    }
    int LogRows() {
        TResult* r = Db->Admin().Execute("SELECT COUNT(*) FROM `" + Db->Name() + "`.log");
        EXPECT_EQ(r->Rows.Count(), 1) << r->ErrorText();
        return r->Rows.Count() == 1 ? std::stoi(std::string(r->Rows.Items(0).Values(0))) : -1;
    }

    TResultModel& Grid() const { return *Ui(*Window).lstOut->Model(); }
    QString Cell(int row, int col) const { return Grid().data(Grid().index(row, col)).toString(); }
    QString Caption(int col) const { return Grid().headerData(col, Qt::Horizontal).toString(); }
    bool ExportEnabled() const {
        const bool button = Ui(*Window).btnExportResult->isEnabled();
        // The three commands always agree.
        EXPECT_EQ(TCommand::ItemEnabled(Ui(*Window).mnuExportResult), button);
        EXPECT_EQ(TCommand::ItemEnabled(Ui(*Window).popmnuExportResult), button);
        return button;
    }
    // The ending of a summary: " in N milliseconds." with N > 0, or the bare ".".
    static bool EndsAsSummary(const QString& status, const QString& summary) {
        const QRegularExpression re(QStringLiteral("^%1( in [1-9][0-9]* milliseconds\\.|\\.)$")
                                        .arg(QRegularExpression::escape(summary)));
        return re.match(status).hasMatch();
    }

    std::unique_ptr<TempDatabase> Db;
};

// ---- the Query command ----

TEST_F(QueryTest, ABatchStopsAtTheFirstErrorWhichEmptiesTheGrid) {
    Run(QStringLiteral("SELECT * FROM %1").arg(T("t")));
    ASSERT_EQ(Grid().rowCount(), 2);
    ASSERT_TRUE(ExportEnabled());

    Run(QStringLiteral("INSERT INTO %1 VALUES (1);\r\nSELECT * FROM %2;\r\nINSERT INTO %1 VALUES (3);")
            .arg(T("log"), T("missing")));
    EXPECT_EQ(
        Window->StatusText(),
        QStringLiteral("Error: Table '%1.missing' doesn't exist").arg(QString::fromStdString(Db->Name())));
    EXPECT_EQ(LogRows(), 1); // the first was sent, the third not
    EXPECT_EQ(Grid().rowCount(), 0);
    EXPECT_EQ(Grid().columnCount(), 0);
    EXPECT_FALSE(ExportEnabled());
    // The run still entered the history, and the list of it is on offer from now on.
    EXPECT_EQ(Window->History()->Count(), 2);
    EXPECT_TRUE(Ui(*Window).cmbQueries->isEnabled());
    EXPECT_TRUE(Ui(*Window).btnPrev->isEnabled());
    EXPECT_FALSE(Ui(*Window).btnNext->isEnabled());
}

TEST_F(QueryTest, StatementsReachTheServerAsWritten) {
    auto rows = [&] {
        TResult* r = Db->Admin().Execute("SELECT COUNT(*) FROM `" + Db->Name() + "`.t");
        return r->Rows.Count() == 1 ? std::string(r->Rows.Items(0).Values(0)) : r->ErrorText();
    };
    // A comment's ";" does not run the first half of the statement on its own.
    Run(QStringLiteral("DELETE FROM %1 -- keep row 1; see ticket\r\nWHERE id = 2;").arg(T("t")));
    EXPECT_TRUE(EndsAsSummary(Window->StatusText(), QStringLiteral("1 affected row(s)")))
        << Window->StatusText().toStdString();
    EXPECT_EQ(rows(), "1");

    // A NUL in the editor goes to the server with the rest of the statement, which refuses it.
    Run(QStringLiteral("DELETE FROM %1").arg(T("t")) + QChar(0) + QStringLiteral(" WHERE id = 2"));
    ASSERT_TRUE(Ui(*Window).mmoIn->Text().contains(QChar(0)));
    EXPECT_TRUE(Window->StatusText().startsWith(QStringLiteral("Error: ")))
        << Window->StatusText().toStdString();
    EXPECT_EQ(rows(), "1");

    // A ";" in a quoted text stays in it, and the statement after the last ";" runs.
    Run(QStringLiteral("SELECT 'Ink; blue' AS ink; SELECT 'and' AS x, \"the; last\" AS y"));
    ASSERT_EQ(Grid().rowCount(), 1);
    EXPECT_EQ(Caption(1), QStringLiteral("y"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("the; last"));
}

TEST_F(QueryTest, AProcedureThatReturnsRowsLeavesTheConnectionUsable) {
    Db->Run("CREATE PROCEDURE report() BEGIN SELECT id, name FROM t ORDER BY id; SELECT 'more'; END");
    Run(QStringLiteral("CALL `%1`.report();\r\nSELECT 'after' AS x;")
            .arg(QString::fromStdString(Db->Name())));
    EXPECT_TRUE(EndsAsSummary(Window->StatusText(), QStringLiteral("1 rows - 1 fields")))
        << Window->StatusText().toStdString();
    EXPECT_EQ(Cell(0, 0), QStringLiteral("after"));
    Run(QStringLiteral("CALL `%1`.report()").arg(QString::fromStdString(Db->Name())));
    EXPECT_TRUE(EndsAsSummary(Window->StatusText(), QStringLiteral("2 rows - 2 fields")))
        << Window->StatusText().toStdString();
    EXPECT_TRUE(Ui(*Window).btnDisconnect->isEnabled());
}

TEST_F(QueryTest, AltQTheToolButtonAndTheMenuItemRunItToo) {
    Ui(*Window).mmoIn->SetText(QStringLiteral("INSERT INTO %1 VALUES (7)").arg(T("log")));
    Ui(*Window).mmoIn->setFocus();
    QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(LogRows(), 1);
    EXPECT_TRUE(EndsAsSummary(Window->StatusText(), QStringLiteral("1 affected row(s)")))
        << Window->StatusText().toStdString();
    EXPECT_EQ(Ui(*Window).mmoIn->Text(),
              QStringLiteral("INSERT INTO %1 VALUES (7)").arg(T("log"))); // no "q" typed

    QTest::mouseClick(Ui(*Window).btnQuery, Qt::LeftButton);
    EXPECT_EQ(LogRows(), 2);
    Ui(*Window).mnuQuery->trigger();
    EXPECT_EQ(LogRows(), 3);
    EXPECT_EQ(Window->History()->Count(), 3);
}

TEST_F(QueryTest, SummariesOfChangesOfNothingAndOfAnEmptySelect) {
    Run(QStringLiteral("SELECT * FROM %1").arg(T("t")));
    ASSERT_TRUE(ExportEnabled());

    Run(QStringLiteral("INSERT INTO %1 VALUES (1), (2), (3)").arg(T("log")));
    EXPECT_TRUE(EndsAsSummary(Window->StatusText(), QStringLiteral("3 affected row(s)")))
        << Window->StatusText().toStdString();
    EXPECT_EQ(Grid().rowCount(), 0);
    EXPECT_EQ(Grid().columnCount(), 0);
    EXPECT_FALSE(ExportEnabled());

    Run(QStringLiteral("CREATE TABLE %1 (x INT)").arg(T("made")));
    EXPECT_TRUE(EndsAsSummary(Window->StatusText(), QString())) << Window->StatusText().toStdString();
    EXPECT_EQ(Grid().columnCount(), 0);
    EXPECT_FALSE(ExportEnabled());

    Run(QStringLiteral("SELECT id, name, total FROM %1 WHERE id < 0").arg(T("t")));
    EXPECT_TRUE(EndsAsSummary(Window->StatusText(), QStringLiteral("0 rows - 3 fields")))
        << Window->StatusText().toStdString();
    EXPECT_EQ(Grid().rowCount(), 0);
    ASSERT_EQ(Grid().columnCount(), 3);
    EXPECT_EQ(Caption(0), QStringLiteral("id"));
    EXPECT_EQ(Caption(1), QStringLiteral("name"));
    EXPECT_EQ(Caption(2), QStringLiteral("total"));
    EXPECT_TRUE(ExportEnabled());
}

TEST_F(QueryTest, TheGridShowsTheLastStatementsRowsWithNullEmpty) {
    Run(QStringLiteral("SELECT 1 AS first;\r\nSELECT id, name, total FROM %1 ORDER BY id;").arg(T("t")));
    EXPECT_TRUE(EndsAsSummary(Window->StatusText(), QStringLiteral("2 rows - 3 fields")))
        << Window->StatusText().toStdString();
    ASSERT_EQ(Grid().rowCount(), 2);
    ASSERT_EQ(Grid().columnCount(), 3);
    EXPECT_EQ(Caption(0), QStringLiteral("id"));
    EXPECT_EQ(Cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("a rather long name for the column"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("12.50"));
    EXPECT_EQ(Cell(1, 0), QStringLiteral("2"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("NULL"));
    EXPECT_EQ(Cell(1, 2), QStringLiteral("NULL"));
    // The long value fits its column as shown.
    const QFontMetrics fm(Ui(*Window).lstOut->font());
    EXPECT_GE(Ui(*Window).lstOut->columnWidth(1), fm.horizontalAdvance(Cell(0, 1)));
}

TEST_F(QueryTest, TheDurationFollowsTheMarkOfShowDurationAtEachRun) {
    const QString sql = QStringLiteral("SELECT SLEEP(0.03) AS s");
    Ui(*Window).mnuShowDuration->trigger(); // choosing the item takes the mark away
    ASSERT_FALSE(Ui(*Window).mnuShowDuration->isChecked());
    Run(sql);
    EXPECT_EQ(Window->StatusText(), QStringLiteral("1 rows - 1 fields."));

    Ui(*Window).mnuShowDuration->trigger();
    ASSERT_TRUE(Ui(*Window).mnuShowDuration->isChecked());
    Run(sql);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^1 rows - 1 fields in ([0-9]+) milliseconds\\.$"))
            .match(Window->StatusText());
    ASSERT_TRUE(m.hasMatch()) << Window->StatusText().toStdString();
    EXPECT_GE(m.captured(1).toInt(), 30);
}

TEST_F(QueryTest, TheDatabaseBusyCursorAndTheProgressTextsShowWhileItRuns) {
    // The cursor is a drawing of its own: opaque pixels for the hourglass and for the letters below.
    const QImage cursor = TQueryController::SqlBusyCursor().pixmap().toImage();
    ASSERT_EQ(cursor.size(), QSize(32, 32));
    auto opaqueIn = [&](int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < 32; ++x)
                n += qAlpha(cursor.pixel(x, y)) > 128;
        return n;
    };
    EXPECT_GT(opaqueIn(0, 20), 50);
    EXPECT_GT(opaqueIn(22, 32), 20);

    TPaintLog log(*Window);
    Run(QStringLiteral("SELECT 1 AS one"));
    const auto* executing = log.Find(QStringLiteral("Executing query"));
    ASSERT_NE(executing, nullptr);
    EXPECT_TRUE(executing->SqlCursor);
    const auto* displaying = log.Find(QStringLiteral("Displaying Result"));
    ASSERT_NE(displaying, nullptr);
    EXPECT_TRUE(displaying->SqlCursor);
    ASSERT_FALSE(log.Paints.empty());
    EXPECT_TRUE(EndsAsSummary(log.Paints.back().Text, QStringLiteral("1 rows - 1 fields")));
    // The normal cursor is back afterwards, after an error too.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    Run(QStringLiteral("SELEKT"));
    EXPECT_TRUE(Window->StatusText().startsWith(QStringLiteral("Error: ")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QueryTest, WithoutASelectedNodeQueryDoesNothing) {
    Ui(*Window).Tree->clearSelection();
    Ui(*Window).Tree->setCurrentItem(nullptr);
    ASSERT_EQ(Ui(*Window).Tree->SelectedNode(), nullptr);
    Ui(*Window).mmoIn->SetText(QStringLiteral("INSERT INTO %1 VALUES (1)").arg(T("log")));
    Window->Queries().btnQueryClick(); // still enabled from the last selection
    EXPECT_EQ(LogRows(), 0);
    EXPECT_EQ(Window->StatusText(), QString());
    EXPECT_EQ(Window->History()->Count(), 0);
    EXPECT_FALSE(Ui(*Window).cmbQueries->isEnabled());
}

TEST_F(QueryTest, QueriesRunOnTheHostOfANodeBelowIt) {
    // A database node of the host: the host's connection runs the statement.
    ASSERT_GT(HostNode->childCount(), 0);
    Ui(*Window).Tree->setCurrentItem(HostNode->child(0));
    ASSERT_TRUE(Ui(*Window).btnQuery->isEnabled());
    Run(QStringLiteral("INSERT INTO %1 VALUES (5)").arg(T("log")));
    EXPECT_EQ(LogRows(), 1);
}

// ---- Clear and Maximize result ----

TEST_F(QueryTest, ClearResultEmptiesGridAndStatusButLeavesTheExportCommands) {
    Run(QStringLiteral("SELECT * FROM %1").arg(T("t")));
    ASSERT_EQ(Grid().rowCount(), 2);
    Ui(*Window).popmnuClearResult->trigger();
    EXPECT_EQ(Grid().rowCount(), 0);
    EXPECT_EQ(Grid().columnCount(), 0);
    EXPECT_EQ(Window->StatusText(), QString());
    EXPECT_TRUE(ExportEnabled());
}

TEST_F(QueryTest, TheResultWindowShowsACopyCaptionedWithTheStatus) {
    TfrmResult* frm = Windows->frmResult.get();
    ASSERT_NE(frm, nullptr);
    EXPECT_FALSE(frm->isVisible()); // made at start, shown on demand

    Run(QStringLiteral("SELECT id, name FROM %1 ORDER BY id").arg(T("t")));
    const QString status = Window->StatusText();
    TPaintLog log(*Window);
    QTest::mouseClick(Ui(*Window).btnMaximize, Qt::LeftButton);
    ASSERT_TRUE(frm->isVisible());
    EXPECT_TRUE(frm->isMaximized());
    EXPECT_EQ(frm->windowTitle(), status);
    EXPECT_EQ(Window->StatusText(), status);
    EXPECT_NE(log.Find(QStringLiteral("Preparing to show window...")), nullptr);
    // The copy shares the grid's block, with its widths.
    TResultModel& copy = *frm->lstOut->Model();
    EXPECT_EQ(copy.Block().get(), Grid().Block().get());
    ASSERT_EQ(copy.columnCount(), 2);
    EXPECT_EQ(copy.rowCount(), 2);
    EXPECT_EQ(copy.headerData(1, Qt::Horizontal).toString(), QStringLiteral("name"));
    EXPECT_EQ(frm->lstOut->columnWidth(1), Ui(*Window).lstOut->columnWidth(1));
    // The main window stays usable: the next result does not touch the copy until asked.
    Run(QStringLiteral("SELECT 42 AS answer"));
    EXPECT_EQ(copy.columnCount(), 2);
    Ui(*Window).mnuMaximize->trigger();
    ASSERT_EQ(copy.columnCount(), 1);
    EXPECT_EQ(copy.data(copy.index(0, 0)).toString(), QStringLiteral("42"));
    EXPECT_EQ(frm->windowTitle(), Window->StatusText());

    // A double click on the result window's list closes it; one on the main grid opens it again.
    QTest::mouseDClick(frm->lstOut->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(frm->isVisible());
    Ui(*Window).popmnuClearResult->trigger();
    QTest::mouseDClick(Ui(*Window).lstOut->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(frm->isVisible());
    EXPECT_EQ(copy.rowCount(), 0);
    EXPECT_EQ(copy.columnCount(), 0);
    EXPECT_EQ(frm->windowTitle(), QString());
    frm->close();
    Ui(*Window).popmnuMaximize->trigger();
    EXPECT_TRUE(frm->isVisible());
    frm->close();
}

// ---- history through the window ----

TEST_F(QueryTest, PreviousNextAndRecallStepThroughTheRuns) {
    const QString first = QStringLiteral("SELECT 1");
    const QString second = QStringLiteral("SELECT 2 AS two\r\nFROM dual");
    Run(first);
    Run(second);
    Run(QString()); // an empty editor: one empty statement, which the server rejects
    EXPECT_TRUE(Window->StatusText().startsWith(QStringLiteral("Error: ")));
    ASSERT_EQ(Window->History()->Count(), 3);
    EXPECT_TRUE(Ui(*Window).btnPrev->isEnabled());
    EXPECT_FALSE(Ui(*Window).btnNext->isEnabled());

    QTest::mouseClick(Ui(*Window).btnPrev, Qt::LeftButton);
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), QString());
    QTest::mouseClick(Ui(*Window).btnPrev, Qt::LeftButton);
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), second);
    EXPECT_TRUE(Ui(*Window).btnPrev->isEnabled());
    EXPECT_TRUE(Ui(*Window).btnNext->isEnabled());
    QTest::mouseClick(Ui(*Window).btnPrev, Qt::LeftButton);
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), first);
    EXPECT_FALSE(Ui(*Window).btnPrev->isEnabled());
    EXPECT_TRUE(Ui(*Window).btnNext->isEnabled());
    QTest::mouseClick(Ui(*Window).btnNext, Qt::LeftButton);
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), second);
    EXPECT_EQ(Window->History()->Index(), 1);

    // Opening the list rebuilds it: 27 characters at most, line breaks as blanks, the empty run empty.
    Ui(*Window).cmbQueries->showPopup();
    ASSERT_EQ(Ui(*Window).cmbQueries->count(), 3);
    EXPECT_EQ(Ui(*Window).cmbQueries->itemText(0), QStringLiteral("SELECT 1  "));
    EXPECT_EQ(Ui(*Window).cmbQueries->itemText(1), QStringLiteral("SELECT 2 AS two  FROM dual "));
    EXPECT_EQ(Ui(*Window).cmbQueries->itemText(2), QString());
    QAbstractItemView* list = Ui(*Window).cmbQueries->view();
    const QRect item = list->visualRect(list->model()->index(2, 0));
    ASSERT_TRUE(item.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), QString());
    // Recall leaves the index and the buttons alone: Previous steps back from entry 1, not 2.
    EXPECT_EQ(Window->History()->Index(), 1);
    EXPECT_TRUE(Ui(*Window).btnPrev->isEnabled());
    EXPECT_TRUE(Ui(*Window).btnNext->isEnabled());
    QTest::mouseClick(Ui(*Window).btnPrev, Qt::LeftButton);
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), first);

    // Running a recalled text adds a new entry and moves past the end again.
    Run(Ui(*Window).mmoIn->Text());
    EXPECT_EQ(Window->History()->Count(), 4);
    EXPECT_EQ(Window->History()->Index(), 4);
    EXPECT_TRUE(Ui(*Window).btnPrev->isEnabled());
    EXPECT_FALSE(Ui(*Window).btnNext->isEnabled());
}

TEST_F(QueryTest, RecallingAnEntryIsOneStepThatUndoRevertsToTheDraft) {
    Run(QStringLiteral("SELECT 1"));
    Run(QStringLiteral("SELECT 2"));
    Ui(*Window).mmoIn->SetText(QString());
    Ui(*Window).mmoIn->setFocus();
    QTest::keyClicks(Ui(*Window).mmoIn, QStringLiteral("SELECT draft"));
    const auto undo = [this] { QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_Z, Qt::ControlModifier); };

    QTest::mouseClick(Ui(*Window).btnPrev, Qt::LeftButton);
    ASSERT_EQ(Ui(*Window).mmoIn->Text(), QStringLiteral("SELECT 2"));
    Ui(*Window).mmoIn->setFocus();
    undo();
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), QStringLiteral("SELECT draft"));

    QTest::mouseClick(Ui(*Window).btnPrev, Qt::LeftButton);
    QTest::mouseClick(Ui(*Window).btnNext, Qt::LeftButton);
    ASSERT_EQ(Ui(*Window).mmoIn->Text(), QStringLiteral("SELECT 2"));
    Ui(*Window).mmoIn->setFocus();
    undo();
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), QStringLiteral("SELECT 1"));

    Ui(*Window).mmoIn->SetText(QStringLiteral("SELECT other"));
    Ui(*Window).cmbQueries->showPopup();
    QAbstractItemView* list = Ui(*Window).cmbQueries->view();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    ASSERT_EQ(Ui(*Window).mmoIn->Text(), QStringLiteral("SELECT 1"));
    Ui(*Window).mmoIn->setFocus();
    undo();
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), QStringLiteral("SELECT other"));
}

TEST_F(QueryTest, ALongStatusTextIsCutAndKeepsTheWindowsSize) {
    QTest::qWait(20);
    const QSize before = Window->size();
    // The server quotes the statement's tail in its message: 200 characters of error text.
    Run(QStringLiteral("SELECT FROM ") + QString(190, QLatin1Char('x')));
    QTest::qWait(50);
    const QString status = Window->StatusText();
    ASSERT_TRUE(status.startsWith(QStringLiteral("Error: "))) << status.toStdString();
    ASSERT_GE(status.size(), 200);
    EXPECT_EQ(Window->size(), before);
    EXPECT_LE(Window->minimumSizeHint().width(), before.width());
    const QLabel* label = Window->findChild<QLabel*>(QStringLiteral("StatusText"));
    EXPECT_EQ(label->toolTip(), status);
    EXPECT_LE(label->geometry().right(), Ui(*Window).StatusBar->width());

    // Nothing but the text's length changes for a short one.
    Run(QStringLiteral("SELECT 1"));
    EXPECT_EQ(Window->findChild<QLabel*>(QStringLiteral("StatusText"))->toolTip(), Window->StatusText());
    EXPECT_EQ(Window->size(), before);
}

TEST_F(QueryTest, AStatementStartsAfterTheShownResultIsReleasedUnlessAnOpenWindowShowsIt) {
    // Whether, by the time "Executing query" was painted, only the connection's last result still
    // held the result shown before; Execute lets go of that one before it reads the next.
    struct TStartProbe : QObject {
        TfrmMain* Window = nullptr;
        TMySql* Host = nullptr;
        std::weak_ptr<const TResultBlock> Previous;
        std::optional<bool> ReleasedAtStart;
        bool eventFilter(QObject*, QEvent* e) override {
            // The first such paint: the window paints again while it waits for the statement.
            if (ReleasedAtStart || e->type() != QEvent::Paint ||
                Window->StatusText() != QStringLiteral("Executing query"))
                return false;
            const std::shared_ptr<const TResultBlock> held = Previous.lock();
            const TResult* last = Host->LastResult();
            ReleasedAtStart = held && held.use_count() == 2 && last && last->Block() == held;
            return false;
        }
    } probe;
    probe.Window = Window;
    probe.Host = HostNode->Host();
    Ui(*Window).StatusBar->installEventFilter(&probe);
    TfrmResult* frm = Windows->frmResult.get();

    // Shown in the grid and copied into the result window, which was closed again.
    Run(QStringLiteral("SELECT * FROM %1").arg(T("t")));
    ASSERT_EQ(Grid().rowCount(), 2);
    Ui(*Window).btnMaximize->click();
    ASSERT_TRUE(frm->isVisible());
    frm->close();
    probe.Previous = Grid().Block();
    probe.ReleasedAtStart.reset();
    Run(QStringLiteral("SELECT name FROM %1 WHERE id = 1").arg(T("t")));
    ASSERT_TRUE(probe.ReleasedAtStart.has_value());
    EXPECT_TRUE(*probe.ReleasedAtStart);
    EXPECT_TRUE(probe.Previous.expired());
    ASSERT_EQ(Grid().rowCount(), 1);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("a rather long name for the column"));

    // An open result window keeps showing its copy through the next statement.
    Run(QStringLiteral("SELECT * FROM %1").arg(T("t")));
    Ui(*Window).btnMaximize->click();
    ASSERT_TRUE(frm->isVisible());
    // The main window in front again, so its status line is painted while the result window is open.
    Window->raise();
    Window->activateWindow();
    QApplication::processEvents();
    probe.Previous = Grid().Block();
    probe.ReleasedAtStart.reset();
    Run(QStringLiteral("SELECT 1"));
    ASSERT_TRUE(probe.ReleasedAtStart.has_value());
    EXPECT_FALSE(*probe.ReleasedAtStart);
    EXPECT_EQ(frm->lstOut->Model()->rowCount(), 2);
    EXPECT_EQ(Grid().rowCount(), 1);
    frm->close();
    Ui(*Window).StatusBar->removeEventFilter(&probe);
}

} // namespace
