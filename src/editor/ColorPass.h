#pragma once
// The colour pass: after the edit window has painted its text in one colour, the pass collects the
// coloured spans of the painted stretch (hot spots, tabs, the caret line, the rules, the
// selection), merges them by priority into runs and paints the runs over the window's text.
// The pass reaches its editor only through TEditWindow, so the edit control is a thin adaptor and
// tests drive the pass with a fake window.

#include "editor/ColorRules.h"
#include "editor/EditWindow.h"
#include "editor/internal/MarkerMemo.h"
#include "editor/internal/RuleScan.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// One cell of the merge per character of the extent.
struct TColorCell {
    TColor CellColor = 0;
    std::uint8_t CellZOrder = 0;
    std::uint8_t CellFromList = 0;
    std::uint8_t CellUsed = 0;
};

// Priorities of the pass's own spans.
inline constexpr std::uint8_t zoTab = 255;
inline constexpr std::uint8_t zoSelection = 254;
inline constexpr std::uint8_t zoHotSpotMarker = 253;
inline constexpr std::uint8_t zoHotSpotText = 252;

class TColorPass : public TScanHost {
public:
    explicit TColorPass(TEditWindow& window);

    TDrawRules ColorRules;
    // False where colours cannot be drawn; the pass then draws nothing.
    bool ColorsUsable = true;

    // One pass: all visible lines, or only the caret's line.
    void RedrawColors(bool CaretLineOnly);
    // The characters [index, index + removed) of the window's text were replaced by `added` new
    // ones (global indexes, CR LF counting two): what the pass remembers about the text there is
    // forgotten and what lies after it moves along.
    void TextChanged(int index, int removed, int added);

    // The pass's own producers, under the same contract as the rule scans.
    int ScanHotSpots(int count, const TTextStretch& text, TKeyDescrList& list);
    int ScanHotSpots(int count, TTextSearch& text, TKeyDescrList& list);
    int ScanTabs(int count, const TTextStretch& text, TKeyDescrList& list);

    // After a pass: the runs from slot 0 up to the first free slot.
    const TKeyDescrList& KeyDescrs() const { return FKeyDescrs; }
    // Where the last pass's copy of the text begins and ends, and where its scans began.
    int StretchStart() const { return FCopyStart; }
    int StretchEnd() const { return FEnd; }
    int ScanStart() const { return FFrom; }
    std::size_t TextBufSize() const { return FTextBuf.size(); }
    std::size_t CellsSize() const { return FCells.size(); }
    // Characters read from the window by the last pass, copies and searches together.
    long CharsRead() const { return FCharsRead; }

private:
    // A copied part of the stretch, [Start, End) at FTextBuf[Buf]. A stretch whose lines are all
    // short is one piece; a long line shown only in part gives just the part on screen and a margin.
    struct TPiece {
        int Start = 0;
        int End = 0;
        std::size_t Buf = 0;
    };
    class TPieceSearch;
    // What one pass covers: the painted lines from First; the text copied from CopyStart and
    // scanned from From, both up to End; Cut when the copy was made in pieces.
    struct TStretch {
        int First = 0;
        int CopyStart = 0;
        int From = 0;
        int End = 0;
        bool Cut = false;
    };

    TStretch FindStretch(bool caretLineOnly, int selStart, int lineHeight) const;
    int ScanLine(int first) const;
    void CopyStretch(TStretch& stretch);
    bool PlanPieces(int first, int copyStart, int end);
    void CopyPieces();
    // The copy of an uncut stretch from where its scans begin.
    TTextStretch WholeText(const TStretch& stretch) const;
    int CollectSpans(const TStretch& stretch, TPieceSearch& search, int selStart, int selLength);
    int ScanPieceTabs(int count, int from);
    int ScanRules(int count, const TStretch& stretch, TPieceSearch& search);
    int ScanKeysNear(TColorRule& rule, int count, int from, int end);
    void MergeRuns(int count, bool cut);
    bool WidenCutRuns(int copyStart, int end);
    bool Hidden(const TKeyDescr& run) const;
    // The copied characters [start, end), cut at the end of their piece; empty outside the pieces.
    std::u16string_view Chars(int start, int end) const;
    void Merge(int count, int first, int last);
    void MakeRuns(int first, int last);
    void PublishRuns();
    void DrawRuns(int lineHeight);
    void DrawMultiLine(const TKeyDescr& run, TPoint at, int y2);

    TEditWindow& FWindow;
    TCanvas FCanvas;
    std::vector<char16_t> FTextBuf;
    std::vector<TColorCell> FCells;
    TKeyDescrList FKeyDescrs{100};
    std::vector<TPiece> FPieces;
    std::vector<std::pair<int, int>> FHidden; // copied but off screen: [start, end)
    std::vector<TKeyDescr> FRuns;
    std::set<int> FWholeLines; // lines this pass takes whole though they are long
    // Per marker scan, places its scan from FPlacesFrom passes through outside any span, ascending.
    // Those after the last edit are only likely: they hold again once the scan, walking on from
    // the edit, stands on one of them.
    struct TPlaces {
        std::vector<int> Sure;
        std::vector<int> Likely;
    };
    std::map<std::u16string, TPlaces> FPlaces;
    int FPlacesFrom = -1;
    std::vector<char16_t> FKeyText;
    TMarkerMemo FMemo;
    int FTextLength = -1; // as the last text change left it; -1 unknown
    long FCharsRead = 0;
    int FCopyStart = 0;
    int FFrom = 0;
    int FEnd = 0;
};
