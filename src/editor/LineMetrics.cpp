#include "editor/internal/LineMetrics.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Long enough that a line in view needs few shapings, short enough that shaping one stays cheap.
constexpr int SegmentLength = 256;

std::uint64_t NextVersion() {
    static std::uint64_t last = 0;
    return ++last;
}

} // namespace

void TCharWidths::SetFont(const QFont& font) {
    FFont = font;
    FBmp.assign(0x10000, std::numeric_limits<float>::quiet_NaN());
    FOther.clear();
}

qreal TCharWidths::Of(char32_t c) const {
    if (c < 0x10000) {
        float& w = FBmp[c];
        if (std::isnan(w)) w = float(QFontMetricsF(FFont).horizontalAdvance(QChar(char16_t(c))));
        return w;
    }
    for (const auto& [known, w] : FOther)
        if (known == c) return w;
    const char32_t one[] = {c};
    const float w = float(QFontMetricsF(FFont).horizontalAdvance(QString::fromUcs4(one, 1)));
    FOther.emplace_back(c, w);
    return w;
}

qreal TCharWidths::Of(QStringView text) const {
    if (FBmp.empty()) return 0;
    qreal sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            sum += Of(QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else {
            sum += Of(char32_t(c));
        }
    }
    return sum;
}

std::vector<TSegment> TLineMetrics::Cut(QStringView text, int start, const TCharWidths& widths) const {
    std::vector<TSegment> segs;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == QLatin1Char('\t')) {
            segs.push_back(TSegment{start + int(i), 1, 0, true, false, false});
            ++i;
            continue;
        }
        qsizetype end = i;
        const qsizetype limit = std::min(text.size(), i + SegmentLength);
        while (end < limit && text[end] != QLatin1Char('\t'))
            ++end;
        // A cut never parts a surrogate pair or a character from its marks.
        if (end < text.size() && text[end] != QLatin1Char('\t')) {
            qsizetype back = end;
            while (back > i + 1 && (text[back].isLowSurrogate() || text[back].isMark()))
                --back;
            end = back;
        }
        TSegment s{start + int(i), int(end - i), 0, false, false, false};
        const QStringView part = text.mid(i, end - i);
        s.Complex = std::any_of(part.begin(), part.end(),
                                [](QChar c) { return TCharWidths::NeedsShaping(c.unicode()); });
        s.Width = widths.Of(part);
        segs.push_back(s);
        i = end;
    }
    return segs;
}

TLineMetrics::~TLineMetrics() {
    if (FTally) FTally->erase(FEntry);
}

void TLineMetrics::Tally(std::multiset<qreal>& tally) {
    const qreal width = Width();
    if (FTally == &tally && *FEntry == width) return;
    if (FTally) FTally->erase(FEntry);
    FTally = &tally;
    FEntry = tally.insert(width);
}

void TLineMetrics::Build(QStringView text, const TCharWidths& widths) {
    FSegs = Cut(text, 0, widths);
    FVersion = NextVersion();
    FLength = int(text.size());
    FValidX = 0;
}

void TLineMetrics::Change(int column, int removed, int added, const TTextOf& textOf,
                          const TCharWidths& widths) {
    const int newLength = FLength - removed + added;
    FVersion = NextVersion();
    if (FSegs.empty()) {
        FLength = newLength;
        FSegs = Cut(textOf(0, newLength), 0, widths);
        FValidX = 0;
        return;
    }
    // The segments from the one before the change (its last characters may now join a mark) to the
    // one holding the change's last removed character.
    const int first = std::max(0, SegmentAt(column) - (column > 0 ? 1 : 0));
    const int last = SegmentAt(std::max(column, column + removed - 1));
    const int from = FSegs[std::size_t(first)].Start;
    const int oldEnd = FSegs[std::size_t(last)].Start + FSegs[std::size_t(last)].Length;
    const int newEnd = oldEnd - removed + added;
    std::vector<TSegment> fresh = Cut(textOf(from, newEnd), from, widths);
    const int shift = added - removed;
    for (std::size_t k = std::size_t(last) + 1; k < FSegs.size(); ++k)
        FSegs[k].Start += shift;
    FSegs.erase(FSegs.begin() + first, FSegs.begin() + last + 1);
    FSegs.insert(FSegs.begin() + first, fresh.begin(), fresh.end());
    FLength = newLength;
    FValidX = std::min(FValidX, std::size_t(first));
}

int TLineMetrics::SegmentAt(int column) const {
    if (FSegs.empty()) return -1;
    const auto it = std::upper_bound(FSegs.begin(), FSegs.end(), column,
                                     [](int c, const TSegment& s) { return c < s.Start; });
    return int(std::max<std::ptrdiff_t>(0, (it - FSegs.begin()) - 1));
}

void TLineMetrics::UpdateX() const {
    if (FX.size() != FSegs.size() + 1) {
        FX.resize(FSegs.size() + 1);
        FValidX = std::min(FValidX, FSegs.size());
    }
    if (FValidX == 0) FX[0] = 0;
    for (std::size_t k = std::max<std::size_t>(FValidX, 1); k <= FSegs.size(); ++k) {
        const TSegment& s = FSegs[k - 1];
        const qreal x = FX[k - 1];
        // A tab reaches the next tab stop past where it stands, as the shaped text would place it.
        FX[k] = s.Tab ? (FTabStop > 0 ? (std::floor(x / FTabStop + 1e-6) + 1) * FTabStop : x) : x + s.Width;
    }
    FValidX = FSegs.size() + 1;
}

qreal TLineMetrics::Width() const {
    if (FSegs.empty()) return 0;
    UpdateX();
    return FX.back();
}

qreal TLineMetrics::SegmentX(int segment) const {
    UpdateX();
    return FX[std::size_t(std::clamp<int>(segment, 0, int(FSegs.size())))];
}

int TLineMetrics::SegmentAtX(qreal x) const {
    if (FSegs.empty()) return -1;
    UpdateX();
    const auto it = std::upper_bound(FX.begin(), FX.begin() + qsizetype(FSegs.size()), x);
    return int(std::clamp<std::ptrdiff_t>((it - FX.begin()) - 1, 0, std::ptrdiff_t(FSegs.size()) - 1));
}

void TLineMetrics::SetShapedWidth(int segment, qreal width) {
    TSegment& s = FSegs[std::size_t(segment)];
    if (s.Shaped && s.Width == width) return;
    s.Width = width;
    s.Shaped = true;
    FValidX = std::min(FValidX, std::size_t(segment) + 1);
}

qreal TLineMetrics::XOf(int column, const TCharWidths& widths, const TTextOf& textOf,
                        const std::function<qreal(int segment, int offset)>& within) const {
    const int k = SegmentAt(column);
    if (k < 0) return 0;
    const TSegment& s = FSegs[std::size_t(k)];
    const qreal x = SegmentX(k);
    const int offset = std::clamp(column - s.Start, 0, s.Length);
    if (offset == 0) return x;
    if (offset == s.Length) return SegmentX(k + 1);
    if ((s.Complex || s.Shaped) && within) return x + within(k, offset);
    return x + widths.Of(textOf(s.Start, s.Start + offset));
}
