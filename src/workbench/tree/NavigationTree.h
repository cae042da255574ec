#pragma once
// The navigation tree: one top-level node per host, below a connected host its catalogue
// (databases, tables, fields). It owns the hosts' connection objects; the nodes own nothing.

#include "workbench/tree/TreeFilter.h"
#include "workbench/tree/TreeNodes.h"

#include <QTreeWidget>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class TImageList;
class TDatabase;
class TMySql;

class TNavigationTree : public QTreeWidget {
    Q_OBJECT

public:
    // `images`: the ten node pictures; `states`: the list the host nodes' state images come from.
    TNavigationTree(const TImageList& images, const TImageList& states, QWidget* parent = nullptr);
    ~TNavigationTree() override;

    // The menu a right click opens, after selecting the node under the mouse.
    void SetPopupMenu(QMenu* menu) { FPopup = menu; }

    // Appends a top-level node for `host` (taken over): caption Name, images 0 / 1, state image 2.
    // The new node is not selected.
    TTreeNode* AddHostNode(std::unique_ptr<TMySql> host);
    // Appends the catalogue of the host's open connection below `hostNode`: its databases and
    // tables; nothing is read from the server. A table's field nodes are made when it opens.
    void PopulateHost(TTreeNode* hostNode);
    // Makes the field nodes of `tableNode` unless it has them (opening it does this).
    static void MakeFieldNodes(TTreeNode* tableNode);
    // Shows only the tables whose names contain `text` (in any case) and the nodes above them,
    // across every host; empty shows everything.
    void SetFilterText(const QString& text);
    const QString& FilterText() const { return FFilter.Text(); }
    // Folds `hostNode` and removes every node below it; a selection among them passes to it.
    void ClearHost(TTreeNode* hostNode);
    // Reads the host's catalogue again on its open connection and rebuilds its nodes from it.
    void RebuildHost(TTreeNode* hostNode);
    // Reads the host's catalogue again (leaving its current database as it is) and rebuilds its
    // nodes from it in place: the nodes of objects that still exist are expanded as they were, the
    // selection stays on its object or goes to the nearest one above it that is still there.
    // False when the user stopped the read: the nodes then show the catalogue as it was.
    bool RefreshHost(TTreeNode* hostNode);
    // As RefreshHost, for one database only: its node is built again from what the server now
    // has (or goes, with the database).
    bool RefreshDatabase(TTreeNode* databaseNode);
    // The database nodes' in-use look follows their databases' Selected marks.
    static void UpdateInUseLooks(TTreeNode* hostNode);
    // Removes `hostNode` with everything below it, then releases its connection object.
    void DeleteHostNode(TTreeNode* hostNode);
    // Empties the tree and hands over the connection objects in tree order.
    std::vector<std::unique_ptr<TMySql>> TakeHosts();
    // Host node captions follow the friendly names of their connection objects.
    void SyncHostCaptions();

    // State image 1 when connected, 2 when not.
    static void SetHostConnectedLook(TTreeNode* hostNode, bool connected);
    // Images 8 / 9 for the connection's current database, 2 / 3 for the others.
    static void SetInUseLook(TTreeNode* databaseNode, bool inUse);
    static bool IsInUse(const TTreeNode* node);

    TTreeNode* SelectedNode() const;
    // The host node the selected node belongs to; null when nothing is selected.
    TTreeNode* SelectedHostNode() const;
    static TTreeNode* HostNodeOf(TTreeNode* node);
    // The connection object of the selection's host node; null when nothing is selected.
    TMySql* SelectedHost() const;
    std::vector<TTreeNode*> HostNodes() const;

signals:
    // Every left click, on a node or not.
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ShowPopup(const QPoint& pos);
    // A database's node with its table nodes, not yet in the tree.
    static TTreeNode* MakeDatabaseNode(TDatabase* db);
    // Runs `rebuild`, which replaces nodes below `hostNode`, and brings back the expansion and the
    // selection by the names of their objects.
    void KeepingPlaces(TTreeNode* hostNode, const std::function<void()>& rebuild);
    // `node` with its images and read-only, for the caller to add with its siblings in one step.
    static TTreeNode* Prepared(TTreeNode* node, int image, int selected);
    TTreeNode* AppendChild(TTreeNode* parent, TTreeNode* child, int image, int selected);

    std::vector<std::unique_ptr<TMySql>> FConnections;
    QMenu* FPopup = nullptr;
    TTreeFilter FFilter;
};
