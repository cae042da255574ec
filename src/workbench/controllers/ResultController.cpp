#include "workbench/controllers/ResultController.h"

#include "workbench/dialogs/Dialogs.h"
#include "workbench/dialogs/ExportResult.h"
#include "workbench/dialogs/ResultWindow.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/waiting/WaitCursor.h"
#include "workbench/window/AppWindows.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "server/MySql.h"
#include "sql/CopyText.h"
#include "sql/ExportWriter.h"
#include "sql/QtText.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>

bool TResultController::ShowResult(const TResult& Result) {
    BeginRun();
    const bool shown = ShowRunResult(Result, {});
    EndRun();
    return shown;
}

void TResultController::BeginRun() {
    FRun.Clear();
    FShownEntry = -1;
    EndRun();
}

// The bar is made when the run is over: a tab bar lays out all its tabs again for each one added
// or chosen, which would make a run of thousands of results quadratic.
void TResultController::EndRun() {
    QTabBar* bar = FUi.tabResults;
    const QSignalBlocker quiet(bar);
    bar->setVisible(false);
    while (bar->count() > 0)
        bar->removeTab(bar->count() - 1);
    for (std::size_t i = 0; i < FRun.Count(); ++i) {
        const int tab = bar->addTab(TabText(i));
        bar->setTabToolTip(tab, FRun.At(i).Statement);
    }
    bar->setCurrentIndex(FShownEntry >= 0 ? FShownEntry : bar->count() - 1);
    bar->setVisible(bar->count() > 1);
}

bool TResultController::ShowRunResult(const TResult& Result, std::string_view statement) {
    FUi.lstOut->Clear();
    FWindow.SetStatusText(QStringLiteral("Displaying Result"), true);
    // Decided at once: the error text is the library's last error, which the next call replaces.
    const TShowResultOutcome outcome = ShowResultOutcome(Result, FUi.mnuShowDuration->isChecked());
    FShownEntry = -1;
    if (outcome.ShowGrid) FUi.lstOut->ShowBlock(Result.Block());
    // Only results with rows or fields get a tab: an UPDATE's count is in the status line alone.
    if (outcome.ShowGrid && (Result.Fields.Count() > 0 || Result.Rows.Count() > 0)) {
        FRun.Add(Result.Block(), statement, outcome.StatusText, outcome.ExportEnabled);
        FShownEntry = static_cast<int>(FRun.Count()) - 1;
    }
    FWindow.SetStatusText(outcome.StatusText);
    FCmd.ExportResult.SetEnabled(outcome.ExportEnabled);
    FUi.StatusBar->repaint();
    return outcome.Success;
}

void TResultController::ShowArrivingRows(const std::shared_ptr<const TResultBlock>& block) {
    TResultModel& model = *FUi.lstOut->Model();
    if (model.Block() != block)
        FUi.lstOut->ShowBlock(block);
    else
        model.RowsArrived();
    FWindow.SetStatusText(FetchingText(block->RowCount()));
}

QString TResultController::TabText(std::size_t index) const {
    const TRunResult& entry = FRun.At(index);
    return entry.Block ? entry.Title : entry.Title + QStringLiteral(" (let go)");
}

void TResultController::tabResultsClick(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= FRun.Count()) return;
    {
        const QSignalBlocker quiet(FUi.tabResults);
        FUi.tabResults->setCurrentIndex(index);
    }
    ShowRunEntry(static_cast<std::size_t>(index));
}

void TResultController::ShowRunEntry(std::size_t index) {
    const TRunResult& entry = FRun.At(index);
    ReleaseShownResult();
    FShownEntry = static_cast<int>(index);
    if (!entry.Block) {
        constexpr std::uint64_t MiB = std::uint64_t(1) << 20;
        FWindow.SetStatusText(QStringLiteral("Result %1 was let go: the results of this run passed %2 MB")
                                  .arg(index + 1)
                                  .arg(FRun.MemoryCap() / MiB));
        FCmd.ExportResult.SetEnabled(false);
        return;
    }
    FUi.lstOut->ShowBlock(entry.Block);
    FWindow.SetStatusText(entry.StatusText);
    FCmd.ExportResult.SetEnabled(entry.ExportEnabled);
}

void TResultController::ReleaseShownResult() {
    FUi.lstOut->Clear();
    FWindow.Windows().frmResult->ReleaseHiddenCopy();
}

