#include "ColorMemo.h"

#include "ColorPass.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

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

    int FirstVisibleLine() const override { return M.FirstLine(); }

    int LineFromChar(int index) const override {
        if (index <= 0) return 0;
        // A pass asks about its runs in order, mostly on the line it asked about last or the next.
        if (FKnown.Line >= 0 && index >= FKnown.Start) {
            if (index < FKnown.Next) return FKnown.Line;
            if (const QTextBlock next = FKnown.Block.next(); next.isValid()) {
                const int line = Known(FKnown.Line + 1, next);
                if (index < FKnown.Next) return line;
            }
        }
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
        return Known(lo, Block(lo));
    }

    // Forgets the lines and characters kept for the pass: the text changed.
    void Forget() {
        FKnown = TKnownLine{};
        FPlaced.fill(TPlacedChar{});
    }

    int LineIndex(int line) const override {
        if (line >= 0 && line == FKnown.Line) return FKnown.Start;
        return line >= 0 && line < M.document()->blockCount() ? LineStart(line) : -1;
    }

    int LineLength(int index) const override {
        LineFromChar(index);
        return index <= 0 ? Block(0).length() - 1 : FKnown.Block.length() - 1;
    }

    std::pair<int, int> ShownColumns(int line) const override { return M.ShownColumns(Block(line)); }

    TPoint PosFromChar(int index) const override {
        const int line = LineFromChar(index);
        // LineFromChar keeps the line it found (but answers 0 at once for the first character).
        const bool known = FKnown.Line == line;
        const QTextBlock b = known ? FKnown.Block : Block(line);
        const int start = known ? FKnown.Start : LineStart(line);
        const int column = std::clamp(index - start, 0, std::max(b.length() - 1, 0));
        const TPoint result{int(std::lround(M.XOf(b, column))), M.LineTop(line)};
        FPlaced[FPlacedNext++ % FPlaced.size()] = TPlacedChar{result, b, column};
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
        for (QTextBlock b = Block(line); b.isValid() && pos < end; b = b.next(), ++line) {
            const int length = b.length() - 1;
            // Only the wanted part of a line is read, however long the line.
            const int from = std::clamp(start - pos, 0, length);
            const int to = std::clamp(end - pos, from, length);
            const QString text = M.TextOf(b, from, to);
            std::copy(text.utf16(), text.utf16() + text.size(), dest + (pos + from - start));
            pos += length;
            if (b.next().isValid()) {
                for (const char16_t c : {u'\r', u'\n'}) {
                    if (pos >= start && pos < end) dest[pos - start] = c;
                    ++pos;
                }
            }
        }
        for (; pos < end; ++pos)
            if (pos >= start) dest[pos - start] = 0;
    }

    int ClientBottom() const override { return M.viewport()->height(); }

    int LineHeight() const override { return M.LineHeight(); }

    int TextWidth(std::u16string_view text) const override {
        return int(std::lround(QFontMetricsF(Font(), M.viewport()).horizontalAdvance(ToQString(text))));
    }

    // A run is drawn with the very glyphs the view drew for its characters: characters the font
    // lacks come from other fonts with other advances, so text drawn afresh in the editor's font
    // would land beside them.
    void TextOut(int x, int y, std::u16string_view text, const TTextAttr& attr) override {
        QPainter* p = M.FPainter;
        if (!p || text.empty()) return;
        // A run may end between the halves of a surrogate pair (the caret-line span stops at the
        // character after the caret); the lone half would draw a box over the real character.
        if (QChar::isHighSurrogate(text.back())) text.remove_suffix(1);
        if (text.empty()) return;
        // Runs that start right of the view cost nothing more.
        if (x >= M.viewport()->width()) return;
        // The view draws nothing for a line break.
        std::u16string_view shown = text;
        while (!shown.empty() && (shown.back() == u'\r' || shown.back() == u'\n'))
            shown.remove_suffix(1);
        if (shown.empty()) return;
        p->setPen(M.ToQColor(attr.Font));
        QTextBlock block;
        const int column = ColumnOf(x, y, shown, block);
        if (column >= 0) {
            M.DrawRange(*p, block, column, int(shown.size()), M.ToQColor(attr.Brush), attr.Underline);
            return;
        }
        DrawText(*p, x, y, text, M.ToQColor(attr.Brush), attr.Underline);
    }

    // The view keeps its caret on top of the colours: the pass never paints where it is drawn.
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
    // The block and column where `text` starts at (x, y) as PosFromChar reported it; -1 when the
    // text is not the view's there, as with what an OnDrawKey handler draws on its own.
    int ColumnOf(int x, int y, std::u16string_view text, QTextBlock& block) const {
        const QTextDocument* doc = M.document();
        const auto matches = [&](int docPos) {
            return doc->characterAt(docPos) == QChar(text.front()) &&
                   doc->characterAt(docPos + int(text.size()) - 1) == QChar(text.back());
        };
        // The pass draws a run where it has just asked PosFromChar to place its first character.
        for (std::size_t k = 1; k <= FPlaced.size(); ++k)
            if (const TPlacedChar& placed = FPlaced[(FPlacedNext - k) % FPlaced.size()];
                placed.At.X == x && placed.At.Y == y && placed.Block.isValid()) {
                const int c = placed.Column;
                if (c + int(text.size()) <= placed.Block.length() - 1 &&
                    matches(placed.Block.position() + c)) {
                    block = placed.Block;
                    return c;
                }
            }
        if (M.LineHeight() <= 0 || (y - M.LineTop(M.FirstLine())) % M.LineHeight() != 0) return -1;
        const QTextBlock b = Block(M.FirstLine() + (y - M.LineTop(M.FirstLine())) / M.LineHeight());
        if (!b.isValid()) return -1;
        const int guess = M.ColumnAt(b, x);
        // Characters without width (combining marks, joiners) share their x with a neighbour.
        for (int d = 0; d <= 4; ++d)
            for (const int c : {guess - d, guess + d}) {
                if (c < 0 || c + int(text.size()) > b.length() - 1) continue;
                if (std::lround(M.XOf(b, c)) == x && matches(b.position() + c) &&
                    M.TextOf(b, c, c + int(text.size())) ==
                        QStringView(text.data(), qsizetype(text.size()))) {
                    block = b;
                    return c;
                }
                if (d == 0) break;
            }
        return -1;
    }

    // Text that is not the view's own at that place, drawn in the editor's font on the line's
    // baseline.
    void DrawText(QPainter& p, int x, int y, std::u16string_view text, const QColor& back,
                  bool underline) const {
        QFont font = Font();
        font.setUnderline(underline);
        const QFontMetricsF metrics(font, M.viewport());
        const qreal h = M.LineHeight();
        const qreal baseline = y + M.LineAscent();
        p.setFont(font);
        // Tabs in a run go to the view's own tab stops, so the text after them lands where the
        // view drew it.
        const qreal lineLeft = M.TextLeft();
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

    // The line LineFromChar found last: its number, its first index and the next line's (or the
    // end of the text for the last line).
    struct TKnownLine {
        QTextBlock Block;
        int Line = -1;
        int Start = 0;
        int Next = 0;
    };
    mutable TKnownLine FKnown;
    int Known(int line, const QTextBlock& b) const {
        const QTextBlock next = b.next();
        FKnown =
            TKnownLine{b, line, b.position() + line, next.isValid() ? next.position() + line + 1 : INT_MAX};
        return line;
    }

    // The characters PosFromChar placed last, so a run drawn at such a place is known at once.
    struct TPlacedChar {
        TPoint At{INT_MIN, INT_MIN};
        QTextBlock Block;
        int Column = 0;
    };
    mutable std::array<TPlacedChar, 4> FPlaced{};
    mutable std::size_t FPlacedNext = 0;

    TColorMemo& M;
};

