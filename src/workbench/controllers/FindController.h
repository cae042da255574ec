#pragma once
// Find and replace in the editor, through the find bar below it: Find (Ctrl+F) and Replace
// (Ctrl+H) open the bar with the editor's selection, or the word at the caret, as the text to find;
// Find next (F3) and Find previous (Shift+F3) select the next or previous match and go round the
// ends of the text, saying so in the bar; Replace puts the replacement in place of the selected
// match and goes on to the next; Replace all replaces every match as one step of the undo history.
// While the bar is open the matches in view are washed over the colours.

#include "workbench/controllers/Controller.h"

#include <QObject>

#include <memory>

class TFindBar;
class TTextFinder;
struct TTextMatch;

class TFindController : public QObject {
public:
    explicit TFindController(const TWorkbench& workbench);
    ~TFindController() override;

    void mnuFindClick();
    void mnuReplaceClick();
    void mnuFindNextClick();
    void mnuFindPreviousClick();
    void btnReplaceClick();
    void btnReplaceAllClick();
    // Closes the bar; the editor takes the focus.
    void btnCloseFindClick();

private:
    void Open(bool replace);
    void FindAgain(bool forward);
    // What the bar asks for, made afresh on every change of its text or options.
    void Refresh();
    bool Find(bool forward);
    // The selection when it is one match of the finder.
    TTextMatch SelectedMatch() const;
    void Note(const QString& text);

    const TMainControls& FUi;
    TFindBar& FBar;
    std::shared_ptr<const TTextFinder> FFinder;
};
