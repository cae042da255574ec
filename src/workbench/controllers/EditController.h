#pragma once
// The editor's commands: Cut, Copy and Paste (on the editor whichever control has the focus, but
// for Copy while the result grid has it, which copies the grid's selected rows), and names put
// into the editor from the tree by a double click or by drag and drop.

#include "workbench/controllers/Controller.h"

#include <QObject>

class TEditController : public QObject {
public:
    // Watches the editor for drags that the tree started.
    explicit TEditController(const TWorkbench& workbench);

    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    // Puts "-- " before every line of the selection (or the caret's line), or takes it away when
    // every one of them has it; one step of the undo history.
    void mnuToggleCommentClick();
    // Asks for a line number and puts the caret at the start of that line.
    void mnuGotoLineClick();
    // Shows or hides the editor's line numbers as mnuLineNumbers is checked.
    void mnuLineNumbersClick();

    // Inserts the selected table's or field's name into mmoIn (Insert name of a double click).
    void InsertSelectedName();
    // Drag and drop from the tree onto the editor: accepted for a drag started by Tree while a
    // table or field node is selected; the drop inserts as a double click does.
    bool mmoInDragOver(QObject* source) const;
    void mmoInDragDrop(QObject* source);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TfrmMain& FWindow;
    const TMainControls& FUi;
};
