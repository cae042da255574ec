#pragma once
// Spans and runs of the colour pass, the slot list they live in, and the host that every producer
// reports to: the extent of the pass and the buffer of the OnDraw event.

#include "ColorRules.h"
#include "DrawEvent.h"

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
