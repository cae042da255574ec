// The gradient caption form on the offscreen platform: the table, the painted bar read back from
// its pixels, the buttons and what they do, the caption text, the MDI frame caption, the frame.

#include "chrome/GradForm.h"
#include "chrome/internal/CaptionBar.h"
#include "chrome/internal/GradientTable.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

const QColor ActiveEnd(10, 70, 200);
const QColor InactiveEnd(120, 130, 140);
const QRgb White = qRgb(255, 255, 255);

QPalette CaptionPalette(QColor active = ActiveEnd, QColor inactive = InactiveEnd) {
    QPalette p = QApplication::palette();
    p.setColor(QPalette::Active, QPalette::Highlight, active);
    p.setColor(QPalette::Inactive, QPalette::Highlight, inactive);
    return p;
}

class Caption : public ::testing::Test {
protected:
    void SetUp() override {
        Form.setPalette(CaptionPalette());
        Form.SetCaption(QStringLiteral("Korvana"));
        Form.resize(640, 300);
    }

    // The bar as PaintCaption composes it, cut out of a window-sized image.
    QImage Bar(bool active) {
        QImage window(Form.size(), QImage::Format_RGB32);
        window.fill(Qt::magenta);
        QPainter p(&window);
        const QRect cr = Form.PaintCaption(p, active);
        p.end();
        return window.copy(cr);
    }

    TCaptionLayout Layout() const {
        return LayoutCaption(TCaptionShape{Form.CaptionRect().size(), Form.BorderStyle(), Form.BorderIcons(),
                                           Form.isMaximized(), 16, 12});
    }

    static int WhiteIn(const QImage& bar, const QRect& area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += bar.pixel(x, y) == White;
        return n;
    }

    static int LastWhiteColumn(const QImage& bar, int right) {
        for (int x = right; x >= 0; --x)
            for (int y = 0; y < bar.height(); ++y)
                if (bar.pixel(x, y) == White) return x;
        return -1;
    }

    TGradientForm Form;
};

// ---- the gradient table ----

TEST(GradientTable, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(2.49), 2);
    EXPECT_EQ(RoundHalfEven(2.51), 3);
    EXPECT_EQ(RoundHalfEven(7.0), 7);

    // Nine steps put entry 4 exactly half way: 0.5, 1.5 and 2.5 of (1, 3, 5).
    TGradientTable t;
    BuildGradientTable(t, 9, QColor(0, 0, 0), QColor(1, 3, 5));
    EXPECT_EQ(t.Set(true)[4], qRgb(0, 2, 2));
    EXPECT_EQ(t.Set(true)[0], qRgb(0, 0, 0));
    EXPECT_EQ(t.Set(true)[8], qRgb(1, 3, 5));
    EXPECT_EQ(t.Set(false)[8], qRgb(0, 0, 0));
}

TEST_F(Caption, TableRunsFromBlackToEachCaptionColour) {
    ASSERT_EQ(Form.GradientColors(), 64);
    EXPECT_EQ(Form.GradientEntry(true, 0), qRgb(0, 0, 0));
    EXPECT_EQ(Form.GradientEntry(false, 0), qRgb(0, 0, 0));
    EXPECT_EQ(Form.GradientEntry(true, 63), ActiveEnd.rgb());
    EXPECT_EQ(Form.GradientEntry(false, 63), InactiveEnd.rgb());
    // 31 × 200 / 63 = 98.41, 31 × 70 / 63 = 34.44, 31 × 10 / 63 = 4.92
    EXPECT_EQ(Form.GradientEntry(true, 31), qRgb(5, 34, 98));
}

TEST_F(Caption, GradientColorsOutsideEightTo256AreIgnored) {
    Form.SetGradientColors(7);
    EXPECT_EQ(Form.GradientColors(), 64);
    Form.SetGradientColors(257);
    EXPECT_EQ(Form.GradientColors(), 64);
    Form.SetGradientColors(8);
    EXPECT_EQ(Form.GradientColors(), 8);
    EXPECT_EQ(Form.GradientEntry(true, 7), ActiveEnd.rgb());
    EXPECT_EQ(Form.GradientEntry(true, 8), 0u) << "entries past the count are not in use";
    Form.SetGradientColors(256);
    EXPECT_EQ(Form.GradientColors(), 256);
    EXPECT_EQ(Form.GradientEntry(true, 255), ActiveEnd.rgb());
    EXPECT_EQ(Form.GradientEntry(true, 128),
              qRgb(RoundHalfEven(1280 / 255.0), RoundHalfEven(8960 / 255.0), RoundHalfEven(25600 / 255.0)));
}

