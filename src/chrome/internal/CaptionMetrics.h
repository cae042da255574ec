#pragma once
// The system values the caption bar is measured and coloured with, taken from the widget's style,
// fonts and palette.

#include <QColor>
#include <QFont>

class QPalette;
class QWidget;

struct TCaptionMetrics {
    int Frame = 4;            // sizing frame thickness
    int DialogFrame = 3;      // frame thickness of the fixed styles
    int CaptionHeight = 18;   // height of an ordinary caption bar
    int SmCaptionHeight = 15; // height of a tool window's caption bar
    int SmIcon = 16;          // small icon size, also the width of a caption button
    int SmSize = 12;          // width of a tool window's close button, plus 2
    QFont CaptionFont;
    QFont SmCaptionFont;
};

TCaptionMetrics ReadCaptionMetrics(const QWidget* window);

struct TCaptionColors {
    QColor Active;
    QColor Inactive;
};

// The classic caption colours, used where the palette has none of its own.
inline const QColor ClassicActiveCaption{0, 0, 128};
inline const QColor ClassicInactiveCaption{128, 128, 128};

// The active caption follows the palette's highlight; the inactive caption follows the inactive
// group's highlight when the palette gives that a colour of its own, else the classic grey.
TCaptionColors CaptionColors(const QPalette& palette);
