#pragma once
// Colour rules of the SQL editor: keyword lists, begin/end markers and begin-to-line-end markers,
// each entry with an optional colour, compiled into flat tables that the rule scans match against
// the painted text. Text is UTF-16 code units; upper-casing is ASCII only.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using TColor = std::uint32_t; // 0x00BBGGRR, or 0x80000000 + n for system colour n

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowText = 0x80000008;

enum TKeyDrawingType : std::uint8_t { dtKeyShow = 0, dtEventDraw = 1, dtBeginEnd = 2, dtBeginLineEnd = 3 };

using TStringList = std::vector<std::u16string>;

// A colour text of a list entry ("BLUE", "#FF0000", "$FF0000", "FF0000") as a TColor; anything
// unreadable is white.
TColor ParseColorText(std::u16string_view text);

// ASCII-only upper-casing, the folding every comparison of the editor uses.
inline char16_t AsciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

// Markers are cut to this many units.
inline constexpr std::size_t MarkerMaxLength = 6;
inline constexpr int MarkerTableSize = 40;
inline constexpr int KeyColorCount = 41;

struct TMarkerPair {
    std::u16string BegMark; // empty: ends the table
    std::u16string EndMark; // empty for line-end markers
    TColor MarkColor = 0;
    int FoundAt = 0; // work field of the scan
};

struct TKeyEntry {
    std::uint32_t Offset = 0; // into the rule's key character pool
    std::uint32_t Length = 0;
    int ColorCode = 0; // 1..41, index + 1 into the key colours
};

class TDrawRules;
class TScanHost;
class TKeyDescrList;
class TTextSearch;
struct TTextStretch;
struct TScanScope;

class TColorRule {
public:
    // A rule added to `collection` reports to the collection's owner; a rule made on its own
    // (nullptr) scans without one.
    explicit TColorRule(TDrawRules* collection = nullptr);
    TColorRule(const TColorRule&) = delete;
    TColorRule& operator=(const TColorRule&) = delete;

    // Copies the settings and lists, but not IntChar or KeySelColor.
    void Assign(const TColorRule& source);

    std::uint8_t ZOrder = 0;
    std::u16string IntChar;
    int KeyMaxHeight = 1;
    TKeyDrawingType KeyDrawingType = dtBeginEnd;
    bool Enabled = true;
    bool PartWord = false;
    TColor DefKeyColor = clRed;
    TColor KeySelColor = clYellow;
    TColor KeyBrushColor = clWindow;

    bool KeyCase() const { return FKeyCase; }
    // Takes effect at the next compilation; tables compiled earlier keep their case.
    void SetKeyCase(bool value) { FKeyCase = value; }

    // The rule's own lists. Editing them directly is picked up by the next compilation of the
    // collection; the setters compile at once.
    TStringList& Keywords() { return FKeywords; }
    TStringList& KeyBegEndLst() { return FKeyBegEndLst; }
    TStringList& KeyLineEndLst() { return FKeyLineEndLst; }
    const TStringList& Keywords() const { return FKeywords; }
    const TStringList& KeyBegEndLst() const { return FKeyBegEndLst; }
    const TStringList& KeyLineEndLst() const { return FKeyLineEndLst; }
    void SetKeywords(const TStringList& list);
    void SetKeyBegEndLst(const TStringList& list);
    void SetKeyLineEndLst(const TStringList& list);

    // Compiles the lists the kind needs; true when the rule has content.
    bool Compile();

    // Appends the rule's spans over `text` from slot `count` on; returns the new count.
    int Scan(int count, const TTextStretch& text, TKeyDescrList& list);
    // The same for a begin/end or line-end rule reading its text through `text`.
    int ScanMarkers(int count, TTextSearch& text, TKeyDescrList& list);
    // The keyword spans of `scope` only. -1 when `text` starts too close to EmitFrom to be sure of
    // the spans of a key that can overlap itself: the caller then hands over more text before.
    int ScanKeys(int count, const TTextStretch& text, const TScanScope& scope, TKeyDescrList& list);
    std::size_t MaxKeyLength() const { return FMaxKeyLength; }

    TScanHost* Memo() const { return FMemo; }

