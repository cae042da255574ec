#pragma once
// The sizing edges and corners of a frameless window: eight transparent strips over its frame,
// each with its sizing cursor, handing the resize to the window system.

#include <QObject>
#include <QRect>

#include <array>

class QWidget;
class TGrip;

class TFrameGrips : public QObject {
    Q_OBJECT

public:
    explicit TFrameGrips(QWidget* window);

    // Lays the strips over the frame of a window of `size`: `thickness` deep, the corners
    // `corner` long along each edge. `enabled` false hides them (fixed styles, maximised).
    void Place(QSize size, int thickness, int corner, bool enabled);

private:
    std::array<TGrip*, 8> FGrips{};
};

// Moves or resizes `window` through the window system; where the platform cannot, follows the
// mouse itself from the press at `pressGlobal`. `edges` empty means a move.
class TWindowDrag {
public:
    void Start(QWidget* window, Qt::Edges edges, QPointF pressGlobal);
    // True while following the mouse without the window system's help.
    bool Active() const { return FWindow != nullptr; }
    void Follow(QPointF global);
    void Stop() { FWindow = nullptr; }

private:
    QWidget* FWindow = nullptr;
    Qt::Edges FEdges;
    QPointF FPress;
    QRect FStart;
};
