#include "platform/RegTypes.h"

#include <QString>

#include <algorithm>

namespace {

bool IsAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

int CompareKeyNames(const std::string& a, const std::string& b) {
    if (a == b) return 0;
    // Nearly every name is ASCII: compared here without the detour through UTF-16.
    if (IsAscii(a) && IsAscii(b)) {
        const auto diff = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
        if (diff.first == a.end()) return diff.second == b.end() ? 0 : -1;
        if (diff.second == b.end()) return 1;
        return AsciiUpper(*diff.first) < AsciiUpper(*diff.second) ? -1 : 1;
    }
    const QString sa = QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()));
    const QString sb = QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
    if (int c = sa.toUpper().compare(sb.toUpper(), Qt::CaseSensitive)) return c;
    // Bytes that are no UTF-8 all decode to U+FFFD; names differing only there are still two keys.
    if (sa.toUtf8().toStdString() != a || sb.toUtf8().toStdString() != b) return a.compare(b) < 0 ? -1 : 1;
    return 0;
}

bool IsValidKeyName(const std::string& name) {
    if (name.empty()) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '\\' || u < 0x20 || u == 0x7f;
    });
}