namespace {
bool GaveBlock(const TMySql& host, const std::shared_ptr<const TResultBlock>& block) {
    if (host.LastResult() && host.LastResult()->Block() == block) return true;
    for (const auto& more : host.MoreResults())
        if (more->Block() == block) return true;
    return false;
}
} // namespace

void TResultController::popmnuClearResultClick() {
    const std::shared_ptr<const TResultBlock> shown = FUi.lstOut->Model()->Block();
    FUi.lstOut->Clear();
    FWindow.Windows().frmResult->ReleaseHiddenCopy();
    // The connection that gave it lets it go too, so a result kept in a file is deleted now.
    if (shown)
        for (TTreeNode* node : FUi.Tree->HostNodes())
            if (TMySql* host = node->Host())
                if (GaveBlock(*host, shown)) host->ReleaseLastResult();
    // The shown result of a run goes with its tab; the others stay to be chosen.
    if (FShownEntry >= 0) {
        FRun.Remove(static_cast<std::size_t>(FShownEntry));
        FShownEntry = -1;
        EndRun();
    }
    FWindow.SetStatusText(QString(), true);
}

void TResultController::btnMaximizeClick() {
    WireResultWindow();
    const QString status = FWindow.StatusText();
    FWindow.SetStatusText(QStringLiteral("Preparing to show window..."), true);
    FWindow.Windows().frmResult->ShowGrid(*FUi.lstOut, status);
    FWindow.SetStatusText(status, true);
}

void TResultController::btnExportResultClick() {
    TWaitCursor busy;
    TfrmExportResult& options = *FWindow.Windows().frmExportResult;
    if (options.exec() != QDialog::Accepted) return;
    TDialogs& dialogs = FWindow.Dialogs();
    if (!dialogs.Execute(&FWindow, *FUi.dlgSave)) return;
    const QString fileName = FUi.dlgSave->FileName;
    if (!ExportToFile(fileName, ShownGrid(*FUi.lstOut), options.Options()))
        dialogs.ShowFailure(&FWindow, QStringLiteral("Cannot create file ") + fileName);
}

void TResultController::WireResultWindow() {
    if (FResultWindowWired) return;
    FResultWindowWired = true;
    TfrmResult* frm = FWindow.Windows().frmResult.get();
    QObject::connect(frm->lstOut, &TResultView::CopyKeysPressed, frm,
                     [this, frm] { CopySelectedRows(*frm->lstOut, TCopyForm::Rows, frm); });
}

void TResultController::CopySelectedRows(const TResultView& grid, TCopyForm form, QWidget* parent) {
    const TExportGrid selected = SelectedGrid(grid);
    if (selected.Rows == 0) return;
    const std::uint64_t bytes = CopyTextBytes(selected);
    if (bytes > FCopyConfirmBytes) {
        constexpr std::uint64_t MB = std::uint64_t(1) << 20;
        const QString text = QStringLiteral("Copy ") + QString::number((bytes + MB / 2) / MB) +
                             QStringLiteral(" MB to the clipboard?");
        if (!FWindow.Dialogs().Confirm(parent, text)) return;
    }
    TWaitCursor busy;
    auto* mime = new QMimeData;
    if (form == TCopyForm::Inserts) {
        TExportOptions options;
        options.Format = TExportOptions::SqlInsert;
        options.TableName = CopyInsertTable(
            *selected.Block, ServerText(FWindow.Windows().frmExportResult->txtTablename->text()));
        mime->setText(QtText(ExportText(selected, options)));
    } else {
        const TCopiedRows copied = CopyRows(selected, form == TCopyForm::WithNames);
        mime->setText(QtText(copied.Text));
        mime->setHtml(QtText(copied.Html));
    }
    QGuiApplication::clipboard()->setMimeData(mime);
}

void TResultController::popmnuCopyRowsClick() {
    CopySelectedRows(*FUi.lstOut, TCopyForm::Rows, &FWindow);
}

void TResultController::popmnuCopyWithNamesClick() {
    CopySelectedRows(*FUi.lstOut, TCopyForm::WithNames, &FWindow);
}

void TResultController::popmnuCopyAsInsertClick() {
    CopySelectedRows(*FUi.lstOut, TCopyForm::Inserts, &FWindow);
}

void TResultController::UpdateCopyStates() {
    const QItemSelectionModel* selection = FUi.lstOut->selectionModel();
    const bool any = selection && selection->hasSelection();
    for (const TCommand* copy : {&FCmd.CopyRows, &FCmd.CopyWithNames, &FCmd.CopyAsInsert})
        copy->SetEnabled(any);
}
