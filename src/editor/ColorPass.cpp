#include "ColorPass.h"

#include <algorithm>
#include <cstdint>

void TCanvas::TextOut(int x, int y, std::u16string_view text) {
    // A zero-length output paints nothing.
    if (!text.empty()) FWindow.TextOut(x, y, text, Attr);
}

int TCanvas::TextWidth(std::u16string_view text) const {
    return FWindow.TextWidth(text);
}

TColorPass::TColorPass(TEditWindow& window)
    : ColorRules(this), FWindow(window), FCanvas(window), FTextBuf(2048) {}

std::u16string_view TColorPass::Chars(int start, int end) const {
    if (start < FCopyStart || start >= FEnd) return {};
    end = std::min(end, FEnd);
    if (end <= start) return {};
    return {FTextBuf.data() + (start - FCopyStart), std::size_t(end - start)};
}

void TColorPass::RedrawColors(bool CaretLineOnly) {
    TEditWindow& w = FWindow;
    if (!ColorsUsable || !w.IsEnabled() || !w.IsVisible() || !w.HasParent()) return;
    if (ColorRules.Count() == 0 && !w.HotSpot().Active) return;

    const int h = w.LineHeight();
    const int selStart = w.SelStart();
    const int selLength = w.SelLength();
    w.HideCaret();

    const TColor back = w.Color();
    FCanvas.Attr = TTextAttr{back, back, false};

    ColorRules.CompileRules();

    // The painted lines: from F, N of them.
    int first, lines;
    if (CaretLineOnly) {
        first = w.LineFromChar(selStart);
        lines = 1;
    } else {
        first = w.FirstVisibleLine();
        lines = w.LineCount() - first;
    }

    // The scan starts KeyMaxHeight - 1 lines above, so that spans opened there reach the painted
    // lines.
    std::int64_t scanLine = first;
    if (ColorRules.Count() > 0 && first > 0)
        scanLine = std::int64_t(first) - (std::int64_t(ColorRules[0].KeyMaxHeight) - 1);
    scanLine = std::clamp<std::int64_t>(scanLine, 0, INT32_MAX);

    // The stretch ends at the first line that is not fully visible, so a partly visible bottom line
    // is not coloured. The client bottom is exclusive: a line ending exactly there is fully visible.
    const int bottom = w.ClientBottom();
    int end = -1;
    bool allVisible = true;
    int i = -1;
    for (int line = first; line < first + lines; ++line) {
        i = w.LineIndex(line);
        if (i < 0) break;
        const TPoint at = w.PosFromChar(i);
        if (!(at.Y >= 0 && at.Y + h <= bottom)) {
            end = i;
            allVisible = false;
            break;
        }
    }
    if (allVisible) {
        if (lines < 1) i = w.LineIndex(int(scanLine));
        end = i >= 0 ? i + w.LineLength(i) : -1;
    }

    // Only the stretch from the scan line (or the first painted line, when the scan line lies below
    // it) to the end is copied, with indexes kept global: nothing else is scanned or drawn where it
    // can be seen, so the pass costs the same whatever the size of the document. A scan line past
    // the text or past the end scans nothing.
    int from = w.LineIndex(int(scanLine));
    int copyStart = scanLine <= first ? from : w.LineIndex(first);
    if (end < 0 || copyStart < 0) {
        end = copyStart = from = 0;
    } else {
        copyStart = std::min(copyStart, end);
        from = from < 0 ? end : std::clamp(from, copyStart, end);
    }
    FCopyStart = copyStart;
    FFrom = from;
    FEnd = end;
    const std::size_t length = std::size_t(end - copyStart);
    if (length + 2 >= FTextBuf.size()) FTextBuf.resize(length + 1024);
    if (length > 0) w.GetTextRange(copyStart, end, FTextBuf.data());
    FTextBuf[length] = 0;
    const TTextStretch scan{
        std::u16string_view(FTextBuf.data() + (from - copyStart), std::size_t(end - from)), from};

    FKeyDescrs.FreeAll();
    ResetExtent();
    int count = 0;

    // Spans of the caret line and the selection may reach far outside the stretch; only their part
    // inside it can show, and the merge should not grow with a selection of the whole document.
    auto putClipped = [&](std::int64_t start, std::int64_t last, TColor color, std::uint8_t zOrder) {
        start = std::max<std::int64_t>(start, copyStart);
        last = std::min<std::int64_t>(last, end);
        if (start > last) return;
        count = Put(FKeyDescrs, count, TKeyDescr{int(start), int(last), color, zOrder, 0});
    };

    count = ScanHotSpots(count, scan, FKeyDescrs);
    if (w.WantTabs()) count = ScanTabs(count, scan, FKeyDescrs);
    if (w.RedrawAlways()) putClipped(w.LineIndex(w.LineFromChar(selStart)), selStart, w.FontColor(), 0);
    for (int r = 0; r < ColorRules.Count(); ++r)
        if (ColorRules[r].Enabled) count = ColorRules[r].Scan(count, scan, FKeyDescrs);
    if (selLength > 0) putClipped(selStart, std::int64_t(selStart) + selLength - 1, clRed, zoSelection);

    Merge(count);
    MakeRuns();
    DrawRuns(h);

    w.ShowCaret();
}

