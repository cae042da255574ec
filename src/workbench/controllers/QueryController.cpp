#include "workbench/controllers/QueryController.h"

#include "workbench/controllers/ResultController.h"
#include "workbench/window/DropDownCombo.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "workbench/waiting/WaitCursor.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "sql/QtText.h"
#include "sql/SplitStatements.h"
#include "workbench/controllers/QueryHistory.h"
#include "workbench/dialogs/ResultWindow.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/waiting/ServerWaitGuard.h"
#include "workbench/window/AppWindows.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QToolButton>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {
// A statement as the server gets it: with LF between its lines, as this platform's command-line
// client sends them, not the editor's CR LF (a literal typed across two lines holds one LF).
std::string ServerStatement(std::string_view statement) {
    std::string out;
    out.reserve(statement.size());
    for (std::size_t p = 0; p < statement.size(); ++p)
        if (statement[p] != '\r' || p + 1 == statement.size() || statement[p + 1] != '\n')
            out += statement[p];
    return out;
}
} // namespace

// Outside any namespace: the resource initialiser is a global function.
static void InitCursorResources() {
    Q_INIT_RESOURCE(cursors);
}

QCursor TQueryController::SqlBusyCursor() {
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

void TQueryController::btnQueryClick() {
    TTreeNode* hostNode = FUi.Tree->SelectedHostNode();
    if (!hostNode) return;
    // Sending it would change the text behind the user's back.
    if (const qsizetype bad = UnpairedSurrogateAt(FUi.mmoIn->Text()); bad >= 0) {
        FWindow.SetStatusText(
            QStringLiteral("Error: character %1 of the query is half of a UTF-16 surrogate pair; "
                           "nothing was sent")
                .arg(bad + 1));
        return;
    }
    const std::string text = ServerText(FUi.mmoIn->Text());
    const TScriptCut cut = CutScript(text);
    // A malformed DELIMITER line would leave the rest of the script cut wrongly: nothing is sent.
    if (!cut.Error.empty()) {
        const auto line =
            std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(cut.ErrorAt), '\n') + 1;
        FWindow.SetStatusText(QStringLiteral("Error: line %1: %2; nothing was sent")
                                  .arg(line)
                                  .arg(QString::fromStdString(cut.Error)));
        return;
    }

    TServerWaitGuard waiting;
    // The database-busy cursor stays up for the whole run, whatever a statement's outcome.
    TWaitCursor busy(SqlBusyCursor());
    FUi.cmbQueries->setEnabled(true);
    FWindow.Results().ReleaseShownResult();
    FWindow.SetStatusText(QStringLiteral("Executing query"), true);

    for (std::string_view statement : cut.Statements) {
        TMySql* host = hostNode->Host();
        if (!host) break;
        FWindow.Results().ReleaseShownResult();
        if (!FWindow.Results().ShowResult(*host->Execute(ServerStatement(statement)))) break;
    }
    FWindow.ForgetLostConnection(hostNode);

    AddHistoryEntry();
}

// ---------------------------------------------------------------------------------------------
// Query history

void TQueryController::AddHistoryEntry() {
    FWindow.History()->Add(FUi.mmoIn->Lines());
    UpdateHistoryButtons();
}

void TQueryController::UpdateHistoryButtons() {
    FUi.btnPrev->setEnabled(FWindow.History()->PreviousEnabled());
    FUi.btnNext->setEnabled(FWindow.History()->NextEnabled());
}

void TQueryController::btnPrevClick() {
    if (const QStringList* entry = FWindow.History()->Previous()) FUi.mmoIn->ReplaceLines(*entry);
    UpdateHistoryButtons();
}

void TQueryController::btnNextClick() {
    if (const QStringList* entry = FWindow.History()->Next()) FUi.mmoIn->ReplaceLines(*entry);
    UpdateHistoryButtons();
}

void TQueryController::cmbQueriesDropDown() {
    // Rebuilt each time it opens; the chosen item stays marked while it still exists.
    const int current = FUi.cmbQueries->currentIndex();
    const QSignalBlocker quiet(FUi.cmbQueries);
    FUi.cmbQueries->clear();
    FUi.cmbQueries->addItems(FWindow.History()->ItemTexts());
    FUi.cmbQueries->setCurrentIndex(current < FUi.cmbQueries->count() ? current : -1);
}

void TQueryController::cmbQueriesChange() {
    if (const QStringList* entry = FWindow.History()->Recall(FUi.cmbQueries->currentIndex()))
        FUi.mmoIn->ReplaceLines(*entry);
}
