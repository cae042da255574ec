#pragma once
// What the colour pass asks of its edit window, and the few plain types that cross between the
// two: points, rectangles, text looks, hot-spot settings and the drawing surface.

#include "editor/ColorRules.h"

#include <climits>
#include <functional>
#include <string_view>
#include <utility>

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
using TKeyDrawEvent =
    std::function<void(TCanvas& Canvas, std::u16string_view PKey, TRect Rect, TColor KColor)>;

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

    // The columns [first, last) of the line that can be seen; the whole line unless the window
    // shows only part of it (a long line scrolled sideways). Columns count from the line's start.
    virtual std::pair<int, int> ShownColumns(int /*line*/) const { return {0, INT_MAX}; }
};
