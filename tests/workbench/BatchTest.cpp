// Runs of statements through the real window against the sandbox: Query current statement (the
// statement at the caret, or the selection), a tab for each result of a run, and the editor
// showing where a failed statement is.

#include "Sandbox.h"
#include "WindowTestSupport.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "workbench/controllers/QueryHistory.h"
#include "workbench/controllers/ResultController.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/grid/RunResults.h"

#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>

namespace {

class BatchTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Open();
        ShowConnectedSandbox();
        ASSERT_FALSE(HasFailure());
    }

    // The editor holds `text`; the caret goes where `text` has its first '|' (taken out).
    void Type(QString text) {
        const qsizetype caret = text.indexOf(QLatin1Char('|'));
        text.remove(QLatin1Char('|'));
        Ui(*Window).mmoIn->SetText(text);
        Ui(*Window).mmoIn->SetSelStart(caret < 0 ? 0 : static_cast<int>(caret));
        QApplication::setActiveWindow(Window);
        Ui(*Window).mmoIn->setFocus();
    }
    void PressCtrlEnter(Qt::KeyboardModifiers extra = {}) {
        QTest::keyClick(Ui(*Window).mmoIn, extra ? Qt::Key_Enter : Qt::Key_Return,
                        Qt::ControlModifier | extra);
    }
    // The name of the shown grid's first column, or "" when the grid shows nothing.
    QString ShownColumn() const {
        const TExportGrid grid = ShownGrid(*Ui(*Window).lstOut);
        return grid.Block && grid.Block->FieldCount() > 0 ? QString::fromStdString(grid.Block->FieldName(0))
                                                          : QString();
    }
    QTabBar* Tabs() const { return Ui(*Window).tabResults; }
};

TEST_F(BatchTest, QueryCurrentRunsOnlyTheStatementAtTheCaret) {
    const QString script = QStringLiteral("SELECT 1 AS a;\r\nSELECT 2 AS b;\r\n\r\nSELECT 3 AS c");
    struct TCase {
        int Caret; // a position in `script`
        const char* Column;
    } cases[] = {
        {0, "a"},                               // at the start
        {9, "a"},                               // inside the first
        {13, "a"},                              // at its delimiter
        {16, "b"},                              // at the start of the second line
        {30, "b"},                              // on the blank line after the second
        {static_cast<int>(script.size()), "c"}, // at the end, no delimiter after it
    };
    for (const TCase& c : cases) {
        Type(script.left(c.Caret) + QLatin1Char('|') + script.mid(c.Caret));
        const int runs = Window->History()->Count();
        PressCtrlEnter();
        // Each run is a run of the history, like Query's.
        EXPECT_EQ(Window->History()->Count(), runs + 1);
        EXPECT_EQ(ShownColumn(), QLatin1String(c.Column)) << "caret at " << c.Caret;
        EXPECT_FALSE(Tabs()->isVisible()) << "one result, one grid";
        // The text and the caret are left as they were; the statement that ran is marked.
        EXPECT_EQ(Ui(*Window).mmoIn->Text(), script);
        EXPECT_EQ(Ui(*Window).mmoIn->SelLength(), 0);
        const auto [from, to] = Ui(*Window).mmoIn->MarkedRange();
        EXPECT_LT(from, to);
    }
    // The mark goes again after a moment.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto [from, to] = Ui(*Window).mmoIn->MarkedRange();
            return from == to;
        },
        3000));

    // The keypad's Enter serves as well, and a selection runs just what is selected, cut as F12 cuts.
    Type(QStringLiteral("SELECT 1 AS a; SELECT 2 AS b; SELECT 3 AS c;|"));
    PressCtrlEnter(Qt::KeypadModifier);
    EXPECT_EQ(ShownColumn(), QLatin1String("c"));
    Ui(*Window).mmoIn->SetSelStart(0);
    Ui(*Window).mmoIn->SetSelLength(29);
    PressCtrlEnter();
    EXPECT_EQ(ShownColumn(), QLatin1String("b"));
    EXPECT_EQ(Tabs()->count(), 2) << "the two selected statements each gave a result";

    // Enabled exactly when Query is.
    EXPECT_TRUE(Item("mnuQueryCurrent")->isEnabled());
    Ui(*Window).btnDisconnect->click();
    EXPECT_FALSE(Ui(*Window).btnQuery->isEnabled());
    EXPECT_FALSE(Item("mnuQueryCurrent")->isEnabled());
}

