#include "workbench/grid/RowOrder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

constexpr std::uint64_t SignBit = std::uint64_t(1) << 63;

// The keys are taken from the cells once, then sorted with the row as the last key: equal values
// keep the server's order, and the plain std::sort is then as good as a stable one.
template <typename Key> struct TEntry {
    Key Value;
    std::uint32_t Row;
};

// Fills `entries` with parse(cell) for every row not NULL, the NULL rows going to `nulls`; false
// as soon as one cell does not parse, so the caller can read the column another way.
template <typename Key, typename Parse>
bool Extract(const TResultBlock& block, std::size_t col, std::size_t rows, Parse parse,
             std::vector<TEntry<Key>>& entries, std::vector<std::uint32_t>& nulls) {
    entries.clear();
    nulls.clear();
    entries.reserve(rows);
    const bool hasNulls = block.HasNulls();
    for (std::size_t row = 0; row < rows; ++row) {
        if (hasNulls && block.IsNull(row, col)) {
            nulls.push_back(static_cast<std::uint32_t>(row));
            continue;
        }
        Key key;
        if (!parse(block.Cell(row, col), key)) return false;
        entries.push_back({key, static_cast<std::uint32_t>(row)});
    }
    return true;
}

// `compare` is a three-way comparison of two keys.
template <typename Key, typename Compare>
std::vector<std::size_t> Finish(std::vector<TEntry<Key>>& entries, const std::vector<std::uint32_t>& nulls,
                                Compare compare, bool descending) {
    if (descending)
        std::sort(entries.begin(), entries.end(), [&](const TEntry<Key>& a, const TEntry<Key>& b) {
            const int c = compare(a.Value, b.Value);
            return c != 0 ? c > 0 : a.Row < b.Row;
        });
    else
        std::sort(entries.begin(), entries.end(), [&](const TEntry<Key>& a, const TEntry<Key>& b) {
            const int c = compare(a.Value, b.Value);
            return c != 0 ? c < 0 : a.Row < b.Row;
        });
    std::vector<std::size_t> order;
    order.reserve(entries.size() + nulls.size());
    if (!descending) order.insert(order.end(), nulls.begin(), nulls.end());
    for (const TEntry<Key>& e : entries)
        order.push_back(e.Row);
    if (descending) order.insert(order.end(), nulls.begin(), nulls.end());
    return order;
}

template <typename T> int Three(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// ---- Integers: 64-bit keys, signed or unsigned as the values need.

struct TInteger {
    std::uint64_t Magnitude;
    bool Negative;
};

bool ParseInteger(std::string_view s, TInteger& out) {
    std::size_t i = 0;
    out.Negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        out.Negative = s[0] == '-';
        i = 1;
    }
    if (i == s.size()) return false;
    std::uint64_t v = 0;
    for (; i < s.size(); ++i) {
        const unsigned d = static_cast<unsigned char>(s[i]) - unsigned('0');
        if (d > 9 || v > (std::numeric_limits<std::uint64_t>::max() - d) / 10) return false;
        v = v * 10 + d;
    }
    out.Magnitude = v;
    return true;
}

// Integers as unsigned keys in value order: signed values shifted by 2^63 when every value fits in
// int64, the plain magnitude when none is negative but some exceed INT64_MAX; false when the
// values span both (only a decimal comparison reads them exactly then).
bool IntegerOrder(const TResultBlock& block, std::size_t col, std::size_t rows, bool descending,
                  std::vector<std::size_t>& order) {
    std::vector<TEntry<TInteger>> parsed;
    std::vector<std::uint32_t> nulls;
    if (!Extract(block, col, rows, ParseInteger, parsed, nulls)) return false;
    bool negative = false, beyondSigned = false;
    for (const auto& e : parsed) {
        if (e.Value.Negative) {
            negative = true;
            if (e.Value.Magnitude > SignBit) return false;
        } else if (e.Value.Magnitude >= SignBit) {
            beyondSigned = true;
        }
    }
    if (negative && beyondSigned) return false;
    std::vector<TEntry<std::uint64_t>> entries;
    entries.reserve(parsed.size());
    for (const auto& e : parsed) {
        std::uint64_t key = e.Value.Magnitude;
        if (!beyondSigned) key = e.Value.Negative ? (~key + 1) ^ SignBit : key | SignBit;
        entries.push_back({key, e.Row});
    }
    parsed = {};
    order = Finish(entries, nulls, Three<std::uint64_t>, descending);
    return true;
}

