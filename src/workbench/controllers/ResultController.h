#pragma once
// The shown result: ShowResult (the grid and the status bar's summary), Clear result, Maximize
// result and Export result.

#include "workbench/controllers/Controller.h"

class TResult;

class TResultController {
public:
    explicit TResultController(const TWorkbench& workbench)
        : FWindow(workbench.Window), FUi(workbench.Ui), FCmd(workbench.Cmd) {}

    // Shows `Result` in lstOut and its summary on the status line, and sets the export command;
    // false when it was shown as an error, which ends a batch of statements.
    bool ShowResult(const TResult& Result);
    // Before a statement: the grid and the closed result window let go of the shown result, so
    // the next one is built while the previous is released (ShowResult replaces the grid anyway).
    void ReleaseShownResult();

    void btnMaximizeClick();
    void popmnuClearResultClick();
    // Asks the options, then the file name, then writes what the grid shows to that file. The
    // hourglass stays up from start to end, the dialogs included; a file that cannot be written is
    // reported in the application's error box and leaves the old file as it was.
    void btnExportResultClick();

private:
    TfrmMain& FWindow;
    const TMainControls& FUi;
    const TCommandSet& FCmd;
};
