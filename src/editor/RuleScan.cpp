// The four rule scans. Each works on the stretch handed over by the colour pass and reports global
// character indexes, so nothing outside the stretch is ever looked at.

#include "RuleScan.h"

#include <algorithm>

namespace {

constexpr auto npos = std::u16string_view::npos;

bool IsWordChar(char16_t c) {
    return (c >= u'@' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

int Emit(TScanHost* host, TKeyDescrList& list, int count, const TKeyDescr& span) {
    if (host) return host->Put(list, count, span);
    list.Slot(count) = span;
    return count + 1;
}

// A marker span over the stretch's units [begin, end), in global indexes.
TKeyDescr MarkerSpan(const TTextStretch& text, std::size_t begin, std::size_t end, TColor color, int zOrder) {
    TKeyDescr span;
    span.KeyStart = text.From + int(begin);
    span.KeyEnd = text.From + int(end) - 1;
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
        return ScanKeys(count, text, list);
    case dtBeginEnd:
        return ScanBeginEnd(count, text, list);
    case dtBeginLineEnd:
        return ScanBeginLineEnd(count, text, list);
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
int TColorRule::ScanKeys(int count, const TTextStretch& text, TKeyDescrList& list) {
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

    FNextSearch.assign(FKeyTable.size(), 0);
    FOccurrences.clear();
    const char16_t* keys = FKeyChars.data();
    // An occurrence of key k at p: the key's next search starts past it, and it counts when it is a
    // whole word (or PartWord allows less).
    auto occurs = [&](std::uint32_t k, std::size_t p, std::uint32_t n) {
        FNextSearch[k] = std::uint32_t(p + n);
        if (!PartWord) {
            const bool before = p > 0 && IsWordChar(s[p - 1]);
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
        span.KeyColor = FKeyColors[std::size_t(e.ColorCode - 1)];
        span.KeyZOrder = ZOrder;
        span.KeyFromList = 1;
        count = Emit(FMemo, list, count, span);
    }
    return count;
}

// The entry whose begin marker comes first at or after p (earlier entry on a tie), or -1. A marker's
// last find stays valid while it lies at or after p, and a marker once missing stays missing, so
// each marker is searched for anew only when the scan has passed it.
void TColorRule::FindMarkersFromStart(std::u16string_view s) {
    for (int i = 0; i < FMarkerCount; ++i) {
        auto& m = FMarkers[std::size_t(i)];
        if (m.BegMark.empty()) break;
        auto at = s.find(m.BegMark);
        m.FoundAt = at == npos ? -1 : int(at);
    }
}

int TColorRule::WinningMarker(std::u16string_view s, std::size_t p) {
    int winner = -1;
    std::size_t best = npos;
    for (int i = 0; i < FMarkerCount; ++i) {
        auto& m = FMarkers[std::size_t(i)];
        if (m.BegMark.empty()) break;
        if (m.FoundAt >= 0 && std::size_t(m.FoundAt) < p) {
            auto at = s.find(m.BegMark, p);
            m.FoundAt = at == npos ? -1 : int(at);
        }
        if (m.FoundAt >= 0 && std::size_t(m.FoundAt) < best) {
            best = std::size_t(m.FoundAt);
            winner = i;
        }
    }
    return winner;
}

int TColorRule::ScanBeginEnd(int count, const TTextStretch& text, TKeyDescrList& list) {
    if (FMarkerCount == 0) return count;
    const std::u16string_view s = text.Chars;
    FindMarkersFromStart(s);
    std::size_t p = 0;
    for (;;) {
        const int w = WinningMarker(s, p);
        if (w < 0) break;
        const auto& m = FMarkers[std::size_t(w)];
        const std::size_t q = std::size_t(m.FoundAt);
        // An empty end marker is never found.
        const std::size_t e = m.EndMark.empty() ? npos : s.find(m.EndMark, q + 1);
        if (e == npos) break;
        count = Emit(FMemo, list, count, MarkerSpan(text, q, e + m.EndMark.size(), m.MarkColor, ZOrder));
        p = e + 1;
    }
    return count;
}

int TColorRule::ScanBeginLineEnd(int count, const TTextStretch& text, TKeyDescrList& list) {
    if (FMarkerCount == 0) return count;
    const std::u16string_view s = text.Chars;
    FindMarkersFromStart(s);
    std::size_t p = 0;
    while (p <= s.size()) {
        const int w = WinningMarker(s, p);
        if (w < 0) break;
        const auto& m = FMarkers[std::size_t(w)];
        const std::size_t q = std::size_t(m.FoundAt);
        std::size_t e = s.find(u"\r\n", q);
        if (e == npos) e = s.size();
        count = Emit(FMemo, list, count, MarkerSpan(text, q, e, m.MarkColor, ZOrder));
        p = e + 1;
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