// Each character takes the span of highest priority over it; on equal priority the later slot wins.
void TColorPass::Merge(int count) {
    if (MinPos() < 0 || MaxPos() < MinPos()) return;
    const std::size_t cells = std::size_t(MaxPos() - MinPos()) + 2;
    if (FCells.size() < cells) {
        FCells.reserve(cells);
        FCells.resize(cells);
    }
    std::fill_n(FCells.begin(), cells, TColorCell{});
    for (int k = 0; k < count; ++k) {
        const TKeyDescr& d = FKeyDescrs[k];
        if (d.KeyStart == KeyFree || d.KeyEnd == KeyFree || d.KeyEnd < d.KeyStart) continue;
        TColorCell* cell = FCells.data() + (d.KeyStart - MinPos());
        for (int n = d.KeyEnd - d.KeyStart; n >= 0; --n, ++cell)
            if (d.KeyZOrder >= cell->CellZOrder)
                *cell = TColorCell{d.KeyColor, d.KeyZOrder, d.KeyFromList, 1};
    }
}

// Cuts the cells into runs of one colour, priority and origin, written over the spans from slot 0;
// the first free slot ends them.
void TColorPass::MakeRuns() {
    int k = 0;
    if (MinPos() >= 0 && MaxPos() >= MinPos()) {
        const int last = MaxPos() - MinPos() + 1; // the extra cell, always clear
        // A covered cell never continues a run of uncovered ones: a span in black from a rule of
        // priority 0 would otherwise look like bare text and be lost or stretched.
        auto differs = [](const TColorCell& a, const TColorCell& b) {
            return a.CellColor != b.CellColor || a.CellZOrder != b.CellZOrder ||
                   a.CellFromList != b.CellFromList || a.CellUsed != b.CellUsed;
        };
        int r = 0;
        for (int i = 1; i <= last; ++i) {
            if (!differs(FCells[std::size_t(i)], FCells[std::size_t(r)])) continue;
            const TColorCell& prev = FCells[std::size_t(i - 1)];
            if (prev.CellUsed)
                FKeyDescrs.Slot(k++) = TKeyDescr{MinPos() + r, MinPos() + i - 1, prev.CellColor,
                                                 prev.CellZOrder, prev.CellFromList};
            r = i;
        }
    }
    if (k < FKeyDescrs.Count()) FKeyDescrs[k].KeyStart = KeyFree;
}

