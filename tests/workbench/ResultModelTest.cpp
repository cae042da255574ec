#include "workbench/grid/ResultModel.h"

#include "Sandbox.h"
#include "server/MySql.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A block from literal rows; nullptr in a row stands for SQL NULL.
std::shared_ptr<const TResultBlock> Block(std::vector<std::string> names,
                                          const std::vector<std::vector<const char*>>& rows) {
    TResultBlock::Builder b(std::move(names));
    for (const auto& row : rows)
        b.AddRow(row.data(), nullptr);
    return b.Finish();
}

// Counts the display strings a view asks for.
class TCountingModel : public TResultModel {
public:
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) ++Asked;
        return TResultModel::data(index, role);
    }
    mutable int Asked = 0;
};

int TextWidth(const TResultView& view, const QString& text) {
    return view.fontMetrics().horizontalAdvance(text);
}

TEST(ResultModel, ShowsCellsHeadersAndNullAsEmpty) {
    TResultModel m;
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.columnCount(), 0);

    m.SetBlock(Block({"id", "name", "note"}, {{"1", "Ada", nullptr}, {"2", "", "x"}}));
    ASSERT_EQ(m.rowCount(), 2);
    ASSERT_EQ(m.columnCount(), 3);
    EXPECT_EQ(m.headerData(0, Qt::Horizontal).toString(), "id");
    EXPECT_EQ(m.headerData(2, Qt::Horizontal).toString(), "note");
    EXPECT_EQ(m.data(m.index(0, 1)).toString(), "Ada");
    EXPECT_EQ(m.data(m.index(1, 2)).toString(), "x");
    EXPECT_EQ(m.data(m.index(0, 2)).toString(), QString()); // NULL
    EXPECT_EQ(m.data(m.index(1, 1)).toString(), QString()); // empty string
    EXPECT_FALSE(m.data(m.index(0, 0), Qt::EditRole).isValid());
    EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m.data(m.index(5, 0)).isValid());
    EXPECT_EQ(m.WidestRow(1), 0);
    EXPECT_EQ(m.WidestRow(2), 1);

    m.Clear();
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.columnCount(), 0);
    EXPECT_EQ(m.Block(), nullptr);
}

TEST(ResultModel, FieldsWithoutRowsGiveCaptionsOnly) {
    TResultModel m;
    m.SetBlock(Block({"a", "b"}, {}));
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.columnCount(), 2);
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), "b");
    EXPECT_EQ(m.WidestRow(0), -1);
}

TEST(ResultModel, TextIsUtf8AndHugeValuesAreCutBetweenCharacters) {
    std::string huge;
    while (huge.size() <= TResultModel::MaxDisplayBytes)
        huge += "\xC3\xA9"; // é
    huge = "x" + huge;      // the cut lands mid-character
    TResultModel m;
    m.SetBlock(Block({"v"}, {{"gr\xC3\xBC\xC3\x9F"}, {huge.c_str()}}));
    EXPECT_EQ(m.data(m.index(0, 0)).toString(), QString::fromUtf8("grüß"));
    const QString shown = m.data(m.index(1, 0)).toString();
    EXPECT_LE(shown.toUtf8().size(), static_cast<qsizetype>(TResultModel::MaxDisplayBytes));
    EXPECT_GT(shown.size(), 8000);
    EXPECT_FALSE(shown.contains(QChar::ReplacementCharacter));
}

TEST(ResultView, ColumnsFitCaptionAndWidestValueWherever) {
    // The widest value of column "v" lies far below the first screen.
    std::vector<std::vector<const char*>> rows(20000, {"1", "short"});
    rows[15000] = {"22", "a considerably longer value than the others"};
    TResultView view;
    view.resize(400, 300);
    view.show();
    view.ShowBlock(Block({"a_long_column_caption", "v"}, rows));

    EXPECT_GE(view.columnWidth(0), TextWidth(view, "a_long_column_caption"));
    EXPECT_GE(view.columnWidth(1), TextWidth(view, "a considerably longer value than the others"));
    EXPECT_LT(view.columnWidth(1), 2 * TextWidth(view, "a considerably longer value than the others"));
    EXPECT_EQ(view.columnWidth(1), view.FittingWidth(1));
}

TEST(ResultView, MakesDisplayStringsOnlyForCellsOnScreen) {
    auto* model = new TCountingModel;
    TResultView view(nullptr, model);
    view.resize(500, 300);
    view.show();
    std::vector<std::vector<const char*>> rows(100000, {"alpha", "beta", nullptr});
    view.ShowBlock(Block({"a", "b", "c"}, rows));
    view.grab();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    view.grab();
    // Two screens of at most a few dozen rows by three columns, plus the width fitting.
    EXPECT_GT(model->Asked, 0);
    EXPECT_LT(model->Asked, 600);
    EXPECT_EQ(view.model()->rowCount(), 100000);
}

TEST(ResultView, ClearAndCopyShareTheBlock) {
    TResultView grid;
    auto block = Block({"x", "y"}, {{"1", "2"}});
    grid.ShowBlock(block);
    grid.setColumnWidth(0, 123);

    TResultView copy;
    copy.CopyFrom(grid);
    EXPECT_EQ(copy.Model()->Block(), block); // the same cells, not a copy of them
    EXPECT_EQ(copy.columnWidth(0), 123);
    EXPECT_EQ(copy.columnWidth(1), grid.columnWidth(1));

    grid.Clear();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.model()->columnCount(), 0);
    EXPECT_EQ(copy.model()->rowCount(), 1); // the copy keeps what it was given
    EXPECT_EQ(copy.Model()->data(copy.Model()->index(0, 1)).toString(), "2");
}

