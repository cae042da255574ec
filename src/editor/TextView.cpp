// The view's measuring, scrolling and painting.

#include "editor/TextView.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Margin = 4;
// Blocks longer than this are read piecewise; shorter ones are copied whole, which is cheaper.
constexpr int ShortBlock = 4096;

// The document's own layout would lay out every block it is told of; the view measures and
// draws lines itself, so the document gets a layout that does nothing.
class TNoLayout : public QAbstractTextDocumentLayout {
public:
    using QAbstractTextDocumentLayout::QAbstractTextDocumentLayout;
    void draw(QPainter*, const PaintContext&) override {}
    int hitTest(const QPointF&, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return {}; }
    QRectF frameBoundingRect(QTextFrame*) const override { return {}; }
    QRectF blockBoundingRect(const QTextBlock&) const override { return {}; }

protected:
    void documentChanged(int, int, int) override {}
};

} // namespace

TTextView::TTextView(QWidget* parent) : QAbstractScrollArea(parent), FDoc(new QTextDocument(this)) {
    InstallAccessibility();
    FDoc->setDocumentLayout(new TNoLayout(FDoc));
    FDoc->setDocumentMargin(Margin);
    FCursor = QTextCursor(FDoc);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    connect(FDoc, &QTextDocument::contentsChange, this, &TTextView::ContentsChange);
    // The document reports the end of every edit block, also of those that only moved the cursor;
    // only a real change of the text is one.
    connect(FDoc, &QTextDocument::contentsChanged, this, [this] {
        if (!FChanged) return;
        FChanged = false;
        emit textChanged();
    });
    connect(FDoc, &QTextDocument::undoAvailable, this, &TTextView::undoAvailable);
    connect(FDoc, &QTextDocument::redoAvailable, this, &TTextView::redoAvailable);
    FontChanged();
}

TTextView::~TTextView() {
    disconnect(FDoc, nullptr, this, nullptr);
    // The lines' measurements leave the width tally as the document goes, so it goes first.
    delete FDoc;
}
// ---- measuring ----

TLineMetrics& TTextView::Metrics(const QTextBlock& block) const {
    auto* m = static_cast<TLineMetrics*>(block.userData());
    if (!m || m->Generation != FGeneration || m->Length() != block.length() - 1) {
        m = new TLineMetrics(FGeneration, FTabStop);
        m->Build(block.text(), FWidths);
        QTextBlock(block).setUserData(m);
        NoteWidth(*m);
    }
    return *m;
}

TLineMetrics::TTextOf TTextView::TextOfBlock(const QTextBlock& block) const {
    return [this, block](int from, int to) { return TextOf(block, from, to); };
}

QString TTextView::BlockText(const QTextBlock& block, int from, int to) {
    const int length = block.length() - 1;
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    if (from == to) return {};
    if (length <= ShortBlock) return block.text().mid(from, to - from);
    const int start = block.position() + from;
    if (to - from > ShortBlock) {
        // A long stretch through a cursor, which reads the document's pieces whole.
        QTextCursor c(block);
        Quietly(c, [&] {
            c.setPosition(start);
            c.setPosition(start + to - from, QTextCursor::KeepAnchor);
        });
        return c.selectedText();
    }
    // A short one character by character: each costs a lookup, but no cursor and no edit block.
    QString text(to - from, Qt::Uninitialized);
    const QTextDocument* doc = block.document();
    for (int i = 0; i < to - from; ++i)
        text[i] = doc->characterAt(start + i);
    return text;
}

const TTextView::TShaped& TTextView::Shaped(const QTextBlock& block, int segment) const {
    TLineMetrics& m = Metrics(block);
    // The colour pass asks for one segment many times over, once for each run on it.
    if (FLastShaped.Line == &m && FLastShaped.Version == m.Version() && FLastShaped.Segment == segment)
        return *FLastShaped.Shape;
    const TSegment& s = m.Segments()[std::size_t(segment)];
    const QString text = TextOf(block, s.Start, s.Start + s.Length);
    auto it = FShapedCache.find(text);
    if (it == FShapedCache.end()) {
        if (FShapedCache.size() > 4000) FShapedCache.clear();
        auto shaped = std::make_shared<TShaped>();
        shaped->Layout.setText(text);
        shaped->Layout.setFont(FWidths.Font());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        shaped->Layout.setTextOption(option);
        shaped->Layout.setCacheEnabled(true);
        shaped->Layout.beginLayout();
        shaped->Line = shaped->Layout.createLine();
        if (shaped->Line.isValid()) shaped->Line.setLineWidth(1e9);
        shaped->Layout.endLayout();
        it = FShapedCache.insert(text, shaped);
    }
    if (it.value()->Line.isValid()) {
        m.SetShapedWidth(segment, it.value()->Line.naturalTextWidth());
        NoteWidth(m);
    }
    FLastShaped = TLastShaped{&m, m.Version(), segment, it.value()};
    return *it.value();
}

