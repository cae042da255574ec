#pragma once
// Completion in the query editor: Show completions (Ctrl+Space) opens a list at the caret, and so
// do a "." after a name and the third letter of a name where the statement expects one. The list
// is made from the catalogue of the tree's connected host, held in memory, so typing never waits
// on the server. While it shows, typing refines it, Up, Down, Page Up and Page Down choose, Enter
// or Tab inserts (quoted where the server needs it) and Esc closes it.

#include "workbench/controllers/Controller.h"

#include <QObject>

#include <memory>

class QKeyEvent;
class QString;
class TCompletionList;
class TCompletionPool;

class TCompletionController : public QObject {
public:
    explicit TCompletionController(const TWorkbench& workbench);
    ~TCompletionController() override;

    void mnuCompleteClick();
    // The list, shown or hidden.
    TCompletionList* List() const { return FList; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TTrigger { Asked, Dot, Letters };
    void Open(TTrigger trigger);
    // After a key typed `text` into the editor with the list closed: opens it where that asks for it.
    void AfterTyping(const QString& text);
    // Matches the list to what is typed now, or closes it when the caret has left the name.
    void Refine();
    void Insert();
    void Close();
    void Place();
    bool IsOpen() const;
    bool KeyWhileOpen(QKeyEvent* key);

    TfrmMain& FWindow;
    const TMainControls& FUi;
    TCompletionList* FList;
    std::unique_ptr<TCompletionPool> FPool;
    int FStart = 0;     // document position where the text the candidate replaces begins
    int FBlock = -1;    // the line it is on
    bool FBusy = false; // a key is being passed on to the editor
};
