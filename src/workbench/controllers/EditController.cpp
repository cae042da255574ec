#include "workbench/controllers/EditController.h"

#include "workbench/controllers/ResultController.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "editor/ColorMemo.h"
#include "server/Catalogue.h"
#include "sql/QtText.h"

#include <QDropEvent>

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