TEST_F(Caption, PaletteChangeRebuildsTheTable) {
    Form.setPalette(CaptionPalette(QColor(200, 0, 0), QColor(0, 90, 0)));
    EXPECT_EQ(Form.GradientEntry(true, 63), qRgb(200, 0, 0));
    EXPECT_EQ(Form.GradientEntry(false, 63), qRgb(0, 90, 0));
    // A palette whose inactive highlight is the active one has no inactive caption colour.
    Form.setPalette(CaptionPalette(QColor(200, 0, 0), QColor(200, 0, 0)));
    EXPECT_EQ(Form.GradientEntry(false, 63), qRgb(128, 128, 128));
}

// ---- the painted bar ----

TEST_F(Caption, BarStretchesAllButTheLastEntry) {
    const QImage bar = Bar(true);
    EXPECT_EQ(bar.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(bar.pixel(bar.width() - 1, 0), Form.GradientEntry(true, 62));
    EXPECT_EQ(bar.pixel(bar.width() - 1, bar.height() - 1), Form.GradientEntry(true, 62));

    // 256 steps over a bar wide enough: every entry but the last shows along the top row.
    Form.resize(1300, 300);
    Form.SetGradientColors(256);
    const QImage wide = Bar(true);
    std::set<QRgb> shown;
    for (int x = Layout().IconStrip.right() + 1; x < wide.width(); ++x)
        shown.insert(wide.pixel(x, 0));
    std::set<QRgb> used, visible;
    for (int j = 0; j < 255; ++j)
        used.insert(Form.GradientEntry(true, j));
    for (int j = 4; j < 255; ++j)
        visible.insert(Form.GradientEntry(true, j)); // right of the icon strip
    EXPECT_TRUE(std::includes(used.begin(), used.end(), shown.begin(), shown.end()));
    EXPECT_TRUE(std::includes(shown.begin(), shown.end(), visible.begin(), visible.end()));
    EXPECT_FALSE(shown.count(Form.GradientEntry(true, 255)));
}

TEST_F(Caption, GrabbedWindowShowsTheBarAtItsPlace) {
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    const QImage shot = Form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect cr = Form.CaptionRect();
    ASSERT_FALSE(cr.isEmpty());
    const bool active = Form.IsCaptionActive();
    EXPECT_EQ(shot.pixel(cr.left(), cr.top()), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(cr.right(), cr.top()), Form.GradientEntry(active, 62));
    // The client area starts below the bar and inside the frame.
    const QRect client = Form.contentsRect();
    EXPECT_EQ(client.top(), cr.bottom() + 1);
    EXPECT_EQ(client.left(), cr.left());
    EXPECT_EQ(Form.NonClientMargins().top(), cr.bottom() + 1);
}

TEST_F(Caption, InactiveBarIsSolidWithoutTheGradient) {
    const QRect strip = Layout().IconStrip;
    ASSERT_FALSE(strip.isEmpty());

    QImage bar = Bar(false);
    EXPECT_EQ(bar.pixel(bar.width() - 1, 0), Form.GradientEntry(false, 62)) << "towards the inactive colour";
    EXPECT_EQ(bar.pixel(strip.left(), 0), qRgb(0, 0, 0)) << "icon strip black beside a gradient";

    Form.SetGradientOnInactive(false);
    bar = Bar(false);
    for (int x : {0, bar.width() / 2, bar.width() - 1})
        EXPECT_EQ(bar.pixel(x, 0), InactiveEnd.rgb());
    EXPECT_EQ(bar.pixel(strip.left(), 0), InactiveEnd.rgb()) << "icon strip in the inactive colour";
    EXPECT_GT(WhiteIn(bar, Layout().Text), 20) << "the text stays white";

    // The active bar is not affected.
    bar = Bar(true);
    EXPECT_EQ(bar.pixel(bar.width() - 1, 0), Form.GradientEntry(true, 62));
}

TEST_F(Caption, GradientOnInactiveRepaintsOnlyAnInactiveWindow) {
    int paints = 0;
    Form.OnCaptionPaint = [&](TGradientForm*, QPainter&, QRect&) { ++paints; };
    Form.show();
    Form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
    const QImage before = Form.grab().toImage();
    QApplication::processEvents();
    paints = 0;
    Form.SetGradientOnInactive(false);
    QApplication::processEvents();
    EXPECT_EQ(paints, 0);
    EXPECT_EQ(Form.grab().toImage(), before);

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(Form.IsCaptionActive());
    QApplication::processEvents();
    paints = 0;
    Form.SetGradientOnInactive(true);
    QApplication::processEvents();
    EXPECT_GT(paints, 0);
}

TEST_F(Caption, CaptionRepaintsAtOnceAndOnlyWhenItChanges) {
    int paints = 0;
    QString painted;
    Form.OnCaptionPaint = [&](TGradientForm* sender, QPainter&, QRect&) {
        ++paints;
        painted = sender->CaptionText();
    };
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    QApplication::processEvents();
    paints = 0;
    Form.SetCaption(QStringLiteral("Korvana"));
    EXPECT_EQ(paints, 0);
    Form.SetCaption(QStringLiteral("Korvana 2"));
    EXPECT_EQ(paints, 1) << "painted before the setter returns";
    EXPECT_EQ(painted, QStringLiteral("Korvana 2"));
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Korvana 2")) << "what the window system shows";
}

// ---- buttons ----

std::vector<TCaptionButton> Kinds(const TCaptionLayout& l) {
    std::vector<TCaptionButton> k;
    for (const TButtonPlace& b : l.Buttons)
        k.push_back(b.Kind);
    return k;
}

TEST(CaptionLayout, ButtonsFollowTheBorderStyle) {
    using B = TCaptionButton;
    const QSize size(400, 18);
    auto layout = [&](TFormBorderStyle s, TBorderIcons i, bool max = false) {
        return LayoutCaption(TCaptionShape{size, s, i, max, 16, 12});
    };
    const TBorderIcons all = biSystemMenu | biMinimize | biMaximize;

    TCaptionLayout l = layout(bsSizeable, all);
    ASSERT_EQ(Kinds(l), (std::vector<B>{B::Close, B::Maximize, B::Minimize}));
    EXPECT_EQ(l.Buttons[0].Rect, QRect(400 - 2 - 16, 2, 16, 14));
    EXPECT_EQ(l.Buttons[1].Rect, QRect(400 - 2 - 16 - 18, 2, 16, 14)) << "two pixels apart from close";
    EXPECT_EQ(l.Buttons[2].Rect, QRect(400 - 2 - 16 - 18 - 16, 2, 16, 14)) << "touching maximise";
    EXPECT_EQ(l.IconStrip, QRect(1, 0, 17, 18));
    EXPECT_EQ(l.Icon, QRect(2, 1, 16, 16));
    EXPECT_EQ(l.Text, QRect(18, 0, 400 - 18 - 18 - 32 - 3, 18));

    EXPECT_EQ(Kinds(layout(bsSizeable, all, true))[1], B::Restore);

    l = layout(bsSingle, biSystemMenu);
    ASSERT_EQ(Kinds(l), (std::vector<B>{B::Close, B::Maximize, B::Minimize}));
    EXPECT_FALSE(l.Buttons[1].Enabled);
    EXPECT_FALSE(l.Buttons[2].Enabled);

    l = layout(bsSizeable, biMinimize | biMaximize);
    EXPECT_EQ(Kinds(l), (std::vector<B>{B::Maximize, B::Minimize})) << "no close without the system menu";
    EXPECT_TRUE(l.IconStrip.isEmpty());

    l = layout(bsDialog, biSystemMenu | biHelp | biMaximize);
    EXPECT_EQ(Kinds(l), (std::vector<B>{B::Close, B::Help}));
    EXPECT_TRUE(l.IconStrip.isEmpty());
    EXPECT_EQ(Kinds(layout(bsDialog, biSystemMenu)), (std::vector<B>{B::Close}));

    for (TFormBorderStyle tool : {bsToolWindow, bsSizeToolWin}) {
        l = layout(tool, all | biHelp);
        ASSERT_EQ(Kinds(l), (std::vector<B>{B::Close}));
        EXPECT_EQ(l.Buttons[0].Rect.width(), 12 - 2);
        EXPECT_EQ(l.Text.right() + 1, l.Buttons[0].Rect.left() - 5);
        EXPECT_TRUE(l.IconStrip.isEmpty());
    }
}

TEST_F(Caption, ButtonsDoWhatTheySay) {
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    auto click = [&](TCaptionButton kind) {
        for (const TButtonPlace& b : Layout().Buttons)
            if (b.Kind == kind) {
                QTest::mouseClick(&Form, Qt::LeftButton, {}, b.Rect.center() + Form.CaptionRect().topLeft());
                return true;
            }
        return false;
    };
    const QImage normal = Bar(true);
    ASSERT_TRUE(click(TCaptionButton::Maximize));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form.isMaximized(); }));
    EXPECT_EQ(Form.CaptionRect().topLeft(), QPoint(0, 0)) << "no frame around a maximised window";
    const QRect maxButton = Layout().Buttons[1].Rect;
    EXPECT_NE(Bar(true).copy(maxButton), normal.copy(maxButton)) << "the restore glyph";
    ASSERT_TRUE(click(TCaptionButton::Restore));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form.isMaximized(); }));

    Form.SetBorderIcons(biSystemMenu | biMaximize); // minimise greyed: a click does nothing
    ASSERT_TRUE(click(TCaptionButton::Minimize));
    QApplication::processEvents();
    EXPECT_FALSE(Form.isMinimized());

    // A press that leaves the button before the release does nothing.
    const QRect close = Layout().Buttons[0].Rect.translated(Form.CaptionRect().topLeft());
    QTest::mousePress(&Form, Qt::LeftButton, {}, close.center());
    QTest::mouseRelease(&Form, Qt::LeftButton, {}, close.center() - QPoint(60, 0));
    EXPECT_TRUE(Form.isVisible());

    ASSERT_TRUE(click(TCaptionButton::Close));
    EXPECT_FALSE(Form.isVisible());
}

