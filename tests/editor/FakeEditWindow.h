#pragma once
// An edit window for driving the colour pass without a display: monospace cells of 8 x 16 pixels,
// tab stops every 4 columns, a first visible line and a client bottom the test sets. It records
// every text output, and keeps a picture of the client area so a test can ask what the user sees
// on a character.

#include "editor/ColorPass.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TOutput {
    int X = 0;
    int Y = 0;
    std::u16string Text;
    TTextAttr Attr;
};

class TFakeEditWindow : public TEditWindow {
public:
    static constexpr int CharWidth = 8;
    static constexpr int Height = 16;

    TFakeEditWindow() { SetText(u""); }

    void SetText(std::u16string text) {
        FText = std::move(text);
        FLineStarts = {0};
        for (std::size_t p = FText.find(u"\r\n"); p != std::u16string::npos; p = FText.find(u"\r\n", p + 2))
            FLineStarts.push_back(int(p) + 2);
        FTabs.clear();
        FTabColumns.clear();
        for (std::size_t p = FText.find(u'\t'); p != std::u16string::npos; p = FText.find(u'\t', p + 1)) {
            const int start = FLineStarts[std::size_t(LineFromChar(int(p)))];
            const bool sameLine = !FTabs.empty() && FTabs.back() >= start;
            const int column = sameLine ? FTabColumns.back() + int(p) - FTabs.back() - 1 : int(p) - start;
            FTabs.push_back(int(p));
            FTabColumns.push_back((column / 4 + 1) * 4);
        }
    }
    const std::u16string& Text() const { return FText; }

    int First = 0;
    int Bottom = 10 * Height; // ten full lines
    int Sel = 0;
    int SelLen = 0;
    bool Tabs = false;
    bool Always = false;
    TColor Font = clWindowText;
    TColor Background = clWindow;
    bool Enabled = true;
    bool Visible = true;
    bool Parented = true;
    THotSpot Hot;
    TKeyDrawEvent DrawKey;
    // Shown columns per line; a line not listed is shown whole.
    std::map<int, std::pair<int, int>> ShownSlices;

    // Off for benchmarks: outputs are then only counted, in Drawn.
    bool Record = true;
    long Drawn = 0;
    std::vector<TOutput> Outputs;
    mutable std::vector<std::pair<int, int>> RangesCopied; // text range requests, [start, end)
    int Hidden = 0;
    int Shown = 0;

    void ClearRecord() {
        Outputs.clear();
        RangesCopied.clear();
        FScreen.clear();
        Hidden = Shown = 0;
    }

    // What the user sees on the character at `index`: the look of the last output over it, or
    // nothing when only the window's own painting is there (or the character is out of view).
    std::optional<TTextAttr> Seen(int index) const {
        auto it = FScreen.find(Cell(PosFromChar(index)));
        if (it == FScreen.end()) return std::nullopt;
        return it->second.second;
    }
    // The character the last output put over `index`, 0 when none did.
    char16_t SeenChar(int index) const {
        auto it = FScreen.find(Cell(PosFromChar(index)));
        return it == FScreen.end() ? 0 : it->second.first;
    }
    std::optional<TColor> SeenColor(int index) const {
        auto a = Seen(index);
        return a ? std::optional<TColor>(a->Font) : std::nullopt;
    }
    // Every visible drawn cell as (row, column) -> (character, look).
    const std::map<std::pair<int, int>, std::pair<char16_t, TTextAttr>>& Screen() const { return FScreen; }

    int IndexOf(std::u16string_view what, int nth = 0) const {
        std::size_t p = FText.find(what);
        while (nth-- > 0 && p != std::u16string::npos)
            p = FText.find(what, p + 1);
        return p == std::u16string::npos ? -1 : int(p);
    }

    // TEditWindow
    int FirstVisibleLine() const override { return First; }
    int LineFromChar(int index) const override {
        auto it = std::upper_bound(FLineStarts.begin(), FLineStarts.end(), std::max(index, 0));
        return int(it - FLineStarts.begin()) - 1;
    }
    int LineIndex(int line) const override {
        return line >= 0 && line < int(FLineStarts.size()) ? FLineStarts[std::size_t(line)] : -1;
    }
    int LineLength(int index) const override {
        const int line = LineFromChar(index);
        const int start = FLineStarts[std::size_t(line)];
        const int next =
            line + 1 < int(FLineStarts.size()) ? FLineStarts[std::size_t(line) + 1] - 2 : int(FText.size());
        return next - start;
    }
    TPoint PosFromChar(int index) const override {
        const int line = LineFromChar(index);
        // The column after the last tab before the character on its line, and plain columns on.
        const int start = FLineStarts[std::size_t(line)];
        index = std::min(index, int(FText.size()));
        const auto t = std::lower_bound(FTabs.begin(), FTabs.end(), index);
        int column = std::max(index - start, 0);
        if (t != FTabs.begin() && *std::prev(t) >= start) {
            const auto k = std::size_t(std::prev(t) - FTabs.begin());
            column = FTabColumns[k] + index - FTabs[k] - 1;
        }
        return TPoint{column * CharWidth, (line - First) * Height};
    }
    int LineCount() const override {
        if (FText.empty()) return 0;
        const int n = int(FLineStarts.size());
        return FText.ends_with(u"\r\n") ? n - 1 : n;
    }
    void GetTextRange(int start, int end, char16_t* dest) const override {
        if (Record) RangesCopied.emplace_back(start, end);
        std::copy(FText.begin() + start, FText.begin() + end, dest);
    }
    int ClientBottom() const override { return Bottom; }
    int LineHeight() const override { return Height; }
    int TextWidth(std::u16string_view text) const override { return int(text.size()) * CharWidth; }
    void TextOut(int x, int y, std::u16string_view text, const TTextAttr& attr) override {
        Drawn += long(text.size());
        if (!Record) return;
        Outputs.push_back(TOutput{x, y, std::u16string(text), attr});
        // Only what falls inside the client area shows.
        if (y + Height <= 0 || y >= Bottom) return;
        const auto [row, column] = Cell(TPoint{x, y});
        for (std::size_t j = 0; j < text.size(); ++j)
            FScreen[{row, column + int(j)}] = {text[j], attr};
    }
    void HideCaret() override { ++Hidden; }
    void ShowCaret() override { ++Shown; }
    int SelStart() const override { return Sel; }
    int SelLength() const override { return SelLen; }
    bool WantTabs() const override { return Tabs; }
    bool RedrawAlways() const override { return Always; }
    TColor FontColor() const override { return Font; }
    TColor Color() const override { return Background; }
    bool IsEnabled() const override { return Enabled; }
    bool IsVisible() const override { return Visible; }
    bool HasParent() const override { return Parented; }
    const THotSpot& HotSpot() const override { return Hot; }
    const TKeyDrawEvent& OnDrawKey() const override { return DrawKey; }
    std::pair<int, int> ShownColumns(int line) const override {
        auto it = ShownSlices.find(line);
        return it == ShownSlices.end() ? TEditWindow::ShownColumns(line) : it->second;
    }

private:
    static std::pair<int, int> Cell(TPoint at) {
        const int row = at.Y >= 0 ? at.Y / Height : -1 - (-at.Y - 1) / Height;
        return {row, at.X / CharWidth};
    }

    std::u16string FText;
    std::vector<int> FLineStarts;
    std::vector<int> FTabs;       // indexes of every tab
    std::vector<int> FTabColumns; // the column after each tab
    std::map<std::pair<int, int>, std::pair<char16_t, TTextAttr>> FScreen;
};
