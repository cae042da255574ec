#include "workbench/tree/NavigationTree.h"

#include "server/MySql.h"
#include "sql/QtText.h"
#include "workbench/window/Glyphs.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>

namespace {

// The tree's pictures come from the image lists by the indexes each node holds: the state image
// (if any) first, then the node's image for its selection state.
class TTreeDelegate : public QStyledItemDelegate {
public:
    TTreeDelegate(const TImageList& images, const TImageList& states, QObject* parent)
        : QStyledItemDelegate(parent), FImages(images), FStates(states) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const TTreeNode* node = NodeOf(index);
        if (!node || node->StateIndex() < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QPixmap state = FStates.Pixmap(node->StateIndex(), painter->device()->devicePixelRatioF());
        const QRect box(option.rect.left(), option.rect.top() + (option.rect.height() - 16) / 2, 16, 16);
        painter->drawPixmap(box, state);
        QStyleOptionViewItem rest(option);
        rest.rect.setLeft(option.rect.left() + 16);
        QStyledItemDelegate::paint(painter, rest, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        const TTreeNode* node = NodeOf(index);
        if (node && node->StateIndex() >= 0) s.rwidth() += 16;
        return s.expandedTo(QSize(0, 18));
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const TTreeNode* node = NodeOf(index);
        if (!node || node->ImageIndex() < 0) return;
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = QSize(16, 16);
        option->icon = TImageList::TreeIcon(FImages, node->ImageIndex(), node->SelectedIndex());
    }

private:
    static const TTreeNode* NodeOf(const QModelIndex& index) {
        // QTreeWidget keeps its items as the indexes' internal pointers.
        return dynamic_cast<const TTreeNode*>(static_cast<const QTreeWidgetItem*>(index.internalPointer()));
    }

    const TImageList& FImages;
    const TImageList& FStates;
};

} // namespace

TNavigationTree::TNavigationTree(const TImageList& images, const TImageList& states, QWidget* parent)
    : QTreeWidget(parent) {
    setObjectName(QStringLiteral("Tree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setIconSize(QSize(16, 16));
    setItemDelegate(new TTreeDelegate(images, states, this));
    connect(this, &QWidget::customContextMenuRequested, this, &TNavigationTree::ShowPopup);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        TTreeNode* node = AsNode(item);
        if (node && node->Database())
            FFilter.DatabaseOpened(node);
        else
            MakeFieldNodes(node);
    });
}

TNavigationTree::~TNavigationTree() {
    clear(); // the nodes point into the catalogues of the connections released next
}

void TNavigationTree::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit Clicked();
    QTreeWidget::mouseReleaseEvent(event);
}

void TNavigationTree::ShowPopup(const QPoint& pos) {
    // The node under the mouse is selected before the menu opens.
    if (QTreeWidgetItem* item = itemAt(pos)) {
        setCurrentItem(item);
        item->setSelected(true);
    }
    if (FPopup) FPopup->popup(viewport()->mapToGlobal(pos));
}

TTreeNode* TNavigationTree::Prepared(TTreeNode* node, int image, int selected) {
    node->SetImages(image, selected);
    node->setFlags(node->flags() & ~Qt::ItemIsEditable);
    return node;
}

TTreeNode* TNavigationTree::AppendChild(TTreeNode* parent, TTreeNode* child, int image, int selected) {
    Prepared(child, image, selected);
    if (parent)
        parent->addChild(child);
    else
        addTopLevelItem(child);
    return child;
}

TTreeNode* TNavigationTree::AddHostNode(std::unique_ptr<TMySql> host) {
    if (!host) return nullptr;
    auto* node = new TTreeNode(host.get());
    FConnections.push_back(std::move(host));
    node->SetStateIndex(2);
    return AppendChild(nullptr, node, 0, 1);
}

void TNavigationTree::PopulateHost(TTreeNode* hostNode) {
    if (!hostNode || !hostNode->Host()) return;
    const TDatabases* dbs = hostNode->Host()->Databases();
    if (!dbs) return;
    // Built apart from the tree and handed over in one step: a node added to the tree one at a
    // time costs a model update each, far too many for a server with tens of thousands of tables.
    // Field nodes wait until their table opens.
    QList<QTreeWidgetItem*> dbNodes;
    dbNodes.reserve(dbs->Count());
    for (int d = 0; d < dbs->Count(); ++d)
        dbNodes.push_back(MakeDatabaseNode(dbs->Items(d)));
    hostNode->addChildren(dbNodes);
    if (FFilter.Active()) FFilter.ApplyTo(hostNode);
}

