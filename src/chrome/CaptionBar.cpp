#include "chrome/internal/CaptionBar.h"

#include "chrome/internal/GradientTable.h"

#include <QFontMetrics>
#include <QPainter>
#include <qdrawutil.h>

#include <algorithm>

namespace {

// Rectangles in the window system's manner: right and bottom are exclusive, which keeps the
// arithmetic of the layout free of off-by-one corrections.
struct TEdges {
    int L, T, R, B;
    QRect Rect() const { return QRect(L, T, std::max(0, R - L), std::max(0, B - T)); }
    void Shift(int dx) { L += dx, R += dx; }
};

void PaintBackground(QPainter& p, const QRect& r, const TCaptionLook& look) {
    if (!look.Active && !look.GradientOnInactive) {
        p.fillRect(r, look.InactiveColor);
    } else if (look.Bands) {
        const double w = double(r.width()) / look.Count;
        for (int i = 0; i < look.Count; ++i) {
            const int x0 = RoundHalfEven(i * w), x1 = RoundHalfEven((i + 1) * w);
            p.fillRect(QRect(r.left() + x0, r.top(), x1 - x0, r.height()), QColor(look.Entries[i]));
        }
    } else {
        // One stretched copy of the first n - 1 entries; the last entry stays out of it.
        QImage strip(look.Count, 1, QImage::Format_RGB32);
        std::copy(look.Entries, look.Entries + look.Count, reinterpret_cast<QRgb*>(strip.scanLine(0)));
        p.drawImage(QRectF(r), strip, QRectF(0, 0, look.Count - 1, 1));
    }
}

void DrawGlyph(QPainter& p, TCaptionButton kind, const QRect& face, const QColor& ink, const QColor& paper) {
    const int g = std::max(5, std::min(face.width(), face.height()) - 3);
    const QRect box(face.left() + (face.width() - g) / 2, face.top() + (face.height() - g) / 2, g, g);
    const int stroke = std::max(1, g / 5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::NoBrush);
    switch (kind) {
    case TCaptionButton::Close: {
        // Two crossing diagonals of square steps, as a frame-control glyph is drawn.
        for (int i = 0; i < g; ++i) {
            p.fillRect(box.left() + i, box.top() + i, std::min(stroke + 1, g - i), 1, ink);
            p.fillRect(box.right() - i - std::min(stroke + 1, g - i) + 1, box.top() + i,
                       std::min(stroke + 1, g - i), 1, ink);
        }
        break;
    }
    case TCaptionButton::Maximize:
        p.fillRect(box.left(), box.top(), box.width(), stroke + 1, ink);
        p.fillRect(box.left(), box.bottom(), box.width(), 1, ink);
        p.fillRect(box.left(), box.top(), 1, box.height(), ink);
        p.fillRect(box.right(), box.top(), 1, box.height(), ink);
        break;
    case TCaptionButton::Restore: {
        const int s = g * 2 / 3 + 1;
        for (const QRect w :
             {QRect(box.right() - s + 1, box.top(), s, s), QRect(box.left(), box.bottom() - s + 1, s, s)}) {
            p.fillRect(w.adjusted(1, 2, -1, -1), paper); // the front window hides the back one
            p.fillRect(w.left(), w.top(), w.width(), 2, ink);
            p.fillRect(w.left(), w.bottom(), w.width(), 1, ink);
            p.fillRect(w.left(), w.top(), 1, w.height(), ink);
            p.fillRect(w.right(), w.top(), 1, w.height(), ink);
        }
        break;
    }
    case TCaptionButton::Minimize:
        p.fillRect(box.left() + 1, box.bottom() - stroke, box.width() - 3, stroke + 1, ink);
        break;
    case TCaptionButton::Help: {
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(std::max(6, g + 2));
        p.setFont(f);
        p.setPen(ink);
        p.drawText(face, Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case TCaptionButton::None:
        break;
    }
}

void PaintButton(QPainter& p, const TButtonPlace& b, bool pressed, const QPalette& pal) {
    qDrawWinButton(&p, b.Rect, pal, pressed, &pal.brush(QPalette::Button));
    const QColor paper = pal.color(QPalette::Button);
    QRect face = b.Rect.adjusted(2, 2, -2, -2);
    if (pressed) face.translate(1, 1);
    if (b.Enabled) {
        DrawGlyph(p, b.Kind, face, pal.color(QPalette::Active, QPalette::ButtonText), paper);
    } else {
        // Greyed the classic way: a light copy one pixel down and right under a dark one.
        DrawGlyph(p, b.Kind, face.translated(1, 1), pal.color(QPalette::Light), paper);
        DrawGlyph(p, b.Kind, face, pal.color(QPalette::Disabled, QPalette::ButtonText), paper);
    }
}

} // namespace

TCaptionLayout LayoutCaption(const TCaptionShape& shape) {
    TCaptionLayout out;
    const int h = shape.Size.height();
    TEdges r{0, 0, shape.Size.width(), h};
    r.L += 1;

    const int cx = shape.SmIcon;
    const bool hasMenu = shape.BorderIcons & biSystemMenu;
    if (hasMenu && (shape.BorderStyle == bsSingle || shape.BorderStyle == bsSizeable)) {
        out.IconStrip = QRect(r.L, r.T, cx + 1, h);
        // Centred in the bar's height; one pixel below the top on a bar just two pixels higher.
        out.Icon = QRect(r.L + 1, r.T + std::max(1, (h - cx) / 2), cx, cx);
        r.L += cx + 1;
    }

    TEdges b{r.L + 2, r.T + 2, r.R - 2, r.B - 2};
    auto place = [&](TCaptionButton kind, bool enabled) { out.Buttons.push_back({kind, b.Rect(), enabled}); };
    if (IsToolWindowStyle(shape.BorderStyle)) {
        b.L = b.R - shape.SmSize + 2;
        place(TCaptionButton::Close, true);
        r.R = b.L - 5;
    } else {
        b.L = b.R - cx;
        if (hasMenu) {
            place(TCaptionButton::Close, true);
            b.Shift(-(cx + 2));
            r.R -= cx + 2;
        }
        if (shape.BorderStyle != bsDialog) {
            place(shape.Maximized ? TCaptionButton::Restore : TCaptionButton::Maximize,
                  shape.BorderIcons & biMaximize);
            b.Shift(-cx);
            place(TCaptionButton::Minimize, shape.BorderIcons & biMinimize);
            b.Shift(-cx);
            r.R -= 2 * cx;
        }
        if (shape.BorderStyle == bsDialog && (shape.BorderIcons & biHelp)) {
            place(TCaptionButton::Help, true);
            r.R -= cx;
        }
        r.R -= 3;
    }
    out.Text = r.Rect();
    return out;
}

void ComposeCaption(QImage& bar, qreal dpr, const TCaptionShape& shape, const TCaptionLayout& layout,
                    const TCaptionLook& look) {
    const QSize pixels = (QSizeF(shape.Size) * dpr).toSize();
    if (bar.size() != pixels || bar.format() != QImage::Format_RGB32)
        bar = QImage(pixels, QImage::Format_RGB32);
    bar.setDevicePixelRatio(dpr);
    if (bar.isNull()) return;

    QPainter p(&bar);
    const QRect all(QPoint(0, 0), shape.Size);
    PaintBackground(p, all, look);

    const bool gradient = look.Active || look.GradientOnInactive;
    if (!layout.IconStrip.isEmpty()) {
        p.fillRect(layout.IconStrip, gradient ? QColor(Qt::black) : look.InactiveColor);
        look.Icon.paint(&p, layout.Icon);
    }
    for (const TButtonPlace& b : layout.Buttons)
        PaintButton(p, b, b.Kind == look.Pressed, look.Palette);

    QRect text = layout.Text;
    if (look.OwnerDraw) {
        p.save();
        p.setFont(look.Font);
        look.OwnerDraw(p, text);
        p.restore();
    }
    text.setLeft(text.left() + 2);
    if (text.width() > 0) {
        p.setFont(look.Font);
        p.setPen(Qt::white);
        const QString shown =
            QFontMetrics(look.Font, &bar).elidedText(look.Text, Qt::ElideRight, text.width());
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
}
