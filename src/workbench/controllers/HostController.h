#pragma once
// The host and database commands: New host, Delete host, Host properties, Connect, Disconnect,
// Select database, Create database, Drop database, and the table commands of the tree's context
// menu. Each reports its outcome as the status bar's one text.

#include "workbench/controllers/Controller.h"

#include "workbench/controllers/RunChanges.h"

class QString;
class TMySql;

class TTreeNode;

class THostController {
public:
    explicit THostController(const TWorkbench& workbench) : FWindow(workbench.Window), FUi(workbench.Ui) {}

    void btnNewClick();
    void btnDeleteClick();
    void btnPropertiesClick();
    void btnConnectClick();
    void btnDisconnectClick();
    void btnSelectDbClick();
    void btnCreateDbClick();
    void btnDeleteDbClick();
    void popmnuDescribeTableClick();
    void popmnuTableSelectClick();
    void popmnuFieldSelectClick();
    // Refresh: the selected host's catalogue read again, the tree updated in place.
    void mnuRefreshClick();
    // Filter tables: the keyboard goes to the tree's filter line, its text selected.
    void mnuFilterTreeClick();
    // After a run of the editor's statements on the host of `hostNode`: the tree follows what they
    // did, read from the server (the catalogue again once, or each changed database once, or only
    // which database is current).
    void AfterRun(TTreeNode* hostNode, const TRunChanges& changes);

private:
    // Runs a tree-menu item's caption, which is the statement; it stays out of the query history
    // and the editor.
    void RunMenuStatement(const QString& statement);
    // Shows the properties dialog modally for `host`; true when it ended with OK.
    bool ShowProperties(TMySql* host);

    TfrmMain& FWindow;
    const TMainControls& FUi;
};
