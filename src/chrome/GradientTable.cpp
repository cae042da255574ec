#include "chrome/internal/GradientTable.h"

#include <cmath>

int RoundHalfEven(double x) {
    const double lower = std::floor(x);
    const double fraction = x - lower;
    int n = int(lower);
    if (fraction > 0.5 || (fraction == 0.5 && (n % 2 != 0))) ++n;
    return n;
}

void BuildGradientTable(TGradientTable& table, int count, QColor inactiveEnd, QColor activeEnd) {
    table.Count = count;
    const QColor ends[2] = {inactiveEnd, activeEnd};
    const double last = double(count - 1);
    for (int s = 0; s < 2; ++s) {
        const QColor k = ends[s];
        for (int j = 0; j < count; ++j) {
            table.Sets[std::size_t(s)][std::size_t(j)] =
                qRgb(RoundHalfEven(j * double(k.red()) / last), RoundHalfEven(j * double(k.green()) / last),
                     RoundHalfEven(j * double(k.blue()) / last));
        }
    }
}