qreal TTextView::TextLeft() const {
    return Margin - horizontalScrollBar()->value();
}

qreal TTextView::XOf(const QTextBlock& block, int column) const {
    if (!block.isValid()) return TextLeft();
    const TLineMetrics& m = Metrics(block);
    const auto within = [&](int segment, int offset) {
        const TShaped& shaped = Shaped(block, segment);
        return shaped.Line.isValid() ? shaped.Line.cursorToX(offset) : 0.0;
    };
    return TextLeft() + m.XOf(column, FWidths, TextOfBlock(block), within);
}

int TTextView::ColumnAt(const QTextBlock& block, qreal x, bool onCharacter) const {
    if (!block.isValid()) return 0;
    const TLineMetrics& m = Metrics(block);
    const int k = m.SegmentAtX(x - TextLeft());
    if (k < 0) return 0;
    const TSegment& s = m.Segments()[std::size_t(k)];
    const qreal x0 = m.SegmentX(k);
    const qreal dx = x - TextLeft() - x0;
    if (s.Tab) {
        const qreal w = m.SegmentX(k + 1) - x0;
        return s.Start + (onCharacter || dx < w / 2 || dx < 0 ? 0 : 1);
    }
    if (s.Complex || s.Shaped) {
        const TShaped& shaped = Shaped(block, k);
        if (!shaped.Line.isValid()) return s.Start;
        return s.Start + shaped.Line.xToCursor(dx, onCharacter ? QTextLine::CursorOnCharacter
                                                               : QTextLine::CursorBetweenCharacters);
    }
    const QString text = TextOf(block, s.Start, s.Start + s.Length);
    qreal at = 0;
    for (int i = 0; i < text.size(); ++i) {
        const qreal w = FWidths.Of(QStringView(text).mid(i, 1));
        if (onCharacter ? dx < at + w : dx < at + w / 2) return s.Start + i;
        at += w;
    }
    return s.Start + int(text.size());
}

std::pair<int, int> TTextView::ShownColumns(const QTextBlock& block) const {
    const int first = ColumnAt(block, 0, true);
    const int last = ColumnAt(block, viewport()->width(), true);
    return {std::max(0, first - 1), std::min(block.length() - 1, last + 2)};
}

void TTextView::NoteWidth(TLineMetrics& m) const {
    m.Tally(FLineWidths);
    const qreal widest = FLineWidths.empty() ? 0 : *FLineWidths.rbegin();
    if (widest == FWidest) return;
    FWidest = widest;
    const_cast<TTextView*>(this)->UpdateScrollBars();
}

void TTextView::FontChanged() {
    QFont f = font();
    // Without kerning a column's x is close to a sum of advances, which is what places the
    // characters of segments not shaped yet.
    f.setKerning(false);
    FWidths.SetFont(f);
    FDoc->setDefaultFont(font());
    const QFontMetrics fm(f);
    FLineHeight = std::max(1, fm.height());
    FAscent = fm.ascent();
    ++FGeneration;
    FShapedCache.clear();
    // Every line is measured afresh in the new font, and enters the width tally as it is.
    for (QTextBlock b = FDoc->begin(); b.isValid(); b = b.next())
        Metrics(b);
    FGutterDigits = 0; // the width follows the font
    UpdateGutter(true);
    UpdateScrollBars();
    viewport()->update();
}

void TTextView::setTabStopDistance(qreal distance) {
    if (distance == FTabStop) return;
    FTabStop = distance;
    FontChanged();
}

// Keeps each touched line's measurements: an edit inside one line re-cuts only its touched
// segments; lines that were split, joined or replaced are measured afresh.
void TTextView::ContentsChange(int from, int removed, int added) {
    FChanged = true;
    const QTextBlock first = FDoc->findBlock(from);
    const QTextBlock last = FDoc->findBlock(from + added);
    auto* m = first.isValid() ? static_cast<TLineMetrics*>(first.userData()) : nullptr;
    const int column = from - first.position();
    if (first == last && m && m->Generation == FGeneration &&
        m->Length() - removed + added == first.length() - 1 && column + removed <= m->Length()) {
        m->Change(column, removed, added, TextOfBlock(first), FWidths);
        NoteWidth(*m);
    } else {
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            QTextBlock(b).setUserData(nullptr);
            Metrics(b);
            if (b == last) break;
        }
    }
    FWantX = -1;
    // A new line count moves where the numbers end and may take another digit.
    if (FGutter && FDoc->blockCount() != FGutterLines) {
        FGutterLines = FDoc->blockCount();
        UpdateGutter(true);
    }
    UpdateScrollBars();
    viewport()->update();
    TellAccessibility(from, removed, added);
    CursorChanged();
}

