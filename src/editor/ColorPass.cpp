#include "editor/ColorPass.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>

namespace {

// Lines up to this long are copied and scanned whole; a longer one shown only in part is handled
// piece by piece.
constexpr int LongLine = 1000;
// Characters copied and scanned on each side of the shown part of a long line, so that runs
// reaching a little past the edge of the view are drawn whole.
constexpr int ShownMargin = 64;
// Text handed to a keyword scan before its piece, at first; more when a key that overlaps itself
// needs it.
constexpr int KeyLead = 128;
// Places a marker scan passes through are remembered about this far apart.
constexpr int PlaceGap = 1024;

// What a marker scan of the rule looks for, as the key of its remembered places.
std::u16string ScanKey(const TColorRule& rule) {
    std::u16string key(1, char16_t(rule.KeyDrawingType));
    for (int i = 0; i < rule.MarkerCount() && !rule.Markers()[i].BegMark.empty(); ++i) {
        key += rule.Markers()[i].BegMark;
        key += u'\0';
        if (rule.KeyDrawingType == dtBeginEnd) key += rule.Markers()[i].EndMark;
        key += u'\0';
    }
    return key;
}

int TextLength(const TEditWindow& w) {
    // The line after the last counted one exists when the text ends with CR LF.
    int line = w.LineCount();
    if (w.LineIndex(line) < 0) --line;
    const int i = w.LineIndex(line);
    return i < 0 ? 0 : i + w.LineLength(i);
}

// Where the painted stretch ends: at the first painted line not wholly in the client area, so a
// partly visible bottom line is not coloured, else at the end of the last painted line (or of the
// scan line, when no line is painted); -1 when there is no such line. The client bottom is
// exclusive: a line ending exactly there is wholly visible.
int PaintedEnd(const TEditWindow& w, int first, int lines, int scanLine, int lineHeight) {
    const int bottom = w.ClientBottom();
    int i = -1;
    for (int line = first; line < first + lines; ++line) {
        i = w.LineIndex(line);
        if (i < 0) break;
        const TPoint at = w.PosFromChar(i);
        if (!(at.Y >= 0 && at.Y + lineHeight <= bottom)) return i;
    }
    if (lines < 1) i = w.LineIndex(scanLine);
    return i >= 0 ? i + w.LineLength(i) : -1;
}

} // namespace

// The marker scans of a pass with pieces: they search the whole stretch through the memo, report
// only spans that reach a piece, stop after the last piece, and skip ahead to the last place known
// before the next piece.
class TColorPass::TPieceSearch : public TTextSearch {
public:
    TPieceSearch(TColorPass& pass, int from, int limit) : FPass(pass) {
        From = from;
        Limit = limit;
        if (pass.FPlacesFrom != from) pass.FPlaces.clear();
        pass.FPlacesFrom = from;
    }
    // The places of the scan looking for `what` (its markers, in order, with its kind).
    void Use(const std::u16string& what) { FPlaces = &FPass.FPlaces[what]; }

    int Find(std::u16string_view what, int from) override {
        FPass.FMemo.Limit = Limit;
        return FPass.FMemo.Find(what, from);
    }
    bool Shows(int start, int last) const override {
        const auto& pieces = FPass.FPieces;
        auto it = std::upper_bound(pieces.begin(), pieces.end(), last,
                                   [](int i, const TPiece& p) { return i < p.Start; });
        return it != pieces.begin() && std::prev(it)->End > start;
    }
    int ShownEnd() const override { return FPass.FPieces.empty() ? From : FPass.FPieces.back().End; }
    int Resume(int p) override {
        if (!FPlaces) return p;
        auto& sure = FPlaces->Sure;
        auto& likely = FPlaces->Likely;
        if (std::binary_search(likely.begin(), likely.end(), p)) {
            // Back on the scan as it was before the edit: the rest of its places hold.
            sure.insert(sure.end(), std::lower_bound(likely.begin(), likely.end(), p), likely.end());
            likely.clear();
        }
        if (sure.empty() || p >= sure.back() + PlaceGap) sure.push_back(p);
        const auto& pieces = FPass.FPieces;
        auto next = std::upper_bound(pieces.begin(), pieces.end(), p,
                                     [](int i, const TPiece& piece) { return i < piece.End; });
        if (next == pieces.end()) return p;
        // A span from a place before this ends before the piece.
        const int before = next->Start - int(MarkerMaxLength);
        auto place = std::upper_bound(sure.begin(), sure.end(), before);
        return place == sure.begin() ? p : std::max(p, *std::prev(place));
    }

private:
    TColorPass& FPass;
    TPlaces* FPlaces = nullptr;
};

