#pragma once
// Run SQL file: a script file run statement by statement on the selected host's server as Query
// runs the editor's text, read a piece at a time so a dump of any size runs, with a progress
// window whose Cancel (or Esc) stops the statement under way. The run stops at the first failing
// statement and says which one, and at which line of the file it begins. The editor, the query
// history and the result grid are left as they are.

#include "workbench/controllers/Controller.h"

#include "workbench/controllers/RunChanges.h"

#include <QElapsedTimer>
#include <QString>

#include <cstddef>

class TScriptReader;
class TTreeNode;

class TRunSqlFileController {
public:
    explicit TRunSqlFileController(const TWorkbench& workbench)
        : FWindow(workbench.Window), FUi(workbench.Ui) {}

    void mnuRunSqlFileClick();

private:
    // Checks and runs the script; the status text that says how it ended.
    QString Run(TScriptReader& reader, TTreeNode* hostNode, const QString& name);
    // Brings the progress window up to date.
    void ShowProgress(const TScriptReader& reader);

    TfrmMain& FWindow;
    const TMainControls& FUi;
    // Of the run under way: the statements that succeeded, whether the file is still being
    // checked, the time since it began.
    std::size_t FRan = 0;
    TRunChanges FChanges; // what the statements run did to the tree's catalogue
    bool FChecking = false;
    QElapsedTimer FClock;
};
