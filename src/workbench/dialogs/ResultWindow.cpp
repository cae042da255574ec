#include "workbench/dialogs/ResultWindow.h"

#include "workbench/grid/ResultModel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

TfrmResult::TfrmResult(QWidget* parent) : QWidget(parent, Qt::Window), lstOut(new TResultView(this)) {
    setObjectName(QStringLiteral("frmResult"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lstOut);
    PlaceCentred();
    connect(lstOut, &TResultView::DoubleClicked, this, &QWidget::close);
}

void TfrmResult::PlaceCentred() {
    resize(NormalWidth, NormalHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(NormalWidth / 2, NormalHeight / 2));
    }
}

void TfrmResult::ShowGrid(const TResultView& grid, const QString& caption) {
    lstOut->CopyFrom(grid);
    setWindowTitle(caption);
    if (!isVisible()) {
        if (!isMaximized()) PlaceCentred();
        showMaximized();
    } else if (isMinimized()) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
    raise();
    activateWindow();
}

void TfrmResult::ReleaseHiddenCopy() {
    if (!isVisible()) lstOut->Clear();
}