// ---- Decimals: compared digit by digit, never through a binary fraction.

struct TDecimal {
    const char* Whole; // without leading zeros
    const char* Fraction;
    std::uint32_t WholeSize;
    std::uint32_t FractionSize; // without trailing zeros
    int Sign;                   // -1, 0 or 1
};

bool ParseDecimal(std::string_view s, TDecimal& out) {
    std::size_t i = 0;
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        i = 1;
    }
    const std::size_t wholeBegin = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i;
    std::size_t wholeEnd = i, fractionBegin = i, fractionEnd = i;
    if (i < s.size() && s[i] == '.') {
        fractionBegin = ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i;
        fractionEnd = i;
    }
    if (i != s.size() || (wholeEnd == wholeBegin && fractionEnd == fractionBegin)) return false;
    if (s.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    std::size_t w = wholeBegin;
    while (w < wholeEnd && s[w] == '0')
        ++w;
    while (fractionEnd > fractionBegin && s[fractionEnd - 1] == '0')
        --fractionEnd;
    out.Whole = s.data() + w;
    out.WholeSize = static_cast<std::uint32_t>(wholeEnd - w);
    out.Fraction = s.data() + fractionBegin;
    out.FractionSize = static_cast<std::uint32_t>(fractionEnd - fractionBegin);
    out.Sign = out.WholeSize == 0 && out.FractionSize == 0 ? 0 : (negative ? -1 : 1);
    return true;
}

int CompareMagnitude(const TDecimal& a, const TDecimal& b) {
    if (a.WholeSize != b.WholeSize) return a.WholeSize < b.WholeSize ? -1 : 1;
    if (int c = std::memcmp(a.Whole, b.Whole, a.WholeSize)) return c < 0 ? -1 : 1;
    // Without trailing zeros, the longer of two fractions sharing a prefix is the larger.
    const std::uint32_t common = std::min(a.FractionSize, b.FractionSize);
    if (int c = std::memcmp(a.Fraction, b.Fraction, common)) return c < 0 ? -1 : 1;
    return Three(a.FractionSize, b.FractionSize);
}

int CompareDecimal(const TDecimal& a, const TDecimal& b) {
    if (a.Sign != b.Sign) return a.Sign < b.Sign ? -1 : 1;
    const int c = CompareMagnitude(a, b);
    return a.Sign < 0 ? -c : c;
}

bool DecimalOrder(const TResultBlock& block, std::size_t col, std::size_t rows, bool descending,
                  std::vector<std::size_t>& order) {
    std::vector<TEntry<TDecimal>> entries;
    std::vector<std::uint32_t> nulls;
    if (!Extract(block, col, rows, ParseDecimal, entries, nulls)) return false;
    order = Finish(entries, nulls, CompareDecimal, descending);
    return true;
}

// ---- Floating point numbers.

bool ParseFloat(std::string_view s, double& out) {
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    // A NaN would break the ordering; none comes from the server, so such a column reads as text.
    return ec == std::errc() && end == s.data() + s.size() && !std::isnan(out);
}

bool FloatOrder(const TResultBlock& block, std::size_t col, std::size_t rows, bool descending,
                std::vector<std::size_t>& order) {
    std::vector<TEntry<double>> entries;
    std::vector<std::uint32_t> nulls;
    if (!Extract(block, col, rows, ParseFloat, entries, nulls)) return false;
    order = Finish(entries, nulls, Three<double>, descending);
    return true;
}

// ---- TIME: [-]hours:minutes:seconds[.fraction], where hours may pass 24 and the text alone does
// not sort ('-01:00:00' is before '-00:30:00', '100:00:00' after '99:00:00'). Dates and date-times
// have fixed-width fields and sort by their text.

