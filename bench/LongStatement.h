#pragma once
// A dump's INSERT of many rows, all on one line: the long line the editor benchmarks work on.

#include <QString>

// About `chars` characters; rows numbered from 1, the last one ending in ";".
inline QString LongStatement(qsizetype chars, int* rows = nullptr) {
    QString s = QStringLiteral("INSERT INTO orders (id, customer, amount, note) VALUES ");
    s.reserve(chars + 100);
    int row = 1;
    for (; s.size() < chars; ++row)
        s += QStringLiteral("(%1, 'Customer %1', %2.95, 'note /* %1 */'), ").arg(row).arg(row % 300);
    s.chop(2);
    s += QLatin1Char(';');
    if (rows) *rows = row - 1;
    return s;
}
