// Selecting rows in the result grids and copying them: the selection keys and clicks, where
// Ctrl+C goes, the result menu's copy items, what lands on the real clipboard, and the question
// before a very large copy.

#include "TypedBlock.h"
#include "WindowTestSupport.h"

#include "editor/ColorMemo.h"
#include "workbench/dialogs/ExportResult.h"
#include "workbench/dialogs/ResultWindow.h"
#include "workbench/grid/ResultModel.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QToolButton>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Row = TTestRow; // nullopt: SQL NULL

TColumnInfo Column(std::string name, TColumnKind kind = TColumnKind::Text) {
    return TestColumn(std::move(name), kind, "customers");
}

std::shared_ptr<const TResultBlock> Block(const std::vector<TColumnInfo>& columns,
                                          const std::vector<Row>& rows) {
    return TypedBlock(columns, rows);
}

// What the demo shop's customers query shows: a NULL city beside an empty column.
std::shared_ptr<const TResultBlock> Customers() {
    return Block({Column("id", TColumnKind::Integer), Column("name"), Column("city")},
                 {
                     {"1", "Ada", "Zürich"},
                     {"2", "Bruno", std::nullopt},
                     {"3", "Cleo", ""},
                     {"4", "Dan", "Bern"},
                 });
}

QString ClipboardText() {
    return QApplication::clipboard()->text();
}

QString ClipboardHtml() {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    return mime ? mime->html() : QString();
}

void Click(TResultView* grid, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
}

std::vector<std::size_t> Places(std::initializer_list<std::size_t> rows) {
    return rows;
}

class CopyRowsTest : public WindowTest {
protected:
    // The window shown and active, the editor holding a selection of its own, the grid a result.
    TfrmMain& OpenWithResult(std::shared_ptr<const TResultBlock> block = Customers()) {
        TfrmMain& w = Open();
        w.show();
        QApplication::setActiveWindow(&w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        Ui(w).mmoIn->SetText(QStringLiteral("SELECT name FROM orders"));
        Ui(w).mmoIn->SetSelStart(7);
        Ui(w).mmoIn->SetSelLength(4);
        Ui(w).lstOut->ShowBlock(std::move(block));
        QApplication::clipboard()->setText(QStringLiteral("before"));
        return w;
    }
};

} // namespace

// ---- selection ----

TEST_F(CopyRowsTest, GridSelectsWholeRowsByClicksShiftCtrlAndKeys) {
    TfrmMain& w = OpenWithResult();
    TResultView* grid = Ui(w).lstOut;
    grid->setFocus();

    Click(grid, 1);
    EXPECT_EQ(grid->SelectedPlaces(), Places({1}));
    Click(grid, 3, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedPlaces(), Places({1, 2, 3}));
    Click(grid, 2, Qt::ControlModifier); // Ctrl+click takes one out
    EXPECT_EQ(grid->SelectedPlaces(), Places({1, 3}));
    Click(grid, 0, Qt::ControlModifier); // and puts one in
    EXPECT_EQ(grid->SelectedPlaces(), Places({0, 1, 3}));

    Click(grid, 0);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedPlaces(), Places({0, 1, 2}));
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedPlaces(), Places({0, 1, 2, 3}));
    // Still whole rows: every cell of a selected row is selected.
    EXPECT_EQ(grid->selectionModel()->selectedIndexes().size(), 4 * 3);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
}

// ---- where Ctrl+C goes ----

TEST_F(CopyRowsTest, CtrlCInTheFocusedGridCopiesItsRowsNotTheEditorsText) {
    TfrmMain& w = OpenWithResult();
    TResultView* grid = Ui(w).lstOut;
    grid->setFocus();
    Click(grid, 0);
    Click(grid, 1, Qt::ShiftModifier);
    ASSERT_TRUE(grid->hasFocus());

    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(), QStringLiteral("1\tAda\tZürich\n2\tBruno\t\n"));
    EXPECT_TRUE(ClipboardHtml().contains(QStringLiteral("<tr><td>1</td><td>Ada</td><td>Zürich</td></tr>")));
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT name FROM orders"));

    // Anywhere else Ctrl+C is the editor's, as before.
    Ui(w).Tree->setFocus();
    QTest::keyClick(Ui(w).Tree, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(), QStringLiteral("name"));
    Ui(w).mmoIn->setFocus();
    Ui(w).mmoIn->SetSelStart(0);
    Ui(w).mmoIn->SetSelLength(6);
    QTest::keyClick(Ui(w).mmoIn, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(), QStringLiteral("SELECT"));
    EXPECT_FALSE(ClipboardHtml().contains(QStringLiteral("<table>")));
}