TEST(ResultView, DoubleClickAnywhereIsReported) {
    TResultView view;
    view.resize(300, 200);
    view.show();
    int clicks = 0;
    QObject::connect(&view, &TResultView::DoubleClicked, [&] { ++clicks; });
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(150, 150),
                    view.viewport()->mapToGlobal(QPointF(150, 150)), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &dbl);
    EXPECT_EQ(clicks, 1); // on an empty grid too
}

// The decision of ShowResult on the values of a result.
TEST(ShowResultOutcome, SuccessErrorAndStatusTexts) {
    auto o = ShowResultOutcome(3, 2, 3, 15, "", true);
    EXPECT_TRUE(o.Success);
    EXPECT_TRUE(o.ExportEnabled);
    EXPECT_EQ(o.StatusText, "3 rows - 2 fields in 15 milliseconds.");
    EXPECT_EQ(ShowResultOutcome(3, 2, 3, 15, "", false).StatusText, "3 rows - 2 fields.");
    EXPECT_EQ(ShowResultOutcome(1, 1, 1, 0, "", true).StatusText, "1 rows - 1 fields.");

    o = ShowResultOutcome(0, 4, 0, 0, "", true);
    EXPECT_TRUE(o.Success);
    EXPECT_TRUE(o.ExportEnabled);
    EXPECT_EQ(o.StatusText, "0 rows - 4 fields.");

    o = ShowResultOutcome(0, 0, 1, 10, "", true);
    EXPECT_TRUE(o.Success);
    EXPECT_FALSE(o.ExportEnabled);
    EXPECT_EQ(o.StatusText, "1 affected row(s) in 10 milliseconds.");

    EXPECT_EQ(ShowResultOutcome(0, 0, 0, 12, "", true).StatusText, " in 12 milliseconds.");
    EXPECT_EQ(ShowResultOutcome(0, 0, 0, 0, "", true).StatusText, ".");
    EXPECT_EQ(ShowResultOutcome(0, 0, -1, 0, "", true).StatusText, ".");

    o = ShowResultOutcome(0, 0, -1, 7, "Table 'x' doesn't exist", true);
    EXPECT_FALSE(o.Success);
    EXPECT_FALSE(o.ShowGrid);
    EXPECT_FALSE(o.ExportEnabled);
    EXPECT_EQ(o.StatusText, "Error: Table 'x' doesn't exist"); // no duration on an error

    // Data or changed rows win over a stale error text.
    EXPECT_TRUE(ShowResultOutcome(0, 1, 0, 0, "stale", true).Success);
    EXPECT_TRUE(ShowResultOutcome(0, 0, 2, 0, "stale", true).Success);
}

// The same decision on real results of the sandbox server.
TEST(ShowResultOutcome, RealResults) {
    TempDatabase db("show");
    TMySql& m = db.Admin();
    m.Execute("USE " + QuoteIdentifier(db.Name()));
    ASSERT_EQ(m.ErrorText(), "");

    auto o = ShowResultOutcome(*m.Execute("CREATE TABLE t (id INT, name VARCHAR(20))"), false);
    EXPECT_TRUE(o.Success);
    EXPECT_EQ(o.StatusText, ".");
    EXPECT_FALSE(o.ExportEnabled);

    o = ShowResultOutcome(*m.Execute("INSERT INTO t VALUES (1, 'a'), (2, NULL), (3, 'c')"), false);
    EXPECT_TRUE(o.Success);
    EXPECT_EQ(o.StatusText, "3 affected row(s).");
    EXPECT_FALSE(o.ExportEnabled);

    o = ShowResultOutcome(*m.Execute("SELECT * FROM t WHERE id > 10"), false);
    EXPECT_TRUE(o.Success);
    EXPECT_EQ(o.StatusText, "0 rows - 2 fields.");
    EXPECT_TRUE(o.ExportEnabled);

    TResult* r = m.Execute("SELECT nosuchcolumn FROM t");
    o = ShowResultOutcome(*r, true);
    EXPECT_FALSE(o.Success);
    EXPECT_TRUE(o.StatusText.startsWith("Error: Unknown column 'nosuchcolumn'"))
        << o.StatusText.toStdString();
    EXPECT_FALSE(o.ExportEnabled);

    // With the duration shown, the text ends in the measured milliseconds or in the bare ".".
    r = m.Execute("SELECT * FROM t ORDER BY id");
    o = ShowResultOutcome(*r, true);
    const QString expected = r->Duration > 0
                                 ? QStringLiteral("3 rows - 2 fields in %1 milliseconds.").arg(r->Duration)
                                 : QStringLiteral("3 rows - 2 fields.");
    EXPECT_EQ(o.StatusText, expected);
}

// The grid keeps what it shows after the connection's result has been replaced.
TEST(ResultView, OutlivesTheConnectionsResult) {
    TempDatabase db("grid");
    db.Run("CREATE TABLE t (id INT, name VARCHAR(20))");
    db.Run("INSERT INTO t VALUES (1, 'one'), (2, NULL)");
    TMySql& m = db.Admin();
    m.Execute("USE " + QuoteIdentifier(db.Name()));
    ASSERT_EQ(m.ErrorText(), "");

    TResultView grid;
    grid.ShowBlock(m.Execute("SELECT id, name FROM t ORDER BY id")->Block());
    m.Execute("SELECT 'something else'");
    m.Execute("DELETE FROM t");

    TResultModel& model = *grid.Model();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "name");
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "one");
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), QString()); // NULL
}

} // namespace
