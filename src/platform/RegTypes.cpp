#include "RegTypes.h"

#include <QString>

#include <algorithm>

int CompareKeyNames(const std::string& a, const std::string& b) {
    if (a == b) return 0;
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
