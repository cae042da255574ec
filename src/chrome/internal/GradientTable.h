#pragma once
// The caption gradient's colours: two sets of up to 256 entries, from black to the inactive and
// to the active caption colour. Computed once per change, read by every paint.

#include <QColor>

#include <array>

// The integer nearest to x, halves going to the even neighbour (independent of the FPU's mode).
int RoundHalfEven(double x);

struct TGradientTable {
    static constexpr int MinColors = 8;
    static constexpr int MaxColors = 256;
    // Set 0 ends in the inactive caption colour, set 1 in the active one; only the first
    // `Count` entries of each set are used.
    std::array<std::array<QRgb, MaxColors>, 2> Sets{};
    int Count = 0;

    const QRgb* Set(bool active) const { return Sets[active ? 1 : 0].data(); }
};

// Fills both sets for `count` steps (MinColors .. MaxColors): entry j of a set is the end colour
// K scaled by j / (count - 1), each component rounded to nearest.
void BuildGradientTable(TGradientTable& table, int count, QColor inactiveEnd, QColor activeEnd);
