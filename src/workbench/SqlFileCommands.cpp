// Load SQL and Save SQL: the editor's text from and to a script file through dlgOpen and dlgSave.

#include "ColorMemo.h"
#include "Dialogs.h"
#include "SqlFile.h"
#include "main.h"

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

void TfrmMain::btnLoadSqlClick() {
    if (!Dialogs().Execute(this, *dlgOpen)) return;
    const QString name = dlgOpen->FileName;
    TSqlFileRead read = ReadSqlFile(name);
    switch (read.Error) {
    case TSqlFileRead::CannotOpen:
        Dialogs().ShowFailure(this, QStringLiteral("Cannot open file ") + QDir::toNativeSeparators(name));
        return;
    case TSqlFileRead::TooLong:
        Dialogs().ShowFailure(this, QStringLiteral("Text exceeds memo capacity"));
        return;
    case TSqlFileRead::None:
        break;
    }
    ReplaceAllText(*mmoIn, read.Script.Text);
    FSqlEncoding = read.Script.Encoding;
}

void TfrmMain::btnSaveSqlClick() {
    if (!Dialogs().Execute(this, *dlgSave)) return;
    const QString name = dlgSave->FileName;
    TSqlEncoding encoding = FSqlEncoding;
    if (!WriteSqlFile(name, EncodeSqlText(mmoIn->Text(), encoding))) {
        Dialogs().ShowFailure(this, QStringLiteral("Cannot create file ") + QDir::toNativeSeparators(name));
        return;
    }
    FSqlEncoding = encoding;
}
