#pragma once
// The colour pass: after the edit window has painted its text in one colour, the pass collects the
// coloured spans of the painted stretch (hot spots, tabs, the caret line, the rules, the
// selection), merges them by priority into runs and paints the runs over the window's text.
// The pass reaches its editor only through TEditWindow, so the edit control is a thin adaptor and
// tests drive the pass with a fake window.

#include "ColorRules.h"
#include "RuleScan.h"

#include <functional>
#include <string_view>
#include <vector>

struct TPoint {
    int X = 0;
    int Y = 0;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
};

// How one text output looks: text colour, opaque background colour, underline.
struct TTextAttr {
    TColor Font = 0;
    TColor Brush = 0;
    bool Underline = false;
    friend bool operator==(const TTextAttr&, const TTextAttr&) = default;
};

// Link-like spans between two delimiter characters.
struct THotSpot {
    char16_t BeginChar = 30; // 0 switches hot-spot colouring off
    char16_t EndChar = 31;
    TColor Color = clBlue;
    TColor MarkerColor = clWindow;
    bool Active = false;
    bool Underlined = true;
    friend bool operator==(const THotSpot&, const THotSpot&) = default;
};

class TEditWindow;

// The drawing surface of a pass: the window's text output with the current colours and style.
class TCanvas {
public:
    explicit TCanvas(TEditWindow& window) : FWindow(window) {}
    TTextAttr Attr;
    void TextOut(int x, int y, std::u16string_view text);
    int TextWidth(std::u16string_view text) const;
    TEditWindow& Window() { return FWindow; }

private:
    TEditWindow& FWindow;
};

// Draws a keyword run in place of the pass: the run's text, the rectangle it would cover and the
// editor's font colour; the canvas already has the run's colour.
using TKeyDrawEvent = std::function<void(TCanvas& Canvas, std::u16string_view PKey, TRect Rect, TColor KColor)>;

// What the pass asks of its edit window. Character indexes count CR LF as two.
class TEditWindow {
public:
    virtual ~TEditWindow() = default;

    virtual int FirstVisibleLine() const = 0;
    virtual int LineFromChar(int index) const = 0;
    // Index of the line's first character; negative when there is no such line.
    virtual int LineIndex(int line) const = 0;
    // Length, without CR LF, of the line holding the character.
    virtual int LineLength(int index) const = 0;
    // Top-left corner of the character in client coordinates.
    virtual TPoint PosFromChar(int index) const = 0;
    // Number of lines, a trailing empty line not counted.
    virtual int LineCount() const = 0;
    // Copies the characters [start, end) to dest.
    virtual void GetTextRange(int start, int end, char16_t* dest) const = 0;
    virtual int ClientBottom() const = 0;
    virtual int LineHeight() const = 0;
    virtual int TextWidth(std::u16string_view text) const = 0;
    // Draws text at (x, y) in the window's font on an opaque background.
    virtual void TextOut(int x, int y, std::u16string_view text, const TTextAttr& attr) = 0;
    virtual void HideCaret() = 0;
    virtual void ShowCaret() = 0;

    virtual int SelStart() const = 0;
    virtual int SelLength() const = 0;
    virtual bool WantTabs() const = 0;
    virtual bool RedrawAlways() const = 0;
    virtual TColor FontColor() const = 0;
    virtual TColor Color() const = 0; // the background
    virtual bool IsEnabled() const = 0;
    virtual bool IsVisible() const = 0;
    virtual bool HasParent() const = 0;
    virtual const THotSpot& HotSpot() const = 0;
    virtual const TKeyDrawEvent& OnDrawKey() const = 0;
};

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

    // The pass's own producers, under the same contract as the rule scans.
    int ScanHotSpots(int count, const TTextStretch& text, TKeyDescrList& list);
    int ScanTabs(int count, const TTextStretch& text, TKeyDescrList& list);

    // After a pass: the runs from slot 0 up to the first free slot.
    const TKeyDescrList& KeyDescrs() const { return FKeyDescrs; }
    // Where the last pass's copy of the text begins and ends, and where its scans began.
    int StretchStart() const { return FCopyStart; }
    int StretchEnd() const { return FEnd; }
    int ScanStart() const { return FFrom; }
    std::size_t TextBufSize() const { return FTextBuf.size(); }
    std::size_t CellsSize() const { return FCells.size(); }

private:
    // The copied characters [start, end), cut at the end of the stretch; empty outside it.
    std::u16string_view Chars(int start, int end) const;
    void Merge(int count);
    void MakeRuns();
    void DrawRuns(int lineHeight);
    void DrawMultiLine(const TKeyDescr& run, TPoint at, int y2);

    TEditWindow& FWindow;
    TCanvas FCanvas;
    std::vector<char16_t> FTextBuf;
    std::vector<TColorCell> FCells;
    TKeyDescrList FKeyDescrs{100};
    int FCopyStart = 0;
    int FFrom = 0;
    int FEnd = 0;
};
