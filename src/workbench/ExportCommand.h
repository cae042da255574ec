#pragma once
// The Export result command: asks the options, then the file name, then writes what `grid`
// shows to that file. The hourglass stays up from start to end, the dialogs included; a file that
// cannot be written is reported in the application's error box and leaves the old file as it was.

class QWidget;
class TDialogs;
class TFileDialog;
class TfrmExportResult;
class TResultView;

void ExportResult(QWidget* owner, TDialogs& dialogs, TFileDialog& dlgSave, TfrmExportResult& options,
                  const TResultView& grid);
