#pragma once
// The caption bar's geometry and its composition in an off-screen image. Knows nothing of
// windows: the form gives it sizes, state and colours and copies the result.

#include "chrome/BorderStyle.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

enum class TCaptionButton { None, Close, Maximize, Restore, Minimize, Help };

struct TButtonPlace {
    TCaptionButton Kind = TCaptionButton::None;
    QRect Rect;
    bool Enabled = true;
};

// What decides where things go on the bar.
struct TCaptionShape {
    QSize Size; // of the bar
    TFormBorderStyle BorderStyle = bsSizeable;
    TBorderIcons BorderIcons = biSystemMenu | biMinimize | biMaximize;
    bool Maximized = false;
    int SmIcon = 16;
    int SmSize = 12;
};

// In bar coordinates. `IconStrip` is empty when the bar has no icon.
struct TCaptionLayout {
    QRect IconStrip;
    QRect Icon;
    std::vector<TButtonPlace> Buttons;
    QRect Text; // before the owner draw and the text indent
};

TCaptionLayout LayoutCaption(const TCaptionShape& shape);

// What the bar shows.
struct TCaptionLook {
    bool Active = true;
    bool GradientOnInactive = true;
    const QRgb* Entries = nullptr; // the gradient set for Active
    int Count = 0;
    QColor InactiveColor;
    bool Bands = false; // palette device: paint band by band instead of stretching
    QPalette Palette;   // of the buttons
    QIcon Icon;
    QFont Font;
    QString Text;
    TCaptionButton Pressed = TCaptionButton::None;
    // Draws on the bar before the text and may change the text rectangle.
    std::function<void(QPainter&, QRect&)> OwnerDraw;
};

// Paints the whole bar into `bar` (its device pixel ratio is kept), reusing its memory when the
// size is unchanged.
void ComposeCaption(QImage& bar, qreal dpr, const TCaptionShape& shape, const TCaptionLayout& layout,
                    const TCaptionLook& look);
