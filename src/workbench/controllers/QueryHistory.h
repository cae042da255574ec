#pragma once
// The query history of the main window: every Query run stores a copy of the editor's lines, and
// the user steps through the stored texts with Previous and Next or picks one from cmbQueries.
// Pure logic: the window copies the returned lines into mmoIn and the states into its controls.

#include <QString>
#include <QStringList>

#include <vector>

class TQueryHistory {
public:
    // Appends a copy of the editor's lines; the index moves one past the last entry.
    void Add(const QStringList& lines);
    // Replaces every entry, as kept from an earlier run; the index is clamped to the entries.
    void Restore(std::vector<QStringList> entries, int index);
    const std::vector<QStringList>& Entries() const { return FHistory; }

    // Steps back or forward and returns the entry now at the index; null (and nothing changes)
    // when there is no such entry, which the button states never offer.
    const QStringList* Previous();
    const QStringList* Next();

    // The entry of the cmbQueries item at `item`, or null when out of range. The index and the
    // button states stay as they are.
    const QStringList* Recall(int item) const;

    bool PreviousEnabled() const { return FHistoryIndex > 0; }
    bool NextEnabled() const { return FHistoryIndex < Count() - 1; }

    int Index() const { return FHistoryIndex; }
    int Count() const { return static_cast<int>(FHistory.size()); }
    const QStringList& Entry(int i) const { return FHistory[static_cast<std::size_t>(i)]; }

    // The cmbQueries items, oldest first, rebuilt when its list opens.
    QStringList ItemTexts() const;
    // An entry's item: every line followed by CR LF, the first 27 characters, CR and LF as blanks.
    static QString ItemText(const QStringList& lines);

    static constexpr int ItemTextLength = 27;

private:
    std::vector<QStringList> FHistory;
    int FHistoryIndex = 0;
};
