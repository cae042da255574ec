#include "editor/ColorRules.h"

#include "editor/internal/RuleScan.h"

#include <algorithm>

namespace {

bool IsBlank(char16_t c) {
    return c <= u' ';
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsBlankText(std::u16string_view s) {
    return Trim(s).empty();
}

struct TNamedColor {
    std::u16string_view Name;
    TColor Color;
};

// First column of the table, then the second.
constexpr TNamedColor NamedColors[] = {
    {u"BLACK", 0x000000},  {u"MAROON", 0x000080},  {u"GREEN", 0x008000}, {u"OLIVE", 0x008080},
    {u"NAVY", 0x800000},   {u"PURPLE", 0x800080},  {u"TEAL", 0x808000},  {u"GRAY", 0x808080},
    {u"SILVER", 0xC0C0C0}, {u"RED", 0x0000FF},     {u"LIME", 0x00FF00},  {u"YELLOW", 0x00FFFF},
    {u"BLUE", 0xFF0000},   {u"FUCHSIA", 0xFF00FF}, {u"AQUA", 0xFFFF00},  {u"WHITE", 0xFFFFFF},
};

// '$' followed by hexadecimal digits whose value fits 32 bits; nothing else.
bool ReadDollarHex(std::u16string_view s, std::uint32_t& value) {
    if (s.size() < 2 || s[0] != u'$') return false;
    std::uint64_t v = 0;
    for (char16_t c : s.substr(1)) {
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else if (c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else
            return false;
        v = v * 16 + std::uint64_t(d);
        if (v > 0xFFFFFFFFu) return false;
    }
    value = std::uint32_t(v);
    return true;
}

std::u16string CutMarker(std::u16string_view s) {
    return std::u16string(s.substr(0, MarkerMaxLength));
}

} // namespace

TColor ParseColorText(std::u16string_view text) {
    std::u16string s(Trim(text).substr(0, 10));
    for (auto& c : s)
        c = AsciiUpper(c);
    for (const auto& named : NamedColors)
        if (s == named.Name) return named.Color;

    if (auto hash = s.find(u'#'); hash != std::u16string::npos) s.erase(hash, 1);
    if (s.find(u'$') == std::u16string::npos) s.insert(s.begin(), u'$');
    std::uint32_t n;
    if (!ReadDollarHex(s, n)) return clWhite;
    // The text reads as RRGGBB; the colour keeps red in its lowest byte.
    return (n & 0x00FF00) + ((n & 0xFF) << 16) + ((n >> 16) & 0xFF);
}

// ---------------------------------------------------------------------------------------------
// TColorRule

TColorRule::TColorRule(TDrawRules* collection) : FMemo(collection ? collection->Memo() : nullptr) {}

void TColorRule::Assign(const TColorRule& source) {
    if (&source == this) return;
    KeyDrawingType = source.KeyDrawingType;
    ZOrder = source.ZOrder;
    KeyMaxHeight = source.KeyMaxHeight;
    FKeyCase = source.FKeyCase;
    Enabled = source.Enabled;
    PartWord = source.PartWord;
    DefKeyColor = source.DefKeyColor;
    KeyBrushColor = source.KeyBrushColor;
    SetKeywords(source.FKeywords);
    SetKeyLineEndLst(source.FKeyLineEndLst);
    SetKeyBegEndLst(source.FKeyBegEndLst);
}

void TColorRule::SetKeywords(const TStringList& list) {
    CompileKeywords(list);
    if (&list != &FKeywords) FKeywords = list;
}

void TColorRule::SetKeyBegEndLst(const TStringList& list) {
    CompileBegEnd(list);
    if (&list != &FKeyBegEndLst) FKeyBegEndLst = list;
}

void TColorRule::SetKeyLineEndLst(const TStringList& list) {
    CompileLineEnd(list);
    if (&list != &FKeyLineEndLst) FKeyLineEndLst = list;
}

bool TColorRule::Compile() {
    bool has = !FKeyBegEndLst.empty();
    CompileBegEnd(FKeyBegEndLst);
    if (KeyDrawingType == dtKeyShow) {
        CompileKeywords(FKeywords);
        has = has || !FKeywords.empty();
    }
    if (KeyDrawingType == dtBeginLineEnd) {
        CompileLineEnd(FKeyLineEndLst);
        has = has || !FKeyLineEndLst.empty();
    }
    return has;
}

void TColorRule::CompileKeywords(const TStringList& list) {
    FKeyTable.clear();
    FKeyChars.clear();
    int colorsAdded = 0;
    for (const auto& line : list) {
        if (IsBlankText(line)) continue;
        std::u16string_view whole(line);
        auto semi = whole.find(u';');
        std::u16string_view key = whole.substr(0, semi);
        if (IsBlankText(key)) continue;

        TColor color = DefKeyColor;
        if (semi != std::u16string_view::npos) {
            std::u16string_view colorText = whole.substr(semi + 1);
            if (!IsBlankText(colorText)) color = ParseColorText(colorText);
        }

        int code = 0;
        for (int i = 0; i < colorsAdded; ++i)
            if (FKeyColors[std::size_t(i)] == color) {
                code = i + 1;
                break;
            }
        if (code == 0) {
            if (colorsAdded < KeyColorCount) {
                FKeyColors[std::size_t(colorsAdded)] = color;
                code = ++colorsAdded;
            } else {
                // The colour table is full: borrow the colour of the key before.
                code = FKeyTable.back().ColorCode;
            }
        }

        TKeyEntry entry;
        entry.Offset = std::uint32_t(FKeyChars.size());
        entry.Length = std::uint32_t(key.size());
        entry.ColorCode = code;
        FKeyChars.append(key);
        if (!FKeyCase)
            for (auto i = entry.Offset; i < FKeyChars.size(); ++i)
                FKeyChars[i] = AsciiUpper(FKeyChars[i]);
        FKeyTable.push_back(entry);
    }
    BuildKeyIndex();
}

void TColorRule::BuildKeyIndex() {
    // Counting sort into the buckets: count, sum up to each bucket's end, then place the keys from
    // the last back, which leaves every start in place and each bucket in table order.
    FSingleStart.fill(0);
    FPairStart.assign(PairBuckets + 1, 0);
    FSelfOverlapping.clear();
    FMaxKeyLength = 0;
    for (std::uint32_t k = 0; k < FKeyTable.size(); ++k) {
        const std::u16string_view key = KeyText(k);
        FMaxKeyLength = std::max(FMaxKeyLength, key.size());
        for (std::size_t b = 1; b < key.size(); ++b)
            if (key.substr(0, b) == key.substr(key.size() - b)) {
                FSelfOverlapping.push_back(k);
                break;
            }
    }
    std::uint32_t singles = 0;
    for (const auto& e : FKeyTable) {
        const char16_t* key = FKeyChars.data() + e.Offset;
        if (e.Length == 1) {
            ++FSingleStart[key[0] & 0xFF];
            ++singles;
        } else {
            ++FPairStart[PairBucket(key[0], key[1])];
        }
    }
    for (std::size_t b = 1; b < FSingleStart.size(); ++b)
        FSingleStart[b] += FSingleStart[b - 1];
    for (std::size_t b = 1; b < FPairStart.size(); ++b)
        FPairStart[b] += FPairStart[b - 1];
    FSingleKeys.resize(singles);
    FPairKeys.resize(FKeyTable.size() - singles);
    for (std::uint32_t k = std::uint32_t(FKeyTable.size()); k-- > 0;) {
        const char16_t* key = FKeyChars.data() + FKeyTable[k].Offset;
        if (FKeyTable[k].Length == 1)
            FSingleKeys[--FSingleStart[key[0] & 0xFF]] = k;
        else
            FPairKeys[--FPairStart[PairBucket(key[0], key[1])]] = k;
    }
}

void TColorRule::SetMarkerCapacity(int n) {
    if (n == FMarkerCount) return;
    FMarkers.reset();
    if (n > 0) FMarkers = std::make_unique<TMarkerPair[]>(std::size_t(n));
    FMarkerCount = n;
}

void TColorRule::PrepareMarkers() {
    if (FMarkerCount == 0) SetMarkerCapacity(MarkerTableSize);
    for (int i = 0; i < FMarkerCount; ++i) {
        auto& m = FMarkers[std::size_t(i)];
        m.BegMark.clear();
        m.EndMark.clear();
        m.MarkColor = 0;
        m.FoundAt = 0;
    }
}

void TColorRule::CompileBegEnd(const TStringList& list) {
    PrepareMarkers();
    const int lines = std::min<int>(int(list.size()), FMarkerCount);
    for (int i = 0; i < lines; ++i) {
        std::u16string_view line(list[std::size_t(i)]);
        auto p = line.find(u';');
        if (p == std::u16string_view::npos || p == 0) continue; // stays empty, and so ends the table
        auto& m = FMarkers[std::size_t(i)];
        m.BegMark = CutMarker(line.substr(0, p));
        std::u16string_view rest = line.substr(p + 1);
        auto q = rest.find(u';');
        m.EndMark = CutMarker(rest.substr(0, q));
        std::u16string_view colorText =
            q == std::u16string_view::npos ? std::u16string_view() : rest.substr(q + 1);
        m.MarkColor = IsBlankText(colorText) ? DefKeyColor : ParseColorText(colorText);
    }
}

void TColorRule::CompileLineEnd(const TStringList& list) {
    PrepareMarkers();
    const int lines = std::min<int>(int(list.size()), FMarkerCount);
    for (int i = 0; i < lines; ++i) {
        std::u16string_view line(list[std::size_t(i)]);
        std::u16string_view marker = line;
        std::u16string_view colorText;
        auto p = line.find(u';');
        if (p == 0) {
            // ";;colour" names the marker ';'; a lone ';' or ";x" is a marker as written.
            if (line.size() > 1 && line[1] == u';') {
                marker = line.substr(0, 1);
                colorText = line.substr(2);
            }
        } else if (p != std::u16string_view::npos) {
            marker = line.substr(0, p);
            colorText = line.substr(p + 1);
        }
        auto& m = FMarkers[std::size_t(i)];
        m.BegMark = CutMarker(marker);
        m.MarkColor = IsBlankText(colorText) ? DefKeyColor : ParseColorText(colorText);
    }
}

// ---------------------------------------------------------------------------------------------
// TDrawRules

TColorRule& TDrawRules::Add() {
    FItems.push_back(std::make_unique<TColorRule>(this));
    return *FItems.back();
}

void TDrawRules::Delete(int index) {
    FItems.erase(FItems.begin() + index);
}

void TDrawRules::Move(int from, int to) {
    auto item = std::move(FItems[std::size_t(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(item));
}

void TDrawRules::Assign(const TDrawRules& source) {
    if (&source == this) return;
    FItems.clear();
    for (const auto& item : source.FItems)
        Add().Assign(*item);
}

void TDrawRules::CompileRules() {
    if (!FNeedCompile) {
        FNeedCompile = true;
        return;
    }
    bool any = false;
    for (auto& rule : FItems)
        if (rule->Compile()) any = true;
    FNeedCompile = !any;
}
