// The navigation tree against a real server: populating from the catalogue, the command states
// for every kind of node, clearing a host, and feeding names into the editor.

#include "WindowTestSupport.h"

#include "Sandbox.h"
#include "editor/ColorMemo.h"
#include "server/MySql.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <string>

namespace {

// A connected host node over a database of the test's own: orders(id, name, total), customers,
// and a view whose table is gone, so that it has no fields.
class TreeTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Db = std::make_unique<TempDatabase>("tree");
        Db->Run("CREATE TABLE orders (id INT PRIMARY KEY, name VARCHAR(20), total DECIMAL(8,2))");
        Db->Run("INSERT INTO orders VALUES (1, 'one', 1.50), (2, NULL, NULL)");
        Db->Run("CREATE TABLE customers (cid INT)");
        Db->Run("CREATE TABLE gone (x INT)");
        Db->Run("CREATE VIEW hollow AS SELECT x FROM gone");
        Db->Run("DROP TABLE gone");
        Open();
        HostNode = Ui(*Window).Tree->AddHostNode(SandboxHost("sandbox"));
        ASSERT_NE(HostNode, nullptr);
        Host = HostNode->Host();
        ASSERT_TRUE(Host->Connect()) << Host->ErrorText();
        TNavigationTree::SetHostConnectedLook(HostNode, true);
        Ui(*Window).Tree->PopulateHost(HostNode);
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window));
    }
    void TearDown() override {
        WindowTest::TearDown();
        Db.reset();
    }

    TTreeNode* Child(TTreeNode* parent, const QString& caption) const {
        // A table's field nodes are made when it opens; made here without opening it.
        TNavigationTree::MakeFieldNodes(AsNode(parent));
        for (int i = 0; i < parent->childCount(); ++i)
            if (parent->child(i)->text(0) == caption) return AsNode(parent->child(i));
        return nullptr;
    }
    TTreeNode* DbNode() const { return Child(HostNode, QString::fromStdString(Db->Name())); }
    TTreeNode* Orders() const { return Child(DbNode(), QStringLiteral("orders")); }
    TTreeNode* OrdersField(const char* name) const { return Child(Orders(), QLatin1String(name)); }
    // The database node in use, and one that is not.
    TTreeNode* InUseDb(bool inUse) const {
        for (int i = 0; i < HostNode->childCount(); ++i)
            if (AsNode(HostNode->child(i))->Database()->Selected == inUse) return AsNode(HostNode->child(i));
        return nullptr;
    }

    void Select(QTreeWidgetItem* node) {
        Ui(*Window).Tree->setCurrentItem(node);
        ASSERT_TRUE(node->isSelected());
    }
    // A click on a node, through the tree's own mouse handling.
    void Click(QTreeWidgetItem* node, Qt::MouseButton button = Qt::LeftButton) {
        Ui(*Window).Tree->scrollToItem(node);
        const QRect r = Ui(*Window).Tree->visualItemRect(node);
        ASSERT_TRUE(r.isValid());
        QTest::mouseClick(Ui(*Window).Tree->viewport(), button, {}, r.center());
    }

    std::unique_ptr<TempDatabase> Db;
    TTreeNode* HostNode = nullptr;
    TMySql* Host = nullptr;
};

