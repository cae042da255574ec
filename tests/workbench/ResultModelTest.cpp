#include "workbench/grid/ResultModel.h"

#include "Sandbox.h"
#include "server/MySql.h"

#include "TypedBlock.h"
#include <QApplication>
#include <QBrush>
#include <QFont>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>
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

TEST(ResultModel, ShowsCellsAndHeaders) {
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
    EXPECT_EQ(m.data(m.index(0, 2)).toString(), "NULL");
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

// ---- Values as they are: NULL, binary data, NUL bytes, numbers.

using TValue = std::optional<std::string>; // nullopt: SQL NULL

TColumnInfo Column(std::string name, TColumnKind kind, unsigned flags = 0) {
    return TestColumn(std::move(name), kind, {}, flags);
}

// A block of typed columns whose values keep every byte, NUL included.
std::shared_ptr<const TResultBlock> Typed(const std::vector<TColumnInfo>& columns,
                                          const std::vector<std::vector<TValue>>& rows) {
    return TypedBlock(columns, rows);
}

// One column of one kind.
std::shared_ptr<const TResultBlock> OneColumn(TColumnKind kind, const std::vector<TValue>& values,
                                              unsigned flags = 0) {
    std::vector<std::vector<TValue>> rows;
    for (const TValue& v : values)
        rows.push_back({v});
    return Typed({Column("v", kind, flags)}, rows);
}

// The values of column `col` in the order the model shows them, NULL as "<NULL>".
std::vector<std::string> Shown(const TResultModel& m, int col = 0) {
    std::vector<std::string> out;
    for (int row = 0; row < m.rowCount(); ++row) {
        const std::size_t r = m.BlockRow(row);
        out.push_back(m.Block()->IsNull(r, col) ? "<NULL>" : std::string(m.Block()->Cell(r, col)));
    }
    return out;
}

std::vector<std::size_t> ShownRows(const TResultModel& m) {
    std::vector<std::size_t> out;
    for (int row = 0; row < m.rowCount(); ++row)
        out.push_back(m.BlockRow(row));
    return out;
}

TEST(ResultModel, NullEmptyAndTheTextNullLookDifferent) {
    TResultModel m;
    m.SetBlock(OneColumn(TColumnKind::Text, {std::nullopt, "", "NULL"}));
    auto at = [&](int row, int role) { return m.data(m.index(row, 0), role); };

    EXPECT_EQ(at(0, Qt::DisplayRole).toString(), "NULL");
    EXPECT_EQ(at(1, Qt::DisplayRole).toString(), "");
    EXPECT_EQ(at(2, Qt::DisplayRole).toString(), "NULL");
    // What tells the NULL from the text: its own role, italic and the muted colour.
    EXPECT_TRUE(at(0, TResultModel::NullRole).toBool());
    EXPECT_FALSE(at(1, TResultModel::NullRole).toBool());
    EXPECT_FALSE(at(2, TResultModel::NullRole).toBool());
    ASSERT_TRUE(at(0, Qt::FontRole).isValid());
    EXPECT_TRUE(at(0, Qt::FontRole).value<QFont>().italic());
    EXPECT_FALSE(at(2, Qt::FontRole).isValid());
    EXPECT_EQ(at(0, Qt::ForegroundRole).value<QBrush>().color(),
              QGuiApplication::palette().color(QPalette::PlaceholderText));
    EXPECT_FALSE(at(1, Qt::ForegroundRole).isValid());
    EXPECT_FALSE(at(2, Qt::ForegroundRole).isValid());
    // CellText keeps reading NULL as the empty text.
    EXPECT_EQ(m.CellText(0, 0), "");
    EXPECT_EQ(m.CellText(2, 0), "NULL");
}

TEST(ResultModel, BinaryShowsAsHexWithTheWholeValueInTheTip) {
    std::string longValue;
    for (int i = 0; i < 200; ++i)
        longValue += static_cast<char>(i);
    const std::string huge(20000, '\xAB');
    TResultModel m;
    m.SetBlock(Typed({Column("b", TColumnKind::Binary), Column("bit", TColumnKind::Bit)},
                     {{std::string("\0\xAB\x10", 3), std::string("\x05", 1)},
                      {longValue, std::string()},
                      {huge, std::nullopt}}));
    auto at = [&](int row, int col, int role = Qt::DisplayRole) { return m.data(m.index(row, col), role); };

    EXPECT_EQ(at(0, 0).toString(), "0x00AB10"); // not cut at the NUL
    EXPECT_EQ(at(0, 1).toString(), "0x05");
    EXPECT_EQ(at(1, 1).toString(), "");
    EXPECT_EQ(at(2, 1).toString(), "NULL");
    EXPECT_FALSE(at(0, 0, Qt::ToolTipRole).isValid()); // shown whole already

    // Long values are cut on screen; the tip holds every byte.
    QString expected = "0x";
    for (int i = 0; i < 200; ++i)
        expected += QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0')).toUpper();
    const QString shown = at(1, 0).toString();
    EXPECT_EQ(shown, expected.left(2 + 2 * int(TResultModel::MaxDisplayHexBytes)) + QChar(0x2026));
    EXPECT_EQ(at(1, 0, Qt::ToolTipRole).toString().remove('\n'), expected);
    // A huge value's tip stops at a generous bound, and says so.
    const QString tip = at(2, 0, Qt::ToolTipRole).toString().remove('\n');
    EXPECT_EQ(tip.size(), 2 + 2 * qsizetype(TResultModel::MaxTipHexBytes) + 1);
    EXPECT_TRUE(tip.startsWith("0xABAB"));
    EXPECT_TRUE(tip.endsWith(QChar(0x2026)));
    // What is copied or exported still reads the bytes.
    EXPECT_EQ(m.Block()->Cell(m.BlockRow(2), 0).size(), huge.size());
}

TEST(ResultModel, TextKeepsNulBytesAndLongTextHasATip) {
    const std::string longText(100, 'w');
    TResultModel m;
    m.SetBlock(OneColumn(TColumnKind::Text, {std::string("a\0b", 3), "short", longText}));
    const QString cell = m.CellText(0, 0);
    ASSERT_EQ(cell.size(), 3);
    EXPECT_EQ(cell[1], QChar(0));
    // On screen the NUL is a visible symbol, not nothing.
    EXPECT_EQ(m.data(m.index(0, 0)).toString(), QString("a") + QChar(0x2400) + "b");
    EXPECT_FALSE(m.data(m.index(1, 0), Qt::ToolTipRole).isValid());
    EXPECT_EQ(m.data(m.index(2, 0), Qt::ToolTipRole).toString(), QString::fromStdString(longText));
}

TEST(ResultModel, NumbersAreRightAligned) {
    TResultModel m;
    m.SetBlock(Typed({Column("i", TColumnKind::Integer), Column("d", TColumnKind::Decimal),
                      Column("f", TColumnKind::Float), Column("t", TColumnKind::Text),
                      Column("w", TColumnKind::Temporal), Column("b", TColumnKind::Binary)},
                     {{"1", "2.5", "1e3", "x", "2024-01-01", "z"}}));
    const int right = Qt::AlignRight | Qt::AlignVCenter;
    for (int col = 0; col < 3; ++col)
        EXPECT_EQ(m.data(m.index(0, col), Qt::TextAlignmentRole).toInt(), right) << col;
    for (int col = 3; col < 6; ++col)
        EXPECT_FALSE(m.data(m.index(0, col), Qt::TextAlignmentRole).isValid()) << col;
}

TEST(ResultView, ColumnsFitTheHexFormAndNull) {
    std::vector<std::vector<TValue>> rows(3000, {std::string("\x01", 1), "1"});
    rows[2500] = {std::string(16, '\xEE'), std::nullopt};
    TResultView view;
    view.resize(400, 200);
    view.show();
    view.ShowBlock(Typed({Column("b", TColumnKind::Binary), Column("n", TColumnKind::Integer)}, rows));
    EXPECT_GE(view.columnWidth(0), TextWidth(view, "0x" + QString(32, 'E')));
    // The NULL far below the first screen is not cut either, though every value is shorter.
    QStyleOptionViewItem option;
    option.initFrom(&view);
    EXPECT_GE(view.columnWidth(1),
              view.itemDelegate()->sizeHint(option, view.model()->index(2500, 1)).width());
}

// ---- Sorting by a column.

void ExpectOrder(TColumnKind kind, const std::vector<TValue>& values,
                 const std::vector<std::string>& ascending, unsigned flags = 0) {
    TResultModel m;
    m.SetBlock(OneColumn(kind, values, flags));
    m.sort(0, Qt::AscendingOrder);
    EXPECT_EQ(Shown(m), ascending);
}

TEST(ResultSort, NumbersSortAsNumbers) {
    ExpectOrder(TColumnKind::Integer, {"10", "9", "-3", "0", "-12", "100"},
                {"-12", "-3", "0", "9", "10", "100"});
    ExpectOrder(
        TColumnKind::Integer, {"18446744073709551615", "0", "9223372036854775808", "9223372036854775807"},
        {"0", "9223372036854775807", "9223372036854775808", "18446744073709551615"}, 32 /* unsigned */);
    ExpectOrder(TColumnKind::Integer, {"-9223372036854775808", "9223372036854775807", "-1"},
                {"-9223372036854775808", "-1", "9223372036854775807"});
    // Negative values and values beyond 64 signed bits in one column (a UNION, say) still compare exactly.
    ExpectOrder(TColumnKind::Integer, {"18446744073709551615", "-1", "5", "123456789012345678901234"},
                {"-1", "5", "18446744073709551615", "123456789012345678901234"});
    // 9.999999999999999999 and 10 are one double; as decimals they differ.
    ExpectOrder(TColumnKind::Decimal,
                {"10.25", "-0.5", "10", "9.999999999999999999", "-10", "0.0000000000000000001", "0.00",
                 "-0.05", "010.250", "-00"},
                {"-10", "-0.5", "-0.05", "0.00", "-00", "0.0000000000000000001", "9.999999999999999999", "10",
                 "10.25", "010.250"});
    ExpectOrder(TColumnKind::Float, {"1e3", "-2.5", "100", "3.40282e38", "-1.7976931348623157e308", "0.5"},
                {"-1.7976931348623157e308", "-2.5", "0.5", "100", "1e3", "3.40282e38"});
}

TEST(ResultSort, TimesSortInTimeOrder) {
    ExpectOrder(TColumnKind::Temporal,
                {"838:59:59", "-838:59:59", "-00:30:00", "-01:00:00", "00:00:00", "100:00:00", "99:59:59.5",
                 "99:59:59", "-00:00:00.000001"},
                {"-838:59:59", "-01:00:00", "-00:30:00", "-00:00:00.000001", "00:00:00", "99:59:59",
                 "99:59:59.5", "100:00:00", "838:59:59"});
    ExpectOrder(TColumnKind::Temporal,
                {"2024-01-02 00:00:00", "0000-00-00 00:00:00", "2023-12-31 23:59:59", "1999-05-05 10:00:00"},
                {"0000-00-00 00:00:00", "1999-05-05 10:00:00", "2023-12-31 23:59:59", "2024-01-02 00:00:00"});
}

TEST(ResultSort, TextAndBinarySortByteWise) {
    ExpectOrder(
        TColumnKind::Text,
        {"b", "\xC3\xA9", "a", "ab", std::string("a\0", 2), "B", "aaaaaaaaab", "aaaaaaaaaa", "aaaaaaaa", ""},
        {"", "B", "a", std::string("a\0", 2), "aaaaaaaa", "aaaaaaaaaa", "aaaaaaaaab", "ab", "b", "\xC3\xA9"});
    ExpectOrder(TColumnKind::Binary, {"\xFF", std::string("\0\x01", 2), std::string("\0", 1), "", "\x7F"},
                {"", std::string("\0", 1), std::string("\0\x01", 2), "\x7F", "\xFF"});
    // A number column holding something else (a server quirk) sorts as its bytes instead of failing.
    ExpectOrder(TColumnKind::Integer, {"b", "10", "a"}, {"10", "a", "b"});
}

TEST(ResultSort, NullFirstAscendingLastDescendingAndEqualsKeepTheServersOrder) {
    TResultModel m;
    m.SetBlock(
        Typed({Column("k", TColumnKind::Integer), Column("tag", TColumnKind::Text)},
              {{"2", "a"}, {std::nullopt, "b"}, {"1", "c"}, {"2", "d"}, {std::nullopt, "e"}, {"2", "f"}}));
    m.sort(0, Qt::AscendingOrder);
    EXPECT_EQ(Shown(m, 1), (std::vector<std::string>{"b", "e", "c", "a", "d", "f"}));
    EXPECT_EQ(m.SortColumn(), 0);
    EXPECT_EQ(m.SortDirection(), Qt::AscendingOrder);
    m.sort(0, Qt::DescendingOrder);
    EXPECT_EQ(Shown(m, 1), (std::vector<std::string>{"a", "d", "f", "c", "b", "e"}));
    // What the grid shows follows the order; the block is the same.
    EXPECT_EQ(m.data(m.index(0, 1)).toString(), "a");
    EXPECT_EQ(m.CellText(3, 1), "c");
    EXPECT_EQ(m.data(m.index(4, 0)).toString(), "NULL");
    m.sort(-1);
    EXPECT_EQ(m.Order(), nullptr);
    EXPECT_EQ(m.SortColumn(), -1);
    EXPECT_EQ(Shown(m, 1), (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));

    m.sort(1, Qt::DescendingOrder);
    ASSERT_NE(m.Order(), nullptr);
    const auto block = m.Block();
    m.SetBlock(block); // a new result shows the server's order
    EXPECT_EQ(m.Order(), nullptr);
    EXPECT_EQ(m.SortColumn(), -1);
}

// The point of a header in the view's coordinates, for a click.
QPoint CaptionCentre(const TResultView& view, int col) {
    const QHeaderView& h = *view.horizontalHeader();
    return {h.sectionViewportPosition(col) + h.sectionSize(col) / 2, h.height() / 2};
}

void ClickCaption(TResultView& view, int col) {
    QTest::mouseClick(view.horizontalHeader()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      CaptionCentre(view, col));
}

TEST(ResultView, CaptionClicksCycleAscendingDescendingServerOrder) {
    TResultView view;
    view.resize(500, 300);
    view.show();
    view.ShowBlock(Typed({Column("id", TColumnKind::Integer), Column("name", TColumnKind::Text)},
                         {{"3", "c"}, {"10", "a"}, {"2", "b"}, {std::nullopt, "d"}}));
    const QHeaderView& header = *view.horizontalHeader();
    TResultModel& m = *view.Model();
    EXPECT_EQ(header.sortIndicatorSection(), -1);

    // The row of "b" is selected and current; it stays so wherever it moves.
    view.selectRow(2);
    auto selectedBlockRows = [&] {
        std::vector<std::size_t> rows;
        for (const QModelIndex& i : view.selectionModel()->selectedRows())
            rows.push_back(m.BlockRow(i.row()));
        return rows;
    };

    ClickCaption(view, 0);
    EXPECT_EQ(Shown(m), (std::vector<std::string>{"<NULL>", "2", "3", "10"}));
    EXPECT_EQ(header.sortIndicatorSection(), 0);
    EXPECT_EQ(header.sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(selectedBlockRows(), std::vector<std::size_t>{2});
    EXPECT_EQ(m.BlockRow(view.currentIndex().row()), 2u);

    ClickCaption(view, 0);
    EXPECT_EQ(Shown(m), (std::vector<std::string>{"10", "3", "2", "<NULL>"}));
    EXPECT_EQ(header.sortIndicatorSection(), 0);
    EXPECT_EQ(header.sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(selectedBlockRows(), std::vector<std::size_t>{2});

    ClickCaption(view, 0);
    EXPECT_EQ(m.Order(), nullptr);
    EXPECT_EQ(header.sortIndicatorSection(), -1);
    EXPECT_EQ(selectedBlockRows(), std::vector<std::size_t>{2});
    EXPECT_EQ(view.currentIndex().row(), 2);

    // Another column starts again at ascending.
    ClickCaption(view, 0);
    ClickCaption(view, 1);
    EXPECT_EQ(Shown(m, 1), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(header.sortIndicatorSection(), 1);
    EXPECT_EQ(header.sortIndicatorOrder(), Qt::AscendingOrder);

    // A new result and Clear show the server's order with no indicator.
    view.ShowBlock(Block({"x"}, {{"2"}, {"1"}}));
    EXPECT_EQ(m.Order(), nullptr);
    EXPECT_EQ(header.sortIndicatorSection(), -1);
    ClickCaption(view, 0);
    EXPECT_EQ(header.sortIndicatorSection(), 0);
    view.Clear();
    EXPECT_EQ(header.sortIndicatorSection(), -1);
    EXPECT_EQ(m.SortColumn(), -1);
}

TEST(ResultView, SortingAHundredThousandRowsStillDrawsOnlyTheScreen) {
    auto* model = new TCountingModel;
    TResultView view(nullptr, model);
    view.resize(500, 300);
    view.show();
    std::vector<std::string> keys;
    for (int i = 0; i < 100000; ++i)
        keys.push_back(std::to_string((i * 7919) % 100000));
    std::vector<std::vector<const char*>> rows;
    for (const auto& k : keys)
        rows.push_back({k.c_str(), "x"});
    view.ShowBlock(Block({"k", "v"}, rows));
    view.grab();
    model->Asked = 0;
    ClickCaption(view, 0);
    view.grab();
    EXPECT_GT(model->Asked, 0);
    EXPECT_LT(model->Asked, 300);
    // Text order, since these columns are known by name only: "0", "1", "10", "100", ...
    EXPECT_EQ(model->CellText(0, 0), "0");
    EXPECT_EQ(model->CellText(2, 0), "10");
    EXPECT_EQ(model->CellText(99999, 0), "99999");
}

TEST(ResultView, ExportAndCopyFollowTheShownOrder) {
    TResultView grid;
    grid.resize(400, 300);
    grid.show();
    grid.ShowBlock(Typed({Column("id", TColumnKind::Integer), Column("name", TColumnKind::Text)},
                         {{"9", "nine"}, {"10", "ten"}, {"-1", "minus one"}}));
    ClickCaption(grid, 0);
    ClickCaption(grid, 0); // descending
    TExportOptions options;
    EXPECT_EQ(ExportText(ShownGrid(grid), options), "id;name\r\n10;ten\r\n9;nine\r\n-1;minus one\r\n");

    // The result window's copy shows the same order, sharing it, and sorts on its own from there.
    TResultView copy;
    copy.CopyFrom(grid);
    EXPECT_EQ(copy.Model()->Order(), grid.Model()->Order());
    EXPECT_EQ(copy.horizontalHeader()->sortIndicatorSection(), 0);
    EXPECT_EQ(copy.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(copy.Model()->data(copy.Model()->index(0, 1)).toString(), "ten");
    copy.show();
    ClickCaption(copy, 0); // back to the server's order, in the copy only
    EXPECT_EQ(copy.Model()->Order(), nullptr);
    EXPECT_EQ(ShownRows(*grid.Model()), (std::vector<std::size_t>{1, 0, 2}));
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
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "NULL");
}

} // namespace
