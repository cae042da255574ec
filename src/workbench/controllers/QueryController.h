#pragma once
// Running the editor's statements (Query) and stepping through the query history (Previous,
// Next, the drop-down list). A recalled entry replaces the editor's text as one undoable step, so
// Undo brings back the draft.

#include "workbench/controllers/Controller.h"

class QCursor;

class TQueryController {
public:
    explicit TQueryController(const TWorkbench& workbench) : FWindow(workbench.Window), FUi(workbench.Ui) {}

    void btnQueryClick();
    void btnPrevClick();
    void btnNextClick();
    void cmbQueriesDropDown();
    void cmbQueriesChange();

    // The database-busy cursor shown while statements run: an hourglass with "SQL" beneath it.
    static QCursor SqlBusyCursor();

private:
    void AddHistoryEntry();
    void UpdateHistoryButtons();

    TfrmMain& FWindow;
    const TMainControls& FUi;
};
