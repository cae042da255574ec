#include "workbench/controllers/EditController.h"

#include "workbench/controllers/ResultController.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "editor/ColorMemo.h"
#include "server/Catalogue.h"
#include "sql/QtText.h"

#include <QAction>
#include <QDropEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

TEditController::TEditController(const TWorkbench& workbench)
    : QObject(&workbench.Window), FWindow(workbench.Window), FUi(workbench.Ui) {
    FUi.mmoIn->viewport()->installEventFilter(this);
    FUi.mmoIn->viewport()->setAcceptDrops(true);
}

void TEditController::Cut1Click() {
    FUi.mmoIn->CutToClipboard();
}

void TEditController::Copy1Click() {
    // Copy in the grid means its rows: the editor's selection would be the wrong thing copied
    // without a word.
    if (FUi.lstOut->hasFocus()) {
        FWindow.Results().CopySelectedRows(*FUi.lstOut, TCopyForm::Rows, &FWindow);
        return;
    }
    FUi.mmoIn->CopyToClipboard();
}

void TEditController::Paste1Click() {
    FUi.mmoIn->PasteFromClipboard();
}

void TEditController::InsertSelectedName() {
    const TTreeNode* node = FUi.Tree->SelectedNode();
    if (!node) return;
    if (const TTable* table = node->Table())
        FUi.mmoIn->SetSelText(QtText(table->Name));
    else if (const TField* field = node->Field())
        FUi.mmoIn->SetSelText(QtText(field->Name));
}

bool TEditController::mmoInDragOver(QObject* source) const {
    if (source != FUi.Tree) return false;
    const TTreeNode* node = FUi.Tree->SelectedNode();
    return node && (node->Kind() == TNodeKind::Table || node->Kind() == TNodeKind::Field);
}

void TEditController::mmoInDragDrop(QObject* source) {
    if (mmoInDragOver(source)) InsertSelectedName();
}

bool TEditController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FUi.mmoIn->viewport()) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(event);
        if (e->source() != FUi.Tree) return false; // the editor's own drags and drops stay as they are
        if (mmoInDragOver(e->source()))
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        if (e->source() != FUi.Tree) return false;
        mmoInDragDrop(e->source());
        e->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}

void TEditController::mnuToggleCommentClick() {
    TColorMemo& memo = *FUi.mmoIn;
    QTextCursor cursor = memo.textCursor();
    QTextDocument* doc = memo.document();
    const QTextBlock first = doc->findBlock(cursor.selectionStart());
    QTextBlock last = doc->findBlock(cursor.selectionEnd());
    // A selection that ends at the start of a line leaves that line out, as editors do.
    if (cursor.hasSelection() && last != first && cursor.selectionEnd() == last.position())
        last = last.previous();
    const QLatin1String mark("-- ");
    bool allMarked = true;
    for (QTextBlock b = first; b.isValid() && allMarked; b = b.next()) {
        allMarked = b.text().startsWith(QLatin1String("--"));
        if (b == last) break;
    }
    TTextView::Quietly(cursor, [&] {
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            QTextCursor at(b);
            if (!allMarked) {
                at.insertText(mark);
            } else {
                // "-- " or a bare "--": either way the line is what it was before the mark.
                at.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor,
                                b.text().startsWith(mark) ? 3 : 2);
                at.removeSelectedText();
            }
            if (b == last) break;
        }
    });
    memo.setTextCursor(cursor);
}

void TEditController::mnuGotoLineClick() {
    TColorMemo& memo = *FUi.mmoIn;
    const int lines = memo.document()->blockCount();
    QString value = QString::number(memo.textCursor().blockNumber() + 1);
    if (!FWindow.Dialogs().InputQuery(&FWindow, QStringLiteral("Go to line"),
                                      QStringLiteral("Line number (1 - %1):").arg(lines), value))
        return;
    bool number = false;
    const int line = value.trimmed().toInt(&number);
    if (!number) {
        FWindow.Dialogs().ErrorBox(&FWindow, QStringLiteral("'%1' is not a line number").arg(value));
        return;
    }
    const QTextBlock block = memo.document()->findBlockByNumber(std::clamp(line, 1, lines) - 1);
    QTextCursor cursor = memo.textCursor();
    cursor.setPosition(block.position());
    memo.setTextCursor(cursor);
    memo.ensureCursorVisible();
    memo.setFocus();
}

void TEditController::mnuLineNumbersClick() {
    FUi.mmoIn->SetLineNumbers(FUi.mnuLineNumbers->isChecked());
}