void TCanvas::TextOut(int x, int y, std::u16string_view text) {
    // A zero-length output paints nothing.
    if (!text.empty()) FWindow.TextOut(x, y, text, Attr);
}

int TCanvas::TextWidth(std::u16string_view text) const {
    return FWindow.TextWidth(text);
}

TColorPass::TColorPass(TEditWindow& window)
    : ColorRules(this), FWindow(window), FCanvas(window), FTextBuf(2048), FMemo(window) {}

void TColorPass::TextChanged(int index, int removed, int added) {
    FMemo.TextChanged(index, removed, added);
    // A place holds while the text before it and the few characters of a marker after it stay; the
    // places after the edit become likely ones, moved along with the text.
    for (auto& [key, places] : FPlaces) {
        auto& sure = places.Sure;
        auto& likely = places.Likely;
        likely.clear();
        const auto cut = std::lower_bound(sure.begin(), sure.end(), index - int(MarkerMaxLength));
        for (auto p = std::lower_bound(cut, sure.end(), index + removed); p != sure.end(); ++p)
            likely.push_back(*p + added - removed);
        sure.erase(cut, sure.end());
    }
    if (FTextLength >= 0) FTextLength += added - removed;
}

std::u16string_view TColorPass::Chars(int start, int end) const {
    auto it = std::upper_bound(FPieces.begin(), FPieces.end(), start,
                               [](int i, const TPiece& p) { return i < p.Start; });
    if (it == FPieces.begin()) return {};
    const TPiece& piece = *std::prev(it);
    if (start >= piece.End) return {};
    end = std::min(end, piece.End);
    if (end <= start) return {};
    return {FTextBuf.data() + piece.Buf + (start - piece.Start), std::size_t(end - start)};
}

// Decides what of [copyStart, end) is copied: all of it, unless a long painted line is shown only
// in part; then every painted line whole, but for such a line its shown columns and a margin. True
// when the stretch was cut into pieces.
bool TColorPass::PlanPieces(int first, int copyStart, int end) {
    TEditWindow& w = FWindow;
    FPieces.clear();
    FHidden.clear();
    // An event-drawn rule is handed the whole stretch; so its scan, and the pass, stay linear.
    bool events = false;
    for (int r = 0; r < ColorRules.Count(); ++r)
        events = events || (ColorRules[r].Enabled && ColorRules[r].KeyDrawingType == dtEventDraw &&
                            ColorLimMax() > 0 && OnDraw);
    // Only a window that shows long lines in part tells the pass of its edits, which what the
    // pass remembers relies on; any other keeps the plain pass over the whole stretch.
    bool anyCut = false;
    for (int l = std::max(first, w.LineFromChar(copyStart)), i = w.LineIndex(l);
         !events && !anyCut && i >= 0 && i < end; i = w.LineIndex(++l)) {
        const int length = w.LineLength(i);
        const auto [a, b] = w.ShownColumns(l);
        anyCut = length > LongLine && (a > 0 || b < length);
    }
    if (!anyCut || events || end <= copyStart) {
        FPieces.push_back(TPiece{copyStart, end, 0});
        return false;
    }

    auto add = [&](int start, int stop) {
        start = std::max(start, copyStart);
        stop = std::min(stop, end);
        if (start >= stop) return;
        if (!FPieces.empty() && FPieces.back().End == start)
            FPieces.back().End = stop;
        else
            FPieces.push_back(TPiece{start, stop, 0});
    };
    auto hide = [&](int start, int stop) {
        if (start < stop) FHidden.emplace_back(start, stop);
    };
    for (int l = w.LineFromChar(copyStart), i = w.LineIndex(l); i >= 0 && i < end; i = w.LineIndex(++l)) {
        const bool whole = FWholeLines.count(l) > 0;
        if (l < first && !whole) continue;
        const int length = w.LineLength(i);
        const int next = i + length + 2; // past the CR LF; cut at the end of the stretch
        auto [a, b] = w.ShownColumns(l);
        a = std::clamp(a, 0, length);
        b = std::clamp(b, a, length);
        if (whole || length <= LongLine || (a == 0 && b == length)) {
            add(i, next);
            continue;
        }
        const int start = i + std::max(0, a - ShownMargin);
        const int stop = length - b <= ShownMargin ? next : i + b + ShownMargin;
        add(start, stop);
        hide(start, i + a);
        hide(i + b, stop);
    }
    return true;
}