// ---- scrolling ----

int TTextView::FullLines() const {
    return std::max(1, (viewport()->height() - Margin) / FLineHeight);
}

void TTextView::UpdateScrollBars() {
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, FDoc->blockCount() - FullLines()));
    v->setPageStep(FullLines());
    v->setSingleStep(1);
    QScrollBar* h = horizontalScrollBar();
    const int content = int(std::ceil(FWidest)) + 2 * Margin + 1;
    h->setRange(0, std::max(0, content - viewport()->width()));
    h->setPageStep(viewport()->width());
    h->setSingleStep(20);
}

// Also called when the viewport alone changes size, as when a scroll bar comes or goes.
void TTextView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateGutter(false);
    UpdateScrollBars();
}

void TTextView::scrollContentsBy(int, int dy) {
    viewport()->update();
    if (FGutter && dy != 0) FGutter->update();
}

int TTextView::FirstLine() const {
    return verticalScrollBar()->value();
}

QTextBlock TTextView::firstVisibleBlock() const {
    return FDoc->findBlockByNumber(FirstLine());
}

int TTextView::LineTop(int line) const {
    return Margin + (line - FirstLine()) * FLineHeight;
}

QRect TTextView::cursorRect(const QTextCursor& cursor) const {
    const QTextBlock b = cursor.block();
    const int x = int(std::lround(XOf(b, cursor.positionInBlock())));
    return QRect(x, LineTop(b.blockNumber()), 1, FLineHeight);
}

void TTextView::ensureCursorVisible() {
    const int line = FCursor.blockNumber();
    QScrollBar* v = verticalScrollBar();
    if (line < v->value())
        v->setValue(line);
    else if (line >= v->value() + FullLines())
        v->setValue(line - FullLines() + 1);
    QScrollBar* h = horizontalScrollBar();
    const qreal x = XOf(FCursor.block(), FCursor.positionInBlock()) - TextLeft();
    const int w = viewport()->width();
    // Some room is kept beside the caret, so the text next to it shows as one types.
    const int room = std::min(w / 4, 4 * FLineHeight);
    if (x - h->value() < 0)
        h->setValue(int(std::floor(x)) - room);
    else if (x - h->value() + 2 * Margin > w)
        h->setValue(int(std::ceil(x)) + 2 * Margin - w + room);
}

// ---- painting ----

void TTextView::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    const QRect area = event->rect();
    p.fillRect(area, palette().brush(QPalette::Base));
    const int selStart = FCursor.selectionStart();
    const int selEnd = FCursor.selectionEnd();
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    const QBrush highlight = palette().brush(group, QPalette::Highlight);
    const QBrush highlighted = palette().brush(group, QPalette::HighlightedText);
    p.setPen(palette().color(QPalette::Text));
    int line = FirstLine();
    for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next(), ++line) {
        const int top = LineTop(line);
        if (top > area.bottom()) break;
        if (top + FLineHeight < area.top()) continue;
        TLineMetrics& m = Metrics(b);
        const auto [k0, k1] = ShownSegments(m);
        const int blockStart = b.position();
        // A selection that runs on past the line shows as a little space after it.
        if (selStart <= blockStart + b.length() - 1 && selEnd > blockStart + b.length() - 1 &&
            b.next().isValid())
            p.fillRect(QRectF(TextLeft() + m.Width(), top, FLineHeight / 3.0, FLineHeight), highlight);
        for (int k = k0; k >= 0 && k <= k1; ++k) {
            const TSegment& s = m.Segments()[std::size_t(k)];
            const int a = std::max(selStart - blockStart, s.Start);
            const int e = std::min(selEnd - blockStart, s.Start + s.Length);
            if (s.Tab) {
                if (a < e)
                    p.fillRect(QRectF(TextLeft() + m.SegmentX(k), top, m.SegmentX(k + 1) - m.SegmentX(k),
                                      FLineHeight),
                               highlight);
                continue;
            }
            const TShaped& shaped = Shaped(b, k);
            if (!shaped.Line.isValid()) continue;
            QList<QTextLayout::FormatRange> selection;
            if (a < e) {
                QTextLayout::FormatRange r;
                r.start = a - s.Start;
                r.length = e - a;
                r.format.setBackground(highlight);
                r.format.setForeground(highlighted);
                selection.push_back(r);
            }
            shaped.Layout.draw(&p, GlyphOrigin(m, k, top, shaped), selection);
        }
    }
    if (!FPreedit.isEmpty()) {
        const QRect caret = cursorRect();
        QFont f = FWidths.Font();
        f.setUnderline(true);
        const QFontMetricsF fm(f);
        const QRectF box(caret.x(), caret.y(), fm.horizontalAdvance(FPreedit), FLineHeight);
        p.fillRect(box, palette().brush(QPalette::Base));
        p.setFont(f);
        p.drawText(QPointF(caret.x(), caret.y() + FAscent), FPreedit);
    }
    if (hasFocus() && !FReadOnly && FCaretShown) {
        QRect caret = cursorRect();
        if (!FPreedit.isEmpty())
            caret.translate(int(QFontMetricsF(FWidths.Font()).horizontalAdvance(FPreedit)), 0);
        p.fillRect(caret, palette().color(QPalette::Text));
    }
    if (FDropAt >= 0) {
        QTextCursor c(FDoc);
        Quietly(c, [&] { c.setPosition(FDropAt); });
        p.fillRect(cursorRect(c), palette().color(QPalette::Text));
    }
}

