// The host and database commands of the main window: New host, Delete host, Host properties,
// Connect, Disconnect, Select database, Create database, Drop database, and the table commands of
// the tree's context menu. Each reports its outcome as the status bar's one text.

#include "main.h"

#include "AppWindows.h"
#include "Dialogs.h"
#include "MySql.h"
#include "NavigationTree.h"
#include "QtText.h"
#include "ServerWaitGuard.h"
#include "WaitCursor.h"
#include "propertiesview.h"

#include <QApplication>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// host:port as the messages show it: the port as stored, so 0 for the library's default.
QString HostAndPort(const TMySql& host) {
    return QtText(host.Host) + QLatin1Char(':') + QString::number(host.Port);
}

// The name of the connection's database in use; empty when there is none.
std::string DatabaseInUse(const TMySql& host) {
    if (const TDatabases* dbs = host.Databases())
        for (int d = 0; d < dbs->Count(); ++d)
            if (dbs->Items(d)->Selected) return dbs->Items(d)->Name;
    return {};
}

// Reads the catalogue again after a database was created or dropped. The walk of the catalogue
// leaves its own pick current; the database in use before stays in use while it exists, so the
// next statements run where the user left them.
void RebuildKeepingDatabaseInUse(TNavigationTree& tree, TTreeNode* hostNode) {
    const std::string former = DatabaseInUse(*hostNode->Host());
    tree.RebuildHost(hostNode);
    if (former.empty()) return;
    TTreeNode* keep = nullptr;
    for (int i = 0; i < hostNode->childCount() && !keep; ++i)
        if (TTreeNode* n = AsNode(hostNode->child(i)); n && n->Database() && n->Database()->Name == former)
            keep = n;
    if (!keep || keep->Database()->Selected || !keep->Database()->Select()) return;
    for (int i = 0; i < hostNode->childCount(); ++i) {
        TTreeNode* n = AsNode(hostNode->child(i));
        if (!n || !n->Database()) continue;
        if (n != keep) n->Database()->Selected = false;
        TNavigationTree::SetInUseLook(n, n == keep);
    }
}

} // namespace

bool TfrmMain::ShowProperties(TMySql* host) {
    Windows().frmProperties->SetMySql(host);
    const bool ok = Windows().frmProperties->exec() == QDialog::Accepted;
    // The object may be released next (a cancelled New host, Delete host): the dialog keeps no
    // pointer to it while hidden.
    Windows().frmProperties->SetMySql(nullptr);
    return ok;
}