void TColorPass::CopyPieces() {
    std::size_t length = 0;
    for (auto& piece : FPieces) {
        piece.Buf = length;
        length += std::size_t(piece.End - piece.Start) + 1; // and a zero after each
    }
    if (length + 1 >= FTextBuf.size()) FTextBuf.resize(length + 1023);
    for (const auto& piece : FPieces) {
        if (piece.End > piece.Start)
            FWindow.GetTextRange(piece.Start, piece.End, FTextBuf.data() + piece.Buf);
        FCharsRead += piece.End - piece.Start;
        FTextBuf[piece.Buf + std::size_t(piece.End - piece.Start)] = 0;
    }
}

// The rule's keyword spans over every piece. Each piece's scan starts a little before it, so that
// whole-word tests and keys crossing its start come out as in a scan of the whole stretch.
int TColorPass::ScanKeysNear(TColorRule& rule, int count, int from, int end) {
    const int after = int(rule.MaxKeyLength()) + 1;
    for (const auto& piece : FPieces) {
        const int start = std::max(piece.Start, from);
        if (start >= piece.End) continue;
        for (int lead = KeyLead;; lead *= 4) {
            const int x = std::max(from, start - lead);
            const int y = std::min(end, piece.End + after);
            const int before = x > from ? 1 : 0;
            FKeyText.resize(std::size_t(y - x + before) + 1);
            FWindow.GetTextRange(x - before, y, FKeyText.data());
            FCharsRead += y - x + before;
            FKeyText.back() = 0;
            const TTextStretch text{std::u16string_view(FKeyText.data() + before, std::size_t(y - x)), x};
            const TScanScope scope{start, piece.End, before ? FKeyText[0] : char16_t(0), x > from};
            const int n = rule.ScanKeys(count, text, scope, FKeyDescrs);
            if (n >= 0) {
                count = n;
                break;
            }
        }
    }
    return count;
}

// A run cut where a piece ends inside the stretch is drawn alike on both sides of the cut, unless
// it is drawn in a way of its own when it stays on one line (hot-spot text and markers, keywords
// handed to OnDrawKey): whether the whole run spans lines then decides. The lines at such cuts are
// taken whole, and the pass is made again. True when a line was added.
bool TColorPass::WidenCutRuns(int copyStart, int end) {
    const bool drawKeys = bool(FWindow.OnDrawKey());
    auto ownWay = [&](const TKeyDescr& run) {
        return run.KeyZOrder == zoHotSpotMarker || run.KeyZOrder == zoHotSpotText ||
               (run.KeyFromList == 1 && drawKeys);
    };
    const std::size_t before = FWholeLines.size();
    for (const auto& run : FRuns) {
        if (!ownWay(run)) continue;
        for (const auto& piece : FPieces) {
            if (run.KeyStart == piece.Start && piece.Start > copyStart)
                FWholeLines.insert(FWindow.LineFromChar(piece.Start - 1));
            if (run.KeyEnd == piece.End - 1 && piece.End < end)
                FWholeLines.insert(FWindow.LineFromChar(piece.End));
        }
    }
    return FWholeLines.size() > before;
}

