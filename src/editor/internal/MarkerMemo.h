#pragma once
// Where markers are in the editor's text, remembered between colour passes: a pass over a long line
// asks for the next '*/' or '#' far from the part on screen, and the answer stays good until the
// text changes near it. Each marker keeps the stretches searched and the occurrences found there;
// an edit forgets only what it may have changed and shifts the rest.

#include "editor/EditWindow.h"
#include "editor/internal/RuleScan.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TMarkerMemo : public TTextSearch {
public:
    explicit TMarkerMemo(const TEditWindow& window) : FWindow(window) {}

    int Find(std::u16string_view what, int from) override;
    // The characters [index, index + removed) became `added` new ones.
    void TextChanged(int index, int removed, int added);
    void Clear() { FMarkers.clear(); }
    // Characters read from the window since construction.
    long CharsRead() const { return FCharsRead; }

private:
    // Sorted vectors rather than trees: an edit shifts everything after it, which is one pass of
    // additions over plain integers.
    struct TKnown {
        std::vector<std::pair<int, int>> Searched; // [start, end) whose occurrences are all in Hits
        std::vector<int> Hits;
    };
    void AddSearched(TKnown& known, int start, int end);

    const TEditWindow& FWindow;
    std::map<std::u16string, TKnown, std::less<>> FMarkers;
    std::vector<char16_t> FChunk;
    long FCharsRead = 0;
};
