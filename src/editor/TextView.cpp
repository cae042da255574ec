#include "TextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDrag>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextDocument>
#include <QWheelEvent>

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

enum class TCharKind { Space, Word, Other };

TCharKind KindOf(QChar c) {
    if (c.isSpace()) return TCharKind::Space;
    if (c.isLetterOrNumber() || c == QLatin1Char('_') || c.isMark() || c.isSurrogate())
        return TCharKind::Word;
    return TCharKind::Other;
}

} // namespace

TTextView::TTextView(QWidget* parent) : QAbstractScrollArea(parent), FDoc(new QTextDocument(this)) {
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

QString TTextView::TextOf(const QTextBlock& block, int from, int to) const {
    const int length = block.length() - 1;
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    if (from == to) return {};
    if (length <= ShortBlock) return block.text().mid(from, to - from);
    // Character by character: a cursor would have the document look at the whole line.
    QString text(to - from, Qt::Uninitialized);
    const int start = block.position() + from;
    for (int i = 0; i < to - from; ++i)
        text[i] = FDoc->characterAt(start + i);
    return text;
}

const TTextView::TShaped& TTextView::Shaped(const QTextBlock& block, int segment) const {
    TLineMetrics& m = Metrics(block);
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
    for (QTextBlock b = FDoc->begin(); b.isValid(); b = b.next())
        NoteWidth(Metrics(b));
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
            NoteWidth(Metrics(b));
            if (b == last) break;
        }
    }
    FWantX = -1;
    UpdateScrollBars();
    viewport()->update();
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