TEST_F(TreeTest, PopulatingMirrorsTheCatalogueAtEveryDepth) {
    const TDatabases* dbs = Host->Databases();
    ASSERT_NE(dbs, nullptr);
    ASSERT_EQ(HostNode->childCount(), dbs->Count());
    int inUse = 0;
    for (int d = 0; d < dbs->Count(); ++d) {
        const TDatabase* db = dbs->Items(d);
        TTreeNode* dbNode = AsNode(HostNode->child(d));
        ASSERT_NE(dbNode, nullptr);
        SCOPED_TRACE(db->Name);
        EXPECT_EQ(dbNode->Kind(), TNodeKind::Database);
        EXPECT_EQ(dbNode->Database(), db);
        EXPECT_EQ(dbNode->text(0), QString::fromStdString(db->Name));
        EXPECT_EQ(dbNode->ImageIndex(), db->Selected ? 8 : 2);
        EXPECT_EQ(dbNode->SelectedIndex(), db->Selected ? 9 : 3);
        EXPECT_EQ(dbNode->StateIndex(), -1);
        inUse += db->Selected ? 1 : 0;
        ASSERT_EQ(dbNode->childCount(), db->Tables.Count());
        for (int t = 0; t < db->Tables.Count(); ++t) {
            TTreeNode* tNode = AsNode(dbNode->child(t));
            EXPECT_EQ(tNode->Table(), db->Tables.Items(t));
            EXPECT_EQ(tNode->ImageIndex(), 4);
            EXPECT_EQ(tNode->SelectedIndex(), 5);
            // Field nodes come when the table opens; until then the table only shows it can.
            EXPECT_EQ(tNode->childCount(), 0);
            const bool hasFields = db->Tables.Items(t)->Fields.Count() > 0;
            EXPECT_EQ(tNode->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator, hasFields);
            if (hasFields) tNode->setExpanded(true);
            ASSERT_EQ(tNode->childCount(), db->Tables.Items(t)->Fields.Count());
            for (int f = 0; f < tNode->childCount(); ++f) {
                TTreeNode* fNode = AsNode(tNode->child(f));
                EXPECT_EQ(fNode->Field(), &db->Tables.Items(t)->Fields.Items(f));
                EXPECT_EQ(fNode->Kind(), TNodeKind::Field);
                EXPECT_EQ(fNode->ImageIndex(), 6);
                EXPECT_EQ(fNode->SelectedIndex(), 7);
            }
        }
    }
    // The first selectable database is in use after connecting.
    EXPECT_EQ(inUse, 1);
    ASSERT_GE(dbs->Count(), 2);
    ASSERT_NE(InUseDb(true), nullptr);
    EXPECT_EQ(InUseDb(true)->ImageIndex(), 8);
    EXPECT_EQ(InUseDb(true)->SelectedIndex(), 9);
    EXPECT_EQ(InUseDb(false)->ImageIndex(), 2);
    EXPECT_EQ(InUseDb(false)->SelectedIndex(), 3);

    // Our database: tables and fields in server order; the view without fields has no children.
    ASSERT_NE(DbNode(), nullptr);
    ASSERT_NE(Orders(), nullptr);
    QStringList fields;
    for (int i = 0; i < Orders()->childCount(); ++i)
        fields << Orders()->child(i)->text(0);
    EXPECT_EQ(fields, (QStringList{"id", "name", "total"}));
    TTreeNode* hollow = Child(DbNode(), QStringLiteral("hollow"));
    ASSERT_NE(hollow, nullptr);
    EXPECT_EQ(hollow->Kind(), TNodeKind::Table);
    EXPECT_EQ(hollow->childCount(), 0);
    EXPECT_EQ(HostNode->StateIndex(), 1);
}

TEST_F(TreeTest, HostNodeOfTheSelectionFromEveryDepth) {
    EXPECT_EQ(Ui(*Window).Tree->SelectedHostNode(), nullptr);
    for (QTreeWidgetItem* node :
         {static_cast<QTreeWidgetItem*>(HostNode), static_cast<QTreeWidgetItem*>(DbNode()),
          static_cast<QTreeWidgetItem*>(Orders()), static_cast<QTreeWidgetItem*>(OrdersField("id"))}) {
        Select(node);
        EXPECT_EQ(Ui(*Window).Tree->SelectedHostNode(), HostNode) << node->text(0).toStdString();
        EXPECT_EQ(Ui(*Window).Tree->SelectedHost(), Host);
    }
}

