// The about box as the Help menu shows it: its controls, the version text, and the three ways it
// closes.

#include "WindowTestSupport.h"
#include "workbench/dialogs/about.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class AboutBoxTest : public WindowTest {
protected:
    // Chooses Help, About and runs `act` on the box once it is up; returns how the box ended and
    // whether it was showing modally at all.
    int ShowAbout(const std::function<void(TAboutBox&)>& act) {
        bool seen = false;
        QTimer::singleShot(0, Window, [&] {
            auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
            if (!box) return;
            seen = box == Windows->AboutBox.get() && box->isVisible();
            act(*box);
        });
        Ui(*Window).About1->trigger();
        EXPECT_TRUE(seen) << "the about box was not shown modally";
        return Windows->AboutBox->result();
    }

    static QImage Render(QWidget* widget, qreal dpr) {
        QImage image(widget->size() * dpr, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
};

} // namespace

TEST_F(AboutBoxTest, ShowsTheProgramAndTheMainWindowsVersion) {
    TfrmMain& w = Open();
    TAboutBox* box = Windows->AboutBox.get();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box->size(), QSize(298, 213));
    EXPECT_EQ(box->minimumSize(), box->maximumSize()); // fixed
    EXPECT_EQ(box->Version->text(), QStringLiteral("1.0.1.0"));
    EXPECT_EQ(box->Version->text(), w.Version());
    EXPECT_EQ(box->ProductName->text(), QStringLiteral("Korvana for Win32"));
    EXPECT_EQ(box->VersionCaption->text(), QStringLiteral("Version"));
    EXPECT_TRUE(box->Copyright->text().contains(QStringLiteral("Tarnvale")));
    EXPECT_TRUE(box->Copyright->text().contains(QStringLiteral("2026")));
    EXPECT_EQ(box->Panel1->geometry(), QRect(8, 8, 281, 161));
    EXPECT_EQ(box->ProgramIcon->size(), QSize(65, 57));
    EXPECT_EQ(box->OKButton->text(), QStringLiteral("OK"));
    EXPECT_TRUE(box->OKButton->isDefault());
    // Every control lies inside the box, the labels inside the panel and clear of the icon.
    for (const QLabel* label : {box->ProductName, box->VersionCaption, box->Version, box->Copyright}) {
        EXPECT_TRUE(box->Panel1->rect().contains(label->geometry())) << label->objectName().toStdString();
        EXPECT_FALSE(label->geometry().intersects(box->ProgramIcon->geometry()))
            << label->objectName().toStdString();
    }
    EXPECT_FALSE(box->Version->geometry().intersects(box->VersionCaption->geometry()));
    EXPECT_TRUE(box->rect().contains(box->OKButton->geometry()));
    EXPECT_FALSE(box->OKButton->geometry().intersects(box->Panel1->geometry()));
    EXPECT_FALSE(box->isVisible());
}

TEST_F(AboutBoxTest, TheIconIsStretchedAndDrawnAtTheScreensOwnResolution) {
    Open();
    QWidget* icon = Windows->AboutBox->ProgramIcon;
    for (const qreal dpr : {1.0, 2.0, 3.0}) {
        const QImage shown = Render(icon, dpr);
        // The program's drawing made for exactly these device pixels, stretched over the control:
        // a picture made for fewer pixels and scaled up would blur or block its edges.
        QImage sharp(shown.size(), QImage::Format_ARGB32_Premultiplied);
        sharp.fill(Qt::transparent);
        {
            QPainter p(&sharp);
            p.setRenderHint(QPainter::Antialiasing);
            QSvgRenderer svg(QStringLiteral(":/korvana/korvana.svg"));
            ASSERT_TRUE(svg.isValid());
            svg.setAspectRatioMode(Qt::IgnoreAspectRatio);
            svg.render(&p, QRectF(QPointF(0, 0), QSizeF(sharp.size())));
        }
        ASSERT_EQ(shown.size(), (QSize(qRound(65 * dpr), qRound(57 * dpr))));
        int differing = 0, painted = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb a = shown.pixel(x, y), b = sharp.pixel(x, y);
                painted += qAlpha(a) ? 1 : 0;
                const int d = qMax(qMax(qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b))),
                                   qMax(qAbs(qBlue(a) - qBlue(b)), qAbs(qAlpha(a) - qAlpha(b))));
                differing += d > 8 ? 1 : 0;
            }
        EXPECT_GT(painted, shown.width() * shown.height() / 2) << dpr; // stretched over the control
        EXPECT_LE(differing, shown.width() * shown.height() / 200) << dpr;
    }
}

TEST_F(AboutBoxTest, OkEnterAndTheCloseBoxCloseIt) {
    Open();
    EXPECT_EQ(ShowAbout([](TAboutBox& box) { box.OKButton->click(); }), QDialog::Accepted);
    EXPECT_FALSE(Windows->AboutBox->isVisible());
    EXPECT_EQ(ShowAbout([](TAboutBox& box) { QTest::keyClick(&box, Qt::Key_Return); }), QDialog::Accepted);
    EXPECT_EQ(ShowAbout([](TAboutBox& box) { box.close(); }), QDialog::Rejected);
    // The same box every time, still there for the next.
    EXPECT_EQ(ShowAbout([](TAboutBox& box) { box.OKButton->click(); }), QDialog::Accepted);
}