void TTextView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TTextView::scrollContentsBy(int, int) {
    viewport()->update();
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
    const int width = viewport()->width();
    int line = FirstLine();
    for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next(), ++line) {
        const int top = LineTop(line);
        if (top > area.bottom()) break;
        if (top + FLineHeight < area.top()) continue;
        TLineMetrics& m = Metrics(b);
        const int k0 = m.SegmentAtX(-TextLeft());
        const int k1 = m.SegmentAtX(width - TextLeft());
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
            const QPointF at(TextLeft() + m.SegmentX(k), top + FAscent - shaped.Line.ascent());
            shaped.Layout.draw(&p, at, selection);
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

void TTextView::DrawRange(QPainter& p, const QTextBlock& block, int column, int length, const QColor& back,
                          bool underline) const {
    if (!block.isValid() || length <= 0) return;
    TLineMetrics& m = Metrics(block);
    const int top = LineTop(block.blockNumber());
    const int width = viewport()->width();
    const int first = std::max(m.SegmentAt(column), m.SegmentAtX(-TextLeft()));
    const int last = std::min(m.SegmentAt(column + length - 1), m.SegmentAtX(width - TextLeft()));
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
            const QPointF at(sx, top + FAscent - shaped.Line.ascent());
            for (const QGlyphRun& run : shaped.Line.glyphRuns(a - s.Start, e - a))
                p.drawGlyphRun(at, run);
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

// ---- positions ----

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

// Steps never part a surrogate pair or a character from its marks.
int TTextView::NextChar(int pos) const {
    const int end = FDoc->characterCount() - 1;
    if (pos >= end) return end;
    const QTextBlock b = FDoc->findBlock(pos);
    if (pos >= b.position() + b.length() - 1) return pos + 1;
    int next = pos + 1;
    if (FDoc->characterAt(pos).isHighSurrogate() && FDoc->characterAt(next).isLowSurrogate()) ++next;
    const int blockEnd = b.position() + b.length() - 1;
    while (next < blockEnd && FDoc->characterAt(next).isMark())
        ++next;
    return next;
}

int TTextView::PreviousChar(int pos) const {
    if (pos <= 0) return 0;
    const QTextBlock b = FDoc->findBlock(pos);
    if (pos == b.position()) return pos - 1;
    int prev = pos - 1;
    while (prev > b.position() && FDoc->characterAt(prev).isMark())
        --prev;
    if (prev > b.position() && FDoc->characterAt(prev).isLowSurrogate() &&
        FDoc->characterAt(prev - 1).isHighSurrogate())
        --prev;
    return prev;
}

// The start of the next word, or the end of the line when no word follows on it.
int TTextView::NextWord(int pos) const {
    const QTextBlock b = FDoc->findBlock(pos);
    const int end = b.position() + b.length() - 1;
    if (pos >= end) return NextChar(pos);
    const TCharKind kind = KindOf(FDoc->characterAt(pos));
    if (kind != TCharKind::Space)
        while (pos < end && KindOf(FDoc->characterAt(pos)) == kind)
            ++pos;
    while (pos < end && KindOf(FDoc->characterAt(pos)) == TCharKind::Space)
        ++pos;
    return pos;
}

int TTextView::PreviousWord(int pos) const {
    const QTextBlock b = FDoc->findBlock(pos);
    const int start = b.position();
    if (pos <= start) return PreviousChar(pos);
    while (pos > start && KindOf(FDoc->characterAt(pos - 1)) == TCharKind::Space)
        --pos;
    if (pos > start) {
        const TCharKind kind = KindOf(FDoc->characterAt(pos - 1));
        while (pos > start && KindOf(FDoc->characterAt(pos - 1)) == kind)
            --pos;
    }
    return pos;
}

// The end of the word (or run of spaces or signs) at pos.
int TTextView::WordEnd(int pos) const {
    const QTextBlock b = FDoc->findBlock(pos);
    const int end = b.position() + b.length() - 1;
    if (pos >= end) return pos;
    const TCharKind kind = KindOf(FDoc->characterAt(pos));
    while (pos < end && KindOf(FDoc->characterAt(pos)) == kind)
        ++pos;
    return pos;
}

// The start of the word (or run of spaces or signs) holding pos.
int TTextView::WordStartAt(int pos) const {
    const QTextBlock b = FDoc->findBlock(pos);
    if (pos >= b.position() + b.length() - 1) return pos;
    const TCharKind kind = KindOf(FDoc->characterAt(pos));
    while (pos > b.position() && KindOf(FDoc->characterAt(pos - 1)) == kind)
        --pos;
    return pos;
}

int TTextView::VerticalMove(int lines) const {
    const QTextBlock from = FCursor.block();
    const int target = from.blockNumber() + lines;
    if (target < 0) return 0;
    if (target >= FDoc->blockCount()) return FDoc->characterCount() - 1;
    const QTextBlock b = FDoc->findBlockByNumber(target);
    const qreal x = FWantX >= 0 ? FWantX : XOf(from, FCursor.positionInBlock()) - TextLeft();
    return b.position() + ColumnAt(b, x + TextLeft());
}

// ---- the caret and the selection ----

void TTextView::Quietly(QTextCursor& cursor, const std::function<void()>& change, bool joinPrevious) {
    if (joinPrevious)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    change();
    cursor.endEditBlock();
}

void TTextView::setTextCursor(const QTextCursor& cursor) {
    if (cursor.document() != FDoc) return;
    FCursor = cursor;
    FRun = TRun::None;
    FWantX = -1;
    CursorChanged();
    ensureCursorVisible();
    RestartBlink();
    viewport()->update();
}

void TTextView::moveCursor(QTextCursor::MoveOperation operation, QTextCursor::MoveMode mode) {
    const bool select = mode == QTextCursor::KeepAnchor;
    switch (operation) {
    case QTextCursor::NextCharacter:
    case QTextCursor::Right:
        MoveTo(NextChar(FCursor.position()), select);
        break;
    case QTextCursor::PreviousCharacter:
    case QTextCursor::Left:
        MoveTo(PreviousChar(FCursor.position()), select);
        break;
    case QTextCursor::Up:
        MoveTo(VerticalMove(-1), select);
        break;
    case QTextCursor::Down:
        MoveTo(VerticalMove(1), select);
        break;
    default: {
        // The remaining moves need no layout.
        QTextCursor c = FCursor;
        Quietly(c, [&] { c.movePosition(operation, mode); });
        setTextCursor(c);
        break;
    }
    }
}

void TTextView::MoveTo(int position, bool select) {
    FRun = TRun::None;
    const qreal wantX = FWantX;
    Quietly(FCursor, [&] {
        FCursor.setPosition(std::clamp(position, 0, FDoc->characterCount() - 1),
                            select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    });
    CursorChanged();
    ensureCursorVisible();
    FWantX = wantX;
    RestartBlink();
    viewport()->update();
}

void TTextView::CursorChanged() {
    const int position = FCursor.position();
    const int anchor = FCursor.anchor();
    if (position == FLastPosition && anchor == FLastAnchor) return;
    const bool hadSelection = FLastPosition != FLastAnchor;
    const bool moved = position != FLastPosition;
    FLastPosition = position;
    FLastAnchor = anchor;
    if (moved) emit cursorPositionChanged();
    if (hadSelection || position != anchor) emit selectionChanged();
    if (hadSelection != (position != anchor)) emit copyAvailable(position != anchor);
}

void TTextView::ReplaceSelection(const QString& text, TRun run) {
    if (FReadOnly) return;
    // A run of typed characters (or of Backspaces) is one step of the undo history.
    const bool join =
        run != TRun::None && run == FRun && FCursor.position() == FRunEnd && !FCursor.hasSelection();
    Quietly(
        FCursor,
        [&] {
            if (run == TRun::Backspace)
                FCursor.deletePreviousChar();
            else
                FCursor.insertText(text);
        },
        join);
    FRun = run;
    FRunEnd = FCursor.position();
    FWantX = -1;
    CursorChanged();
    ensureCursorVisible();
    RestartBlink();
}

QString TTextView::toPlainText() const {
    return FDoc->toPlainText();
}

void TTextView::setPlainText(const QString& text) {
    FDoc->setUndoRedoEnabled(false);
    FDoc->setPlainText(text);
    FDoc->setUndoRedoEnabled(true);
    FCursor = QTextCursor(FDoc);
    FRun = TRun::None;
    FWantX = -1;
    CursorChanged();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void TTextView::setReadOnly(bool value) {
    FReadOnly = value;
    setAttribute(Qt::WA_InputMethodEnabled, !value);
    viewport()->setCursor(value ? Qt::ArrowCursor : Qt::IBeamCursor);
    viewport()->update();
}

void TTextView::undo() {
    if (FReadOnly) return;
    FRun = TRun::None;
    FDoc->undo(&FCursor);
    CursorChanged();
    ensureCursorVisible();
}

void TTextView::redo() {
    if (FReadOnly) return;
    FRun = TRun::None;
    FDoc->redo(&FCursor);
    CursorChanged();
    ensureCursorVisible();
}

void TTextView::copy() {
    if (!FCursor.hasSelection()) return;
    QApplication::clipboard()->setMimeData(createMimeDataFromSelection());
}

void TTextView::cut() {
    if (FReadOnly || !FCursor.hasSelection()) return;
    copy();
    ReplaceSelection(QString());
}

void TTextView::paste() {
    if (FReadOnly) return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (canInsertFromMimeData(data)) insertFromMimeData(data);
}

void TTextView::selectAll() {
    Quietly(FCursor, [&] { FCursor.select(QTextCursor::Document); });
    CursorChanged();
    viewport()->update();
}

void TTextView::clear() {
    setPlainText(QString());
}

bool TTextView::canInsertFromMimeData(const QMimeData* source) const {
    return source && source->hasText();
}

void TTextView::insertFromMimeData(const QMimeData* source) {
    if (source) ReplaceSelection(source->text());
}

QMimeData* TTextView::createMimeDataFromSelection() const {
    QString text = FCursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}

void TTextView::SetSelectionClipboard() {
    QClipboard* clipboard = QApplication::clipboard();
    if (FCursor.hasSelection() && clipboard->supportsSelection())
        clipboard->setMimeData(createMimeDataFromSelection(), QClipboard::Selection);
}

// ---- keys ----

bool TTextView::focusNextPrevChild(bool next) {
    // Tab is text while tabs are wanted in an editable view.
    if (!FTabChangesFocus && !FReadOnly) return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

bool TTextView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys the view acts on are its own, not the window's shortcuts.
        auto* e = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
        bool mine = false;
        if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
            mine = (e->key() < Qt::Key_Escape && !e->text().isEmpty()) || e->key() == Qt::Key_Return ||
                   e->key() == Qt::Key_Enter || e->key() == Qt::Key_Delete || e->key() == Qt::Key_Home ||
                   e->key() == Qt::Key_End || e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Left ||
                   e->key() == Qt::Key_Right || e->key() == Qt::Key_Up || e->key() == Qt::Key_Down ||
                   (e->key() == Qt::Key_Tab && !FTabChangesFocus);
        } else {
            for (const auto key :
                 {QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Redo,
                  QKeySequence::Undo, QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord,
                  QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument,
                  QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
                  QKeySequence::SelectStartOfDocument, QKeySequence::SelectEndOfDocument,
                  QKeySequence::SelectAll, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord})
                mine = mine || e->matches(key);
        }
        if (mine) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool TTextView::Navigate(QKeyEvent* e) {
    struct TMove {
        QKeySequence::StandardKey Move;
        QKeySequence::StandardKey Select;
        int (TTextView::*Target)(int) const;
    };
    static const TMove moves[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, &TTextView::NextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, &TTextView::PreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, &TTextView::NextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, &TTextView::PreviousWord},
    };
    for (const TMove& m : moves) {
        const bool select = e->matches(m.Select);
        if (select || e->matches(m.Move)) {
            MoveTo((this->*m.Target)(FCursor.position()), select);
            FWantX = -1;
            return true;
        }
    }
    const auto lineMove = [&](QKeySequence::StandardKey move, QKeySequence::StandardKey sel, int lines,
                              bool page) {
        const bool select = e->matches(sel);
        if (!select && !e->matches(move)) return false;
        if (FWantX < 0) FWantX = XOf(FCursor.block(), FCursor.positionInBlock()) - TextLeft();
        if (page) verticalScrollBar()->setValue(verticalScrollBar()->value() + lines);
        MoveTo(VerticalMove(lines), select);
        return true;
    };
    const int page = std::max(1, FullLines() - 1);
    if (lineMove(QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, 1, false) ||
        lineMove(QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, -1, false) ||
        lineMove(QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, page, true) ||
        lineMove(QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, -page, true))
        return true;
    const QTextBlock b = FCursor.block();
    const struct {
        QKeySequence::StandardKey Move;
        QKeySequence::StandardKey Select;
        int Target;
    } jumps[] = {
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, b.position()},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, b.position() + b.length() - 1},
        {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, b.position()},
        {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, b.position() + b.length() - 1},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, 0},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, FDoc->characterCount() - 1},
    };
    for (const auto& j : jumps) {
        const bool select = e->matches(j.Select);
        if (select || e->matches(j.Move)) {
            MoveTo(j.Target, select);
            FWantX = -1;
            return true;
        }
    }
    return false;
}

