#pragma once
// A coloured span as the colour pass keeps it, and the event through which an event-drawn rule
// supplies its spans.

#include "editor/ColorRules.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

struct TKeyDescr {
    std::int32_t KeyStart = 0; // first character, a global index
    std::int32_t KeyEnd = 0;   // last character, inclusive
    TColor KeyColor = 0;
    std::uint8_t KeyZOrder = 0;
    std::uint8_t KeyFromList = 0; // 1: made by a keyword list
};

// Sender: the rule; FromPos: the stretch being scanned; A: ColorLimMax cleared records to fill,
// with KeyStart/KeyEnd counted from FromPos and KeyZOrder 0 standing for the rule's own.
using TDrawEvent = std::function<void(TColorRule& Sender, std::u16string_view FromPos, std::span<TKeyDescr> A,
                                      int& ItemsCount)>;