TEST_F(Caption, AltF4ClosesAndDoubleClickMaximises) {
    Form.show();
    Form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
    const QPoint onBar = Form.CaptionRect().center();
    QTest::mouseDClick(&Form, Qt::LeftButton, {}, onBar);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form.isMaximized(); }));
    QTest::mouseDClick(&Form, Qt::LeftButton, {}, Form.CaptionRect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form.isMaximized(); }));
    QTest::keyClick(&Form, Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(Form.isVisible());
}

TEST_F(Caption, SizingEdgesCarryTheSizingCursors) {
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    const std::pair<const char*, Qt::CursorShape> table[] = {
        {"gripLeft", Qt::SizeHorCursor},       {"gripRight", Qt::SizeHorCursor},
        {"gripTop", Qt::SizeVerCursor},        {"gripBottom", Qt::SizeVerCursor},
        {"gripTopLeft", Qt::SizeFDiagCursor},  {"gripBottomRight", Qt::SizeFDiagCursor},
        {"gripTopRight", Qt::SizeBDiagCursor}, {"gripBottomLeft", Qt::SizeBDiagCursor},
    };
    const int frame = Form.CaptionRect().left();
    ASSERT_GT(frame, 0);
    for (const auto& [name, shape] : table) {
        auto* grip = Form.findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(grip, nullptr) << name;
        EXPECT_EQ(grip->cursor().shape(), shape) << name;
        EXPECT_TRUE(grip->isVisible()) << name;
    }
    EXPECT_EQ(Form.childAt(0, Form.height() / 2)->objectName(), QStringLiteral("gripLeft"));
    EXPECT_EQ(Form.childAt(Form.width() - 1, Form.height() - 1)->objectName(),
              QStringLiteral("gripBottomRight"));
    EXPECT_EQ(Form.childAt(Form.CaptionRect().center()), nullptr) << "the bar itself is the form's";

    Form.SetBorderStyle(bsDialog);
    EXPECT_FALSE(Form.findChild<QWidget*>(QStringLiteral("gripLeft"))->isVisible()) << "a fixed frame";
    EXPECT_LT(Form.CaptionRect().left(), frame);
    Form.SetBorderStyle(bsNone);
    EXPECT_TRUE(Form.CaptionRect().isEmpty());
    EXPECT_EQ(Form.NonClientMargins(), QMargins());
}

