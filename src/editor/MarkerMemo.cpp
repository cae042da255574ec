#include "editor/internal/MarkerMemo.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <iterator>

namespace {

// Text is read in pieces growing from the first size to the last while a search goes past what is
// known: a marker is often near, and a long search should not copy in small steps.
constexpr int FirstChunk = 1 << 10;
constexpr int LastChunk = 1 << 16;
// Occurrences kept after an edit. Moving them all along would cost as much as the line is long;
// those dropped are found again by reading from the last kept, which they lie close after.
constexpr std::size_t HitsKeptAfterEdit = 4096;

bool StartsBefore(const std::pair<int, int>& interval, int p) {
    return interval.first < p;
}

} // namespace

void TMarkerMemo::AddSearched(TKnown& known, int start, int end) {
    if (start >= end) return;
    auto& s = known.Searched;
    // The intervals touching [start, end] are merged into one.
    auto first = std::lower_bound(s.begin(), s.end(), start, StartsBefore);
    if (first != s.begin() && std::prev(first)->second >= start) --first;
    auto last = first;
    while (last != s.end() && last->first <= end) {
        start = std::min(start, last->first);
        end = std::max(end, last->second);
        ++last;
    }
    first = s.erase(first, last);
    s.insert(first, {start, end});
}

int TMarkerMemo::Find(std::u16string_view what, int from) {
    const int n = int(what.size());
    auto found = FMarkers.find(what);
    if (found == FMarkers.end()) found = FMarkers.emplace(std::u16string(what), TKnown{}).first;
    TKnown& known = found->second;
    // An occurrence must end at or before Limit: the last start that can hold one.
    const int lastStart = Limit - n;
    int p = std::max(from, 0);
    int chunk = FirstChunk;
    while (p <= lastStart) {
        // The interval holding p, if any, and the one after it.
        auto next = std::lower_bound(known.Searched.begin(), known.Searched.end(), p + 1, StartsBefore);
        if (next != known.Searched.begin() && std::prev(next)->second > p) {
            const int searchedEnd = std::prev(next)->second;
            auto hit = std::lower_bound(known.Hits.begin(), known.Hits.end(), p);
            if (hit != known.Hits.end() && *hit < searchedEnd) return *hit <= lastStart ? *hit : -1;
            p = searchedEnd;
            continue;
        }
        // Unknown ground: read up to the next known stretch, a chunk at most.
        int stop = p + std::min(chunk, lastStart + 1 - p);
        chunk = std::min(chunk * 2, LastChunk);
        if (next != known.Searched.end()) stop = std::min(stop, next->first);
        const int readEnd = stop + n - 1;
        FChunk.resize(std::size_t(readEnd - p));
        FWindow.GetTextRange(p, readEnd, FChunk.data());
        FCharsRead += readEnd - p;
        const auto at = std::u16string_view(FChunk.data(), FChunk.size()).find(what);
        if (at != std::u16string_view::npos) {
            const int hit = p + int(at);
            known.Hits.insert(std::lower_bound(known.Hits.begin(), known.Hits.end(), hit), hit);
            AddSearched(known, p, hit + 1);
            return hit;
        }
        AddSearched(known, p, stop);
        p = stop;
    }
    return -1;
}

void TMarkerMemo::TextChanged(int index, int removed, int added) {
    const int delta = added - removed;
    for (auto& [marker, known] : FMarkers) {
        // Occurrences starting in [cutStart, cutEnd) may have changed; those after move along.
        const int cutStart = index - int(marker.size()) + 1;
        const int cutEnd = index + removed;
        auto& hits = known.Hits;
        const auto changed = std::lower_bound(hits.begin(), hits.end(), cutStart);
        auto after = std::lower_bound(changed, hits.end(), cutEnd);
        int forgetFrom = INT_MAX; // in the new text
        // The far ones go first, so that erasing the changed ones moves only those kept.
        if (std::size_t(hits.end() - after) > HitsKeptAfterEdit) {
            hits.erase(after + std::ptrdiff_t(HitsKeptAfterEdit), hits.end());
            forgetFrom = hits.back() + delta + 1;
        }
        auto cut = hits.erase(changed, after);
        for (; cut != hits.end(); ++cut)
            *cut += delta;

        std::vector<std::pair<int, int>> searched;
        searched.reserve(known.Searched.size() + 1);
        auto keep = [&](int start, int end) {
            end = std::min(end, forgetFrom);
            if (start < end) searched.emplace_back(start, end);
        };
        for (const auto& [start, end] : known.Searched) {
            if (start < cutStart) keep(start, std::min(end, cutStart));
            if (end > cutEnd) keep(std::max(start, cutEnd) + delta, end + delta);
        }
        known.Searched = std::move(searched);
    }
}
