#include "workbench/controllers/ResultController.h"

#include "workbench/dialogs/Dialogs.h"
#include "workbench/dialogs/ExportResult.h"
#include "workbench/dialogs/ResultWindow.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/waiting/WaitCursor.h"
#include "workbench/window/AppWindows.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "server/MySql.h"
#include "sql/ExportWriter.h"

#include <QAction>
#include <QStatusBar>

bool TResultController::ShowResult(const TResult& Result) {
    FUi.lstOut->Clear();
    FWindow.SetStatusText(QStringLiteral("Displaying Result"), true);
    // Decided at once: the error text is the library's last error, which the next call replaces.
    const TShowResultOutcome outcome = ShowResultOutcome(Result, FUi.mnuShowDuration->isChecked());
    if (outcome.ShowGrid) FUi.lstOut->ShowBlock(Result.Block());
    FWindow.SetStatusText(outcome.StatusText);
    FCmd.ExportResult.SetEnabled(outcome.ExportEnabled);
    FUi.StatusBar->repaint();
    return outcome.Success;
}

void TResultController::ReleaseShownResult() {
    FUi.lstOut->Clear();
    FWindow.Windows().frmResult->ReleaseHiddenCopy();
}

void TResultController::popmnuClearResultClick() {
    FUi.lstOut->Clear();
    FWindow.SetStatusText(QString(), true);
}

void TResultController::btnMaximizeClick() {
    const QString status = FWindow.StatusText();
    FWindow.SetStatusText(QStringLiteral("Preparing to show window..."), true);
    FWindow.Windows().frmResult->ShowGrid(*FUi.lstOut, status);
    FWindow.SetStatusText(status, true);
}

void TResultController::btnExportResultClick() {
    TWaitCursor busy;
    TfrmExportResult& options = *FWindow.Windows().frmExportResult;
    if (options.exec() != QDialog::Accepted) return;
    TDialogs& dialogs = FWindow.Dialogs();
    if (!dialogs.Execute(&FWindow, *FUi.dlgSave)) return;
    const QString fileName = FUi.dlgSave->FileName;
    if (!ExportToFile(fileName, ShownGrid(*FUi.lstOut), options.Options()))
        dialogs.ShowFailure(&FWindow, QStringLiteral("Cannot create file ") + fileName);
}
