#include "workbench/dialogs/ResultWindow.h"

#include "workbench/grid/ResultModel.h"

#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<const TResultBlock> TwoRows() {
    TResultBlock::Builder b({"id", "name"});
    const char* r1[] = {"1", "first"};
    const char* r2[] = {"2", nullptr};
    b.AddRow(r1, nullptr);
    b.AddRow(r2, nullptr);
    return b.Finish();
}

void DoubleClick(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent e(QEvent::MouseButtonDblClick, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(ResultWindow, HasOnlyItsListAndANormalSizeCentred) {
    TfrmResult frm;
    EXPECT_EQ(frm.findChild<TResultView*>("lstOut"), frm.lstOut);
    EXPECT_EQ(frm.findChildren<TResultView*>().size(), 1);
    EXPECT_EQ(frm.findChild<QMenuBar*>(), nullptr);
    EXPECT_EQ(frm.lstOut->contextMenuPolicy(), Qt::DefaultContextMenu);
    EXPECT_EQ(frm.size(), QSize(870, 640));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((frm.geometry().center() - area.center()).manhattanLength(), 2);
    EXPECT_TRUE(frm.isWindow());
    EXPECT_FALSE(frm.isVisible());
}

TEST(ResultWindow, ShowsACopyOfTheGridWithTheCaptionGiven) {
    TResultView grid;
    grid.ShowBlock(TwoRows());
    grid.setColumnWidth(1, 211);

    TfrmResult frm;
    frm.ShowGrid(grid, "2 rows - 2 fields in 3 milliseconds.");
    EXPECT_TRUE(frm.isVisible());
    EXPECT_TRUE(frm.isMaximized());
    EXPECT_FALSE(frm.isModal());
    EXPECT_EQ(frm.windowTitle(), "2 rows - 2 fields in 3 milliseconds.");
    EXPECT_EQ(frm.lstOut->Model()->Block(), grid.Model()->Block());
    EXPECT_EQ(frm.lstOut->columnWidth(1), 211);
    TResultModel& m = *frm.lstOut->Model();
    ASSERT_EQ(m.rowCount(), 2);
    EXPECT_EQ(m.headerData(0, Qt::Horizontal).toString(), "id");
    EXPECT_EQ(m.data(m.index(0, 1)).toString(), "first");
    EXPECT_EQ(m.data(m.index(1, 1)).toString(), "NULL");

    // Choosing it again while open refreshes the copy and the caption.
    grid.Clear();
    frm.ShowGrid(grid, "");
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(frm.windowTitle(), "");
    EXPECT_EQ(frm.lstOut->model()->rowCount(), 0);
    EXPECT_EQ(frm.lstOut->model()->columnCount(), 0);
}

TEST(ResultWindow, DoubleClickOnTheListClosesIt) {
    TResultView grid;
    grid.ShowBlock(TwoRows());
    TfrmResult frm;
    frm.ShowGrid(grid, "x");
    ASSERT_TRUE(frm.isVisible());
    DoubleClick(frm.lstOut->viewport());
    EXPECT_FALSE(frm.isVisible());

    // Opened again, it is maximised again and shows the grid.
    frm.ShowGrid(grid, "y");
    EXPECT_TRUE(frm.isVisible());
    EXPECT_TRUE(frm.isMaximized());
    EXPECT_EQ(frm.lstOut->model()->rowCount(), 2);
}

} // namespace
