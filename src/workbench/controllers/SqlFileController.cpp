#include "workbench/controllers/SqlFileController.h"

#include "editor/ColorMemo.h"
#include "sql/SqlFile.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include <QDir>
#include <QTextCursor>

namespace {

// The whole text replaced in one step that a single Undo takes back; the caret goes to the top.
void ReplaceAllText(TColorMemo& memo, const QString& text) {
    QTextCursor step = memo.textCursor();
    step.beginEditBlock();
    memo.selectAll();
    memo.SetSelText(text);
    step.endEditBlock();
    memo.SetSelStart(0);
}

} // namespace

TSqlFileController::TSqlFileController(const TWorkbench& workbench)
    : FWindow(workbench.Window), FUi(workbench.Ui), FSqlEncoding{}, FSqlLineEnds(TLineEnds::Lf) {}

void TSqlFileController::btnLoadSqlClick() {
    if (!FWindow.Dialogs().Execute(&FWindow, *FUi.dlgOpen)) return;
    const QString name = FUi.dlgOpen->FileName;
    TSqlFileRead read = ReadSqlFile(name);
    switch (read.Error) {
    case TSqlFileRead::CannotOpen:
        FWindow.Dialogs().ShowFailure(&FWindow,
                                      QStringLiteral("Cannot open file ") + QDir::toNativeSeparators(name));
        return;
    case TSqlFileRead::TooLong:
        FWindow.Dialogs().ShowFailure(&FWindow, QStringLiteral("Text exceeds memo capacity"));
        return;
    case TSqlFileRead::NotText:
        FWindow.Dialogs().ShowFailure(&FWindow,
                                      QStringLiteral("Cannot load file ") + QDir::toNativeSeparators(name) +
                                          QStringLiteral(": it holds NUL bytes and is not a text file"));
        return;
    case TSqlFileRead::None:
        break;
    }
    ReplaceAllText(*FUi.mmoIn, read.Script.Text);
    FSqlEncoding = read.Script.Encoding;
    FSqlLineEnds = read.Script.LineEnds;
}

void TSqlFileController::btnSaveSqlClick() {
    if (!FWindow.Dialogs().Execute(&FWindow, *FUi.dlgSave)) return;
    const QString name = FUi.dlgSave->FileName;
    TSqlEncoding encoding = FSqlEncoding;
    if (!WriteSqlFile(name, EncodeSqlText(FUi.mmoIn->Text(), encoding, FSqlLineEnds))) {
        FWindow.Dialogs().ShowFailure(&FWindow,
                                      QStringLiteral("Cannot create file ") + QDir::toNativeSeparators(name));
        return;
    }
    FSqlEncoding = encoding;
}
