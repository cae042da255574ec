#include "workbench/tree/TreeFilter.h"

#include "workbench/tree/TreeNodes.h"

namespace {
// The tree holds only nodes; a cast without the type check keeps a keystroke over a hundred
// thousand tables cheap.
TTreeNode* Node(QTreeWidgetItem* item) {
    return static_cast<TTreeNode*>(item);
}
} // namespace

void TTreeFilter::ApplyTo(QTreeWidgetItem* hostNode) {
    Open(hostNode, Narrow(hostNode, false));
}

int TTreeFilter::Narrow(QTreeWidgetItem* hostNode, bool narrower) const {
    int matches = 0;
    const bool all = FText.isEmpty();
    for (int d = 0; d < hostNode->childCount(); ++d) {
        TTreeNode* db = Node(hostNode->child(d));
        // No match before, none now: its tables all stay marked as not matching.
        if (narrower && db->FilteredOut()) continue;
        int here = 0;
        if (!all)
            for (int t = 0; t < db->childCount(); ++t) {
                TTreeNode* table = Node(db->child(t));
                const bool match = (!narrower || table->Matches()) && table->FoldedText().contains(FFolded);
                table->SetMatches(match);
                here += match;
            }
        db->SetFilteredOut(!all && here == 0);
        // Only an open database's tables are seen; the others get theirs when they open.
        if (db->isExpanded())
            NarrowTables(db);
        else
            db->SetTablesStale(true);
        matches += here;
    }
    return all ? 0 : matches;
}

void TTreeFilter::NarrowTables(QTreeWidgetItem* databaseNode) const {
    TTreeNode* db = Node(databaseNode);
    const bool all = FText.isEmpty();
    for (int t = 0; t < db->childCount(); ++t) {
        TTreeNode* table = Node(db->child(t));
        table->SetFilteredOut(!all && !table->Matches());
    }
    db->SetTablesStale(false);
}

void TTreeFilter::DatabaseOpened(QTreeWidgetItem* databaseNode) const {
    if (Node(databaseNode)->TablesStale()) NarrowTables(databaseNode);
}

namespace {
// Opens `node` for the filter's matches, or closes it again when the filter opened it.
void OpenForMatches(TTreeNode* node, bool wanted) {
    if (wanted && !node->isExpanded()) {
        node->setExpanded(true);
        node->SetOpenedByFilter(true);
    } else if (!wanted && node->OpenedByFilter()) {
        node->setExpanded(false);
        node->SetOpenedByFilter(false);
    }
}
} // namespace

void TTreeFilter::Open(QTreeWidgetItem* hostNode, int matches) const {
    const bool open = !FText.isEmpty() && matches <= OpenLimit;
    bool any = false;
    for (int d = 0; d < hostNode->childCount(); ++d) {
        TTreeNode* db = Node(hostNode->child(d));
        const bool wanted = open && !db->FilteredOut();
        any |= wanted;
        OpenForMatches(db, wanted);
    }
    OpenForMatches(Node(hostNode), any);
}