bool TColorPass::Hidden(const TKeyDescr& run) const {
    for (const auto& [start, stop] : FHidden)
        if (run.KeyStart >= start && run.KeyEnd < stop) return true;
    return false;
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

    TStretch stretch = FindStretch(CaretLineOnly, selStart, h);
    const long memoRead = FMemo.CharsRead();
    CopyStretch(stretch);
    TPieceSearch search(*this, stretch.From, stretch.End);
    for (;;) {
        MergeRuns(CollectSpans(stretch, search, selStart, selLength), stretch.Cut);
        if (!stretch.Cut || !WidenCutRuns(stretch.CopyStart, stretch.End)) break;
        PlanPieces(stretch.First, stretch.CopyStart, stretch.End);
        CopyPieces();
    }
    FCharsRead += FMemo.CharsRead() - memoRead;
    PublishRuns();
    DrawRuns(h);

    w.ShowCaret();
}

// The painted lines run from the first visible one, or are the caret's line alone. Only the text
// from the scan line (or the first painted line, when the scan line lies below it) to the end of
// the stretch is copied, with indexes kept global: nothing else is scanned or drawn where it can be
// seen, so the pass costs the same whatever the size of the document. A scan line past the text or
// past the end scans nothing.
TColorPass::TStretch TColorPass::FindStretch(bool caretLineOnly, int selStart, int lineHeight) const {
    const TEditWindow& w = FWindow;
    const int first = caretLineOnly ? w.LineFromChar(selStart) : w.FirstVisibleLine();
    const int lines = caretLineOnly ? 1 : w.LineCount() - first;
    const int scanLine = ScanLine(first);
    TStretch s{first, 0, 0, PaintedEnd(w, first, lines, scanLine, lineHeight)};
    s.From = w.LineIndex(scanLine);
    s.CopyStart = scanLine <= first ? s.From : w.LineIndex(first);
    if (s.End < 0 || s.CopyStart < 0) {
        s.End = s.CopyStart = s.From = 0;
    } else {
        s.CopyStart = std::min(s.CopyStart, s.End);
        s.From = s.From < 0 ? s.End : std::clamp(s.From, s.CopyStart, s.End);
    }
    return s;
}

// The scan starts KeyMaxHeight - 1 lines above the first painted line, so that spans opened there
// reach the painted lines.
int TColorPass::ScanLine(int first) const {
    std::int64_t line = first;
    if (ColorRules.Count() > 0 && first > 0)
        line = std::int64_t(first) - (std::int64_t(ColorRules[0].KeyMaxHeight) - 1);
    return int(std::clamp<std::int64_t>(line, 0, INT32_MAX));
}

// Starts the pass over the stretch: copies it, whole or in pieces.
void TColorPass::CopyStretch(TStretch& stretch) {
    FCopyStart = stretch.CopyStart;
    FFrom = stretch.From;
    FEnd = stretch.End;
    FCharsRead = 0;
    FWholeLines.clear();
    stretch.Cut = PlanPieces(stretch.First, stretch.CopyStart, stretch.End);
    if (stretch.Cut) {
        // Text changed behind the pass's back leaves nothing remembered worth trusting.
        const int length = TextLength(FWindow);
        if (length != FTextLength) {
            FMemo.Clear();
            FPlaces.clear();
        }
        FTextLength = length;
    }
    CopyPieces();
}

TTextStretch TColorPass::WholeText(const TStretch& stretch) const {
    const std::size_t at = std::size_t(stretch.From - stretch.CopyStart);
    return {std::u16string_view(FTextBuf.data() + at, std::size_t(stretch.End - stretch.From)), stretch.From};
}