TEST_F(CopyRowsTest, CtrlCInAGridWithoutSelectedRowsLeavesTheClipboardAlone) {
    TfrmMain& w = OpenWithResult();
    Ui(w).lstOut->setFocus();
    QTest::keyClick(Ui(w).lstOut, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(), QStringLiteral("before"));
}

TEST_F(CopyRowsTest, EditMenusCopyFollowsTheSameRule) {
    TfrmMain& w = OpenWithResult();
    Ui(w).lstOut->setFocus();
    Click(Ui(w).lstOut, 3);
    Ui(w).Copy1->trigger();
    EXPECT_EQ(ClipboardText(), QStringLiteral("4\tDan\tBern\n"));

    Ui(w).mmoIn->setFocus();
    Ui(w).Copy1->trigger();
    EXPECT_EQ(ClipboardText(), QStringLiteral("name"));
}

TEST_F(CopyRowsTest, ResultWindowsGridCopiesItsOwnSelection) {
    TfrmMain& w = OpenWithResult();
    Ui(w).btnMaximize->click();
    TfrmResult* frm = Windows->frmResult.get();
    ASSERT_TRUE(frm->isVisible());
    QApplication::setActiveWindow(frm);
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm));
    frm->lstOut->setFocus();
    Click(frm->lstOut, 2);
    Click(frm->lstOut, 3, Qt::ControlModifier);

    QTest::keyClick(frm->lstOut, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(), QStringLiteral("3\tCleo\t\n4\tDan\tBern\n"));
    EXPECT_TRUE(ClipboardHtml().contains(QStringLiteral("<td>Cleo</td>")));
    EXPECT_TRUE(Ui(w).lstOut->SelectedPlaces().empty()); // the main grid's selection is its own
}

// ---- the result menu ----

TEST_F(CopyRowsTest, CopyItemsAreEnabledWhileRowsAreSelected) {
    TfrmMain& w = OpenWithResult();
    const auto items = {Ui(w).popmnuCopyRows, Ui(w).popmnuCopyWithNames, Ui(w).popmnuCopyAsInsert};
    for (QAction* item : items)
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    Click(Ui(w).lstOut, 1);
    for (QAction* item : items)
        EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();
    Ui(w).popmnuClearResult->trigger();
    for (QAction* item : items)
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();

    // Captions, beside the designed items, which keep their place and states.
    EXPECT_EQ(Ui(w).popmnuCopyRows->text(), QStringLiteral("&Copy"));
    EXPECT_EQ(Ui(w).popmnuCopyWithNames->text(), QStringLiteral("Copy with column &names"));
    EXPECT_EQ(Ui(w).popmnuCopyAsInsert->text(), QStringLiteral("Copy as &INSERT statements"));
    const QList<QAction*> actions = Ui(w).popResult->actions();
    ASSERT_GE(actions.size(), 7);
    EXPECT_EQ(actions.mid(0, 3),
              (QList<QAction*>{Ui(w).popmnuExportResult, Ui(w).popmnuClearResult, Ui(w).popmnuMaximize}));
    EXPECT_EQ(actions.mid(4, 3), (QList<QAction*>(items)));
    EXPECT_EQ(Ui(w).popResult->defaultAction(), Ui(w).popmnuMaximize);
}

TEST_F(CopyRowsTest, ResultMenuCopiesRowsNamesAndInsertStatements) {
    TfrmMain& w = OpenWithResult();
    Click(Ui(w).lstOut, 1);
    Click(Ui(w).lstOut, 2, Qt::ShiftModifier);

    Ui(w).popmnuCopyRows->trigger();
    EXPECT_EQ(ClipboardText(), QStringLiteral("2\tBruno\t\n3\tCleo\t\n"));
    Ui(w).popmnuCopyWithNames->trigger();
    EXPECT_EQ(ClipboardText(), QStringLiteral("id\tname\tcity\n2\tBruno\t\n3\tCleo\t\n"));
    EXPECT_TRUE(ClipboardHtml().contains(QStringLiteral("<tr><th>id</th><th>name</th><th>city</th></tr>")));

    // The export's SQL format over the selected rows, into the result's one source table...
    Ui(w).popmnuCopyAsInsert->trigger();
    TExportOptions sql;
    sql.Format = TExportOptions::SqlInsert;
    sql.TableName = "customers";
    const TExportGrid selected = SelectedGrid(*Ui(w).lstOut);
    EXPECT_EQ(ClipboardText(), QString::fromStdString(ExportText(selected, sql)));
    EXPECT_TRUE(ClipboardText().startsWith(QStringLiteral("INSERT INTO customers VALUES(")));
    EXPECT_EQ(ClipboardText().count(QStringLiteral("INSERT INTO")), 2);
    // ...or the one typed in the export dialog.
    Windows->frmExportResult->txtTablename->setText(QStringLiteral("shop.archive"));
    Ui(w).popmnuCopyAsInsert->trigger();
    EXPECT_TRUE(ClipboardText().startsWith(QStringLiteral("INSERT INTO shop.archive VALUES(")));
}

