#include "ColorMemo.h"

#include "ColorPass.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {

QString ToCrLf(QString s) {
    // The raw text separates blocks with U+2029; toPlainText() would not do here, as it also
    // turns every no-break space into a plain one.
    s.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return s.replace(QChar::LineSeparator, QLatin1String("\r\n"));
}

// A line separator inside a block would make one line of the text show as two, and every
// position the colour pass asks for would be off from there on; so all of them become breaks.
QString FromAnyBreaks(QString s) {
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    s.replace(QChar::LineSeparator, QLatin1Char('\n'));
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return s;
}

QString ToQString(std::u16string_view s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), qsizetype(s.size()));
}

bool IsNavigationKey(int key) {
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

// Lines longer than this get the treatment that only pays off on long lines: their shaped glyphs are
// kept between changes, and only the part in view is placed and drawn.
constexpr int LongLine = 1000;

constexpr Qt::KeyboardModifiers ShiftCtrlAlt = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

} // namespace

// ---- the edit window the colour pass draws on ----

// Lines are the document's blocks; character indexes count CR LF between blocks, so the start
// of line n is the block's document position plus n.
class TColorMemo::TWindow : public TEditWindow {
public:
    explicit TWindow(TColorMemo& memo) : M(memo) {}

    QTextBlock Block(int line) const { return M.document()->findBlockByNumber(line); }
    int LineStart(int line) const { return Block(line).position() + line; }
    QFont Font() const { return M.document()->defaultFont(); }

    int FirstVisibleLine() const override { return M.firstVisibleBlock().blockNumber(); }