// The spans over the stretch in the order of their slots, which settles equal priorities: hot
// spots, tabs, the caret line, the rules, the selection.
int TColorPass::CollectSpans(const TStretch& stretch, TPieceSearch& search, int selStart, int selLength) {
    TEditWindow& w = FWindow;
    int count = 0;
    // Spans of the caret line and the selection may reach far outside the stretch; only their part
    // inside it can show, and the merge should not grow with a selection of the whole document.
    auto putClipped = [&](std::int64_t start, std::int64_t last, TColor color, std::uint8_t zOrder) {
        start = std::max<std::int64_t>(start, stretch.CopyStart);
        last = std::min<std::int64_t>(last, stretch.End);
        if (start > last) return;
        count = Put(FKeyDescrs, count, TKeyDescr{int(start), int(last), color, zOrder, 0});
    };
    FKeyDescrs.FreeAll();
    ResetExtent();
    if (stretch.Cut) {
        search.Use(std::u16string{u'H', w.HotSpot().BeginChar, w.HotSpot().EndChar});
        count = ScanHotSpots(count, search, FKeyDescrs);
    } else {
        count = ScanHotSpots(count, WholeText(stretch), FKeyDescrs);
    }
    if (w.WantTabs()) count = ScanPieceTabs(count, stretch.From);
    if (w.RedrawAlways()) putClipped(w.LineIndex(w.LineFromChar(selStart)), selStart, w.FontColor(), 0);
    count = ScanRules(count, stretch, search);
    if (selLength > 0) putClipped(selStart, std::int64_t(selStart) + selLength - 1, clRed, zoSelection);
    return count;
}

int TColorPass::ScanPieceTabs(int count, int from) {
    for (const auto& piece : FPieces) {
        const int start = std::max(piece.Start, from);
        if (start < piece.End)
            count = ScanTabs(count, TTextStretch{Chars(start, piece.End), start}, FKeyDescrs);
    }
    return count;
}

// An uncut stretch is scanned whole. In pieces, keyword rules scan near each piece and marker rules
// through the search; an event-drawn rule has nothing to draw there, or the stretch would be whole.
int TColorPass::ScanRules(int count, const TStretch& stretch, TPieceSearch& search) {
    for (int r = 0; r < ColorRules.Count(); ++r) {
        TColorRule& rule = ColorRules[r];
        if (!rule.Enabled) continue;
        if (!stretch.Cut)
            count = rule.Scan(count, WholeText(stretch), FKeyDescrs);
        else if (rule.KeyDrawingType == dtKeyShow)
            count = ScanKeysNear(rule, count, stretch.From, stretch.End);
        else if (rule.KeyDrawingType != dtEventDraw) {
            search.Use(ScanKey(rule));
            count = rule.ScanMarkers(count, search, FKeyDescrs);
        }
    }
    return count;
}

// Merges the spans into runs over the extent they cover, or piece by piece.
void TColorPass::MergeRuns(int count, bool cut) {
    FRuns.clear();
    if (!cut) {
        Merge(count, MinPos(), MaxPos());
        MakeRuns(MinPos(), MaxPos());
        return;
    }
    for (const auto& piece : FPieces) {
        Merge(count, piece.Start, piece.End - 1);
        MakeRuns(piece.Start, piece.End - 1);
    }
}

