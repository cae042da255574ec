#pragma once
// Keeps what the user typed across exits, crashes and kills: the editor's text, its caret and the
// query history go to this copy's draft file a moment after they change and at exit, and come
// back when the window is made.

#include "workbench/controllers/Controller.h"

#include <QObject>
#include <QTimer>

#include <memory>

class TDraftStore;

class TDraftController : public QObject {
public:
    // Saved at most this long after the first change not yet saved, so a kill loses no more.
    static constexpr int SaveDelayMs = 2000;

    TDraftController(const TWorkbench& workbench, std::unique_ptr<TDraftStore> store);
    ~TDraftController() override;

    // Fills the editor and the history from the draft left last; a draft that could not be read
    // is reported once, and the editor starts empty.
    void Restore();
    // Something that is kept changed: a save follows within SaveDelayMs.
    void Changed();
    // Writes the draft now (at exit); a failure is reported.
    void SaveNow();

private:
    TfrmMain& FWindow;
    const TMainControls& FUi;
    std::unique_ptr<TDraftStore> FStore;
    QTimer FTimer;
    bool FRestoring = false;
    bool FFailureShown = false;
};