    int LineFromChar(int index) const override {
        if (index <= 0) return 0;
        const QTextDocument* doc = M.document();
        // As a document position `index` lies at or past its character, so its block is the
        // highest the line can be.
        int lo = 0;
        int hi = doc->findBlock(std::min(index, doc->characterCount() - 1)).blockNumber();
        while (lo < hi) {
            const int mid = lo + (hi - lo + 1) / 2;
            if (LineStart(mid) <= index)
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    }

    int LineIndex(int line) const override {
        return line >= 0 && line < M.document()->blockCount() ? LineStart(line) : -1;
    }

    int LineLength(int index) const override { return Block(LineFromChar(index)).length() - 1; }

    TPoint PosFromChar(int index) const override {
        // The pass places every run of a long line, nearly all of them out of view: a character of
        // the long line placed last in this paint is told its side without finding its line again.
        if (M.FPainter && FLong.Paint == M.FPaints && index >= FLong.Start &&
            index <= FLong.Start + FLong.Length) {
            const int column = index - FLong.Start;
            if (column < FLong.Shown.First || column > FLong.Shown.Last) {
                const TPoint result{column < FLong.Shown.First ? -OffView : FLong.Right, FLong.Y};
                FPlaced[FPlacedNext++ % FPlaced.size()] = TPlacedChar{result, FLong.DocStart + column};
                return result;
            }
        }
        const int line = LineFromChar(index);
        const QTextBlock b = Block(line);
        const int column = std::clamp(index - LineStart(line), 0, std::max(b.length() - 1, 0));
        const QPointF topLeft = Geometry(b).topLeft();
        const QTextLayout* layout = b.layout();
        if (!layout || layout->lineCount() == 0)
            return TPoint{int(std::lround(topLeft.x())), int(std::lround(topLeft.y()))};
        const QTextLine tl = layout->lineForTextPosition(column);
        const QPointF origin = topLeft + layout->position();
        // Finding the x of a character walks the line up to it, so on a long line every run off to
        // the side would cost a walk: while painting, characters outside the view are only said to
        // lie left or right of it.
        if (M.FPainter && tl.textLength() > LongLine) {
            const TShown& shown = Shown(b, tl, origin);
            if (layout->lineCount() == 1)
                FLong = TLongLine{M.FPaints,
                                  LineStart(line),
                                  b.length() - 1,
                                  b.position(),
                                  shown,
                                  M.viewport()->width() + OffView,
                                  int(std::lround(origin.y() + tl.y()))};
            if (column < shown.First || column > shown.Last) {
                const int side = column < shown.First ? -OffView : M.viewport()->width() + OffView;
                const TPoint result{side, int(std::lround(origin.y() + tl.y()))};
                FPlaced[FPlacedNext++ % FPlaced.size()] = TPlacedChar{result, b.position() + column};
                return result;
            }
        }
        const QPointF at = origin + QPointF(XOf(b, tl, column), tl.y());
        const TPoint result{int(std::lround(at.x())), int(std::lround(at.y()))};
        FPlaced[FPlacedNext++ % FPlaced.size()] = TPlacedChar{result, b.position() + column};
        return result;
    }

    int LineCount() const override {
        const QTextDocument* doc = M.document();
        // A trailing empty line is not a line of the text; an empty text has none.
        return doc->blockCount() - (doc->lastBlock().length() <= 1 ? 1 : 0);
    }

    void GetTextRange(int start, int end, char16_t* dest) const override {
        if (end <= start) return;
        int line = LineFromChar(start);
        int pos = LineStart(line);
        for (QTextBlock b = Block(line); b.isValid() && pos < end; b = b.next()) {
            const QString text = b.text();
            const auto put = [&](char16_t c) {
                if (pos >= start && pos < end) dest[pos - start] = c;
                ++pos;
            };
            for (const QChar c : text)
                put(c.unicode());
            if (b.next().isValid()) {
                put(u'\r');
                put(u'\n');
            }
        }
        for (; pos < end; ++pos)
            if (pos >= start) dest[pos - start] = 0;
    }

    int ClientBottom() const override { return M.viewport()->height(); }

    int LineHeight() const override {
        const QTextBlock b = M.firstVisibleBlock();
        if (b.isValid() && b.layout() && b.layout()->lineCount() > 0)
            return int(std::lround(b.layout()->lineAt(0).height()));
        return QFontMetrics(Font(), M.viewport()).height();
    }

    int TextWidth(std::u16string_view text) const override {
        return int(std::lround(QFontMetricsF(Font(), M.viewport()).horizontalAdvance(ToQString(text))));
    }

    // A run is drawn with the very glyphs the window laid out for its characters: characters the
    // font lacks come from other fonts, which may shift the line's baseline, change its height and
    // give odd advances, so text drawn afresh in the editor's font would land beside them.
    void TextOut(int x, int y, std::u16string_view text, const TTextAttr& attr) override {
        QPainter* p = M.FPainter;
        if (!p || text.empty()) return;
        // A run may end between the halves of a surrogate pair (the caret-line span stops at the
        // character after the caret); the lone half would draw a box over the real character.
        if (QChar::isHighSurrogate(text.back())) text.remove_suffix(1);
        if (text.empty()) return;
        // A long line has a run for every few characters, nearly all of them out of view: those that
        // start right of it cost nothing more, and the others are clipped before any pen is made.
        if (x >= M.viewport()->width() + OffView) return;
        TPlacedLine line;
        if (LineAt(y, line)) {
            // The window draws nothing for a line break.
            std::u16string_view shown = text;
            while (!shown.empty() && (shown.back() == u'\r' || shown.back() == u'\n'))
                shown.remove_suffix(1);
            if (shown.empty()) return;
            int column = ColumnOf(line, x, y, shown);
            if (column >= 0) {
                int length = int(shown.size());
                if (!ClipToShown(line, column, length)) return;
                p->setPen(M.ToQColor(attr.Font));
                DrawGlyphs(*p, line, column, length, M.ToQColor(attr.Brush), attr.Underline);
                return;
            }
        }
        p->setPen(M.ToQColor(attr.Font));
        DrawText(*p, x, y, text, M.ToQColor(attr.Brush), attr.Underline, line);
    }

    // The window keeps its caret on top of the colours: the pass never paints where Qt drew it.
    void HideCaret() override {
        if (!M.FPainter) return;
        M.FPainter->save();
        if (M.hasFocus() && !M.isReadOnly())
            M.FPainter->setClipRegion(QRegion(M.viewport()->rect()).subtracted(M.cursorRect()));
    }
    void ShowCaret() override {
        if (M.FPainter) M.FPainter->restore();
    }

    int SelStart() const override { return M.SelStart(); }
    int SelLength() const override { return M.SelLength(); }
    bool WantTabs() const override { return M.WantTabs(); }
    bool RedrawAlways() const override { return M.FRedrawAlways; }
    TColor FontColor() const override { return M.FFontColor; }
    TColor Color() const override { return M.FColor; }
    bool IsEnabled() const override { return M.isEnabled(); }
    bool IsVisible() const override { return M.isVisible(); }
    bool HasParent() const override { return M.parentWidget() != nullptr; }
    const THotSpot& HotSpot() const override { return M.FHotSpot; }
    const TKeyDrawEvent& OnDrawKey() const override { return M.OnDrawKey; }

private:
    // The x of a column within its line. On a long line each answer is a walk along the line, and
    // a paint asks for the same columns again (where a run starts, where it ends, where the next
    // one starts), so the last few answers are kept for the rest of the paint.
    qreal XOf(const QTextBlock& b, const QTextLine& tl, int column) const {
        if (!M.FPainter || tl.textLength() <= LongLine) return tl.cursorToX(column);
        for (const TColumnX& known : FColumnX)
            if (known.Paint == M.FPaints && known.Block == b.blockNumber() && known.Line == tl.lineNumber() &&
                known.Column == column)
                return known.X;
        const qreal x = tl.cursorToX(column);
        FColumnX[FColumnXNext++ % FColumnX.size()] =
            TColumnX{M.FPaints, b.blockNumber(), tl.lineNumber(), column, x};
        return x;
    }
    struct TColumnX {
        int Paint = -1;
        int Block = -1;
        int Line = -1;
        int Column = -1;
        qreal X = 0;
    };
    mutable std::array<TColumnX, 8> FColumnX{};
    mutable std::size_t FColumnXNext = 0;

    // The block's rectangle in client coordinates. A paint asks it for every run of a long line, so
    // the last answer is kept for the rest of the paint.
    QRectF Geometry(const QTextBlock& b) const {
        if (M.FPainter && FGeometry.Paint == M.FPaints && FGeometry.Block == b.blockNumber())
            return FGeometry.At;
        const QRectF at = M.blockBoundingGeometry(b).translated(M.contentOffset());
        if (M.FPainter) FGeometry = TGeometry{M.FPaints, b.blockNumber(), at};
        return at;
    }
    struct TGeometry {
        int Paint = -1;
        int Block = -1;
        QRectF At;
    };
    mutable TGeometry FGeometry;

    // A laid-out line of the window: its block, the line, and the layout's origin in client
    // coordinates.
    struct TPlacedLine {
        QTextBlock Block;
        QTextLine Line;
        QPointF Origin;
    };

    // The line whose top is at y (as PosFromChar reports it), among those on screen.
    bool LineAt(int y, TPlacedLine& out) const {
        const int bottom = M.viewport()->height();
        for (QTextBlock b = M.firstVisibleBlock(); b.isValid(); b = b.next()) {
            const QRectF r = Geometry(b);
            if (r.top() > bottom || r.top() > y + 1) return false;
            const QTextLayout* layout = b.layout();
            if (!layout || r.bottom() <= y) continue;
            const QPointF origin = r.topLeft() + layout->position();
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine tl = layout->lineAt(i);
                if (std::lround(origin.y() + tl.y()) == y) {
                    out = TPlacedLine{b, tl, origin};
                    return true;
                }
            }
        }
        return false;
    }