bool TTextView::Edit(QKeyEvent* e) {
    if (FReadOnly) return false;
    const int pos = FCursor.position();
    const auto removeTo = [&](int other) {
        if (FCursor.hasSelection()) {
            ReplaceSelection(QString());
            return;
        }
        if (other == pos) return;
        Quietly(FCursor, [&] { FCursor.setPosition(other, QTextCursor::KeepAnchor); });
        ReplaceSelection(QString());
    };
    if (e->matches(QKeySequence::DeleteStartOfWord)) {
        removeTo(PreviousWord(pos));
    } else if (e->matches(QKeySequence::DeleteEndOfWord)) {
        removeTo(NextWord(pos));
    } else if (e->key() == Qt::Key_Backspace &&
               !(e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
        if (FCursor.hasSelection())
            ReplaceSelection(QString());
        else if (pos > 0)
            ReplaceSelection(QString(), TRun::Backspace);
    } else if (e->matches(QKeySequence::Delete)) {
        removeTo(NextChar(pos));
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        ReplaceSelection(QStringLiteral("\n"));
    } else {
        const QString text = e->text();
        if (text.isEmpty() || (e->modifiers() & Qt::ControlModifier && !(e->modifiers() & Qt::AltModifier)))
            return false;
        if (!(text.front().isPrint() || text.front() == QLatin1Char('\t') || text.front().isSurrogate()))
            return false;
        if (text.front() == QLatin1Char('\t') && FTabChangesFocus) return false;
        ReplaceSelection(text, TRun::Typing);
    }
    return true;
}

void TTextView::keyPressEvent(QKeyEvent* e) {
    bool done = true;
    if (e->matches(QKeySequence::SelectAll))
        selectAll();
    else if (e->matches(QKeySequence::Copy))
        copy();
    else if (e->matches(QKeySequence::Cut))
        cut();
    else if (e->matches(QKeySequence::Paste))
        paste();
    else if (e->matches(QKeySequence::Undo))
        undo();
    else if (e->matches(QKeySequence::Redo))
        redo();
    else
        done = Navigate(e) || Edit(e);
    if (!done) {
        e->ignore();
        return;
    }
    e->accept();
    RestartBlink();
    viewport()->update();
}

// ---- the pointer ----

void TTextView::mousePressEvent(QMouseEvent* e) {
    const QPoint point = e->position().toPoint();
    if (e->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QApplication::clipboard();
        if (!FReadOnly && clipboard->supportsSelection()) {
            const QMimeData* data = clipboard->mimeData(QClipboard::Selection);
            if (canInsertFromMimeData(data)) {
                MoveTo(PositionAt(point), false);
                insertFromMimeData(data);
            }
        }
        e->accept();
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    const int pos = PositionAt(point);
    // A third click soon after a double click selects the line.
    if (QDateTime::currentMSecsSinceEpoch() - FLastDoubleClick < QApplication::doubleClickInterval()) {
        const QTextBlock b = FDoc->findBlock(pos);
        Quietly(FCursor, [&] {
            FCursor.setPosition(b.position());
            FCursor.setPosition(std::min(b.position() + b.length(), FDoc->characterCount() - 1),
                                QTextCursor::KeepAnchor);
        });
        FLastDoubleClick = 0;
        CursorChanged();
        viewport()->update();
        return;
    }
    FWordSelect = false;
    // A press inside the selection may start dragging the selected text away.
    if (!(e->modifiers() & Qt::ShiftModifier) && FCursor.hasSelection() && pos > FCursor.selectionStart() &&
        pos < FCursor.selectionEnd()) {
        FDragFrom = point;
        return;
    }
    FSelecting = true;
    MoveTo(pos, e->modifiers() & Qt::ShiftModifier);
    FWantX = -1;
}

void TTextView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const int pos = PositionAt(e->position().toPoint());
    const QTextBlock b = FDoc->findBlock(pos);
    // The word (or run of spaces or signs) under the pointer; at a line's end, the one before it.
    const int end = b.position() + b.length() - 1;
    const int probe = pos < end ? pos : std::max(b.position(), pos - 1);
    FWordStart = WordStartAt(probe);
    FWordEnd = WordEnd(FWordStart);
    Quietly(FCursor, [&] {
        FCursor.setPosition(FWordStart);
        FCursor.setPosition(FWordEnd, QTextCursor::KeepAnchor);
    });
    FWordSelect = true;
    FSelecting = true;
    FLastDoubleClick = QDateTime::currentMSecsSinceEpoch();
    CursorChanged();
    viewport()->update();
}

void TTextView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint point = e->position().toPoint();
    if (FDragFrom && (e->buttons() & Qt::LeftButton)) {
        if ((point - *FDragFrom).manhattanLength() >= QApplication::startDragDistance()) {
            FDragFrom.reset();
            DragSelection();
        }
        return;
    }
    if (!FSelecting || !(e->buttons() & Qt::LeftButton)) return;
    FLastPoint = point;
    if (viewport()->rect().contains(point))
        FAutoScroll.stop();
    else if (!FAutoScroll.isActive())
        FAutoScroll.start(50, this);
    AutoScroll(point);
}