TEST_F(TreeTest, CommandStatesOfAConnectedHostsNodes) {
    TfrmMain& w = *Window;
    struct Expect {
        QTreeWidgetItem* Node;
        bool Selectable, InUse, Table, Field;
    };
    TTreeNode* inUse = InUseDb(true);
    TTreeNode* other = InUseDb(false);
    ASSERT_TRUE(inUse && other);
    for (const Expect& e :
         {Expect{HostNode, false, false, false, false}, Expect{inUse, false, true, false, false},
          Expect{other, true, false, false, false}, Expect{Orders(), false, false, true, false},
          Expect{OrdersField("id"), false, false, false, true}}) {
        SCOPED_TRACE(e.Node->text(0).toStdString());
        Click(e.Node);
        ASSERT_EQ(Ui(w).Tree->SelectedNode(), e.Node);
        EXPECT_FALSE(Ui(w).btnConnect->isEnabled());
        EXPECT_FALSE(Ui(w).mnuConnect->isEnabled());
        EXPECT_FALSE(Ui(w).popmnuConnect->isEnabled());
        for (QAction* a : {Ui(w).mnuDisconnect, Ui(w).popmnuDisconnect, Ui(w).mnuQuery, Ui(w).mnuQuery2,
                           Ui(w).mnuCreateDb, Ui(w).popmnuCreateDb, Ui(w).mnuProperties, Ui(w).mnuDelete,
                           Ui(w).popmnuProperties, Ui(w).popmnuDelete})
            EXPECT_TRUE(TCommand::ItemEnabled(a)) << a->objectName().toStdString();
        for (QToolButton* b :
             {Ui(w).btnDisconnect, Ui(w).btnQuery, Ui(w).btnCreateDb, Ui(w).btnProperties, Ui(w).btnDelete})
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_FALSE(Ui(w).mnuQuery2->isVisible());

        EXPECT_EQ(Ui(w).btnSelectDb->isEnabled(), e.Selectable);
        EXPECT_EQ(Ui(w).mnuSelectDb->isEnabled(), e.Selectable);
        EXPECT_EQ(Ui(w).popmnuSelectDb->isEnabled(), e.Selectable);
        EXPECT_EQ(Ui(w).btnSelectDb->isChecked(), e.InUse);
        EXPECT_EQ(Ui(w).mnuSelectDb->isChecked(), e.InUse);
        EXPECT_EQ(Ui(w).popmnuSelectDb->isChecked(), e.InUse);
        EXPECT_EQ(Ui(w).btnDeleteDb->isEnabled(), e.Selectable);
        EXPECT_EQ(Ui(w).mnuDeleteDb->isEnabled(), e.Selectable);
        EXPECT_EQ(Ui(w).popmnuDeleteDb->isEnabled(), e.Selectable);

        EXPECT_EQ(Ui(w).popmnuDescribeTable->isVisible(), e.Table);
        EXPECT_EQ(Ui(w).popmnuTableSelect->isVisible(), e.Table);
        EXPECT_EQ(Ui(w).popmnuFieldSelect->isVisible(), e.Field);
        EXPECT_EQ(Ui(w).N5->isVisible(), e.Table || e.Field);
    }
}

TEST_F(TreeTest, SelectCaptionsNameTheTableAndField) {
    TfrmMain& w = *Window;
    // The test's database is not in use: its tables are named with it.
    const QString db = QString::fromStdString(Db->Name()) + QLatin1Char('.');
    Click(Orders());
    EXPECT_EQ(Ui(w).popmnuTableSelect->text(),
              QStringLiteral("SELECT * FROM ") + db + QStringLiteral("orders"));
    EXPECT_EQ(Ui(w).popmnuDescribeTable->text(), QStringLiteral("&Describe table"));
    Click(OrdersField("id"));
    EXPECT_EQ(Ui(w).popmnuFieldSelect->text(),
              QStringLiteral("SELECT id FROM ") + db + QStringLiteral("orders"));
    // The table item keeps its last caption while hidden.
    EXPECT_FALSE(Ui(w).popmnuTableSelect->isVisible());
    EXPECT_EQ(Ui(w).popmnuTableSelect->text(),
              QStringLiteral("SELECT * FROM ") + db + QStringLiteral("orders"));

    // In use, the names stand alone.
    Click(DbNode());
    Ui(w).btnSelectDb->click();
    ASSERT_TRUE(DbNode()->Database()->Selected);
    Click(Orders());
    EXPECT_EQ(Ui(w).popmnuTableSelect->text(), QStringLiteral("SELECT * FROM orders"));
    Click(OrdersField("id"));
    EXPECT_EQ(Ui(w).popmnuFieldSelect->text(), QStringLiteral("SELECT id FROM orders"));
}