// ---- what lands on the clipboard ----

TEST_F(CopyRowsTest, ClipboardKeepsValuesWholeAndQuotedAndNullApartFromText) {
    TfrmMain& w = OpenWithResult(Block({Column("note"), Column("raw", TColumnKind::Binary), Column("word")},
                                       {
                                           {"tab\there", "\x00\x01"s, "NULL"},
                                           {"say \"x\"\nnext", std::nullopt, ""},
                                           {"nul\0after"s, ""s, std::nullopt},
                                       }));
    Ui(w).lstOut->setFocus();
    QTest::keyClick(Ui(w).lstOut, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Ui(w).lstOut, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(), QStringLiteral("\"tab\there\"\t0x0001\tNULL\n"
                                              "\"say \"\"x\"\"\nnext\"\t\t\n"
                                              "nul") +
                                   QChar(0) + QStringLiteral("after\t\t\n"));
    const QString html = ClipboardHtml();
    EXPECT_TRUE(html.contains(QStringLiteral("<tr><td>tab\there</td><td>0x0001</td><td>NULL</td></tr>")));
    EXPECT_TRUE(
        html.contains(QStringLiteral("<tr><td>say &quot;x&quot;<br>next</td><td></td><td></td></tr>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<tr><td>nul\uFFFDafter</td><td></td><td></td></tr>")));
}

TEST_F(CopyRowsTest, CopyFollowsTheShownColumnOrder) {
    TfrmMain& w = OpenWithResult();
    Ui(w).lstOut->horizontalHeader()->moveSection(2, 0); // city first
    Click(Ui(w).lstOut, 0);
    Ui(w).popmnuCopyWithNames->trigger();
    EXPECT_EQ(ClipboardText(), QStringLiteral("city\tid\tname\nZürich\t1\tAda\n"));
}

// ---- a very large copy ----

TEST_F(CopyRowsTest, ALargeCopyAsksFirstAndNoKeepsTheClipboard) {
    TfrmMain& w =
        OpenWithResult(Block({Column("blob", TColumnKind::Text)}, {{std::string(3 << 20, 'x')}, {"y"}}));
    w.Results().SetCopyConfirmBytes(2 << 20);
    Ui(w).lstOut->setFocus();
    Click(Ui(w).lstOut, 0);

    Dialogs.Answer(TMsgResult::No);
    QTest::keyClick(Ui(w).lstOut, Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    const auto& asked = Dialogs.Questions().front();
    EXPECT_EQ(asked.Title, QStringLiteral("Confirm"));
    EXPECT_EQ(asked.Text, QStringLiteral("Copy 3 MB to the clipboard?"));
    EXPECT_EQ(asked.Buttons, TMsgButtons::YesNo);
    EXPECT_EQ(ClipboardText(), QStringLiteral("before"));

    Dialogs.Answer(TMsgResult::Yes);
    Ui(w).popmnuCopyAsInsert->trigger();
    EXPECT_EQ(Dialogs.Questions().size(), 2u);
    EXPECT_TRUE(ClipboardText().startsWith(QStringLiteral("INSERT INTO customers VALUES('xxx")));
    EXPECT_GT(ClipboardText().size(), 3 << 20); // whole, not the grid's cut display form

    // Below the limit nothing is asked.
    Click(Ui(w).lstOut, 1);
    Ui(w).popmnuCopyRows->trigger();
    EXPECT_EQ(Dialogs.Questions().size(), 2u);
    EXPECT_EQ(ClipboardText(), QStringLiteral("y\n"));
}