TTreeNode* TNavigationTree::MakeDatabaseNode(TDatabase* db) {
    TTreeNode* dbNode = Prepared(new TTreeNode(db), 2, 3);
    SetInUseLook(dbNode, db->Selected);
    QList<QTreeWidgetItem*> tableNodes;
    tableNodes.reserve(db->Tables.Count());
    for (int t = 0; t < db->Tables.Count(); ++t) {
        TTable* table = db->Tables.Items(t);
        TTreeNode* tableNode = Prepared(new TTreeNode(table), 4, 5);
        if (table->Fields.Count() > 0) tableNode->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        tableNodes.push_back(tableNode);
    }
    dbNode->addChildren(tableNodes);
    return dbNode;
}

void TNavigationTree::MakeFieldNodes(TTreeNode* tableNode) {
    if (!tableNode || !tableNode->Table() || tableNode->childCount() > 0) return;
    TTable* table = tableNode->Table();
    QList<QTreeWidgetItem*> fieldNodes;
    fieldNodes.reserve(table->Fields.Count());
    for (int f = 0; f < table->Fields.Count(); ++f)
        fieldNodes.push_back(Prepared(new TTreeNode(&table->Fields.Items(f)), 6, 7));
    tableNode->addChildren(fieldNodes);
    tableNode->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TNavigationTree::SetFilterText(const QString& text) {
    if (text == FFilter.Text()) return;
    std::vector<TTreeNode*> hosts = HostNodes();
    FFilter.SetText(text, hosts);
    // The selection stays where it is, hidden or not; what matches comes into view.
    if (TTreeNode* selected = SelectedNode(); selected && !selected->isHidden()) scrollToItem(selected);
}

void TNavigationTree::ClearHost(TTreeNode* hostNode) {
    if (!hostNode) return;
    hostNode->setExpanded(false);
    if (TTreeNode* selected = SelectedNode();
        selected && selected != hostNode && HostNodeOf(selected) == hostNode) {
        setCurrentItem(hostNode);
        hostNode->setSelected(true);
    }
    const QList<QTreeWidgetItem*> children = hostNode->takeChildren();
    qDeleteAll(children);
}

void TNavigationTree::RebuildHost(TTreeNode* hostNode) {
    // The nodes point into the catalogue: they go before it is read again. Read as at connect, so
    // the first database that can be selected becomes the current one.
    ClearHost(hostNode);
    hostNode->Host()->ReadDatabases();
    PopulateHost(hostNode);
    hostNode->setExpanded(true);
}

namespace {

// The captions on the way from `hostNode` down to `node` (empty for the host itself).
QStringList PathBelow(const QTreeWidgetItem* hostNode, const QTreeWidgetItem* node) {
    QStringList path;
    for (; node && node != hostNode; node = node->parent())
        path.prepend(node->text(0));
    return path;
}

// The deepest node on `path` below `hostNode` that exists; `whole` tells whether it is all of it.
QTreeWidgetItem* Follow(QTreeWidgetItem* hostNode, const QStringList& path, bool& whole) {
    QTreeWidgetItem* at = hostNode;
    whole = true;
    for (const QString& caption : path) {
        TNavigationTree::MakeFieldNodes(AsNode(at));
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < at->childCount() && !next; ++i)
            if (at->child(i)->text(0) == caption) next = at->child(i);
        if (!next) {
            whole = false;
            break;
        }
        at = next;
    }
    return at;
}

void CollectExpanded(const QTreeWidgetItem* hostNode, const QTreeWidgetItem* node,
                     std::vector<QStringList>& out) {
    for (int i = 0; i < node->childCount(); ++i) {
        const QTreeWidgetItem* child = node->child(i);
        if (!child->isExpanded()) continue;
        out.push_back(PathBelow(hostNode, child));
        CollectExpanded(hostNode, child, out);
    }
}

} // namespace

void TNavigationTree::KeepingPlaces(TTreeNode* hostNode, const std::function<void()>& rebuild) {
    // Kept by the names on the way to them: the nodes go with the old catalogue.
    std::vector<QStringList> expanded;
    CollectExpanded(hostNode, hostNode, expanded);
    const bool hostExpanded = hostNode->isExpanded();
    TTreeNode* selected = SelectedNode();
    const bool selectedHere = selected && HostNodeOf(selected) == hostNode;
    const QStringList selectedPath = selectedHere ? PathBelow(hostNode, selected) : QStringList();

    rebuild();

    bool whole = false;
    for (const QStringList& path : expanded)
        if (QTreeWidgetItem* node = Follow(hostNode, path, whole); whole) node->setExpanded(true);
    hostNode->setExpanded(hostExpanded);
    if (selectedHere) setCurrentItem(Follow(hostNode, selectedPath, whole));
    // Last, so what it opens for its matches stays open.
    if (FFilter.Active()) FFilter.ApplyTo(hostNode);
}

