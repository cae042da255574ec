#include "workbench/controllers/QueryController.h"
#include "workbench/controllers/RunChanges.h"

#include "workbench/controllers/DraftController.h"
#include "workbench/controllers/HostController.h"
#include "workbench/controllers/ResultController.h"
#include "workbench/window/DropDownCombo.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "workbench/waiting/WaitCursor.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "sql/QtText.h"
#include "sql/ScriptPlaces.h"
#include "sql/ServerForm.h"
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
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

namespace {
// The grid shows a statement's rows while they arrive.
class TShowArriving : public TRowsArrival {
public:
    explicit TShowArriving(TResultController& results) : FResults(results) {}
    void RowsArrived(const std::shared_ptr<const TResultBlock>& block) override {
        FResults.ShowArrivingRows(block);
    }

private:
    TResultController& FResults;
};
} // namespace

void TQueryController::btnQueryClick() {
    Run(FUi.mmoIn->Text(), 0, false);
}

void TQueryController::mnuQueryCurrentClick() {
    if (FUi.mmoIn->SelLength() > 0)
        Run(FUi.mmoIn->SelText(), FUi.mmoIn->SelStart(), false);
    else
        Run(FUi.mmoIn->Text(), 0, true);
}

void TQueryController::Run(const QString& shown, int base, bool atCaret) {
    TTreeNode* hostNode = FUi.Tree->SelectedHostNode();
    if (!hostNode) return;
    // Sending it would change the text behind the user's back.
    if (const qsizetype bad = UnpairedSurrogateAt(shown); bad >= 0) {
        FWindow.SetStatusText(
            QStringLiteral("Error: character %1 of the query is half of a UTF-16 surrogate pair; "
                           "nothing was sent")
                .arg(base + bad + 1));
        return;
    }
    const std::string text = ServerText(shown);
    const TScriptCut cut = CutScript(text);
    // A malformed DELIMITER line would leave the rest of the script cut wrongly: nothing is sent.
    if (!cut.Error.empty()) {
        const QString editorText = FUi.mmoIn->Text();
        const auto line =
            editorText.left(base).count(QLatin1Char('\n')) +
            std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(cut.ErrorAt), '\n') + 1;
        FWindow.SetStatusText(QStringLiteral("Error: line %1: %2; nothing was sent")
                                  .arg(line)
                                  .arg(QString::fromStdString(cut.Error)));
        return;
    }
    std::span<const std::string_view> statements = cut.Statements;
    if (atCaret) {
        const std::size_t at = StatementAt(cut, text, Utf8Length(shown, FUi.mmoIn->SelStart()));
        if (at == NoStatement) {
            FWindow.SetStatusText(
                QStringLiteral("Error: there is no statement at the caret; nothing was sent"));
            return;
        }
        statements = statements.subspan(at, 1);
        const std::string_view body = StatementBody(statements.front());
        FUi.mmoIn->MarkBriefly(base + static_cast<int>(Utf16Length(std::string_view(text).substr(
                                          0, static_cast<std::size_t>(body.data() - text.data())))),
                               static_cast<int>(Utf16Length(body)));
    }

    TServerWaitGuard waiting;
    // The database-busy cursor stays up for the whole run, whatever a statement's outcome.
    TWaitCursor busy(SqlBusyCursor());
    FUi.cmbQueries->setEnabled(true);
    TResultController& results = FWindow.Results();
    results.ReleaseShownResult();
    results.BeginRun();
    FWindow.SetStatusText(QStringLiteral("Executing query"), true);

    TRunChanges changes;
    TShowArriving arriving(results);
    for (std::string_view statement : statements) {
        TMySql* host = hostNode->Host();
        if (!host) break;
        results.ReleaseShownResult();
        host->SetRowsArrival(&arriving);
        const TResult& outcome = *host->Execute(ServerForm(statement));
        host->SetRowsArrival(nullptr);
        const std::size_t first = results.RunResultCount();
        if (!results.ShowRunResult(outcome, statement)) {
            ShowWhereItFailed(text, statement, base, outcome.ErrorText());
            break;
        }
        changes.Add(statement, *host);
        // The user stopped it: the rows that came are shown, and the statements after it wait.
        if (outcome.Stopped) break;
        // Each further result set of a CALL gets a tab of its own; the grid goes back to the
        // first, which is what a CALL has always shown.
        if (!host->MoreResults().empty() && results.RunResultCount() > first) {
            for (const auto& more : host->MoreResults())
                results.ShowRunResult(*more, statement);
            results.tabResultsClick(static_cast<int>(first));
        }
    }
    results.EndRun();
    FWindow.ForgetLostConnection(hostNode);
    FWindow.Hosts().AfterRun(hostNode, changes);

    AddHistoryEntry();
}

void TQueryController::ShowWhereItFailed(const std::string& text, std::string_view statement, int base,
                                         const std::string& error) {
    std::string_view place = StatementBody(statement);
    if (const int line = ErrorLine(error); line > 0) {
        // The server drops the blanks before a statement and counts its lines from there.
        if (const std::size_t from = LineStart(place, line); from != NoStatement) {
            std::string_view rest = place.substr(from);
            rest = rest.substr(0, std::min(rest.find('\n'), rest.size()));
            // The line without its blanks; a line of blanks only leaves the caret at its start.
            const std::size_t lead = std::min(rest.find_first_not_of(" \t"), rest.size());
            place = rest.substr(lead);
        }
    }
    while (!place.empty() &&
           (place.back() == '\r' || place.back() == ' ' || place.back() == '\t' || place.back() == '\n'))
        place.remove_suffix(1);
    const auto offset = static_cast<std::size_t>(place.data() - text.data());
    FUi.mmoIn->SetSelStart(base + static_cast<int>(Utf16Length(std::string_view(text).substr(0, offset))));
    FUi.mmoIn->SetSelLength(static_cast<int>(Utf16Length(place)));
}

// ---------------------------------------------------------------------------------------------
// Query history

void TQueryController::AddHistoryEntry() {
    FWindow.History()->Add(FUi.mmoIn->Lines());
    UpdateHistoryButtons();
    FWindow.Drafts().Changed();
}

void TQueryController::HistoryRestored() {
    FUi.cmbQueries->setEnabled(FWindow.History()->Count() > 0);
    UpdateHistoryButtons();
}

void TQueryController::UpdateHistoryButtons() {
    FUi.btnPrev->setEnabled(FWindow.History()->PreviousEnabled());
    FUi.btnNext->setEnabled(FWindow.History()->NextEnabled());
}

void TQueryController::btnPrevClick() {
    if (const QStringList* entry = FWindow.History()->Previous()) FUi.mmoIn->ReplaceLines(*entry);
    UpdateHistoryButtons();
    FWindow.Drafts().Changed();
}

void TQueryController::btnNextClick() {
    if (const QStringList* entry = FWindow.History()->Next()) FUi.mmoIn->ReplaceLines(*entry);
    UpdateHistoryButtons();
    FWindow.Drafts().Changed();
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