bool ParseTime(std::string_view s, std::int64_t& out) {
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative) i = 1;
    auto number = [&](std::size_t maxDigits, std::int64_t& v) {
        const std::size_t begin = i;
        v = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - begin < maxDigits)
            v = v * 10 + (s[i++] - '0');
        return i > begin;
    };
    std::int64_t hours, minutes, seconds, micros = 0;
    if (!number(9, hours) || i >= s.size() || s[i++] != ':') return false;
    if (!number(2, minutes) || i >= s.size() || s[i++] != ':') return false;
    if (!number(2, seconds)) return false;
    if (i < s.size() && s[i] == '.') {
        ++i;
        const std::size_t begin = i;
        if (!number(6, micros)) return false;
        for (std::size_t d = i - begin; d < 6; ++d)
            micros *= 10;
    }
    if (i != s.size()) return false;
    const std::int64_t value = ((hours * 60 + minutes) * 60 + seconds) * 1000000 + micros;
    out = negative ? -value : value;
    return true;
}

bool TimeOrder(const TResultBlock& block, std::size_t col, std::size_t rows, bool descending,
               std::vector<std::size_t>& order) {
    std::vector<TEntry<std::int64_t>> entries;
    std::vector<std::uint32_t> nulls;
    if (!Extract(block, col, rows, ParseTime, entries, nulls)) return false;
    order = Finish(entries, nulls, Three<std::int64_t>, descending);
    return true;
}

// ---- Text and binary values, byte-wise. The first eight bytes ride along in the key, so most
// comparisons never touch the block's bytes.

struct TBytes {
    std::uint64_t Prefix; // the first eight bytes, big-endian, zero-padded
    const char* Data;
    std::size_t Size;
};

bool ParseBytes(std::string_view s, TBytes& out) {
    unsigned char head[8] = {};
    if (!s.empty()) std::memcpy(head, s.data(), std::min<std::size_t>(s.size(), 8));
    std::uint64_t prefix = 0;
    for (unsigned char b : head)
        prefix = prefix << 8 | b;
    out = {prefix, s.data(), s.size()};
    return true;
}

int CompareBytes(const TBytes& a, const TBytes& b) {
    if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix ? -1 : 1;
    // Equal prefixes: the first eight bytes (or all of a shorter value, padded) are the same.
    const std::size_t skip = std::min<std::size_t>({a.Size, b.Size, 8});
    const std::size_t common = std::min(a.Size, b.Size) - skip;
    if (common > 0)
        if (int c = std::memcmp(a.Data + skip, b.Data + skip, common)) return c < 0 ? -1 : 1;
    return Three(a.Size, b.Size);
}

std::vector<std::size_t> BytesOrder(const TResultBlock& block, std::size_t col, std::size_t rows,
                                    bool descending) {
    std::vector<TEntry<TBytes>> entries;
    std::vector<std::uint32_t> nulls;
    Extract(block, col, rows, ParseBytes, entries, nulls);
    return Finish(entries, nulls, CompareBytes, descending);
}

} // namespace

std::vector<std::size_t> SortedRows(const TResultBlock& block, std::size_t col, std::size_t rows,
                                    bool descending) {
    rows = std::min(rows, block.RowCount());
    std::vector<std::size_t> order;
    // A value the kind's reading does not accept sends the whole column to the next reading:
    // integers that do not fit 64 bits compare as decimals, and anything else as bytes.
    switch (block.Column(col).Kind) {
    case TColumnKind::Integer:
        if (IntegerOrder(block, col, rows, descending, order)) return order;
        [[fallthrough]];
    case TColumnKind::Decimal:
        if (DecimalOrder(block, col, rows, descending, order)) return order;
        break;
    case TColumnKind::Float:
        if (FloatOrder(block, col, rows, descending, order)) return order;
        break;
    case TColumnKind::Temporal:
        if (TimeOrder(block, col, rows, descending, order)) return order;
        break;
    case TColumnKind::Text:
    case TColumnKind::Binary:
    case TColumnKind::Bit:
        break;
    }
    return BytesOrder(block, col, rows, descending);
}