TEST_F(TreeTest, CommandStatesOfADisconnectedHostsNodes) {
    TfrmMain& w = *Window;
    TTreeNode* inUse = InUseDb(true);
    TTreeNode* other = InUseDb(false);
    ASSERT_TRUE(inUse && other);
    Host->Disconnect(); // the catalogue and its nodes stay until the host is cleared
    ASSERT_FALSE(Host->IsAlive());
    for (QTreeWidgetItem* node :
         {static_cast<QTreeWidgetItem*>(HostNode), static_cast<QTreeWidgetItem*>(other),
          static_cast<QTreeWidgetItem*>(inUse)}) {
        SCOPED_TRACE(node->text(0).toStdString());
        Select(node);
        EXPECT_TRUE(Ui(w).btnConnect->isEnabled());
        EXPECT_TRUE(Ui(w).mnuConnect->isEnabled());
        EXPECT_TRUE(Ui(w).popmnuConnect->isEnabled());
        for (QAction* a : {Ui(w).mnuDisconnect, Ui(w).popmnuDisconnect, Ui(w).mnuQuery, Ui(w).mnuQuery2,
                           Ui(w).mnuCreateDb, Ui(w).popmnuCreateDb})
            EXPECT_FALSE(TCommand::ItemEnabled(a)) << a->objectName().toStdString();
        for (QToolButton* b : {Ui(w).btnDisconnect, Ui(w).btnQuery, Ui(w).btnCreateDb})
            EXPECT_FALSE(b->isEnabled());
        EXPECT_TRUE(Ui(w).btnProperties->isEnabled());
        EXPECT_TRUE(Ui(w).popmnuDelete->isEnabled());
    }
    // A database not in use stays selectable and droppable by the rule; the one in use does not.
    Select(other);
    EXPECT_TRUE(Ui(w).btnSelectDb->isEnabled());
    EXPECT_TRUE(Ui(w).btnDeleteDb->isEnabled());
    Select(inUse);
    EXPECT_FALSE(Ui(w).btnSelectDb->isEnabled());
    EXPECT_TRUE(Ui(w).btnSelectDb->isChecked());
    EXPECT_FALSE(Ui(w).btnDeleteDb->isEnabled());
}