bool TNavigationTree::RefreshHost(TTreeNode* hostNode) {
    if (!hostNode || !hostNode->Host()) return false;
    bool read = false;
    KeepingPlaces(hostNode, [&] {
        ClearHost(hostNode);
        read = hostNode->Host()->RefreshDatabases();
        PopulateHost(hostNode);
    });
    return read;
}

bool TNavigationTree::RefreshDatabase(TTreeNode* databaseNode) {
    if (!databaseNode || !databaseNode->Database()) return false;
    TTreeNode* hostNode = HostNodeOf(databaseNode);
    bool read = false;
    KeepingPlaces(hostNode, [&] {
        const int at = hostNode->indexOfChild(databaseNode);
        const std::string name = databaseNode->Database()->Name;
        // Out of the tree first, and the selection with it: the node points into what is read again.
        setCurrentItem(hostNode);
        delete databaseNode;
        TMySql* host = hostNode->Host();
        read = host->RefreshDatabase(name);
        const TDatabases* dbs = host->Databases();
        for (int d = 0; dbs && d < dbs->Count(); ++d)
            if (dbs->Items(d)->Name == name) hostNode->insertChild(at, MakeDatabaseNode(dbs->Items(d)));
        // The read may have moved the current database: every node's look follows.
        UpdateInUseLooks(hostNode);
    });
    return read;
}

void TNavigationTree::UpdateInUseLooks(TTreeNode* hostNode) {
    for (int i = 0; hostNode && i < hostNode->childCount(); ++i) {
        TTreeNode* node = AsNode(hostNode->child(i));
        if (node && node->Database()) SetInUseLook(node, node->Database()->Selected);
    }
}

void TNavigationTree::DeleteHostNode(TTreeNode* hostNode) {
    if (!hostNode || hostNode->Kind() != TNodeKind::Host) return;
    TMySql* host = hostNode->Host();
    delete hostNode; // with every node below it, before the catalogue they point into goes
    const auto it = std::find_if(FConnections.begin(), FConnections.end(),
                                 [host](const std::unique_ptr<TMySql>& p) { return p.get() == host; });
    if (it != FConnections.end()) FConnections.erase(it);
}

std::vector<std::unique_ptr<TMySql>> TNavigationTree::TakeHosts() {
    std::vector<std::unique_ptr<TMySql>> hosts;
    for (TTreeNode* node : HostNodes()) {
        const auto it =
            std::find_if(FConnections.begin(), FConnections.end(),
                         [node](const std::unique_ptr<TMySql>& h) { return h.get() == node->Host(); });
        if (it != FConnections.end()) hosts.push_back(std::move(*it));
    }
    // The nodes go first: they point into the catalogues released with the connection objects.
    clear();
    FConnections.clear();
    return hosts;
}

void TNavigationTree::SyncHostCaptions() {
    for (TTreeNode* node : HostNodes()) {
        const QString name = QtText(node->Host()->Name);
        if (node->text(0) != name) node->setText(0, name);
    }
}

void TNavigationTree::SetHostConnectedLook(TTreeNode* hostNode, bool connected) {
    if (hostNode) hostNode->SetStateIndex(connected ? 1 : 2);
}

void TNavigationTree::SetInUseLook(TTreeNode* databaseNode, bool inUse) {
    if (inUse)
        databaseNode->SetImages(8, 9);
    else
        databaseNode->SetImages(2, 3);
}

bool TNavigationTree::IsInUse(const TTreeNode* node) {
    return node && node->Database() && node->Database()->Selected;
}

TTreeNode* TNavigationTree::SelectedNode() const {
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? nullptr : AsNode(items.front());
}

TTreeNode* TNavigationTree::HostNodeOf(TTreeNode* node) {
    while (node && node->Kind() != TNodeKind::Host)
        node = AsNode(node->parent());
    return node;
}

TTreeNode* TNavigationTree::SelectedHostNode() const {
    return HostNodeOf(SelectedNode());
}

TMySql* TNavigationTree::SelectedHost() const {
    TTreeNode* node = SelectedHostNode();
    return node ? node->Host() : nullptr;
}

std::vector<TTreeNode*> TNavigationTree::HostNodes() const {
    std::vector<TTreeNode*> nodes;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (TTreeNode* n = AsNode(topLevelItem(i)); n && n->Host()) nodes.push_back(n);
    return nodes;
}