void TTextView::AutoScroll(QPoint point) {
    const int pos = PositionAt(point);
    if (FWordSelect) {
        // Dragging after a double click extends by whole words.
        Quietly(FCursor, [&] {
            if (pos < FWordStart) {
                FCursor.setPosition(FWordEnd);
                FCursor.setPosition(WordStartAt(pos), QTextCursor::KeepAnchor);
            } else {
                FCursor.setPosition(FWordStart);
                FCursor.setPosition(std::max(FWordEnd, WordEnd(pos)), QTextCursor::KeepAnchor);
            }
        });
        CursorChanged();
        ensureCursorVisible();
        viewport()->update();
    } else {
        MoveTo(pos, true);
    }
}

void TTextView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    if (FDragFrom) {
        // Pressed in the selection without dragging: a plain click there.
        FDragFrom.reset();
        MoveTo(PositionAt(e->position().toPoint()), false);
        FWantX = -1;
    }
    FAutoScroll.stop();
    if (FSelecting) SetSelectionClipboard();
    FSelecting = false;
}

void TTextView::timerEvent(QTimerEvent* e) {
    if (e->timerId() == FBlink.timerId()) {
        FCaretShown = !FCaretShown;
        viewport()->update(cursorRect().adjusted(-1, 0, 1, 0));
    } else if (e->timerId() == FAutoScroll.timerId()) {
        const QRect r = viewport()->rect();
        QScrollBar* v = verticalScrollBar();
        if (FLastPoint.y() < r.top())
            v->setValue(v->value() - 1);
        else if (FLastPoint.y() > r.bottom())
            v->setValue(v->value() + 1);
        AutoScroll(FLastPoint);
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

void TTextView::RestartBlink() {
    FCaretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        FBlink.start(flash / 2, this);
    else
        FBlink.stop();
}

void TTextView::wheelEvent(QWheelEvent* e) {
    // Ctrl with the wheel makes the text larger or smaller.
    if (e->modifiers() & Qt::ControlModifier) {
        const int steps = e->angleDelta().y() / 120;
        if (steps != 0) {
            QFont f = font();
            const qreal size = f.pointSizeF() > 0 ? f.pointSizeF() : 10;
            f.setPointSizeF(std::clamp(size + steps, 4.0, 72.0));
            setFont(f);
        }
        e->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(e);
}

void TTextView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    RestartBlink();
    viewport()->update();
}

void TTextView::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    FBlink.stop();
    viewport()->update();
}

void TTextView::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        FontChanged();
    else if (e->type() == QEvent::PaletteChange || e->type() == QEvent::EnabledChange)
        viewport()->update();
}