TEST_F(TreeTest, AltQRunsTheQueryWhileAConnectedHostsNodeIsSelected) {
    TfrmMain& w = *Window;
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QSignalSpy ran(Ui(w).mnuQuery2, &QAction::triggered);
    Click(OrdersField("name"));
    QTest::keyClick(Ui(w).Tree, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(ran.count(), 1);
}

TEST_F(TreeTest, ClearingAHostPassesTheSelectionToIt) {
    TfrmMain& w = *Window;
    HostNode->setExpanded(true);
    Select(OrdersField("total"));
    Ui(w).Tree->ClearHost(HostNode);
    EXPECT_EQ(HostNode->childCount(), 0);
    EXPECT_FALSE(HostNode->isExpanded());
    EXPECT_EQ(Ui(w).Tree->SelectedNode(), HostNode);
    // The selection change ran the rule for the host node.
    EXPECT_FALSE(Ui(w).popmnuFieldSelect->isVisible());
    EXPECT_FALSE(Ui(w).N5->isVisible());
    TNavigationTree::SetHostConnectedLook(HostNode, false);
    EXPECT_EQ(HostNode->StateIndex(), 2);

    // Populating again gives the same nodes.
    Ui(w).Tree->PopulateHost(HostNode);
    EXPECT_EQ(HostNode->childCount(), Host->Databases()->Count());
    EXPECT_EQ(Ui(w).Tree->SelectedNode(), HostNode);
}

TEST_F(TreeTest, ClearingAHostKeepsASelectionElsewhere) {
    TfrmMain& w = *Window;
    TTreeNode* second = Ui(w).Tree->AddHostNode(SandboxHost("second"));
    EXPECT_FALSE(second->isSelected());
    Select(second);
    Ui(w).Tree->ClearHost(HostNode);
    EXPECT_EQ(Ui(w).Tree->SelectedNode(), second);
}

TEST_F(TreeTest, DoubleClickInsertsTableAndFieldNamesIntoTheEditor) {
    TfrmMain& w = *Window;
    HostNode->setExpanded(true);
    DbNode()->setExpanded(true);
    Orders()->setExpanded(true);
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT X FROM Y"));
    Ui(w).mmoIn->SetSelStart(7);
    Ui(w).mmoIn->SetSelLength(1);

    auto dbl = [&](QTreeWidgetItem* node) {
        Ui(w).Tree->scrollToItem(node);
        const QPoint at = Ui(w).Tree->visualItemRect(node).center();
        QTest::mouseClick(Ui(w).Tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(Ui(w).Tree->viewport(), Qt::LeftButton, {}, at);
    };
    Ui(w).Tree->setFocus();
    dbl(OrdersField("name"));
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT name FROM Y"));
    EXPECT_TRUE(Ui(w).Tree->hasFocus());
    EXPECT_FALSE(Ui(w).mmoIn->hasFocus());

    Ui(w).mmoIn->SetSelStart(17);
    Ui(w).mmoIn->SetSelLength(1);
    const bool wasExpanded = Orders()->isExpanded();
    dbl(Orders());
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT name FROM orders"));
    // The tree's own fold on a double click stays.
    EXPECT_NE(Orders()->isExpanded(), wasExpanded);

    // Host and database nodes insert nothing (with nothing selected in the editor, at the caret).
    Ui(w).mmoIn->SetSelStart(6);
    dbl(DbNode());
    dbl(HostNode);
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT name FROM orders"));
}

TEST_F(TreeTest, RightClickSelectsTheNodeBeforeTheMenuOpens) {
    TfrmMain& w = *Window;
    HostNode->setExpanded(true);
    DbNode()->setExpanded(true);
    Select(HostNode);
    Ui(w).Tree->scrollToItem(Orders());
    const QPoint at = Ui(w).Tree->visualItemRect(Orders()).center();
    QTest::mouseClick(Ui(w).Tree->viewport(), Qt::RightButton, {}, at);
    // The context menu event follows the press.
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, Ui(w).Tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(Ui(w).Tree->viewport(), &menuEvent);
    EXPECT_EQ(Ui(w).Tree->SelectedNode(), Orders());
    EXPECT_TRUE(Ui(w).popTree->isVisible());
    EXPECT_TRUE(Ui(w).popmnuTableSelect->isVisible());
    EXPECT_EQ(Ui(w).popmnuTableSelect->text(), QStringLiteral("SELECT * FROM ") +
                                                   QString::fromStdString(Db->Name()) +
                                                   QStringLiteral(".orders"));
    Ui(w).popTree->close();
}

TEST_F(TreeTest, DropsFromTheTreeInsertTableAndFieldNames) {
    TfrmMain& w = *Window;
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT  FROM t"));
    Ui(w).mmoIn->SetSelStart(7);
    Select(HostNode);
    EXPECT_FALSE(w.Editing().mmoInDragOver(Ui(w).Tree));
    Select(DbNode());
    EXPECT_FALSE(w.Editing().mmoInDragOver(Ui(w).Tree));
    Select(OrdersField("id"));
    EXPECT_FALSE(w.Editing().mmoInDragOver(Ui(w).mmoIn)); // only drags that the tree started
    ASSERT_TRUE(w.Editing().mmoInDragOver(Ui(w).Tree));
    w.Editing().mmoInDragDrop(Ui(w).Tree);
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT id FROM t"));
    Select(Orders());
    EXPECT_TRUE(w.Editing().mmoInDragOver(Ui(w).Tree));
    w.Editing().mmoInDragDrop(nullptr); // not from the tree: nothing
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT id FROM t"));
}

TEST_F(TreeTest, DeletingAConnectedHostRemovesItsSubtree) {
    TfrmMain& w = *Window;
    Select(OrdersField("id"));
    Ui(w).Tree->DeleteHostNode(HostNode);
    HostNode = nullptr;
    EXPECT_EQ(Ui(w).Tree->topLevelItemCount(), 0);
    EXPECT_EQ(Ui(w).Tree->SelectedNode(), nullptr);
    // The window survives its destruction and save without the host.
}

} // namespace
