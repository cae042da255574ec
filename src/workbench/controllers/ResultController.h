#pragma once
// The shown result: ShowResult (the grid and the status bar's summary), the tabs of a run's
// results, Clear result, Maximize result, Export result, and copying the selected rows of a grid
// to the clipboard.

#include "workbench/controllers/Controller.h"
#include "workbench/grid/RunResults.h"

#include <cstdint>
#include <memory>
#include <string_view>

class QString;
class QWidget;
class TResult;
class TResultBlock;
class TResultView;

// What a copy puts on the clipboard.
enum class TCopyForm {
    Rows,      // tab-separated text and an HTML table
    WithNames, // the same with the column names first
    Inserts,   // INSERT statements in the export's SQL format
};

class TResultController {
public:
    explicit TResultController(const TWorkbench& workbench)
        : FWindow(workbench.Window), FUi(workbench.Ui), FCmd(workbench.Cmd) {}

    // Shows `Result` in lstOut and its summary on the status line, and sets the export command;
    // false when it was shown as an error, which ends a batch of statements. A run of its own: the
    // tabs of an earlier run go.
    bool ShowResult(const TResult& Result);
    // A run of statements: BeginRun drops the tabs of the last run; ShowRunResult shows a result as
    // ShowResult does and, when it has rows or fields, gives it a tab titled from `statement`;
    // EndRun shows the bar when the run gave more than one.
    void BeginRun();
    bool ShowRunResult(const TResult& Result, std::string_view statement);
    void EndRun();
    // Rows of the running statement's result have arrived: the grid shows them as they come and the
    // status line counts them. ShowRunResult shows the whole result once it is in.
    void ShowArrivingRows(const std::shared_ptr<const TResultBlock>& block);
    std::size_t RunResultCount() const { return FRun.Count(); }
    // A click on a tab: shows that result with its summary (a result let go says so).
    void tabResultsClick(int index);
    // The memory the results of one run may hold before the oldest are let go.
    void SetRunMemoryCap(std::uint64_t bytes) { FRun.SetMemoryCap(bytes); }
    // Before a statement: the grid and the closed result window let go of the shown result, so
    // the next one is built while the previous is released (ShowResult replaces the grid anyway).
    void ReleaseShownResult();

    void btnMaximizeClick();
    void popmnuClearResultClick();
    // Asks the options, then the file name, then writes what the grid shows to that file. The
    // hourglass stays up from start to end, the dialogs included; a file that cannot be written is
    // reported in the application's error box and leaves the old file as it was.
    void btnExportResultClick();

    // Copies the selected rows of `grid`, as shown (sorted rows, moved columns), in `form`; a
    // copy larger than CopyConfirmBytes asks first. Nothing selected: the clipboard stays as it
    // is. `parent`: the window the question belongs to.
    void CopySelectedRows(const TResultView& grid, TCopyForm form, QWidget* parent);
    void popmnuCopyRowsClick();
    void popmnuCopyWithNamesClick();
    void popmnuCopyAsInsertClick();
    // The copy commands are enabled while lstOut has selected rows.
    void UpdateCopyStates();

    // Copies larger than this many bytes of text are asked about ("Copy N MB to the clipboard?").
    static constexpr std::uint64_t DefaultCopyConfirmBytes = std::uint64_t(256) << 20;
    void SetCopyConfirmBytes(std::uint64_t bytes) { FCopyConfirmBytes = bytes; }

private:
    // The result window's list copies as lstOut does; wired when the window is first shown.
    void WireResultWindow();
    void ShowRunEntry(std::size_t index);
    QString TabText(std::size_t index) const;

    TfrmMain& FWindow;
    const TMainControls& FUi;
    const TCommandSet& FCmd;
    std::uint64_t FCopyConfirmBytes = DefaultCopyConfirmBytes;
    bool FResultWindowWired = false;
    TRunResults FRun;
    int FShownEntry = -1; // the entry of FRun that lstOut shows, or -1
};