// ---- the control ----

TColorMemo::TColorMemo(QWidget* parent)
    : TTextView(parent), FWindow(std::make_unique<TWindow>(*this)),
      FPass(std::make_unique<TColorPass>(*FWindow)) {
    setTabChangesFocus(true);           // tabs are text only when WantTabs is set
    viewport()->setMouseTracking(true); // the hot-spot cursor follows the mouse without a button
    UpdateTabStops();
    connect(document(), &QTextDocument::contentsChange, this, &TColorMemo::ContentsChange);
    connect(this, &TTextView::textChanged, this, &TColorMemo::TextChanged);
    FLoading = false;
}

TColorMemo::~TColorMemo() {
    // The pass draws through the window adaptor; nothing may reach either while they go.
    disconnect(this, &TTextView::textChanged, this, &TColorMemo::TextChanged);
    disconnect(document(), &QTextDocument::contentsChange, this, &TColorMemo::ContentsChange);
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
    Quietly(all, [&] { all.movePosition(QTextCursor::Start); });
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
    Quietly(c, [&] { c.setPosition(ToDocPos(pos)); });
    setTextCursor(c);
}

void TColorMemo::SetSelLength(int length) {
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    Quietly(c, [&] {
        c.setPosition(start);
        c.setPosition(ToDocPos(ToTextPos(start) + qMax(0, length)), QTextCursor::KeepAnchor);
    });
    setTextCursor(c);
}