std::pair<int, int> TTextView::ShownSegments(const TLineMetrics& m) const {
    return {m.SegmentAtX(-TextLeft()), m.SegmentAtX(viewport()->width() - TextLeft())};
}

// Every segment sits on the line's baseline in the editor's font, whichever fonts its glyphs came
// from.
QPointF TTextView::GlyphOrigin(const TLineMetrics& m, int segment, int top, const TShaped& shaped) const {
    return QPointF(TextLeft() + m.SegmentX(segment), top + FAscent - shaped.Line.ascent());
}

void TTextView::DrawRange(QPainter& p, const QTextBlock& block, int column, int length, const QColor& back,
                          bool underline) const {
    if (!block.isValid() || length <= 0) return;
    TLineMetrics& m = Metrics(block);
    const int top = LineTop(block.blockNumber());
    const auto [shownFirst, shownLast] = ShownSegments(m);
    const int first = std::max(m.SegmentAt(column), shownFirst);
    const int last = std::min(m.SegmentAt(column + length - 1), shownLast);
    if (first < 0) return;
    qreal x0 = -1, x1 = -1;
    for (int k = first; k <= last; ++k) {
        const TSegment& s = m.Segments()[std::size_t(k)];
        const int a = std::max(column, s.Start);
        const int e = std::min(column + length, s.Start + s.Length);
        if (a >= e) continue;
        const qreal sx = TextLeft() + m.SegmentX(k);
        qreal left, right;
        if (s.Tab) {
            left = sx;
            right = TextLeft() + m.SegmentX(k + 1);
            p.fillRect(QRectF(left, top, right - left, FLineHeight), back);
        } else {
            const TShaped& shaped = Shaped(block, k);
            if (!shaped.Line.isValid()) continue;
            left = sx + shaped.Line.cursorToX(a - s.Start);
            right = sx + shaped.Line.cursorToX(e - s.Start);
            p.fillRect(QRectF(std::min(left, right), top, std::abs(right - left), FLineHeight), back);
            for (const QGlyphRun& run : shaped.Line.glyphRuns(a - s.Start, e - a))
                p.drawGlyphRun(GlyphOrigin(m, k, top, shaped), run);
        }
        if (x0 < 0) x0 = std::min(left, right);
        x1 = std::max(left, right);
    }
    if (!underline || x0 < 0) return;
    // Under the whole run in the editor's font, whichever fonts drew its glyphs.
    const QFontMetricsF metrics(FWidths.Font());
    p.fillRect(
        QRectF(x0, top + FAscent + metrics.underlinePos(), x1 - x0, std::max<qreal>(1, metrics.lineWidth())),
        p.pen().color());
}
// ---- the pointer's place ----

int TTextView::PositionAt(QPoint point) const {
    const int line =
        std::clamp(FirstLine() + (point.y() - Margin) / FLineHeight - (point.y() < Margin ? 1 : 0), 0,
                   FDoc->blockCount() - 1);
    const QTextBlock b = FDoc->findBlockByNumber(line);
    return b.position() + ColumnAt(b, point.x());
}

QTextCursor TTextView::cursorForPosition(QPoint point) const {
    QTextCursor c(FDoc);
    Quietly(c, [&] { c.setPosition(PositionAt(point)); });
    return c;
}
