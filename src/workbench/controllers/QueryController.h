#pragma once
// Running the editor's statements (Query: the whole text; Query current statement: the selection,
// or the statement at the caret) and stepping through the query history (Previous, Next, the
// drop-down list). A recalled entry replaces the editor's text as one undoable step, so
// Undo brings back the draft.

#include "workbench/controllers/Controller.h"

#include <string>
#include <string_view>

class QCursor;
class QString;

class TQueryController {
public:
    explicit TQueryController(const TWorkbench& workbench) : FWindow(workbench.Window), FUi(workbench.Ui) {}

    void btnQueryClick();
    void mnuQueryCurrentClick();
    void btnPrevClick();
    void btnNextClick();
    void cmbQueriesDropDown();
    void cmbQueriesChange();
    // The history was filled from the draft of an earlier run: the list and the buttons follow.
    void HistoryRestored();

    // The database-busy cursor shown while statements run: an hourglass with "SQL" beneath it.
    static QCursor SqlBusyCursor();

private:
    // Runs `shown`, the part of the editor's text from position `base` on: every statement of it,
    // or with `atCaret` only the one the caret is in.
    void Run(const QString& shown, int base, bool atCaret);
    // Selects the failed `statement` (a view into `text`, which begins at editor position `base`),
    // or the line of it that `error` names.
    void ShowWhereItFailed(const std::string& text, std::string_view statement, int base,
                           const std::string& error);
    void AddHistoryEntry();
    void UpdateHistoryButtons();

    TfrmMain& FWindow;
    const TMainControls& FUi;
};