// Each character of [first, last] takes the span of highest priority over it; on equal priority the
// later slot wins.
void TColorPass::Merge(int count, int first, int last) {
    if (first < 0 || last < first) return;
    const std::size_t cells = std::size_t(last - first) + 2;
    if (FCells.size() < cells) {
        FCells.reserve(cells);
        FCells.resize(cells);
    }
    std::fill_n(FCells.begin(), cells, TColorCell{});
    for (int k = 0; k < count; ++k) {
        const TKeyDescr& d = FKeyDescrs[k];
        if (d.KeyStart == KeyFree || d.KeyEnd == KeyFree || d.KeyEnd < d.KeyStart) continue;
        const int start = std::max(d.KeyStart, first);
        const int stop = std::min(d.KeyEnd, last);
        if (start > stop) continue;
        TColorCell* cell = FCells.data() + (start - first);
        for (int n = stop - start; n >= 0; --n, ++cell)
            if (d.KeyZOrder >= cell->CellZOrder)
                *cell = TColorCell{d.KeyColor, d.KeyZOrder, d.KeyFromList, 1};
    }
}

// Cuts the cells of [first, last] into runs of one colour, priority and origin.
void TColorPass::MakeRuns(int first, int last) {
    if (first < 0 || last < first) return;
    const int cells = last - first + 1; // the extra cell, always clear
    // A covered cell never continues a run of uncovered ones: a span in black from a rule of
    // priority 0 would otherwise look like bare text and be lost or stretched.
    auto differs = [](const TColorCell& a, const TColorCell& b) {
        return a.CellColor != b.CellColor || a.CellZOrder != b.CellZOrder ||
               a.CellFromList != b.CellFromList || a.CellUsed != b.CellUsed;
    };
    int r = 0;
    for (int i = 1; i <= cells; ++i) {
        if (!differs(FCells[std::size_t(i)], FCells[std::size_t(r)])) continue;
        const TColorCell& prev = FCells[std::size_t(i - 1)];
        if (prev.CellUsed)
            FRuns.push_back(
                TKeyDescr{first + r, first + i - 1, prev.CellColor, prev.CellZOrder, prev.CellFromList});
        r = i;
    }
}

// The runs go to the slots from 0, where KeyDescrs() and the drawing find them, up to the first
// free one.
void TColorPass::PublishRuns() {
    for (std::size_t k = 0; k < FRuns.size(); ++k)
        FKeyDescrs.Slot(int(k)) = FRuns[k];
    if (int(FRuns.size()) < FKeyDescrs.Count()) FKeyDescrs[int(FRuns.size())].KeyStart = KeyFree;
}

void TColorPass::DrawRuns(int h) {
    TEditWindow& w = FWindow;
    const TColor back = w.Color();
    const TKeyDrawEvent& drawKey = w.OnDrawKey();
    const THotSpot& hot = w.HotSpot();
    for (int k = 0; k < FKeyDescrs.Count() && FKeyDescrs[k].KeyStart != KeyFree; ++k) {
        const TKeyDescr run = FKeyDescrs[k];
        if (run.KeyStart < 0 || Hidden(run)) continue;
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
    TStretchSearch search(text);
    return ScanHotSpots(count, search, list);
}

int TColorPass::ScanHotSpots(int count, TTextSearch& text, TKeyDescrList& list) {
    const THotSpot& hot = FWindow.HotSpot();
    if (!hot.Active || hot.BeginChar == 0) return count;
    const std::u16string_view begin(&hot.BeginChar, 1);
    const std::u16string_view end(&hot.EndChar, 1);
    int p = text.Resume(text.From);
    for (;;) {
        const int q = text.Find(begin, p);
        if (q < 0 || q >= text.ShownEnd()) break;
        const bool shows = text.Shows(q, q);
        if (shows) count = Put(list, count, TKeyDescr{q, q, hot.MarkerColor, zoHotSpotMarker, 0});
        const int e = text.Find(end, q + 1);
        if (e < 0) {
            // An opening delimiter without its closing one is not drawn.
            if (shows) list[--count].KeyStart = KeyFree;
            break;
        }
        if (text.Shows(q + 1, e - 1))
            count = Put(list, count, TKeyDescr{q + 1, e - 1, hot.Color, zoHotSpotText, 0});
        if (text.Shows(e, e)) count = Put(list, count, TKeyDescr{e, e, hot.MarkerColor, zoHotSpotMarker, 0});
        p = text.Resume(e + 1);
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
