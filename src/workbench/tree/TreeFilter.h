#pragma once
// Narrows the navigation tree to the tables whose names contain a text, in any case, with the
// databases above them; an empty text shows every node again. Hosts always stay in sight.

#include <QString>

class QTreeWidgetItem;

class TTreeFilter {
public:
    // Applies `text` to every host node of `hosts`.
    template <class Hosts> void SetText(const QString& text, const Hosts& hosts) {
        const QString folded = text.toCaseFolded();
        // Typing on: only what matched before can match now.
        const bool narrower = !FFolded.isEmpty() && folded.contains(FFolded);
        FText = text;
        FFolded = folded;
        int matches = 0;
        for (QTreeWidgetItem* host : hosts)
            matches += Narrow(host, narrower);
        for (QTreeWidgetItem* host : hosts)
            Open(host, matches);
    }
    const QString& Text() const { return FText; }
    bool Active() const { return !FText.isEmpty(); }
    // Applies the current text to the nodes below one host, after they were built again.
    void ApplyTo(QTreeWidgetItem* hostNode);
    // Applies the current text to the table nodes of a database that opens.
    void DatabaseOpened(QTreeWidgetItem* databaseNode) const;

    // With at most this many matches the databases holding them are opened, so the tables show
    // at once; with more, opening them all would make each keystroke lay out a huge list.
    static constexpr int OpenLimit = 500;

private:
    // Hides what does not match below `hostNode`; the number of matching tables. `narrower`: the
    // text only grew since the last call, so only the tables that matched then are looked at.
    int Narrow(QTreeWidgetItem* hostNode, bool narrower) const;
    // Opens the nodes holding matches, or closes again those the filter opened.
    void Open(QTreeWidgetItem* hostNode, int matches) const;

    // Hides the table nodes of `databaseNode` that do not match.
    void NarrowTables(QTreeWidgetItem* databaseNode) const;

    QString FText;
    QString FFolded;
};
