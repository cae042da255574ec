#include "ExportCommand.h"

#include "Dialogs.h"
#include "ExportResult.h"
#include "ExportWriter.h"
#include "WaitCursor.h"

void ExportResult(QWidget* owner, TDialogs& dialogs, TFileDialog& dlgSave, TfrmExportResult& options,
                  const TResultView& grid) {
    TWaitCursor busy;
    if (options.exec() != QDialog::Accepted) return;
    if (!dialogs.Execute(owner, dlgSave)) return;
    const QString fileName = dlgSave.FileName;
    if (!ExportToFile(fileName, ShownGrid(grid), options.Options()))
        dialogs.ShowFailure(owner, QStringLiteral("Cannot create file ") + fileName);
}