    // The column of the line where `text` starts at x (as PosFromChar reports it); -1 when the
    // text is not the line's there, as with what an OnDrawKey handler draws on its own.
    int ColumnOf(const TPlacedLine& line, int x, int y, std::u16string_view text) const {
        // The pass draws a run where it has just asked PosFromChar to place its first character:
        // finding that character again from the point would cost a walk along the whole line.
        const QTextDocument* doc = M.document();
        for (std::size_t k = 1; k <= FPlaced.size(); ++k)
            if (const TPlacedChar& placed = FPlaced[(FPlacedNext - k) % FPlaced.size()];
                placed.At.X == x && placed.At.Y == y && placed.DocPos >= line.Block.position()) {
                const int c = placed.DocPos - line.Block.position();
                if (c >= line.Line.textStart() &&
                    c + int(text.size()) <= line.Line.textStart() + line.Line.textLength() &&
                    doc->characterAt(placed.DocPos) == QChar(text.front()) &&
                    doc->characterAt(placed.DocPos + int(text.size()) - 1) == QChar(text.back()))
                    return c;
            }
        const QString blockText = line.Block.text();
        const QStringView wanted(text.data(), qsizetype(text.size()));
        const int guess = line.Line.xToCursor(x - line.Origin.x());
        // Characters without width (combining marks, joiners) share their x with a neighbour.
        for (int d = 0; d <= 4; ++d)
            for (const int c : {guess - d, guess + d}) {
                if (c < line.Line.textStart() ||
                    c + wanted.size() > line.Line.textStart() + line.Line.textLength())
                    continue;
                if (std::lround(line.Origin.x() + line.Line.cursorToX(c)) == x &&
                    QStringView(blockText).mid(c, wanted.size()) == wanted)
                    return c;
                if (d == 0) break;
            }
        return -1;
    }

