// Colour lists and colour texts: compiling a keyword list keeps every non-blank key, in order,
// upper-cased unless the rule keeps case, with the colour its text names; colour texts read the
// same whatever their letter case, and "#RRGGBB" reads as that colour.

#include "FuzzText.h"
#include "editor/ColorRules.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool Blank(std::u16string_view s) {
    for (char16_t c : s)
        if (c > u' ') return false;
    return true;
}

std::u16string Upper(std::u16string s) {
    for (auto& c : s)
        c = AsciiUpper(c);
    return s;
}

std::u16string Lower(std::u16string s) {
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    return s;
}

void CheckColorText(FuzzedDataProvider& in) {
    const std::u16string text = FuzzText(in, 16);
    if (ParseColorText(Upper(text)) != ParseColorText(Lower(text))) std::abort();
    const unsigned rgb = in.ConsumeIntegral<unsigned>() & 0xFFFFFF;
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%06X", rgb);
    const std::u16string written(hex, hex + 7);
    const TColor expected = (rgb & 0x00FF00) | (rgb >> 16) | ((rgb & 0xFF) << 16);
    if (ParseColorText(written) != expected || ParseColorText(Lower(written)) != expected) std::abort();
}

void CheckKeywords(FuzzedDataProvider& in) {
    TColorRule rule;
    rule.KeyDrawingType = dtKeyShow;
    rule.SetKeyCase(in.ConsumeBool());
    rule.DefKeyColor = in.ConsumeIntegral<TColor>();
    TStringList list;
    const int lines = in.ConsumeIntegralInRange(0, 60);
    for (int i = 0; i < lines && in.remaining_bytes() > 0; ++i)
        list.push_back(FuzzText(in, 12));
    rule.Keywords() = list;
    rule.Compile();

    // Each non-blank key in order, with its colour while the colour table has room.
    std::size_t k = 0;
    std::vector<TColor> colors;
    for (const auto& line : list) {
        const std::u16string_view whole(line);
        const auto semi = whole.find(u';');
        const std::u16string_view key = whole.substr(0, semi);
        if (Blank(whole) || Blank(key)) continue;
        if (k >= rule.KeyCount()) std::abort();
        const std::u16string expectedKey = rule.KeyCase() ? std::u16string(key) : Upper(std::u16string(key));
        if (rule.KeyText(k) != expectedKey) std::abort();
        const int code = rule.KeyColorCode(k);
        if (code < 1 || code > KeyColorCount) std::abort();
        TColor color = rule.DefKeyColor;
        if (semi != std::u16string_view::npos && !Blank(whole.substr(semi + 1)))
            color = ParseColorText(whole.substr(semi + 1));
        bool known = false;
        for (TColor c : colors)
            known = known || c == color;
        if (!known && colors.size() < KeyColorCount) colors.push_back(color);
        if ((known || colors.back() == color) && rule.KeyColorOf(k) != color) std::abort();
        ++k;
    }
    if (k != rule.KeyCount()) std::abort();

    // A copy compiles to the same tables.
    TColorRule copy;
    copy.Assign(rule);
    copy.Compile();
    if (copy.KeyCount() != rule.KeyCount()) std::abort();
    for (std::size_t i = 0; i < rule.KeyCount(); ++i)
        if (copy.KeyText(i) != rule.KeyText(i) || copy.KeyColorOf(i) != rule.KeyColorOf(i)) std::abort();
}

void CheckMarkers(FuzzedDataProvider& in) {
    TColorRule rule;
    rule.KeyDrawingType = in.ConsumeBool() ? dtBeginEnd : dtBeginLineEnd;
    TStringList list;
    const int lines = in.ConsumeIntegralInRange(0, MarkerTableSize + 5);
    for (int i = 0; i < lines && in.remaining_bytes() > 0; ++i)
        list.push_back(FuzzText(in, 16));
    if (rule.KeyDrawingType == dtBeginEnd)
        rule.SetKeyBegEndLst(list);
    else
        rule.SetKeyLineEndLst(list);
    if (rule.MarkerCount() > MarkerTableSize) std::abort();
    for (int i = 0; i < rule.MarkerCount(); ++i) {
        const TMarkerPair& m = rule.Markers()[i];
        if (m.BegMark.size() > MarkerMaxLength || m.EndMark.size() > MarkerMaxLength) std::abort();
        // A marker comes from the line of its own number, before its first ";".
        if (!m.BegMark.empty()) {
            if (std::size_t(i) >= list.size()) std::abort();
            if (!list[std::size_t(i)].starts_with(m.BegMark)) std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
        CheckColorText(in);
        break;
    case 1:
        CheckKeywords(in);
        break;
    default:
        CheckMarkers(in);
        break;
    }
    return 0;
}