QMenu* TTextView::createStandardContextMenu() {
    auto* menu = new QMenu(this);
    const bool editable = !FReadOnly;
    const bool selected = FCursor.hasSelection();
    const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled, auto slot) {
        QAction* a = menu->addAction(text, this, slot);
        a->setShortcut(QKeySequence(key));
        a->setEnabled(enabled);
        return a;
    };
    add(tr("&Undo"), QKeySequence::Undo, editable && FDoc->isUndoAvailable(), &TTextView::undo);
    add(tr("&Redo"), QKeySequence::Redo, editable && FDoc->isRedoAvailable(), &TTextView::redo);
    menu->addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, editable && selected, &TTextView::cut);
    add(tr("&Copy"), QKeySequence::Copy, selected, &TTextView::copy);
    add(tr("&Paste"), QKeySequence::Paste,
        editable && canInsertFromMimeData(QApplication::clipboard()->mimeData()), &TTextView::paste);
    add(tr("Delete"), QKeySequence::UnknownKey, editable && selected,
        [this] { ReplaceSelection(QString()); });
    menu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, !FDoc->isEmpty(), &TTextView::selectAll);
    return menu;
}

void TTextView::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

// ---- drags and drops ----

void TTextView::DragSelection() {
    auto* drag = new QDrag(this);
    drag->setMimeData(createMimeDataFromSelection());
    const Qt::DropAction done = drag->exec(FReadOnly ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction,
                                           FReadOnly ? Qt::CopyAction : Qt::MoveAction);
    // Moved elsewhere: the text leaves here. A move within the view was made by the drop itself.
    if (done == Qt::MoveAction && drag->target() != viewport() && drag->target() != this)
        ReplaceSelection(QString());
    viewport()->update();
}