TEST_F(BatchTest, EveryResultOfARunHasATab) {
    TempDatabase db("batch");
    db.Run("CREATE PROCEDURE two() BEGIN SELECT 10 AS first; SELECT 20 AS second, 21 AS more; END");
    Type(QStringLiteral("SELECT 1 AS a; DO 0; SELECT 2 AS b; CALL %1.two()")
             .arg(QString::fromStdString(db.Name())));
    QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_F12);
    ASSERT_TRUE(Tabs()->isVisible());
    ASSERT_EQ(Tabs()->count(), 4) << "DO gives no result; CALL gives two";
    EXPECT_EQ(Tabs()->currentIndex(), 2) << "a CALL shows its first result, as it always has";
    EXPECT_TRUE(Tabs()->tabText(0).startsWith(QStringLiteral("1: SELECT 1 AS a")));
    EXPECT_TRUE(Tabs()->tabText(3).startsWith(QStringLiteral("4: CALL"))) << Tabs()->tabText(3).toStdString();
    EXPECT_EQ(ShownColumn(), QLatin1String("first"));

    // Choosing a tab shows its result and its summary; the commands act on it.
    QTest::mouseClick(Tabs(), Qt::LeftButton, {}, Tabs()->tabRect(0).center());
    EXPECT_EQ(ShownColumn(), QLatin1String("a"));
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    EXPECT_TRUE(Window->StatusText().contains(QLatin1String("1 row"))) << Window->StatusText().toStdString();
    EXPECT_TRUE(Ui(*Window).btnExportResult->isEnabled());
    QTest::mouseClick(Tabs(), Qt::LeftButton, {}, Tabs()->tabRect(3).center());
    EXPECT_EQ(ShownColumn(), QLatin1String("second"));

    // Clear result lets the shown one go with its tab.
    Item("popmnuClearResult")->trigger();
    ASSERT_EQ(Tabs()->count(), 3);
    EXPECT_TRUE(Tabs()->tabText(2).startsWith(QStringLiteral("3: CALL")));
    EXPECT_EQ(ShownColumn(), QString());

    // A run's results over the memory cap: the oldest are let go and say so; the newest stays.
    Window->Results().SetRunMemoryCap(1);
    Type(QStringLiteral("SELECT 1 AS a; SELECT 2 AS b; SELECT 3 AS c"));
    QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_F12);
    ASSERT_EQ(Tabs()->count(), 3) << "a new run replaces the tabs";
    EXPECT_TRUE(Tabs()->tabText(0).endsWith(QStringLiteral("(let go)")));
    EXPECT_FALSE(Tabs()->tabText(2).endsWith(QStringLiteral("(let go)")));
    EXPECT_EQ(ShownColumn(), QLatin1String("c"));
    QTest::mouseClick(Tabs(), Qt::LeftButton, {}, Tabs()->tabRect(1).center());
    EXPECT_EQ(ShownColumn(), QString());
    EXPECT_TRUE(Window->StatusText().startsWith(QStringLiteral("Result 2 was let go")));

    // A single result keeps the designed look: no bar.
    Type(QStringLiteral("SELECT 1 AS a"));
    QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_F12);
    EXPECT_FALSE(Tabs()->isVisible());
    EXPECT_EQ(ShownColumn(), QLatin1String("a"));
}

TEST_F(BatchTest, AFailedStatementIsSelectedInTheEditor) {
    struct TCase {
        const char* Script;
        const char* Selected;
    } cases[] = {
        // The server names no line: the whole statement, without the blanks around it.
        {"SELECT 1;\r\n\r\n  SELECT * FROM no_such_db_here.t\r\n  WHERE 1;\r\nSELECT 3",
         "SELECT * FROM no_such_db_here.t\r\n  WHERE 1"},
        // A syntax error on the statement's third line, counted as the server counts: from its text.
        {"SELECT 1;\r\n\r\nSELECT 2,\r\n  3 +\r\n  FROM x;\r\nSELECT 4", "FROM x"},
        // Text before the statement with characters of two and four bytes.
        {"SELECT '\xc3\xa9\xf0\x9f\x98\x80';\r\nSELEC 2", "SELEC 2"},
    };
    for (const TCase& c : cases) {
        Type(QString::fromUtf8(c.Script));
        QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_F12);
        EXPECT_TRUE(Window->StatusText().startsWith(QStringLiteral("Error: "))) << c.Script;
        EXPECT_EQ(Ui(*Window).mmoIn->SelText(), QString::fromUtf8(c.Selected)) << c.Script;
    }
}

TEST_F(BatchTest, ABatchOfThousandsOfResultsKeepsTheLastTabs) {
    QString batch;
    for (int i = 0; i < 5000; ++i)
        batch += QStringLiteral("SELECT %1 AS n;\r\n").arg(i);
    Type(batch);
    QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_F12);
    const int kept = static_cast<int>(TRunResults::MaxResults);
    ASSERT_EQ(Tabs()->count(), kept);
    EXPECT_TRUE(Tabs()->isVisible());
    EXPECT_EQ(Tabs()->currentIndex(), kept - 1);
    EXPECT_TRUE(Tabs()->tabText(0).startsWith(
        QStringLiteral("%1: SELECT %2 AS n").arg(5001 - kept).arg(5000 - kept)));
    QTest::mouseClick(Tabs(), Qt::LeftButton, {}, Tabs()->tabRect(Tabs()->currentIndex()).center());
    EXPECT_EQ(ShownGrid(*Ui(*Window).lstOut).Block->Cell(0, 0), "4999");
}

} // namespace