QString TColorMemo::SelText() const {
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return s;
}

void TColorMemo::SetSelText(const QString& text) {
    QTextCursor c = textCursor();
    Quietly(c, [&] { c.insertText(FromAnyBreaks(text)); });
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
        viewport()->update(
            QRect(0, LineTop(textCursor().blockNumber()), viewport()->width(), LineHeight() + 1));
    } else {
        viewport()->update();
    }
}

void TColorMemo::paintEvent(QPaintEvent* event) {
    TTextView::paintEvent(event);
    QPainter painter(viewport());
    FPainter = &painter;
    struct TUnbind {
        QPainter*& P;
        ~TUnbind() { P = nullptr; }
    } unbind{FPainter};
    RedrawColors(false);
}

// The pass keeps what it found on long lines between paints: it hears of every change, in
// positions of the text (a line break counting two).
void TColorMemo::ContentsChange(int from, int removed, int added) {
    FWindow->Forget();
    const QTextDocument* doc = document();
    const int blocks = doc->blockCount();
    const QTextBlock first = doc->findBlock(from);
    const QTextBlock last = doc->findBlock(from + added);
    const int addedBreaks = (last.isValid() ? last.blockNumber() : blocks - 1) - first.blockNumber();
    const int removedBreaks = std::max(0, FBlockCount - blocks + addedBreaks);
    FBlockCount = blocks;
    if (FPass) FPass->TextChanged(ToTextPos(from), removed + removedBreaks, added + addedBreaks);
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
    TTextView::changeEvent(event);
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
        Quietly(c, [&] { c.setPosition(c.selectionEnd()); });
        setTextCursor(c);
        RedrawColors(false);
    }
    // Shift+Enter would put a line separator inside the line; it breaks the line like Enter.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && (mods & Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier, event->text(),
                        event->isAutoRepeat(), ushort(event->count()));
        TTextView::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    TTextView::keyPressEvent(event);
}

void TColorMemo::keyReleaseEvent(QKeyEvent* event) {
    // Releasing Shift ends a keyboard selection: the colours catch up with it.
    if (event->key() == Qt::Key_Shift && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        RedrawColors(false);
    TTextView::keyReleaseEvent(event);
}

void TColorMemo::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton &&
        !(event->modifiers() & ShiftCtrlAlt))
        RedrawColors(false);
    TTextView::mousePressEvent(event);
}

void TColorMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click does not run the pass; the release after it does.
    TTextView::mouseDoubleClickEvent(event);
}

void TColorMemo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) RedrawColors(false);
    TTextView::mouseReleaseEvent(event);
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
    TTextView::mouseMoveEvent(event);
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
    // The character under the point, not the nearest gap between two.
    hit.Column = std::clamp(ColumnAt(b, point.x(), true), 0, int(hit.Line.size()));
    const QString rest = hit.Line.mid(hit.Column);
    const qsizetype end = rest.indexOf(QChar(FHotSpot.EndChar));
    const qsizetype begin = rest.indexOf(QChar(FHotSpot.BeginChar));
    hit.Inside = end >= 0 && (begin < 0 || begin > end || FHotSpot.BeginChar == FHotSpot.EndChar);
    hit.EndAt = hit.Column + int(end);
    return hit;
}

void TColorMemo::scrollContentsBy(int dx, int dy) {
    TTextView::scrollContentsBy(dx, dy);
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