    void DrawGlyphs(QPainter& p, const TPlacedLine& line, int column, int length, const QColor& back,
                    bool underline) const {
        if (!ClipToShown(line, column, length)) return;
        const qreal x0 = line.Origin.x() + XOf(line.Block, line.Line, column);
        const qreal x1 = line.Origin.x() + XOf(line.Block, line.Line, column + length);
        p.fillRect(
            QRectF(std::min(x0, x1), line.Origin.y() + line.Line.y(), std::abs(x1 - x0), line.Line.height()),
            back);
        for (const QGlyphRun& run : line.Line.glyphRuns(column, length))
            p.drawGlyphRun(line.Origin, run);
        if (!underline) return;
        // Under the run's whole width, in the editor's font whichever fonts drew the glyphs; the glyph
        // runs' own underline did not line up with the run.
        const QFontMetricsF metrics(Font(), M.viewport());
        const qreal y = line.Origin.y() + line.Line.y() + line.Line.ascent() + metrics.underlinePos();
        p.fillRect(QRectF(std::min(x0, x1), y, std::abs(x1 - x0), std::max<qreal>(1, metrics.lineWidth())),
                   p.pen().color());
    }

    // Text that is not the window's own at that place, drawn in the editor's font on the line's
    // baseline when the line is known.
    void DrawText(QPainter& p, int x, int y, std::u16string_view text, const QColor& back, bool underline,
                  const TPlacedLine& line) const {
        QFont font = Font();
        font.setUnderline(underline);
        const QFontMetricsF metrics(font, M.viewport());
        const bool known = line.Line.isValid();
        const qreal h = known ? line.Line.height() : LineHeight();
        const qreal baseline = y + (known ? line.Line.ascent() : metrics.ascent());
        p.setFont(font);
        // Tabs in a run go to the window's own tab stops, so the text after them lands where the
        // window drew it.
        const qreal lineLeft = M.contentOffset().x() + M.document()->documentMargin();
        const qreal tabStop = M.tabStopDistance();
        qreal at = x;
        std::size_t p0 = 0;
        while (p0 < text.size()) {
            std::size_t p1 = text.find(u'\t', p0);
            if (p1 == std::u16string_view::npos) p1 = text.size();
            if (p1 > p0) {
                const QString part = ToQString(text.substr(p0, p1 - p0));
                const qreal w = metrics.horizontalAdvance(part);
                p.fillRect(QRectF(at, y, w, h), back);
                p.drawText(QPointF(at, baseline), part);
                at += w;
            }
            if (p1 < text.size()) {
                const qreal next =
                    tabStop > 0 ? lineLeft + (std::floor((at - lineLeft) / tabStop + 1e-6) + 1) * tabStop
                                : at;
                p.fillRect(QRectF(at, y, next - at, h), back);
                at = next;
            }
            p0 = p1 + 1;
        }
    }