void TColorPass::DrawRuns(int h) {
    TEditWindow& w = FWindow;
    const TColor back = w.Color();
    const TKeyDrawEvent& drawKey = w.OnDrawKey();
    const THotSpot& hot = w.HotSpot();
    for (int k = 0; k < FKeyDescrs.Count() && FKeyDescrs[k].KeyStart != KeyFree; ++k) {
        const TKeyDescr run = FKeyDescrs[k];
        if (run.KeyStart < 0) continue;
        const TPoint at = w.PosFromChar(run.KeyStart);
        FCanvas.Attr.Font = run.KeyColor;
        if (run.KeyZOrder >= zoSelection) {
            // Selection and tabs only mask: what the window drew there stays.
        } else if (const int y2 = w.PosFromChar(run.KeyEnd).Y; y2 > at.Y) {
            DrawMultiLine(run, at, y2);
        } else {
            std::u16string_view text = Chars(run.KeyStart, run.KeyEnd + 1);
            if (run.KeyFromList == 1 && drawKey) {
                const TRect rect{at.X, at.Y, at.X + FCanvas.TextWidth(text), at.Y + h};
                drawKey(FCanvas, text, rect, w.FontColor());
            } else if (run.KeyZOrder == zoHotSpotMarker) {
                FCanvas.Attr.Brush = run.KeyColor;
                FCanvas.TextOut(at.X, at.Y, text);
                FCanvas.Attr.Brush = back;
            } else if (run.KeyZOrder == zoHotSpotText) {
                const bool underline = FCanvas.Attr.Underline;
                if (hot.Underlined) FCanvas.Attr.Underline = true;
                FCanvas.TextOut(at.X, at.Y, text);
                FCanvas.Attr.Underline = underline;
            } else {
                if (text.size() > 1 && text.ends_with(u"\r\n")) text.remove_suffix(2);
                FCanvas.TextOut(at.X, at.Y, text);
            }
        }
        FCanvas.Attr.Font = back;
    }
}

// A run over several lines is drawn line by line, each part where the window places its first
// character. Lines above the client area are passed over, so a span opened above the first visible
// line (KeyMaxHeight > 1) still shows on the visible ones.
void TColorPass::DrawMultiLine(const TKeyDescr& run, TPoint at, int y2) {
    TEditWindow& w = FWindow;
    int line = w.LineFromChar(run.KeyStart);
    int i = w.LineIndex(line);
    FCanvas.TextOut(at.X, at.Y, Chars(run.KeyStart, i + w.LineLength(i)));
    for (;;) {
        ++line;
        i = w.LineIndex(line);
        if (i < 0 || i > run.KeyEnd) return;
        at = w.PosFromChar(i);
        if (at.Y >= y2) break;
        if (at.Y < 0) continue;
        FCanvas.TextOut(at.X, at.Y, Chars(i, i + w.LineLength(i)));
    }
    FCanvas.TextOut(at.X, at.Y, Chars(i, run.KeyEnd + 1));
}

int TColorPass::ScanHotSpots(int count, const TTextStretch& text, TKeyDescrList& list) {
    const THotSpot& hot = FWindow.HotSpot();
    if (!hot.Active || hot.BeginChar == 0) return count;
    const std::u16string_view s = text.Chars;
    constexpr auto npos = std::u16string_view::npos;
    std::size_t p = 0;
    for (;;) {
        const std::size_t q = s.find(hot.BeginChar, p);
        if (q == npos) break;
        const int qi = text.From + int(q);
        count = Put(list, count, TKeyDescr{qi, qi, hot.MarkerColor, zoHotSpotMarker, 0});
        const std::size_t e = s.find(hot.EndChar, q + 1);
        if (e == npos) {
            // An opening delimiter without its closing one is not drawn.
            list[--count].KeyStart = KeyFree;
            break;
        }
        const int ei = text.From + int(e);
        count = Put(list, count, TKeyDescr{qi + 1, ei - 1, hot.Color, zoHotSpotText, 0});
        count = Put(list, count, TKeyDescr{ei, ei, hot.MarkerColor, zoHotSpotMarker, 0});
        p = e + 1;
    }
    return count;
}

int TColorPass::ScanTabs(int count, const TTextStretch& text, TKeyDescrList& list) {
    const TColor back = FWindow.Color();
    const std::u16string_view s = text.Chars;
    for (std::size_t p = s.find(u'\t'); p != std::u16string_view::npos; p = s.find(u'\t', p + 1)) {
        const int at = text.From + int(p);
        count = Put(list, count, TKeyDescr{at, at, back, zoTab, 0});
    }
    return count;
}