    // The compiled tables, read by the scans and by whoever inspects a rule.
    std::size_t KeyCount() const { return FKeyTable.size(); }
    std::u16string_view KeyText(std::size_t i) const {
        return std::u16string_view(FKeyChars).substr(FKeyTable[i].Offset, FKeyTable[i].Length);
    }
    int KeyColorCode(std::size_t i) const { return FKeyTable[i].ColorCode; }
    TColor KeyColorOf(std::size_t i) const { return FKeyColors[FKeyTable[i].ColorCode - 1]; }
    const std::array<TColor, KeyColorCount>& KeyColors() const { return FKeyColors; }
    int MarkerCount() const { return FMarkerCount; }
    const TMarkerPair* Markers() const { return FMarkers.get(); }

private:
    void CompileKeywords(const TStringList& list);
    void CompileBegEnd(const TStringList& list);
    void CompileLineEnd(const TStringList& list);
    void PrepareMarkers();
    void SetMarkerCapacity(int n);
    void BuildKeyIndex();

    bool SureFrom(const char16_t* s, std::size_t upTo) const;
    int ScanBeginEnd(int count, TTextSearch& text, TKeyDescrList& list);
    int ScanBeginLineEnd(int count, TTextSearch& text, TKeyDescrList& list);
    int ScanEvent(int count, const TTextStretch& text, TKeyDescrList& list);
    void FindMarkersFromStart(TTextSearch& text, int p);
    int WinningMarker(TTextSearch& text, int p);

    TScanHost* FMemo = nullptr;
    bool FKeyCase = false;
    TStringList FKeywords;
    TStringList FKeyBegEndLst;
    TStringList FKeyLineEndLst;

    int FMarkerCount = 0;
    std::unique_ptr<TMarkerPair[]> FMarkers;

    std::vector<TKeyEntry> FKeyTable;
    std::u16string FKeyChars; // every key back to back, in table order
    std::array<TColor, KeyColorCount> FKeyColors{};

    // Keys grouped by their first unit (one-unit keys) or first two units (longer keys), each group
    // in table order, so a scan visits every text position once and tries only the keys that can
    // start there, instead of searching the text once per key.
    static constexpr std::size_t PairBuckets = 1024;
    static std::size_t PairBucket(char16_t c0, char16_t c1) {
        return std::size_t((c0 & 31) << 5 | (c1 & 31));
    }
    std::array<std::uint32_t, 257> FSingleStart{};
    std::vector<std::uint32_t> FSingleKeys;
    std::vector<std::uint32_t> FPairStart; // PairBuckets + 1 entries
    std::vector<std::uint32_t> FPairKeys;
    // Keys of two or more units whose start recurs at their end ("--", "ABA"): only these can
    // overlap their own last occurrence, so only these make a scan depend on text far before.
    std::vector<std::uint32_t> FSelfOverlapping;
    std::size_t FMaxKeyLength = 0;

    std::vector<char16_t> FUpperText;        // upper-cased copy of the scanned text, grows only
    std::vector<std::uint32_t> FNextSearch;  // per key: where its next occurrence may start
    std::vector<std::uint64_t> FOccurrences; // work list of the keyword scan
};

// The ordered rule collection of one editor.
class TDrawRules {
public:
    explicit TDrawRules(TScanHost* memo = nullptr) : FMemo(memo) {}
    TDrawRules(const TDrawRules&) = delete;
    TDrawRules& operator=(const TDrawRules&) = delete;

    TColorRule& Add();
    void Delete(int index);
    void Clear() { FItems.clear(); }
    void Move(int from, int to);
    // Replaces the rules with copies of `source`'s (settings and lists through Assign).
    void Assign(const TDrawRules& source);

    int Count() const { return int(FItems.size()); }
    TColorRule& operator[](int index) { return *FItems[std::size_t(index)]; }
    const TColorRule& operator[](int index) const { return *FItems[std::size_t(index)]; }

    // Run at the start of every colour pass: compiles everything while no rule has content, and
    // every second pass once one has.
    void CompileRules();
    bool NeedCompile() const { return FNeedCompile; }

    TScanHost* Memo() const { return FMemo; }

private:
    TScanHost* FMemo;
    bool FNeedCompile = true;
    std::vector<std::unique_ptr<TColorRule>> FItems;
};
