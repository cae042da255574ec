#include "workbench/controllers/QueryHistory.h"

void TQueryHistory::Add(const QStringList& lines) {
    FHistory.push_back(lines);
    FHistoryIndex = Count();
}

void TQueryHistory::Restore(std::vector<QStringList> entries, int index) {
    FHistory = std::move(entries);
    FHistoryIndex = qBound(0, index, Count());
}

const QStringList* TQueryHistory::Previous() {
    if (!PreviousEnabled()) return nullptr;
    --FHistoryIndex;
    return &Entry(FHistoryIndex);
}

const QStringList* TQueryHistory::Next() {
    if (!NextEnabled()) return nullptr;
    ++FHistoryIndex;
    return &Entry(FHistoryIndex);
}

const QStringList* TQueryHistory::Recall(int item) const {
    if (item < 0 || item >= Count()) return nullptr;
    return &Entry(item);
}

QStringList TQueryHistory::ItemTexts() const {
    QStringList items;
    items.reserve(Count());
    for (const QStringList& entry : FHistory)
        items.append(ItemText(entry));
    return items;
}

QString TQueryHistory::ItemText(const QStringList& lines) {
    QString text;
    for (const QString& line : lines) {
        if (text.size() >= ItemTextLength) break;
        text += line;
        text += QLatin1String("\r\n");
    }
    int length = qMin(static_cast<int>(text.size()), ItemTextLength);
    // Never leave half of a character that takes two UTF-16 units.
    if (length < text.size() && length > 0 && text.at(length - 1).isHighSurrogate()) --length;
    text.truncate(length);
    for (QChar& c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
    return text;
}