    // The columns of a long line that the view shows, worked out once per paint.
    static constexpr int OffView = 1 << 20;
    struct TShown {
        int Block = -1;
        int First = 0;
        int Last = 0;
    };
    mutable TShown FShown;
    mutable int FShownPaint = -1;

    // The long line PosFromChar placed last in a paint: its first character (text and document
    // index), its length, the columns in view, and where it says characters off to the side are.
    struct TLongLine {
        int Paint = -1;
        int Start = 0;
        int Length = 0;
        int DocStart = 0;
        TShown Shown;
        int Right = 0;
        int Y = 0;
    };
    mutable TLongLine FLong;

    const TShown& Shown(const QTextBlock& b, const QTextLine& tl, QPointF origin) const {
        if (FShownPaint != M.FPaints || FShown.Block != b.blockNumber()) {
            FShown.Block = b.blockNumber();
            FShown.First = std::max(tl.textStart(), tl.xToCursor(-origin.x()) - 2);
            FShown.Last = tl.xToCursor(M.viewport()->width() - origin.x()) + 2;
            FShownPaint = M.FPaints;
        }
        return FShown;
    }

public:
    // Of a run found at column..column+length, the part on a long line's screen; false when none.
    bool ClipToShown(const TPlacedLine& line, int& column, int& length) const {
        if (line.Line.textLength() <= LongLine) return true;
        const TShown& shown = Shown(line.Block, line.Line, line.Origin);
        const int first = std::max(column, shown.First);
        const int last = std::min(column + length, shown.Last + 1);
        if (last <= first) return false;
        column = first;
        length = last - first;
        return true;
    }

private:
    // The characters PosFromChar placed last, so a run drawn at such a place is known at once.
    struct TPlacedChar {
        TPoint At{INT_MIN, INT_MIN};
        int DocPos = -1;
    };
    mutable std::array<TPlacedChar, 4> FPlaced{};
    mutable std::size_t FPlacedNext = 0;

    TColorMemo& M;
};

// ---- the control ----

TColorMemo::TColorMemo(QWidget* parent)
    : QPlainTextEdit(parent), FWindow(std::make_unique<TWindow>(*this)),
      FPass(std::make_unique<TColorPass>(*FWindow)) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);           // tabs are text only when WantTabs is set
    viewport()->setMouseTracking(true); // the hot-spot cursor follows the mouse without a button
    UpdateTabStops();
    connect(this, &QPlainTextEdit::textChanged, this, &TColorMemo::TextChanged);
    connect(document(), &QTextDocument::contentsChange, this, &TColorMemo::KeepLongLineGlyphs);
    FLoading = false;
}

TColorMemo::~TColorMemo() {
    // The pass draws through the window adaptor; nothing may reach either while they go.
    disconnect(this, &QPlainTextEdit::textChanged, this, &TColorMemo::TextChanged);
    FPass.reset();
    FWindow.reset();
}

QString TColorMemo::Text() const {
    return ToCrLf(document()->toRawText());
}

void TColorMemo::SetText(const QString& text) {
    setPlainText(FromAnyBreaks(text));
}

QStringList TColorMemo::Lines() const {
    QStringList lines;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    // An empty document still has one (empty) block, but holds no lines.
    if (lines.size() == 1 && lines.front().isEmpty()) lines.clear();
    return lines;
}

void TColorMemo::SetLines(const QStringList& lines) {
    setPlainText(FromAnyBreaks(lines.join(QLatin1Char('\n'))));
}

void TColorMemo::ReplaceLines(const QStringList& lines) {
    QTextCursor all(document());
    all.beginEditBlock();
    all.select(QTextCursor::Document);
    all.insertText(FromAnyBreaks(lines.join(QLatin1Char('\n'))));
    all.endEditBlock();
    // The caret at the start, as after SetLines.
    all.movePosition(QTextCursor::Start);
    setTextCursor(all);
}