void TTextView::dragEnterEvent(QDragEnterEvent* e) {
    if (FReadOnly || !canInsertFromMimeData(e->mimeData())) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
}

void TTextView::dragMoveEvent(QDragMoveEvent* e) {
    if (FReadOnly || !canInsertFromMimeData(e->mimeData())) {
        e->ignore();
        return;
    }
    FDropAt = PositionAt(e->position().toPoint());
    viewport()->update();
    e->acceptProposedAction();
}

void TTextView::dragLeaveEvent(QDragLeaveEvent*) {
    FDropAt = -1;
    viewport()->update();
}

void TTextView::dropEvent(QDropEvent* e) {
    FDropAt = -1;
    if (FReadOnly || !canInsertFromMimeData(e->mimeData())) {
        e->ignore();
        return;
    }
    const int at = PositionAt(e->position().toPoint());
    const bool own = e->source() == viewport() || e->source() == this;
    if (own && at >= FCursor.selectionStart() && at <= FCursor.selectionEnd()) {
        // Dropped back onto itself: nothing moves.
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return;
    }
    if (own && e->dropAction() == Qt::MoveAction) {
        // The selected text moves as one step of the undo history.
        QTextCursor target(FDoc);
        FCursor.beginEditBlock();
        target.setPosition(at);
        FCursor.removeSelectedText();
        FCursor.setPosition(target.position());
        insertFromMimeData(e->mimeData());
        FCursor.endEditBlock();
    } else {
        MoveTo(at, false);
        insertFromMimeData(e->mimeData());
    }
    e->acceptProposedAction();
    setFocus();
}

