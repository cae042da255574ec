// The line numbers at the left of the view: a strip beside the viewport that draws the numbers of
// the lines in view only, so a long script costs no more than a short one.

#include "editor/TextView.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {
constexpr int GutterPad = 4;
} // namespace

class TTextView::TGutter : public QWidget {
public:
    explicit TGutter(TTextView& view) : QWidget(&view), V(view) {
        setObjectName(QStringLiteral("Gutter"));
        setCursor(Qt::ArrowCursor);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        const QRect area = event->rect();
        p.fillRect(area, palette().color(QPalette::Window));
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(width() - 1, area.top(), width() - 1, area.bottom());
        QFont plain = V.FWidths.Font();
        QFont bold = plain;
        bold.setBold(true);
        const QFontMetricsF plainMetrics(plain), boldMetrics(bold);
        const QColor dim = palette().color(QPalette::Disabled, QPalette::WindowText);
        const QColor strong = palette().color(QPalette::WindowText);
        const int count = V.FDoc->blockCount();
        const int right = width() - GutterPad;
        for (int line = V.FirstLine(); line < count; ++line) {
            const int top = V.LineTop(line);
            if (top > area.bottom()) break;
            if (top + V.FLineHeight < area.top()) continue;
            // The caret's line stands out, so the eye finds it from the side.
            const bool caret = line == V.FCaretLine;
            const QString number = QString::number(line + 1);
            const QFontMetricsF& m = caret ? boldMetrics : plainMetrics;
            p.setFont(caret ? bold : plain);
            p.setPen(caret ? strong : dim);
            p.drawText(QPointF(right - m.horizontalAdvance(number), top + V.FAscent), number);
        }
    }

private:
    TTextView& V;
};

void TTextView::SetLineNumbers(bool shown) {
    if (shown == LineNumbers()) return;
    if (shown) {
        FGutter = new TGutter(*this);
        FGutterDigits = 0;
        FGutterLines = FDoc->blockCount();
        FCaretLine = FCursor.blockNumber();
        UpdateGutter(true);
        FGutter->show();
    } else {
        delete FGutter;
        FGutter = nullptr;
        setViewportMargins(0, 0, 0, 0);
    }
    UpdateScrollBars();
}

int TTextView::GutterWidth() const {
    if (!FGutter) return 0;
    QFont bold = FWidths.Font();
    bold.setBold(true);
    const qreal digit = QFontMetricsF(bold).horizontalAdvance(QLatin1Char('9'));
    return int(std::ceil(FGutterDigits * digit)) + 2 * GutterPad + 1;
}

void TTextView::UpdateGutter(bool repaint) {
    if (!FGutter) return;
    // At least two digits, so the first lines typed do not make the text jump sideways.
    const int digits = std::max<int>(2, int(QString::number(FDoc->blockCount()).size()));
    if (digits != FGutterDigits) {
        FGutterDigits = digits;
        setViewportMargins(GutterWidth(), 0, 0, 0);
    }
    const QRect v = viewport()->geometry();
    const int w = GutterWidth();
    FGutter->setGeometry(v.left() - w, v.top(), w, v.height());
    if (repaint) FGutter->update();
}