// ---- the caption text ----

TEST_F(Caption, LongCaptionEndsWithAnEllipsisBeforeTheButtons) {
    Form.SetCaption(QStringLiteral("Korvana ") + QString(QStringLiteral("MMMM ")).repeated(60));
    const QImage bar = Bar(true);
    const TCaptionLayout layout = Layout();
    const int textRight = layout.Text.right();
    const int last = LastWhiteColumn(bar, layout.Buttons.back().Rect.left() - 1);
    ASSERT_GT(last, 0);
    EXPECT_LE(last, textRight);
    EXPECT_GT(last, textRight - 20) << "the text runs up to its limit (within a letter)";
    // The last few columns hold the three dots: low, small marks, no tall letter strokes.
    int top = bar.height();
    for (int x = last - 8; x <= last; ++x)
        for (int y = 0; y < bar.height(); ++y)
            if (bar.pixel(x, y) == White) top = std::min(top, y);
    EXPECT_GT(top, bar.height() / 2);

    Form.SetCaption(QStringLiteral("K"));
    EXPECT_LT(LastWhiteColumn(Bar(true), textRight), layout.Text.left() + 30);
}

TEST_F(Caption, OnCaptionPaintDrawsFirstAndMayNarrowTheText) {
    QFont seen;
    QRect given;
    Form.OnCaptionPaint = [&](TGradientForm* sender, QPainter& canvas, QRect& r) {
        EXPECT_EQ(sender, &Form);
        seen = canvas.font();
        given = r;
        canvas.fillRect(QRect(r.topLeft(), QSize(3, 3)), Qt::red);
        r.setWidth(24);
    };
    Form.SetCaption(QStringLiteral("A caption far longer than twenty-four pixels"));
    const QImage bar = Bar(true);
    EXPECT_EQ(given, Layout().Text);
    EXPECT_TRUE(seen.bold()) << "the caption font";
    EXPECT_EQ(bar.pixel(given.topLeft()), qRgb(255, 0, 0));
    const int last = LastWhiteColumn(bar, Layout().Buttons.back().Rect.left() - 1);
    EXPECT_GT(last, given.left());
    EXPECT_LT(last, given.left() + 24);
}

