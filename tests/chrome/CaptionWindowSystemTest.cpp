// The frameless window under a real window manager on a virtual display: what the window system
// sees as its title, and what a user's mouse and keys do to it (input through xdotool).

#include "chrome/GradForm.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int Timeout = 5000;

// Runs xdotool with `args` while this process keeps handling its events.
void XDo(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    ASSERT_TRUE(p.waitForStarted()) << "xdotool is missing";
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

QStringList Drag(QPoint from, QPoint by) {
    const auto n = [](int v) { return QString::number(v); };
    // A first short step, as a hand starts a drag, then long ones.
    return {"mousemove",
            n(from.x()),
            n(from.y()),
            "sleep",
            "0.2",
            "mousedown",
            "1",
            "sleep",
            "0.2",
            "mousemove_relative",
            "--",
            n(by.x() > 0   ? 5
              : by.x() < 0 ? -5
                           : 0),
            n(by.y() > 0   ? 5
              : by.y() < 0 ? -5
                           : 0),
            "sleep",
            "0.2",
            "mousemove",
            n(from.x() + by.x() / 2),
            n(from.y() + by.y() / 2),
            "sleep",
            "0.2",
            "mousemove",
            n(from.x() + by.x()),
            n(from.y() + by.y()),
            "sleep",
            "0.3",
            "mouseup",
            "1"};
}

QStringList Click(QPoint at, int times = 1) {
    return {"mousemove",
            QString::number(at.x()),
            QString::number(at.y()),
            "sleep",
            "0.2",
            "click",
            "--repeat",
            QString::number(times),
            "--delay",
            "120",
            "1"};
}

class WindowSystem : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"))
            << "run through with-window-manager.sh";
        QPalette p = Form.palette();
        p.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 60, 220));
        p.setColor(QPalette::Inactive, QPalette::Highlight, QColor(150, 150, 150));
        Form.setPalette(p);
        Form.SetCaption(QStringLiteral("Korvana under a window manager"));
        Form.setGeometry(100, 100, 520, 320);
        Form.show();
        Form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Form, Timeout));
        QTest::qWait(200);
    }

    QPoint Global(QPoint local) const { return Form.mapToGlobal(local); }

    // The bar's top right pixel as the screen shows it.
    QRgb ScreenBarEnd() const {
        const QRect cr = Form.CaptionRect();
        const QPoint at = Global(QPoint(cr.right(), cr.top()));
        return Form.screen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixel(0, 0) | 0xff000000u;
    }

    QString WindowSystemTitle() const {
        QProcess p;
        p.start(QStringLiteral("xprop"), {"-id", QString::number(Form.winId()), "_NET_WM_NAME"});
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    TGradientForm Form;
};

TEST_F(WindowSystem, TitleIsTheCaption) {
    EXPECT_TRUE(WindowSystemTitle().contains(QStringLiteral("\"Korvana under a window manager\"")));
    Form.SetCaption(QStringLiteral("Renamed"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return WindowSystemTitle().contains(QStringLiteral("\"Renamed\"")); },
                                Timeout));
}

TEST_F(WindowSystem, DraggingTheBarMovesTheWindow) {
    const QPoint before = Form.pos();
    XDo(Drag(Global(Form.CaptionRect().center()), QPoint(120, 60)));
    // The move starts once the mouse has travelled a few pixels; the window follows from there.
    const auto near = [](QPoint a, QPoint b) { return (a - b).manhattanLength() <= 10; };
    EXPECT_TRUE(QTest::qWaitFor([&] { return near(Form.pos(), before + QPoint(120, 60)); }, Timeout))
        << "now at " << Form.pos().x() << "," << Form.pos().y();
}

TEST_F(WindowSystem, EdgesAndCornersResize) {
    const QSize before = Form.size();
    XDo(Drag(Global(QPoint(Form.width() - 2, Form.height() / 2)), QPoint(80, 0)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Form.width() == before.width() + 80; }, Timeout))
        << "width " << Form.width();
    EXPECT_EQ(Form.height(), before.height());

    const QRect r = Form.geometry();
    XDo(Drag(Global(QPoint(1, 1)), QPoint(-30, -20)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Form.geometry() == r.adjusted(-30, -20, 0, 0); }, Timeout));
}

TEST_F(WindowSystem, DoubleClickMaximisesAndRestores) {
    const QRect normal = Form.geometry();
    XDo(Click(Global(Form.CaptionRect().center()), 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form.isMaximized(); }, Timeout));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Form.width() == Form.screen()->availableGeometry().width(); }, Timeout));
    QTest::qWait(300);
    XDo(Click(Global(Form.CaptionRect().center()), 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form.isMaximized(); }, Timeout));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Form.geometry() == normal; }, Timeout));
}

TEST_F(WindowSystem, ActiveAndInactiveFollowFocus) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return ScreenBarEnd() == Form.GradientEntry(true, 62); }, Timeout));
    QWidget other;
    other.setGeometry(700, 500, 200, 150);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, Timeout));
    EXPECT_FALSE(Form.IsCaptionActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ScreenBarEnd() == Form.GradientEntry(false, 62); }, Timeout));

    XDo(Click(Global(Form.CaptionRect().center() - QPoint(60, 0))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form.IsCaptionActive(); }, Timeout));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ScreenBarEnd() == Form.GradientEntry(true, 62); }, Timeout));
}

TEST_F(WindowSystem, MinimiseButtonAndAltF4) {
    // The minimise button is the third from the right: close, a gap, maximise, minimise.
    const QRect cr = Form.CaptionRect();
    const int cx = Form.style()->pixelMetric(QStyle::PM_SmallIconSize);
    const QPoint minimise(cr.right() - 2 - cx - 2 - cx - cx / 2, cr.center().y());
    XDo(Click(Global(minimise)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Form.isMinimized(); }, Timeout));

    Form.showNormal();
    Form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form, Timeout));
    XDo({"key", "alt+F4"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Form.isVisible(); }, Timeout));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
