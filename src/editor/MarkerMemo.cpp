#include "MarkerMemo.h"

#include <algorithm>
#include <iterator>

namespace {

// Text is read in pieces of this size when a search goes past what is known.
constexpr int ChunkSize = 1 << 16;

} // namespace

void TMarkerMemo::AddSearched(TKnown& known, int start, int end) {
    if (start >= end) return;
    auto& s = known.Searched;
    auto it = s.upper_bound(start);
    if (it != s.begin() && std::prev(it)->second >= start) {
        --it;
        start = it->first;
        end = std::max(end, it->second);
        it = s.erase(it);
    }
    while (it != s.end() && it->first <= end) {
        end = std::max(end, it->second);
        it = s.erase(it);
    }
    s.emplace(start, end);
}

int TMarkerMemo::Find(std::u16string_view what, int from) {
    const int n = int(what.size());
    auto found = FMarkers.find(what);
    if (found == FMarkers.end()) found = FMarkers.emplace(std::u16string(what), TKnown{}).first;
    TKnown& known = found->second;
    // An occurrence must end at or before Limit: the last start that can hold one.
    const int lastStart = Limit - n;
    int p = std::max(from, 0);
    while (p <= lastStart) {
        auto it = known.Searched.upper_bound(p);
        if (it != known.Searched.begin() && std::prev(it)->second > p) {
            const int searchedEnd = std::prev(it)->second;
            auto hit = known.Hits.lower_bound(p);
            if (hit != known.Hits.end() && *hit < searchedEnd) return *hit <= lastStart ? *hit : -1;
            p = searchedEnd;
            continue;
        }
        // Unknown ground: read up to the next known stretch, a chunk at most.
        int stop = std::min(p + ChunkSize, lastStart + 1);
        if (it != known.Searched.end()) stop = std::min(stop, it->first);
        const int readEnd = stop + n - 1;
        FChunk.resize(std::size_t(readEnd - p));
        FWindow.GetTextRange(p, readEnd, FChunk.data());
        FCharsRead += readEnd - p;
        const std::u16string_view chunk(FChunk.data(), FChunk.size());
        const auto at = chunk.find(what);
        if (at != std::u16string_view::npos) {
            const int hit = p + int(at);
            known.Hits.insert(hit);
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
        // Occurrences starting in [cutStart, cutEnd) may have changed; those after shift.
        const int cutStart = index - int(marker.size()) + 1;
        const int cutEnd = index + removed;
        const int shiftedEnd = cutEnd + delta;
        std::map<int, int> searched;
        for (const auto& [start, end] : known.Searched) {
            if (start < cutStart) searched.emplace(start, std::min(end, cutStart));
            if (end > cutEnd) {
                const int from = std::max(start, cutEnd) + delta;
                searched.emplace(std::max(from, shiftedEnd), end + delta);
            }
        }
        std::set<int> hits;
        for (const int hit : known.Hits)
            if (hit < cutStart)
                hits.insert(hits.end(), hit);
            else if (hit >= cutEnd)
                hits.insert(hits.end(), hit + delta);
        known.Searched.clear();
        for (const auto& [start, end] : searched)
            if (start < end) known.Searched.emplace(start, end);
        known.Hits = std::move(hits);
    }
}