void TfrmMain::ForgetLostConnection(TTreeNode* hostNode) {
    if (!hostNode || !hostNode->Host() || hostNode->Host()->IsAlive()) return;
    // The connection object keeps its handle and catalogue until the next Connect releases them:
    // results already shown may still read their error from the handle.
    Tree->ClearHost(hostNode);
    TNavigationTree::SetHostConnectedLook(hostNode, false);
    UpdateCommandStates();
    Tree->viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Hosts

void TfrmMain::btnNewClick() {
    auto host = std::make_unique<TMySql>();
    if (!ShowProperties(host.get())) return; // released here: no trace
    const QString name = QtText(host->Name);
    Tree->AddHostNode(std::move(host));
    SetStatusText(QStringLiteral("Host ") + name + QStringLiteral(" created."));
}

void TfrmMain::btnDeleteClick() {
    // From a database, table or field node this deletes the host it belongs to; catalogue objects
    // are never released here.
    TTreeNode* hostNode = Tree->SelectedHostNode();
    if (!hostNode) return;
    const QString text = QStringLiteral("Are you sure you want to delete the host '") +
                         QtText(hostNode->Host()->Name) + QStringLiteral("'?");
    if (!Dialogs().Confirm(this, text)) return;
    Tree->DeleteHostNode(hostNode); // nodes first, then the object (closing its connection)
    SetStatusText(QStringLiteral("Host deleted"));
}

void TfrmMain::btnPropertiesClick() {
    TMySql* host = Tree->SelectedHost();
    if (!host) return;
    ShowProperties(host);
    Tree->SyncHostCaptions();
}

void TfrmMain::btnConnectClick() {
    TTreeNode* hostNode = Tree->SelectedHostNode();
    if (!hostNode) return;
    TMySql* host = hostNode->Host();
    {
        TServerWaitGuard waiting;
        TWaitCursor wait;
        SetStatusText(QStringLiteral("Connecting to ") + HostAndPort(*host), true);
        // Connect releases the catalogue of an earlier connection (one that was lost, say), and
        // the nodes still showing it with it.
        Tree->ClearHost(hostNode);
        if (host->Connect()) {
            SetStatusText(QStringLiteral("Connected to ") + HostAndPort(*host));
            btnDisconnect->setEnabled(true);
            btnConnect->setEnabled(false);
            TNavigationTree::SetHostConnectedLook(hostNode, true);
            Tree->PopulateHost(hostNode);
        } else {
            SetStatusText(QStringLiteral("Connect failed: ") + QtText(host->ErrorText()));
            TNavigationTree::SetHostConnectedLook(hostNode, false);
        }
    }
    if (TTreeNode* selected = Tree->SelectedNode()) selected->setExpanded(true);
    UpdateCommandStates();
}

void TfrmMain::btnDisconnectClick() {
    TTreeNode* hostNode = Tree->SelectedHostNode();
    if (!hostNode) return;
    TMySql* host = hostNode->Host();
    SetStatusText(QStringLiteral("Disconnecting from ") + HostAndPort(*host), true);
    // The nodes go before the call, as the catalogue they point into may go with the connection.
    Tree->ClearHost(hostNode);
    host->Disconnect();
    SetStatusText(QStringLiteral("Disconnected from ") + HostAndPort(*host));
    btnDisconnect->setEnabled(false);
    btnConnect->setEnabled(true);
    TNavigationTree::SetHostConnectedLook(hostNode, false);
    UpdateCommandStates();
}

// ---------------------------------------------------------------------------------------------
// Databases

void TfrmMain::btnSelectDbClick() {
    TTreeNode* node = Tree->SelectedNode();
    if (!node || node->Kind() != TNodeKind::Database || node->Database()->Selected) return;
    TTreeNode* hostNode = TNavigationTree::HostNodeOf(node);

    TTreeNode* former = nullptr;
    for (int i = 0; i < hostNode->childCount() && !former; ++i) {
        TTreeNode* sibling = AsNode(hostNode->child(i));
        if (sibling && sibling->Database() && sibling->Database()->Selected) former = sibling;
    }

    TServerWaitGuard waiting;
    if (node->Database()->Select()) {
        SetStatusText(QStringLiteral("Database '") + node->text(0) + QStringLiteral("' selected"), true);
        TNavigationTree::SetInUseLook(node, true);
        if (former) {
            former->Database()->Selected = false;
            TNavigationTree::SetInUseLook(former, false);
            // Each change of selection runs the command states, so they end up showing the new one.
            Tree->setCurrentItem(former);
            Tree->setCurrentItem(node);
        }
    } else {
        SetStatusText(QStringLiteral("Error selecting database: ") + QtText(hostNode->Host()->ErrorText()),
                      true);
    }
    Tree->viewport()->repaint();
    ForgetLostConnection(hostNode);
}

void TfrmMain::btnCreateDbClick() {
    TTreeNode* hostNode = Tree->SelectedHostNode();
    if (!hostNode) return;
    TMySql* host = hostNode->Host();
    QString name;
    // A cancelled box leaves the name empty, and the server is asked all the same.
    Dialogs().InputQuery(this, QStringLiteral("Create database"), QStringLiteral("Name of the database?"),
                         name);
    TServerWaitGuard waiting;
    if (host->CreateDatabase(ServerText(name))) {
        SetStatusText(QStringLiteral("Database Created"));
        RebuildKeepingDatabaseInUse(*Tree, hostNode);
    } else {
        SetStatusText(QStringLiteral("Error creating database: ") + QtText(host->ErrorText()));
        ForgetLostConnection(hostNode);
    }
}

void TfrmMain::btnDeleteDbClick() {
    TTreeNode* node = Tree->SelectedNode();
    if (!node || node->Kind() != TNodeKind::Database) return;
    TTreeNode* hostNode = TNavigationTree::HostNodeOf(node);
    TMySql* host = hostNode->Host();
    const std::string name = node->Database()->Name;
    const QString text = QStringLiteral("Are you sure you want to delete the database '") + QtText(name) +
                         QStringLiteral("' ?\n\rDELETING IT WILL DESTROY ALL DATA IN IT FOREVER!");
    if (!Dialogs().Confirm(this, text)) {
        SetStatusText(QStringLiteral("Error Deleting Database: User canceled"));
        return;
    }
    TServerWaitGuard waiting;
    if (host->DropDatabase(name)) {
        SetStatusText(QStringLiteral("Database deleted"));
        RebuildKeepingDatabaseInUse(*Tree, hostNode);
    } else {
        SetStatusText(QStringLiteral("Error Deleting Database: ") + QtText(host->ErrorText()));
        ForgetLostConnection(hostNode);
    }
}

// ---------------------------------------------------------------------------------------------
// Tables

void TfrmMain::popmnuDescribeTableClick() {
    // The description read with the catalogue: nothing goes to the server.
    const TTreeNode* node = Tree->SelectedNode();
    if (!node || node->Kind() != TNodeKind::Table || !node->Table()->Description) return;
    ShowResult(*node->Table()->Description);
}

// The caption is the statement; it stays out of the query history and the editor.
void TfrmMain::RunMenuStatement(const QString& statement) {
    TTreeNode* hostNode = Tree->SelectedHostNode();
    if (!hostNode) return;
    TServerWaitGuard waiting;
    ReleaseShownResult();
    ShowResult(*hostNode->Host()->Execute(ServerText(statement)));
    ForgetLostConnection(hostNode);
}

void TfrmMain::popmnuTableSelectClick() {
    RunMenuStatement(popmnuTableSelect->text());
}

void TfrmMain::popmnuFieldSelectClick() {
    RunMenuStatement(popmnuFieldSelect->text());
}
