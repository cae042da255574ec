#include "workbench/dialogs/about.h"

#include "workbench/dialogs/FixedDialog.h"

#include "workbench/window/main.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <qdrawutil.h>

namespace {

// A panel framed by a lowered outer and a raised inner bevel, one pixel each.
class TBevelPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        qDrawShadePanel(&painter, rect(), palette(), true, 1);
        qDrawShadePanel(&painter, rect().adjusted(1, 1, -1, -1), palette(), false, 1);
    }
};

// The program icon, a 32 by 32 drawing stretched over the whole control. Drawn from its vector
// form at the control's size every time, so it stays sharp at any device pixel ratio.
class TProgramIcon : public QWidget {
public:
    explicit TProgramIcon(QWidget* parent)
        : QWidget(parent), FRenderer(QStringLiteral(":/korvana/korvana.svg")) {
        FRenderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        FRenderer.render(&painter, QRectF(rect()));
    }

private:
    QSvgRenderer FRenderer;
};

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

TAboutBox::TAboutBox(const TfrmMain& mainForm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    MakeFixedDialog(*this, ClientWidth, ClientHeight);

    Panel1 = new TBevelPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 281, 161);

    ProgramIcon = new TProgramIcon(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 65, 57);

    ProductName = AddLabel(Panel1, "ProductName", QStringLiteral("Korvana for Win32"), 88, 16);
    VersionCaption = AddLabel(Panel1, "VersionCaption", QStringLiteral("Version"), 88, 40);
    Version =
        AddLabel(Panel1, "Version", QStringLiteral("1.0.0.99XXXX"), 88 + VersionCaption->width() + 6, 40);
    Copyright = AddLabel(Panel1, "Copyright",
                         QStringLiteral("Copyright \u00A9 2026 Tarnvale. All rights reserved."), 8, 80);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 178, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate(mainForm);
}

void TAboutBox::FormCreate(const TfrmMain& mainForm) {
    Version->setText(mainForm.Version());
    Version->adjustSize();
}

void TAboutBox::showEvent(QShowEvent* event) {
    // Centred on the screen, not over the window that opened it.
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        const QSize frame = frameGeometry().size();
        move(area.left() + (area.width() - frame.width()) / 2,
             area.top() + (area.height() - frame.height()) / 2);
    }
    QDialog::showEvent(event);
}