// ---- MDI frame ----

TEST_F(Caption, MdiFrameShowsTheMaximisedChildInBrackets) {
    Form.SetFormStyle(fsMDIForm);
    ASSERT_NE(Form.MdiClient(), nullptr);
    EXPECT_EQ(Form.centralWidget(), Form.MdiClient());
    int paints = 0;
    Form.OnCaptionPaint = [&](TGradientForm*, QPainter&, QRect&) { ++paints; };
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));

    auto* doc = new QWidget;
    doc->setWindowTitle(QStringLiteral("Report"));
    QMdiSubWindow* child = Form.MdiClient()->addSubWindow(doc);
    child->show();
    Form.MdiClient()->setActiveSubWindow(child);
    EXPECT_EQ(Form.CaptionText(), QStringLiteral("Korvana"));

    paints = 0;
    child->showMaximized();
    EXPECT_GT(paints, 0);
    EXPECT_EQ(Form.CaptionText(), QStringLiteral("Korvana - [Report]"));
    EXPECT_EQ(Form.Caption(), QStringLiteral("Korvana"));

    paints = 0;
    doc->setWindowTitle(QStringLiteral("Summary"));
    EXPECT_GT(paints, 0);
    EXPECT_EQ(Form.CaptionText(), QStringLiteral("Korvana - [Summary]"));

    paints = 0;
    child->showNormal();
    EXPECT_GT(paints, 0);
    EXPECT_EQ(Form.CaptionText(), QStringLiteral("Korvana"));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