// ---- input methods ----

void TTextView::inputMethodEvent(QInputMethodEvent* e) {
    if (FReadOnly) {
        e->ignore();
        return;
    }
    if (!e->commitString().isEmpty() || e->replacementLength() > 0) {
        if (e->replacementLength() > 0 && !FCursor.hasSelection()) {
            const int at = FCursor.position() + e->replacementStart();
            Quietly(FCursor, [&] {
                FCursor.setPosition(std::clamp(at, 0, FDoc->characterCount() - 1));
                FCursor.setPosition(std::clamp(at + e->replacementLength(), 0, FDoc->characterCount() - 1),
                                    QTextCursor::KeepAnchor);
            });
        }
        ReplaceSelection(e->commitString());
    }
    FPreedit = e->preeditString();
    viewport()->update();
    e->accept();
}

QVariant TTextView::inputMethodQuery(Qt::InputMethodQuery query) const {
    // Only a stretch of the line around the caret is offered: a line may be megabytes long.
    constexpr int Around = 512;
    const QTextBlock b = FCursor.block();
    const int column = FCursor.positionInBlock();
    const int from = std::max(0, column - Around);
    switch (query) {
    case Qt::ImEnabled:
        return !FReadOnly;
    case Qt::ImCursorRectangle:
        return cursorRect();
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return column - from;
    case Qt::ImAnchorPosition:
        return std::clamp(FCursor.anchor() - b.position(), 0, b.length() - 1) - from;
    case Qt::ImSurroundingText:
        return TextOf(b, from, column + Around);
    case Qt::ImCurrentSelection:
        return FCursor.selectedText();
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
