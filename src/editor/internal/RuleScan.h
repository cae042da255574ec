#pragma once
// Spans and runs of the colour pass, the slot list they live in, and the host that every producer
// reports to: the extent of the pass and the buffer of the OnDraw event.

#include "editor/ColorRules.h"
#include "editor/DrawEvent.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

inline constexpr std::int32_t KeyFree = 0x7FFFFFFF; // KeyStart of a free slot

// The slots of the pass: they only grow and are reused from pass to pass.
class TKeyDescrList {
public:
    explicit TKeyDescrList(int capacity = 100) { FItems.reserve(std::size_t(capacity)); }

    int Count() const { return int(FItems.size()); }
    TKeyDescr& operator[](int i) { return FItems[std::size_t(i)]; }
    const TKeyDescr& operator[](int i) const { return FItems[std::size_t(i)]; }
    // Slot i, adding records up to it when the list is shorter.
    TKeyDescr& Slot(int i) {
        if (i >= Count()) FItems.resize(std::size_t(i) + 1);
        return FItems[std::size_t(i)];
    }
    void FreeAll() {
        for (auto& d : FItems)
            d.KeyStart = KeyFree;
    }

private:
    std::vector<TKeyDescr> FItems;
};

// The stretch a pass scans: the characters from the start of the scan line up to the end of the
// painted stretch, and the global index of the first. Chars.data()[Chars.size()] is a zero.
struct TTextStretch {
    std::u16string_view Chars;
    int From = 0;
    int Limit() const { return From + int(Chars.size()); }
};

// How a marker scan (begin/end, line-end, hot spots) reads its text: the first occurrence of a
// marker in the stretch [From, Limit), and which spans are worth reporting at all. The pass reads a
// long line through a memo of where markers are, instead of copying the whole line.
class TTextSearch {
public:
    virtual ~TTextSearch() = default;
    // Global index of the first occurrence of `what` starting at or after `from` and ending at or
    // before Limit; -1 when there is none. `what` is not empty.
    virtual int Find(std::u16string_view what, int from) = 0;
    // Whether a span over [start, last] can show; the scans leave out those that cannot.
    virtual bool Shows(int /*start*/, int /*last*/) const { return true; }
    // No span starting at or after this shows: the scan may stop there.
    virtual int ShownEnd() const { return INT_MAX; }
    // Where a scan standing at p, outside any span, may go on from: p, or a later place the scan is
    // known to pass through (outside any span) before anything that shows.
    virtual int Resume(int p) { return p; }
    int From = 0;
    int Limit = 0;
};

// The search over a copied stretch.
class TStretchSearch : public TTextSearch {
public:
    explicit TStretchSearch(const TTextStretch& text) : FText(text) {
        From = text.From;
        Limit = text.Limit();
    }
    int Find(std::u16string_view what, int from) override {
        const auto at = FText.Chars.find(what, std::size_t(std::max(from - From, 0)));
        return at == std::u16string_view::npos ? -1 : From + int(at);
    }

private:
    const TTextStretch& FText;
};

// A keyword scan over a piece of a long line: the text handed over starts somewhere before
// EmitFrom, after the character Before, and only spans reaching into [EmitFrom, EmitTo) are wanted.
struct TScanScope {
    int EmitFrom = INT_MIN;
    int EmitTo = INT_MAX;
    char16_t Before = 0;
    bool Resumed = false; // false: the text starts where the stretch starts
};

// What the producers of a pass write to besides the slots: the extent of their spans, and the
// event buffer and handler of event-drawn rules. The colour pass is one.
class TScanHost {
public:
    TScanHost() = default;
    TScanHost(const TScanHost&) = delete;
    TScanHost& operator=(const TScanHost&) = delete;
    virtual ~TScanHost() = default;

    TDrawEvent OnDraw;

    int ColorLimMax() const { return FColorLimMax; }
    // Resizes the event buffer; 0 or less means none.
    void SetColorLimMax(int value);
    std::span<TKeyDescr> EventBuf() { return FEventBuf; }

    int MinPos() const { return FMinPos; }
    int MaxPos() const { return FMaxPos; }
    void ResetExtent() { FMinPos = FMaxPos = -1; }

    // The producer contract: the span goes into slot `count`, the extent widens, the new count
    // comes back.
    int Put(TKeyDescrList& list, int count, const TKeyDescr& span) {
        list.Slot(count) = span;
        Widen(span);
        return count + 1;
    }
    void Widen(const TKeyDescr& span) {
        if (FMinPos < 0 || span.KeyStart < FMinPos) FMinPos = span.KeyStart;
        if (FMaxPos < 0 || span.KeyEnd > FMaxPos) FMaxPos = span.KeyEnd;
    }

private:
    int FMinPos = -1;
    int FMaxPos = -1;
    int FColorLimMax = 0;
    std::vector<TKeyDescr> FEventBuf;
};
