#pragma once
// The nodes of the navigation tree. A node's kind is the exact type of the object it carries;
// nodes own nothing: connection objects belong to the main window, catalogue objects to their
// connection's catalogue.

#include <QTreeWidgetItem>

#include <variant>

class TMySql;
class TDatabase;
class TTable;
class TField;

enum class TNodeKind { Host, Database, Table, Field };

class TTreeNode : public QTreeWidgetItem {
public:
    explicit TTreeNode(TMySql* host);
    explicit TTreeNode(TDatabase* database);
    explicit TTreeNode(TTable* table);
    explicit TTreeNode(const TField* field);
    ~TTreeNode() override;

    TNodeKind Kind() const { return static_cast<TNodeKind>(FData.index()); }
    // The carried object, or null when the node is of another kind.
    TMySql* Host() const;
    TDatabase* Database() const;
    TTable* Table() const;
    const TField* Field() const;

    // Indexes into the tree's image list (ImageIndex when not selected, SelectedIndex when
    // selected) and into the tool bar's list for the state image (-1: none). The tree's delegate
    // draws them.
    int ImageIndex() const { return FImageIndex; }
    int SelectedIndex() const { return FSelectedIndex; }
    int StateIndex() const { return FStateIndex; }
    void SetImages(int image, int selected);
    void SetStateIndex(int index);

    // Whether the tree filter hides this node; kept here because asking the view costs a lookup
    // per node, too much at every keystroke over a hundred thousand tables.
    bool FilteredOut() const { return FFilteredOut; }
    void SetFilteredOut(bool out);
    // The caption folded for comparing without case, kept once asked for.
    const QString& FoldedText() const;
    // A table whose name matches the filter's text, as its last look at it found.
    bool Matches() const { return FMatches; }
    void SetMatches(bool matches) { FMatches = matches; }
    // A database whose table nodes the filter has not yet been applied to: it does that when the
    // database opens, as hiding nodes nobody can see would only cost time.
    bool TablesStale() const { return FTablesStale; }
    void SetTablesStale(bool stale) { FTablesStale = stale; }
    // Opened by the filter to show its matches, and so closed again when they go.
    bool OpenedByFilter() const { return FOpenedByFilter; }
    void SetOpenedByFilter(bool opened) { FOpenedByFilter = opened; }

private:
    std::variant<TMySql*, TDatabase*, TTable*, const TField*> FData;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    int FStateIndex = -1;
    bool FFilteredOut = false;
    bool FOpenedByFilter = false;
    bool FTablesStale = false;
    bool FMatches = false;
    mutable QString FFolded;
};

// The node for a tree item, or null for an item of another class.
inline TTreeNode* AsNode(QTreeWidgetItem* item) {
    return dynamic_cast<TTreeNode*>(item);
}
