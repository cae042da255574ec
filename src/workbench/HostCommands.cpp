// The host and database commands of the main window: New host, Delete host, Host properties,
// Connect, Disconnect, Select database, Create database, Drop database, and the table commands of
// the tree's context menu. Each reports its outcome as the status bar's one text.

#include "main.h"

#include "Dialogs.h"
#include "MySql.h"
#include "WaitCursor.h"
#include "propertiesview.h"

#include <QApplication>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

// host:port as the messages show it: the port as stored, so 0 for the library's default.
QString HostAndPort(const TMySql& host) { return Text(host.Host) + QLatin1Char(':') + QString::number(host.Port); }

void SetInUseLook(TTreeNode* node, bool inUse) {
    if (inUse)
        node->SetImages(8, 9);
    else
        node->SetImages(2, 3);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Helpers

TfrmProperties* TfrmMain::MakePropertiesDialog(TfrmMain* owner) {
    auto* dialog = new TfrmProperties(owner);
    dialog->SetErrorBox([owner](QWidget* parent, const QString& title, const QString& text) {
        owner->Dialogs().MessageBox(parent, title, text, TMsgKind::Error, TMsgButtons::Ok);
    });
    return dialog;
}

bool TfrmMain::ShowProperties(TMySql* host) {
    frmProperties->SetMySql(host);
    const bool ok = frmProperties->exec() == QDialog::Accepted;
    // The object may be released next (a cancelled New host, Delete host): the dialog keeps no
    // pointer to it while hidden.
    frmProperties->SetMySql(nullptr);
    return ok;
}

void TfrmMain::RebuildFromNewCatalogue(TTreeNode* hostNode) {
    // The nodes point into the catalogue: they go before it is read again. Read as at connect, so
    // the first database that can be selected becomes the current one.
    ClearHost(hostNode);
    hostNode->Host()->ReadDatabases();
    PopulateHost(hostNode);
    hostNode->setExpanded(true);
}

// ---------------------------------------------------------------------------------------------
// Hosts

void TfrmMain::btnNewClick() {
    auto host = std::make_unique<TMySql>();
    if (!ShowProperties(host.get())) return; // released here: no trace
    const QString name = Text(host->Name);
    AddHostNode(std::move(host));
    SetStatusText(QStringLiteral("Host ") + name + QStringLiteral(" created."));
}

void TfrmMain::btnDeleteClick() {
    // From a database, table or field node this deletes the host it belongs to; catalogue objects
    // are never released here.
    TTreeNode* hostNode = SelectedHostNode();
    if (!hostNode) return;
    const QString text = QStringLiteral("Are you sure you want to delete the host '") + Text(hostNode->Host()->Name) +
                         QStringLiteral("'?");
    if (!Dialogs().Confirm(this, text)) return;
    DeleteHostNode(hostNode); // nodes first, then the object (closing its connection)
    SetStatusText(QStringLiteral("Host deleted"));
}

void TfrmMain::btnPropertiesClick() {
    TMySql* host = SelectedHost();
    if (!host) return;
    ShowProperties(host);
    SyncHostCaptions();
}

void TfrmMain::btnConnectClick() {
    TTreeNode* hostNode = SelectedHostNode();
    if (!hostNode) return;
    TMySql* host = hostNode->Host();
    {
        TWaitCursor wait;
        SetStatusText(QStringLiteral("Connecting to ") + HostAndPort(*host), true);
        // Connect releases the catalogue of an earlier connection (one that was lost, say), and
        // the nodes still showing it with it.
        ClearHost(hostNode);
        if (host->Connect()) {
            SetStatusText(QStringLiteral("Connected to ") + HostAndPort(*host));
            btnDisconnect->setEnabled(true);
            btnConnect->setEnabled(false);
            SetHostConnectedLook(hostNode, true);
            PopulateHost(hostNode);
        } else {
            SetStatusText(QStringLiteral("Connect failed: ") + Text(host->ErrorText()));
            SetHostConnectedLook(hostNode, false);
        }
    }
    if (TTreeNode* selected = SelectedNode()) selected->setExpanded(true);
    UpdateCommandStates();
}

void TfrmMain::btnDisconnectClick() {
    TTreeNode* hostNode = SelectedHostNode();
    if (!hostNode) return;
    TMySql* host = hostNode->Host();
    SetStatusText(QStringLiteral("Disconnecting from ") + HostAndPort(*host), true);
    // The nodes go before the call, as the catalogue they point into may go with the connection.
    ClearHost(hostNode);
    host->Disconnect();
    SetStatusText(QStringLiteral("Disconnected from ") + HostAndPort(*host));
    btnDisconnect->setEnabled(false);
    btnConnect->setEnabled(true);
    SetHostConnectedLook(hostNode, false);
    UpdateCommandStates();
}

// ---------------------------------------------------------------------------------------------
// Databases

void TfrmMain::btnSelectDbClick() {
    TTreeNode* node = SelectedNode();
    if (!node || node->Kind() != TNodeKind::Database || node->Database()->Selected) return;
    TTreeNode* hostNode = HostNodeOf(node);

    TTreeNode* former = nullptr;
    for (int i = 0; i < hostNode->childCount() && !former; ++i) {
        TTreeNode* sibling = AsNode(hostNode->child(i));
        if (sibling && sibling->Database() && sibling->Database()->Selected) former = sibling;
    }

    if (node->Database()->Select()) {
        SetStatusText(QStringLiteral("Database '") + node->text(0) + QStringLiteral("' selected"), true);
        SetInUseLook(node, true);
        if (former) {
            former->Database()->Selected = false;
            SetInUseLook(former, false);
            // Each change of selection runs the command states, so they end up showing the new one.
            Tree->setCurrentItem(former);
            Tree->setCurrentItem(node);
        }
    } else {
        SetStatusText(QStringLiteral("Error selecting database: ") + Text(hostNode->Host()->ErrorText()), true);
    }
    Tree->viewport()->repaint();
}

void TfrmMain::btnCreateDbClick() {
    TTreeNode* hostNode = SelectedHostNode();
    if (!hostNode) return;
    TMySql* host = hostNode->Host();
    QString name;
    // A cancelled box leaves the name empty, and the server is asked all the same.
    Dialogs().InputQuery(this, QStringLiteral("Create database"), QStringLiteral("Name of the database?"), name);
    if (host->CreateDatabase(name.toStdString())) {
        SetStatusText(QStringLiteral("Database Created"));
        RebuildFromNewCatalogue(hostNode);
    } else {
        SetStatusText(QStringLiteral("Error creating database: ") + Text(host->ErrorText()));
    }
}

void TfrmMain::btnDeleteDbClick() {
    TTreeNode* node = SelectedNode();
    if (!node || node->Kind() != TNodeKind::Database) return;
    TTreeNode* hostNode = HostNodeOf(node);
    TMySql* host = hostNode->Host();
    const std::string name = node->Database()->Name;
    const QString text = QStringLiteral("Are you sure you want to delete the database '") + Text(name) +
                         QStringLiteral("' ?\n\rDELETING IT WILL DESTROY ALL DATA IN IT FOREVER!");
    if (!Dialogs().Confirm(this, text)) {
        SetStatusText(QStringLiteral("Error Deleting Database: User canceled"));
        return;
    }
    if (host->DropDatabase(name)) {
        SetStatusText(QStringLiteral("Database deleted"));
        RebuildFromNewCatalogue(hostNode);
    } else {
        SetStatusText(QStringLiteral("Error Deleting Database: ") + Text(host->ErrorText()));
    }
}

// ---------------------------------------------------------------------------------------------
// Tables

void TfrmMain::popmnuDescribeTableClick() {
    // The description read with the catalogue: nothing goes to the server.
    const TTreeNode* node = SelectedNode();
    if (!node || node->Kind() != TNodeKind::Table || !node->Table()->Description) return;
    ShowResult(*node->Table()->Description);
}

void TfrmMain::popmnuTableSelectClick() {
    // The caption is the statement; it stays out of the query history and the editor.
    TMySql* host = SelectedHost();
    if (!host) return;
    ShowResult(*host->Execute(popmnuTableSelect->text().toStdString()));
}

void TfrmMain::popmnuFieldSelectClick() {
    TMySql* host = SelectedHost();
    if (!host) return;
    ShowResult(*host->Execute(popmnuFieldSelect->text().toStdString()));
}