int TColorMemo::ToTextPos(int docPos) const {
    const QTextBlock b = document()->findBlock(docPos);
    return docPos + (b.isValid() ? b.blockNumber() : document()->blockCount() - 1);
}

int TColorMemo::ToDocPos(int textPos) const {
    if (textPos <= 0) return 0;
    const int line = FWindow->LineFromChar(textPos);
    const QTextBlock b = document()->findBlockByNumber(line);
    // Past the line's last character (inside the CR LF pair, or past the end): the line's end.
    return b.position() + std::min(textPos - (b.position() + line), b.length() - 1);
}

int TColorMemo::SelStart() const {
    return ToTextPos(textCursor().selectionStart());
}

int TColorMemo::SelLength() const {
    const QTextCursor c = textCursor();
    return ToTextPos(c.selectionEnd()) - ToTextPos(c.selectionStart());
}

void TColorMemo::SetSelStart(int pos) {
    QTextCursor c = textCursor();
    c.setPosition(ToDocPos(pos));
    setTextCursor(c);
}

void TColorMemo::SetSelLength(int length) {
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(ToDocPos(ToTextPos(start) + qMax(0, length)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString TColorMemo::SelText() const {
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return s;
}

void TColorMemo::SetSelText(const QString& text) {
    QTextCursor c = textCursor();
    c.insertText(FromAnyBreaks(text));
    setTextCursor(c);
}

void TColorMemo::CutToClipboard() {
    if (textCursor().hasSelection()) cut();
}

void TColorMemo::CopyToClipboard() {
    if (textCursor().hasSelection()) copy();
}

void TColorMemo::PasteFromClipboard() {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty()) SetSelText(text);
}

TDrawRules& TColorMemo::ColorRules() {
    return FPass->ColorRules;
}

void TColorMemo::SetColorRules(const TDrawRules& rules) {
    if (&rules != &FPass->ColorRules) FPass->ColorRules.Assign(rules);
}

int TColorMemo::ColorLimMax() const {
    return FPass->ColorLimMax();
}
void TColorMemo::SetColorLimMax(int value) {
    FPass->SetColorLimMax(value);
}
TDrawEvent& TColorMemo::OnDraw() {
    return FPass->OnDraw;
}

// System colours are read from the application's palette, so that a control whose own palette
// was given a plain colour still finds the system one.
QColor TColorMemo::ToQColor(TColor color) const {
    if (!(color & 0x80000000u))
        return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
    const QPalette pal = QApplication::palette(this);
    switch (color & 0xFF) {
    case 0: // scroll bar
    case 1: // desktop
    case 4: // menu
    case 15:
        return pal.color(QPalette::Button); // button face
    case 2:                                 // active caption
    case 13:
        return pal.color(QPalette::Highlight);
    case 9: // caption text
    case 14:
        return pal.color(QPalette::HighlightedText);
    case 6:
        return pal.color(QPalette::Shadow); // window frame
    case 7:                                 // menu text
    case 18:
        return pal.color(QPalette::ButtonText);
    case 8:
        return pal.color(QPalette::Text); // window text
    case 16:
        return pal.color(QPalette::Dark);
    case 17:
        return pal.color(QPalette::Disabled, QPalette::Text); // grey text
    case 20:
        return pal.color(QPalette::Light);
    case 21:
        return pal.color(QPalette::Shadow);
    case 23:
        return pal.color(QPalette::ToolTipText);
    case 24:
        return pal.color(QPalette::ToolTipBase);
    default:
        return pal.color(QPalette::Base); // 5, the window background, and anything unknown
    }
}

void TColorMemo::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(value));
    setPalette(pal);
}

void TColorMemo::SetFontColor(TColor value) {
    if (value == FFontColor) return;
    FFontColor = value;
    QPalette pal = palette();
    pal.setColor(QPalette::Text, ToQColor(value));
    setPalette(pal);
}

int TColorMemo::CaretLine() const {
    return FWindow->LineFromChar(SelStart());
}

