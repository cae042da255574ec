// The query side of the main window: the Query command, ShowResult, Clear and Maximize result,
// and stepping through the query history.

#include "main.h"

#include "WaitCursor.h"

#include "AppWindows.h"
#include "ColorMemo.h"
#include "MySql.h"
#include "NavigationTree.h"
#include "QtText.h"
#include "QueryHistory.h"
#include "ResultModel.h"
#include "ServerWaitGuard.h"
#include "SplitStatements.h"
#include "result.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QToolButton>

#include <string>
#include <string_view>
#include <vector>

// Outside any namespace: the resource initialiser is a global function.
static void InitCursorResources() {
    Q_INIT_RESOURCE(cursors);
}

QCursor TfrmMain::SqlBusyCursor() {
    static const QCursor cursor = [] {
        InitCursorResources();
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QSvgRenderer svg(QStringLiteral(":/korvana/cursors/sql-busy.svg"));
        QPainter painter(&pixmap);
        svg.render(&painter);
        painter.end();
        // The hot spot is the hourglass's waist.
        return QCursor(pixmap, 15, 10);
    }();
    return cursor;
}

// ---------------------------------------------------------------------------------------------
// Query and results

void TfrmMain::btnQueryClick() {
    TTreeNode* hostNode = Tree->SelectedHostNode();
    if (!hostNode) return;
    // Sending it would change the text behind the user's back.
    if (const qsizetype bad = UnpairedSurrogateAt(mmoIn->Text()); bad >= 0) {
        SetStatusText(QStringLiteral("Error: character %1 of the query is half of a UTF-16 surrogate pair; "
                                     "nothing was sent")
                          .arg(bad + 1));
        return;
    }

    TServerWaitGuard waiting;
    // The database-busy cursor stays up for the whole run, whatever a statement's outcome.
    TWaitCursor busy(SqlBusyCursor());
    cmbQueries->setEnabled(true);
    ReleaseShownResult();
    SetStatusText(QStringLiteral("Executing query"), true);

    const std::string text = ServerText(mmoIn->Text());
    std::vector<std::string_view> statements;
    SplitStatements(statements, text);
    for (std::string_view statement : statements) {
        TMySql* host = hostNode->Host();
        if (!host) break;
        ReleaseShownResult();
        if (!ShowResult(*host->Execute(std::string(statement)))) break;
    }
    ForgetLostConnection(hostNode);

    AddHistoryEntry();
}

bool TfrmMain::ShowResult(const TResult& Result) {
    lstOut->Clear();
    SetStatusText(QStringLiteral("Displaying Result"), true);
    // Decided at once: the error text is the library's last error, which the next call replaces.
    const TShowResultOutcome outcome = ShowResultOutcome(Result, mnuShowDuration->isChecked());
    if (outcome.ShowGrid) lstOut->ShowBlock(Result.Block());
    SetStatusText(outcome.StatusText);
    FCmd.ExportResult.SetEnabled(outcome.ExportEnabled);
    StatusBar->repaint();
    return outcome.Success;
}

void TfrmMain::ReleaseShownResult() {
    lstOut->Clear();
    Windows().frmResult->ReleaseHiddenCopy();
}

void TfrmMain::popmnuClearResultClick() {
    lstOut->Clear();
    SetStatusText(QString(), true);
}

void TfrmMain::btnMaximizeClick() {
    const QString status = StatusText();
    SetStatusText(QStringLiteral("Preparing to show window..."), true);
    Windows().frmResult->ShowGrid(*lstOut, status);
    SetStatusText(status, true);
}

// ---------------------------------------------------------------------------------------------
// Query history: a recalled entry replaces the editor's text as one undoable step, so Undo
// brings back the draft.

void TfrmMain::AddHistoryEntry() {
    FHistory->Add(mmoIn->Lines());
    UpdateHistoryButtons();
}

void TfrmMain::UpdateHistoryButtons() {
    btnPrev->setEnabled(FHistory->PreviousEnabled());
    btnNext->setEnabled(FHistory->NextEnabled());
}

void TfrmMain::btnPrevClick() {
    if (const QStringList* entry = FHistory->Previous()) mmoIn->ReplaceLines(*entry);
    UpdateHistoryButtons();
}

void TfrmMain::btnNextClick() {
    if (const QStringList* entry = FHistory->Next()) mmoIn->ReplaceLines(*entry);
    UpdateHistoryButtons();
}

void TfrmMain::cmbQueriesDropDown() {
    // Rebuilt each time it opens; the chosen item stays marked while it still exists.
    const int current = cmbQueries->currentIndex();
    const QSignalBlocker quiet(cmbQueries);
    cmbQueries->clear();
    cmbQueries->addItems(FHistory->ItemTexts());
    cmbQueries->setCurrentIndex(current < cmbQueries->count() ? current : -1);
}

void TfrmMain::cmbQueriesChange() {
    if (const QStringList* entry = FHistory->Recall(cmbQueries->currentIndex())) mmoIn->ReplaceLines(*entry);
}
