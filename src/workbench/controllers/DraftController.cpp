#include "workbench/controllers/DraftController.h"

#include "workbench/controllers/QueryController.h"
#include "workbench/controllers/QueryHistory.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/window/DropDownCombo.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "editor/ColorMemo.h"
#include "settings/DraftStore.h"

TDraftController::TDraftController(const TWorkbench& workbench, std::unique_ptr<TDraftStore> store)
    : FWindow(workbench.Window), FUi(workbench.Ui), FStore(std::move(store)) {
    FTimer.setSingleShot(true);
    FTimer.setInterval(SaveDelayMs);
    connect(&FTimer, &QTimer::timeout, this, [this] { SaveNow(); });
    connect(FUi.mmoIn, &TColorMemo::textChanged, this, [this] { Changed(); });
    connect(FUi.mmoIn, &TColorMemo::cursorPositionChanged, this, [this] { Changed(); });
}

TDraftController::~TDraftController() = default;

void TDraftController::Restore() {
    FRestoring = true;
    const TDraftStore::TOpened opened = FStore->Open();
    if (!opened.Draft.Text.isEmpty()) {
        FUi.mmoIn->SetText(opened.Draft.Text);
        FUi.mmoIn->SetSelStart(opened.Draft.Caret);
    }
    if (!opened.Draft.History.empty()) {
        FWindow.History()->Restore(opened.Draft.History, opened.Draft.HistoryIndex);
        FWindow.Queries().HistoryRestored();
    }
    FRestoring = false;
    if (!opened.Error.isEmpty()) FWindow.Dialogs().ShowFailure(&FWindow, opened.Error);
}

void TDraftController::Changed() {
    // The timer is not restarted by each key: steady typing is saved all the same.
    if (!FRestoring && !FTimer.isActive()) FTimer.start();
}

void TDraftController::SaveNow() {
    FTimer.stop();
    TDraft draft;
    draft.Text = FUi.mmoIn->Text();
    draft.Caret = FUi.mmoIn->SelStart();
    if (const TQueryHistory* history = FWindow.History()) {
        draft.History = history->Entries();
        draft.HistoryIndex = history->Index();
    }
    const QString error = FStore->Save(draft);
    // Said once: a folder that cannot be written would otherwise ask every two seconds.
    if (!error.isEmpty() && !FFailureShown) {
        FFailureShown = true;
        FWindow.Dialogs().ShowFailure(&FWindow, error);
    }
}