int TColorMemo::CaretColumn() const {
    return SelStart() - FWindow->LineIndex(CaretLine());
}

int TColorMemo::FirstVisibleLine() const {
    return FWindow->FirstVisibleLine();
}

void TColorMemo::RedrawColors(bool CaretLineOnly) {
    if (!FPass) return; // being destroyed
    if (FPainter) {
        FPass->RedrawColors(CaretLineOnly);
        return;
    }
    // Outside a paint: the same gates as the pass, then a repaint of what it would colour.
    if (!FPass->ColorsUsable || !isEnabled() || !isVisible() || !parentWidget()) return;
    if (FPass->ColorRules.Count() == 0 && !FHotSpot.Active) return;
    if (CaretLineOnly) {
        const QRectF line = blockBoundingGeometry(textCursor().block()).translated(contentOffset());
        viewport()->update(
            QRect(0, int(std::floor(line.top())), viewport()->width(), int(std::ceil(line.height())) + 1));
    } else {
        viewport()->update();
    }
}

void TColorMemo::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    QPainter painter(viewport());
    FPainter = &painter;
    ++FPaints;
    struct TUnbind {
        QPainter*& P;
        ~TUnbind() { P = nullptr; }
    } unbind{FPainter};
    RedrawColors(false);
}

void TColorMemo::TextChanged() {
    if (FLoading || !FPass) return;
    if (FRedrawAlways) {
        RedrawColors(false);
        return;
    }
    // One character more and no line more: only the caret's line changed.
    const int lines = FWindow->LineCount();
    const int end =
        lines > 0 ? FWindow->LineIndex(lines - 1) + FWindow->LineLength(FWindow->LineIndex(lines - 1)) : 0;
    RedrawColors(lines == FLastLineCount && end == FLastTextEnd + 1);
    FLastLineCount = lines;
    FLastTextEnd = end;
}

void TColorMemo::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateTabStops();
}

void TColorMemo::keyPressEvent(QKeyEvent* event) {
    // Alt with a character key belongs to menus and shortcuts; it never types the character.
    if ((event->modifiers() & Qt::AltModifier) && !(event->modifiers() & Qt::ControlModifier) &&
        !event->text().isEmpty() && event->text().front().isPrint()) {
        event->ignore();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ShiftCtrlAlt;
    // Without WantTabs, Tab belongs to the focus chain; Qt would type it when there is nowhere to
    // go.
    if (!WantTabs() && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        event->ignore();
        return;
    }
    // A movement key without modifiers starts from the end of the selection, whichever way the
    // selection was made.
    if (mods == Qt::NoModifier && IsNavigationKey(event->key()) && textCursor().hasSelection()) {
        QTextCursor c = textCursor();
        c.setPosition(c.selectionEnd());
        setTextCursor(c);
        RedrawColors(false);
    }
    // Shift+Enter would put a line separator inside the line; it breaks the line like Enter.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && (mods & Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier, event->text(),
                        event->isAutoRepeat(), ushort(event->count()));
        QPlainTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TColorMemo::keyReleaseEvent(QKeyEvent* event) {
    // Releasing Shift ends a keyboard selection: the colours catch up with it.
    if (event->key() == Qt::Key_Shift && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        RedrawColors(false);
    QPlainTextEdit::keyReleaseEvent(event);
}

void TColorMemo::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton &&
        !(event->modifiers() & ShiftCtrlAlt))
        RedrawColors(false);
    QPlainTextEdit::mousePressEvent(event);
}

void TColorMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click does not run the pass; the release after it does.
    QPlainTextEdit::mouseDoubleClickEvent(event);
}

void TColorMemo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) RedrawColors(false);
    QPlainTextEdit::mouseReleaseEvent(event);
    if (!FHotCursorShown) return;
    // Every button clicks a hot spot.
    const THit hit = HotSpotAt(event->position().toPoint());
    if (!hit.Inside || !OnHotSpotClick) return;
    const QString right = hit.Line.mid(hit.Column, hit.EndAt - hit.Column);
    QString left = hit.Line.left(hit.Column);
    const qsizetype open = left.lastIndexOf(QChar(FHotSpot.BeginChar));
    if (open >= 0) left = left.mid(open + 1);
    OnHotSpotClick(this, left + right);
}

