#include "workbench/controllers/HostController.h"

#include "workbench/controllers/ResultController.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "server/MySql.h"
#include "sql/QtText.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/dialogs/propertiesview.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/waiting/ServerWaitGuard.h"
#include "workbench/waiting/WaitCursor.h"
#include "workbench/window/AppWindows.h"

#include <QApplication>
#include <QLineEdit>
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

bool THostController::ShowProperties(TMySql* host) {
    FWindow.Windows().frmProperties->SetMySql(host);
    const bool ok = FWindow.Windows().frmProperties->exec() == QDialog::Accepted;
    // The object may be released next (a cancelled New host, Delete host): the dialog keeps no
    // pointer to it while hidden.
    FWindow.Windows().frmProperties->SetMySql(nullptr);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Hosts

void THostController::btnNewClick() {
    auto host = std::make_unique<TMySql>();
    if (!ShowProperties(host.get())) return; // released here: no trace
    const QString name = QtText(host->Name);
    FUi.Tree->AddHostNode(std::move(host));
    FWindow.SetStatusText(QStringLiteral("Host ") + name + QStringLiteral(" created."));
}

void THostController::btnDeleteClick() {
    // From a database, table or field node this deletes the host it belongs to; catalogue objects
    // are never released here.
    TTreeNode* hostNode = FUi.Tree->SelectedHostNode();
    if (!hostNode) return;
    const QString text = QStringLiteral("Are you sure you want to delete the host '") +
                         QtText(hostNode->Host()->Name) + QStringLiteral("'?");
    if (!FWindow.Dialogs().Confirm(&FWindow, text)) return;
    FUi.Tree->DeleteHostNode(hostNode); // nodes first, then the object (closing its connection)
    FWindow.SetStatusText(QStringLiteral("Host deleted"));
}

void THostController::btnPropertiesClick() {
    TMySql* host = FUi.Tree->SelectedHost();
    if (!host) return;
    ShowProperties(host);
    FUi.Tree->SyncHostCaptions();
}

void THostController::btnConnectClick() {
    TTreeNode* hostNode = FUi.Tree->SelectedHostNode();
    if (!hostNode) return;
    TMySql* host = hostNode->Host();
    {
        TServerWaitGuard waiting;
        TWaitCursor wait;
        FWindow.SetStatusText(QStringLiteral("Connecting to ") + HostAndPort(*host), true);
        // Connect releases the catalogue of an earlier connection (one that was lost, say), and
        // the nodes still showing it with it.
        FUi.Tree->ClearHost(hostNode);
        if (const std::string trouble = FWindow.ReadKeptPassword(*host); !trouble.empty()) {
            FWindow.SetStatusText(QStringLiteral("Connect failed: ") + QtText(trouble));
            TNavigationTree::SetHostConnectedLook(hostNode, false);
        } else if (host->Connect()) {
            FWindow.SetStatusText(QStringLiteral("Connected to ") + HostAndPort(*host));
            FUi.btnDisconnect->setEnabled(true);
            FUi.btnConnect->setEnabled(false);
            TNavigationTree::SetHostConnectedLook(hostNode, true);
            FUi.Tree->PopulateHost(hostNode);
        } else {
            FWindow.SetStatusText(QStringLiteral("Connect failed: ") + QtText(host->ErrorText()));
            TNavigationTree::SetHostConnectedLook(hostNode, false);
        }
    }
    if (TTreeNode* selected = FUi.Tree->SelectedNode()) selected->setExpanded(true);
    FWindow.UpdateCommandStates();
}

void THostController::mnuRefreshClick() {
    TTreeNode* hostNode = FUi.Tree->SelectedHostNode();
    if (!hostNode || !hostNode->Host()->IsAlive()) return;
    // Below a host only the selection's database is read again.
    TTreeNode* dbNode = FUi.Tree->SelectedNode();
    while (dbNode && dbNode->Kind() != TNodeKind::Database)
        dbNode = AsNode(dbNode->parent());
    const QString name = dbNode ? dbNode->text(0) + QStringLiteral(" on ") + QtText(hostNode->Host()->Name)
                                : QtText(hostNode->Host()->Name);
    bool read = false;
    {
        TServerWaitGuard waiting;
        TWaitCursor wait;
        FWindow.SetStatusText(QStringLiteral("Refreshing ") + name, true);
        read = dbNode ? FUi.Tree->RefreshDatabase(dbNode) : FUi.Tree->RefreshHost(hostNode);
    }
    if (read)
        FWindow.SetStatusText(QStringLiteral("Refreshed ") + name);
    else if (hostNode->Host()->IsAlive())
        FWindow.SetStatusText(QStringLiteral("Refresh of ") + name +
                              QStringLiteral(" stopped by the user; the tree shows what it showed before"));
    else
        FWindow.SetStatusText(QStringLiteral("Refresh failed: ") + QtText(hostNode->Host()->ErrorText()));
    FWindow.ForgetLostConnection(hostNode);
    FWindow.UpdateCommandStates();
}

void THostController::mnuFilterTreeClick() {
    FUi.txtTreeFilter->setFocus(Qt::ShortcutFocusReason);
    FUi.txtTreeFilter->selectAll();
}

void THostController::AfterRun(TTreeNode* hostNode, const TRunChanges& changes) {
    if (!hostNode || !hostNode->Host()->IsAlive()) return;
    TServerWaitGuard waiting;
    if (changes.Everything()) {
        FUi.Tree->RefreshHost(hostNode);
    } else if (!changes.Databases().empty()) {
        // Once each, whatever the number of statements that changed it. Each read marks the
        // current database as the server has it, so a USE in the run is followed too.
        for (const std::string& name : changes.Databases())
            for (int i = 0; i < hostNode->childCount(); ++i)
                if (TTreeNode* node = AsNode(hostNode->child(i)); node && node->Database()->Name == name) {
                    FUi.Tree->RefreshDatabase(node);
                    break;
                }
    } else if (changes.CurrentDatabase()) {
        if (hostNode->Host()->FollowCurrentDatabase()) TNavigationTree::UpdateInUseLooks(hostNode);
    } else {
        return;
    }
    FWindow.ForgetLostConnection(hostNode);
    FWindow.UpdateCommandStates();
}

void THostController::btnDisconnectClick() {
    TTreeNode* hostNode = FUi.Tree->SelectedHostNode();
    if (!hostNode) return;
    TMySql* host = hostNode->Host();
    FWindow.SetStatusText(QStringLiteral("Disconnecting from ") + HostAndPort(*host), true);
    // The nodes go before the call, as the catalogue they point into may go with the connection.
    FUi.Tree->ClearHost(hostNode);
    host->Disconnect();
    FWindow.SetStatusText(QStringLiteral("Disconnected from ") + HostAndPort(*host));
    FUi.btnDisconnect->setEnabled(false);
    FUi.btnConnect->setEnabled(true);
    TNavigationTree::SetHostConnectedLook(hostNode, false);
    FWindow.UpdateCommandStates();
}

// ---------------------------------------------------------------------------------------------
// Databases

void THostController::btnSelectDbClick() {
    TTreeNode* node = FUi.Tree->SelectedNode();
    if (!node || node->Kind() != TNodeKind::Database || node->Database()->Selected) return;
    TTreeNode* hostNode = TNavigationTree::HostNodeOf(node);

    TTreeNode* former = nullptr;
    for (int i = 0; i < hostNode->childCount() && !former; ++i) {
        TTreeNode* sibling = AsNode(hostNode->child(i));
        if (sibling && sibling->Database() && sibling->Database()->Selected) former = sibling;
    }

    TServerWaitGuard waiting;
    if (node->Database()->Select()) {
        FWindow.SetStatusText(QStringLiteral("Database '") + node->text(0) + QStringLiteral("' selected"),
                              true);
        TNavigationTree::SetInUseLook(node, true);
        if (former) {
            former->Database()->Selected = false;
            TNavigationTree::SetInUseLook(former, false);
            // Each change of selection runs the command states, so they end up showing the new one.
            FUi.Tree->setCurrentItem(former);
            FUi.Tree->setCurrentItem(node);
        }
    } else {
        FWindow.SetStatusText(
            QStringLiteral("Error selecting database: ") + QtText(hostNode->Host()->ErrorText()), true);
    }
    FUi.Tree->viewport()->repaint();
    FWindow.ForgetLostConnection(hostNode);
}

void THostController::btnCreateDbClick() {
    TTreeNode* hostNode = FUi.Tree->SelectedHostNode();
    if (!hostNode) return;
    TMySql* host = hostNode->Host();
    QString name;
    // A cancelled box leaves the name empty, and the server is asked all the same.
    FWindow.Dialogs().InputQuery(&FWindow, QStringLiteral("Create database"),
                                 QStringLiteral("Name of the database?"), name);
    TServerWaitGuard waiting;
    if (host->CreateDatabase(ServerText(name))) {
        FWindow.SetStatusText(QStringLiteral("Database Created"));
        RebuildKeepingDatabaseInUse(*FUi.Tree, hostNode);
    } else {
        FWindow.SetStatusText(QStringLiteral("Error creating database: ") + QtText(host->ErrorText()));
        FWindow.ForgetLostConnection(hostNode);
    }
}

void THostController::btnDeleteDbClick() {
    TTreeNode* node = FUi.Tree->SelectedNode();
    if (!node || node->Kind() != TNodeKind::Database) return;
    TTreeNode* hostNode = TNavigationTree::HostNodeOf(node);
    TMySql* host = hostNode->Host();
    const std::string name = node->Database()->Name;
    const QString text = QStringLiteral("Are you sure you want to delete the database '") + QtText(name) +
                         QStringLiteral("' ?\n\rDELETING IT WILL DESTROY ALL DATA IN IT FOREVER!");
    if (!FWindow.Dialogs().Confirm(&FWindow, text)) {
        FWindow.SetStatusText(QStringLiteral("Error Deleting Database: User canceled"));
        return;
    }
    TServerWaitGuard waiting;
    if (host->DropDatabase(name)) {
        FWindow.SetStatusText(QStringLiteral("Database deleted"));
        RebuildKeepingDatabaseInUse(*FUi.Tree, hostNode);
    } else {
        FWindow.SetStatusText(QStringLiteral("Error Deleting Database: ") + QtText(host->ErrorText()));
        FWindow.ForgetLostConnection(hostNode);
    }
}

// ---------------------------------------------------------------------------------------------
// Tables

void THostController::popmnuDescribeTableClick() {
    // The description read with the catalogue: nothing goes to the server.
    const TTreeNode* node = FUi.Tree->SelectedNode();
    if (!node || node->Kind() != TNodeKind::Table || !node->Table()->Description) return;
    FWindow.Results().ShowResult(*node->Table()->Description);
}

// The caption is the statement; it stays out of the query history and the editor.
void THostController::RunMenuStatement(const QString& statement) {
    TTreeNode* hostNode = FUi.Tree->SelectedHostNode();
    if (!hostNode) return;
    TServerWaitGuard waiting;
    FWindow.Results().ReleaseShownResult();
    FWindow.Results().ShowResult(*hostNode->Host()->Execute(ServerText(statement)));
    FWindow.ForgetLostConnection(hostNode);
}

void THostController::popmnuTableSelectClick() {
    RunMenuStatement(FUi.popmnuTableSelect->text());
}

void THostController::popmnuFieldSelectClick() {
    RunMenuStatement(FUi.popmnuFieldSelect->text());
}
