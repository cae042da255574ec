#pragma once
// The edit window the colour pass draws on: the control's answers to the pass's requests, in the
// edit window's own counting (CR LF between lines counts two). For ColorMemo.cpp only.

#include "editor/ColorMemo.h"
#include "editor/EditWindow.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <string_view>

inline QString ToQString(std::u16string_view s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), qsizetype(s.size()));
}

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