void TColorMemo::mouseMoveEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseMoveEvent(event);
    if (!FHotSpot.Active) return;
    if (HotSpotAt(event->position().toPoint()).Inside) {
        if (!FHotCursorShown) viewport()->setCursor(HotSpotCursor());
        FHotCursorShown = true;
    } else {
        // The edit control's own cursor, as the parent's default cursor shows it.
        viewport()->setCursor(Qt::IBeamCursor);
        FHotCursorShown = false;
    }
}

// Inside a hot spot when the next closing delimiter on the pointed line comes before any opening
// one. Only the pointed line is looked at.
TColorMemo::THit TColorMemo::HotSpotAt(QPoint point) const {
    THit hit;
    const QTextBlock b = cursorForPosition(point).block();
    if (!b.isValid()) return hit;
    hit.Line = b.text();
    const QTextLayout* layout = b.layout();
    if (layout && layout->lineCount() > 0) {
        const QPointF origin =
            blockBoundingGeometry(b).translated(contentOffset()).topLeft() + layout->position();
        const QTextLine tl = layout->lineForTextPosition(cursorForPosition(point).positionInBlock());
        // The character under the point, not the nearest gap between two.
        hit.Column = std::clamp(tl.xToCursor(point.x() - origin.x(), QTextLine::CursorOnCharacter), 0,
                                int(hit.Line.size()));
    }
    const QString rest = hit.Line.mid(hit.Column);
    const qsizetype end = rest.indexOf(QChar(FHotSpot.EndChar));
    const qsizetype begin = rest.indexOf(QChar(FHotSpot.BeginChar));
    hit.Inside = end >= 0 && (begin < 0 || begin > end || FHotSpot.BeginChar == FHotSpot.EndChar);
    hit.EndAt = hit.Column + int(end);
    return hit;
}

void TColorMemo::scrollContentsBy(int dx, int dy) {
    QPlainTextEdit::scrollContentsBy(dx, dy);
    if (dy != 0 && OnVScroll) OnVScroll(this);
    if (dx != 0 && OnHScroll) OnHScroll(this);
    // Scrolling moves what was drawn; a line that was only partly visible, and so uncoloured,
    // may now be whole.
    RedrawColors(false);
}

// Pastes, drops and middle-button pastes of the selection all arrive here. Only text is taken:
// data without it (an empty clipboard, an image) inserts nothing, and never reaches the toolkit's
// own insertion, which reads the first of the data's formats even when there is none.
bool TColorMemo::canInsertFromMimeData(const QMimeData* source) const {
    return source && source->hasText();
}

void TColorMemo::insertFromMimeData(const QMimeData* source) {
    if (!canInsertFromMimeData(source) || isReadOnly()) return;
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.insertText(FromAnyBreaks(source->text()));
    c.endEditBlock();
    setTextCursor(c);
    ensureCursorVisible();
}

void TColorMemo::UpdateTabStops() {
    // Tab stops every eight average characters, as in the classic edit control.
    setTabStopDistance(8 * QFontMetricsF(font()).averageCharWidth());
}

// A line's layout normally drops its shaped glyphs as soon as it is laid out, so placing the caret
// and painting right after a keystroke each shaped the whole line again. A long line keeps them
// until its next change; the change itself still discards them. Runs before the layout hears of
// the change, so the layout of the changed lines already keeps what it shapes.
void TColorMemo::KeepLongLineGlyphs(int from, int /*charsRemoved*/, int charsAdded) {
    const QTextDocument* doc = document();
    const QTextBlock last = doc->findBlock(from + charsAdded);
    for (QTextBlock b = doc->findBlock(from); b.isValid(); b = b.next()) {
        if (b.length() > LongLine) b.layout()->setCacheEnabled(true);
        if (b == last) break;
    }
}
