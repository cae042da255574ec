#include "chrome/internal/FrameGrips.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

class TGrip : public QWidget {
public:
    TGrip(QWidget* window, Qt::Edges edges, Qt::CursorShape shape, const char* name)
        : QWidget(window), FEdges(edges) {
        setObjectName(QLatin1String(name));
        setCursor(shape);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    Qt::Edges Edges() const { return FEdges; }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) FDrag.Start(window(), FEdges, e->globalPosition());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (FDrag.Active()) FDrag.Follow(e->globalPosition());
    }
    void mouseReleaseEvent(QMouseEvent*) override { FDrag.Stop(); }

private:
    Qt::Edges FEdges;
    TWindowDrag FDrag;
};

TFrameGrips::TFrameGrips(QWidget* window) : QObject(window) {
    // Cursors as the window system shows them on borders: west-east, north-south, and the two
    // diagonals.
    FGrips = {
        new TGrip(window, Qt::LeftEdge, Qt::SizeHorCursor, "gripLeft"),
        new TGrip(window, Qt::RightEdge, Qt::SizeHorCursor, "gripRight"),
        new TGrip(window, Qt::TopEdge, Qt::SizeVerCursor, "gripTop"),
        new TGrip(window, Qt::BottomEdge, Qt::SizeVerCursor, "gripBottom"),
        new TGrip(window, Qt::TopEdge | Qt::LeftEdge, Qt::SizeFDiagCursor, "gripTopLeft"),
        new TGrip(window, Qt::BottomEdge | Qt::RightEdge, Qt::SizeFDiagCursor, "gripBottomRight"),
        new TGrip(window, Qt::TopEdge | Qt::RightEdge, Qt::SizeBDiagCursor, "gripTopRight"),
        new TGrip(window, Qt::BottomEdge | Qt::LeftEdge, Qt::SizeBDiagCursor, "gripBottomLeft"),
    };
}

void TFrameGrips::Place(QSize size, int thickness, int corner, bool enabled) {
    const int w = size.width(), h = size.height(), t = thickness, c = std::max(corner, thickness);
    for (TGrip* g : FGrips) {
        if (!enabled || t <= 0) {
            g->hide();
            continue;
        }
        const Qt::Edges e = g->Edges();
        QRect r;
        if (e == Qt::LeftEdge)
            r = QRect(0, c, t, h - 2 * c);
        else if (e == Qt::RightEdge)
            r = QRect(w - t, c, t, h - 2 * c);
        else if (e == Qt::TopEdge)
            r = QRect(c, 0, w - 2 * c, t);
        else if (e == Qt::BottomEdge)
            r = QRect(c, h - t, w - 2 * c, t);
        g->setGeometry(r);
        if (r.isNull()) {
            // A corner: an L of two strips is not a rectangle, so it takes the square; the mask
            // leaves the inner part to the caption bar and the contents.
            const int x = (e & Qt::LeftEdge) ? 0 : w - c, y = (e & Qt::TopEdge) ? 0 : h - c;
            g->setGeometry(x, y, c, c);
            const QRect vertical((e & Qt::LeftEdge) ? 0 : c - t, 0, t, c);
            const QRect horizontal(0, (e & Qt::TopEdge) ? 0 : c - t, c, t);
            g->setMask(QRegion(vertical).united(horizontal));
        }
        g->show();
        g->raise();
    }
}

void TWindowDrag::Start(QWidget* window, Qt::Edges edges, QPointF pressGlobal) {
    FWindow = nullptr;
    QWindow* handle = window->windowHandle();
    if (handle && (edges ? handle->startSystemResize(edges) : handle->startSystemMove())) return;
    FWindow = window;
    FEdges = edges;
    FPress = pressGlobal;
    FStart = window->geometry();
}

void TWindowDrag::Follow(QPointF global) {
    const QPoint d = (global - FPress).toPoint();
    if (!FEdges) {
        FWindow->move(FStart.topLeft() + d);
        return;
    }
    QRect r = FStart;
    if (FEdges & Qt::LeftEdge) r.setLeft(std::min(r.left() + d.x(), r.right() - FWindow->minimumWidth()));
    if (FEdges & Qt::RightEdge) r.setRight(r.right() + d.x());
    if (FEdges & Qt::TopEdge) r.setTop(std::min(r.top() + d.y(), r.bottom() - FWindow->minimumHeight()));
    if (FEdges & Qt::BottomEdge) r.setBottom(r.bottom() + d.y());
    FWindow->setGeometry(r);
}
