// The four rule scans. Each works on the stretch handed over by the colour pass and reports global
// character indexes, so nothing outside the stretch is ever looked at.

#include "editor/internal/RuleScan.h"

#include <algorithm>

namespace {

bool IsWordChar(char16_t c) {
    return (c >= u'@' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

int Emit(TScanHost* host, TKeyDescrList& list, int count, const TKeyDescr& span) {
    if (host) return host->Put(list, count, span);
    list.Slot(count) = span;
    return count + 1;
}

// A marker span over [start, last], global indexes.
TKeyDescr MarkerSpan(int start, int last, TColor color, int zOrder) {
    TKeyDescr span;
    span.KeyStart = start;
    span.KeyEnd = last;
    span.KeyColor = color;
    span.KeyZOrder = zOrder;
    span.KeyFromList = 0;
    return span;
}

} // namespace

void TScanHost::SetColorLimMax(int value) {
    if (value == FColorLimMax) return;
    FEventBuf.assign(std::size_t(std::max(value, 0)), TKeyDescr{});
    FEventBuf.shrink_to_fit();
    FColorLimMax = value;
}

int TColorRule::Scan(int count, const TTextStretch& text, TKeyDescrList& list) {
    switch (KeyDrawingType) {
    case dtKeyShow:
        return ScanKeys(count, text, TScanScope{}, list);
    case dtBeginEnd:
    case dtBeginLineEnd: {
        TStretchSearch search(text);
        return ScanMarkers(count, search, list);
    }
    case dtEventDraw:
        return ScanEvent(count, text, list);
    }
    return count;
}

// Every key is searched left to right through the stretch, the next search of a key starting n
// units after its last occurrence, matched or not. Rather than one pass over the text per key, one
// pass visits each position and tries the keys whose first unit is there, with each key's own
// "next search from" position; the occurrences are then emitted key by key, as a search per key
// would have found them.
int TColorRule::ScanKeys(int count, const TTextStretch& text, const TScanScope& scope, TKeyDescrList& list) {
    if (FKeyTable.empty()) return count;

    const std::size_t len = text.Chars.size();
    const char16_t* s = text.Chars.data();
    if (!FKeyCase) {
        if (len + 1 > FUpperText.size()) FUpperText.resize(len + 1);
        for (std::size_t i = 0; i < len; ++i)
            FUpperText[i] = AsciiUpper(s[i]);
        FUpperText[len] = 0;
        s = FUpperText.data();
    }
    if (scope.Resumed && scope.EmitFrom > text.From &&
        !SureFrom(s, std::min(len, std::size_t(scope.EmitFrom - text.From))))
        return -1;

    FNextSearch.assign(FKeyTable.size(), 0);
    FOccurrences.clear();
    const char16_t* keys = FKeyChars.data();
    // An occurrence of key k at p: the key's next search starts past it, and it counts when it is a
    // whole word (or PartWord allows less).
    auto occurs = [&](std::uint32_t k, std::size_t p, std::uint32_t n) {
        FNextSearch[k] = std::uint32_t(p + n);
        if (!PartWord) {
            const bool before = p > 0 ? IsWordChar(s[p - 1]) : IsWordChar(scope.Before);
            const bool after = p + n < len && IsWordChar(s[p + n]);
            if (before || after) return;
        }
        FOccurrences.push_back((std::uint64_t(k) << 32) | p);
    };
    for (std::size_t p = 0; p < len; ++p) {
        const char16_t c = s[p];
        for (auto j = FSingleStart[c & 0xFF], jEnd = FSingleStart[(c & 0xFF) + 1]; j < jEnd; ++j) {
            const std::uint32_t k = FSingleKeys[j];
            // A one-unit key never overlaps its own last occurrence.
            if (keys[FKeyTable[k].Offset] == c) occurs(k, p, 1);
        }
        if (p + 1 >= len) break;
        const char16_t c1 = s[p + 1];
        const std::size_t b = PairBucket(c, c1);
        for (auto j = FPairStart[b], jEnd = FPairStart[b + 1]; j < jEnd; ++j) {
            const std::uint32_t k = FPairKeys[j];
            const TKeyEntry& e = FKeyTable[k];
            const char16_t* key = keys + e.Offset;
            if (key[0] != c || key[1] != c1 || p < FNextSearch[k] || e.Length > len - p) continue;
            std::uint32_t i = 2;
            while (i < e.Length && key[i] == s[p + i])
                ++i;
            if (i == e.Length) occurs(k, p, e.Length);
        }
    }
    // Key-major order, positions ascending within a key.
    std::sort(FOccurrences.begin(), FOccurrences.end());

    for (auto occ : FOccurrences) {
        const auto& e = FKeyTable[std::size_t(occ >> 32)];
        TKeyDescr span;
        span.KeyStart = text.From + int(occ & 0xFFFFFFFFu);
        span.KeyEnd = span.KeyStart + int(e.Length) - 1;
        if (span.KeyEnd < scope.EmitFrom || span.KeyStart >= scope.EmitTo) continue;
        span.KeyColor = FKeyColors[std::size_t(e.ColorCode - 1)];
        span.KeyZOrder = ZOrder;
        span.KeyFromList = 1;
        count = Emit(FMemo, list, count, span);
    }
    return count;
}

// A scan begun at s rather than at the stretch's start finds the same occurrences from `upTo`
// on when every self-overlapping key has, somewhere before upTo, a position that no match of the
// key straddles: from there both scans choose alike, whatever came before.
bool TColorRule::SureFrom(const char16_t* s, std::size_t upTo) const {
    for (const std::uint32_t k : FSelfOverlapping) {
        const std::u16string_view key = KeyText(k);
        const std::size_t n = key.size();
        bool sure = false;
        // Positions y = r + 1 with no match starting in [y - n + 1, y - 1], and y + n - 1 <= upTo,
        // so that an occurrence reaching upTo starts after the sure point.
        std::size_t free = 0;
        for (std::size_t r = 0; r + n <= upTo && !sure; ++r) {
            free = std::u16string_view(s + r, n) == key ? 0 : free + 1;
            sure = free >= n - 1;
        }
        if (!sure) return false;
    }
    return true;
}

// Each marker's first occurrence from where the scan starts. A marker's last find stays valid while it
// lies at or after p, and a marker once missing stays missing, so each marker is searched for anew
// only when the scan has passed it.
void TColorRule::FindMarkersFromStart(TTextSearch& text, int p) {
    for (int i = 0; i < FMarkerCount; ++i) {
        auto& m = FMarkers[std::size_t(i)];
        if (m.BegMark.empty()) break;
        m.FoundAt = text.Find(m.BegMark, p);
    }
}

// The entry whose begin marker comes first at or after p (earlier entry on a tie), or -1.
int TColorRule::WinningMarker(TTextSearch& text, int p) {
    int winner = -1;
    int best = INT_MAX;
    for (int i = 0; i < FMarkerCount; ++i) {
        auto& m = FMarkers[std::size_t(i)];
        if (m.BegMark.empty()) break;
        if (m.FoundAt >= 0 && m.FoundAt < p) m.FoundAt = text.Find(m.BegMark, p);
        if (m.FoundAt >= 0 && m.FoundAt < best) {
            best = m.FoundAt;
            winner = i;
        }
    }
    return winner;
}

int TColorRule::ScanMarkers(int count, TTextSearch& text, TKeyDescrList& list) {
    if (FMarkerCount == 0) return count;
    if (KeyDrawingType == dtBeginEnd) return ScanBeginEnd(count, text, list);
    if (KeyDrawingType == dtBeginLineEnd) return ScanBeginLineEnd(count, text, list);
    return count;
}

int TColorRule::ScanBeginEnd(int count, TTextSearch& text, TKeyDescrList& list) {
    int p = text.Resume(text.From);
    FindMarkersFromStart(text, p);
    for (;;) {
        const int w = WinningMarker(text, p);
        if (w < 0) break;
        const auto& m = FMarkers[std::size_t(w)];
        const int q = m.FoundAt;
        if (q >= text.ShownEnd()) break;
        // An empty end marker is never found.
        const int e = m.EndMark.empty() ? -1 : text.Find(m.EndMark, q + 1);
        if (e < 0) break;
        const int last = e + int(m.EndMark.size()) - 1;
        if (text.Shows(q, last)) count = Emit(FMemo, list, count, MarkerSpan(q, last, m.MarkColor, ZOrder));
        p = text.Resume(e + 1);
    }
    return count;
}

int TColorRule::ScanBeginLineEnd(int count, TTextSearch& text, TKeyDescrList& list) {
    int p = text.Resume(text.From);
    FindMarkersFromStart(text, p);
    while (p <= text.Limit) {
        const int w = WinningMarker(text, p);
        if (w < 0) break;
        const auto& m = FMarkers[std::size_t(w)];
        const int q = m.FoundAt;
        if (q >= text.ShownEnd()) break;
        int e = text.Find(u"\r\n", q);
        if (e < 0) e = text.Limit;
        if (text.Shows(q, e - 1)) count = Emit(FMemo, list, count, MarkerSpan(q, e - 1, m.MarkColor, ZOrder));
        p = e + 1 <= text.Limit ? text.Resume(e + 1) : e + 1;
    }
    return count;
}

int TColorRule::ScanEvent(int count, const TTextStretch& text, TKeyDescrList& list) {
    if (!FMemo || FMemo->ColorLimMax() <= 0) return count;
    auto buf = FMemo->EventBuf();
    std::fill(buf.begin(), buf.end(), TKeyDescr{});
    int items = 0;
    if (FMemo->OnDraw) FMemo->OnDraw(*this, text.Chars, buf, items);
    // A handler that reports more items than the buffer holds, or spans outside the stretch, would
    // make the pass read and draw outside its text: such items are ignored.
    items = std::clamp(items, 0, int(buf.size()));
    const int len = int(text.Chars.size());
    for (int i = 0; i < items; ++i) {
        const TKeyDescr& a = buf[std::size_t(i)];
        if (a.KeyStart < 0 || a.KeyEnd < a.KeyStart || a.KeyEnd >= len) continue;
        TKeyDescr span;
        span.KeyStart = text.From + a.KeyStart;
        span.KeyEnd = text.From + a.KeyEnd;
        span.KeyColor = a.KeyColor;
        span.KeyZOrder = a.KeyZOrder != 0 ? a.KeyZOrder : ZOrder;
        span.KeyFromList = 0;
        count = Emit(FMemo, list, count, span);
    }
    return count;
}
