#pragma once
// The shown result: a table model over the immutable block of the result that was displayed, the
// grid view that shows it (the main window's lstOut and the result window's), and the decision of
// ShowResult as a pure function.
//
// The model never copies the block's cells: display strings are made only when a view asks for a
// cell, which an item view does for the cells on screen. Several models may share one block, so
// the result window's copy of the grid costs nothing, and a later statement replacing the
// connection's result never pulls the cells from under a view. Sorting orders row numbers only.
//
// What a cell shows is a display form: NULL as a muted, italic NULL, binary values as hexadecimal,
// all cut for the screen. What is copied or exported is read from the block, never from it.

#include "server/ResultBlock.h"
#include "sql/ExportWriter.h"

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>

#include <memory>
#include <string_view>
#include <vector>

class TResult;

class TResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TResultModel(QObject* parent = nullptr);

    // Shows `block` (null: nothing), replacing whatever was shown.
    void SetBlock(std::shared_ptr<const TResultBlock> block);
    void Clear() { SetBlock(nullptr); }
    // The shown block has grown while its rows arrive: the rows it has now are shown too.
    void RowsArrived();
    const std::shared_ptr<const TResultBlock>& Block() const { return FBlock; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Orders the shown rows by `column` (-1: the server's order again). Selected and current rows
    // stay selected and current wherever they move.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The column the rows are sorted by (-1: the server's order), and in which direction.
    int SortColumn() const { return FSortColumn; }
    Qt::SortOrder SortDirection() const { return FSortDirection; }
    // Shows the rows in the order `other` shows them, sharing it, when both show the same block.
    void ShareOrder(const TResultModel& other);

    // The block row shown at place `row`, and the order of all of them when the rows are sorted
    // (null: the block's own order).
    std::size_t BlockRow(int row) const {
        return FOrder ? (*FOrder)[static_cast<std::size_t>(row)] : std::size_t(row);
    }
    const std::shared_ptr<const std::vector<std::size_t>>& Order() const { return FOrder; }

    // A cell's text at shown place `row`: the value's text cut to MaxDisplayBytes, NULL and the
    // empty string alike as an empty text. The grid draws DisplayText.
    QString CellText(int row, int col) const;
    // A cell as the grid draws it: NULL as "NULL" (styled apart, see NullRole), binary values as
    // hexadecimal cut after MaxDisplayHexBytes, a NUL byte in text as a visible symbol.
    QString DisplayText(int row, int col) const;
    // The shown row of the column's longest value, found while the block was built (-1 when empty).
    int WidestRow(int col) const;

    // data() of this role is true for a NULL cell, which is also drawn italic in the muted colour.
    static constexpr int NullRole = Qt::UserRole;

    // Longer values are shown cut to this many bytes: no cell can show more, and a view should not
    // turn a multi-megabyte value into a display string on every repaint.
    static constexpr std::size_t MaxDisplayBytes = 16384;
    // Binary values are shown as hexadecimal of at most this many bytes, and their tool tip holds
    // at most MaxTipHexBytes.
    static constexpr std::size_t MaxDisplayHexBytes = 64;
    static constexpr std::size_t MaxTipHexBytes = 8192;

private:
    QVariant ToolTip(int row, int col) const;
    void ApplyOrder(std::shared_ptr<const std::vector<std::size_t>> order, int column,
                    Qt::SortOrder direction);

    std::shared_ptr<const TResultBlock> FBlock;
    int FRows = 0; // the rows of FBlock shown: a growing block has more than the view was told of
    std::shared_ptr<const std::vector<std::size_t>> FOrder;
    int FSortColumn = -1;
    Qt::SortOrder FSortDirection = Qt::AscendingOrder;
};

// A read-only, whole-row, grid-lined report view over a TResultModel of its own. Rows are
// selected as in a file list: click, Shift+click, Ctrl+click, Shift+arrows and Ctrl+A.
class TResultView : public QTableView {
    Q_OBJECT
public:
    // `model` (taken over; null: a new one) lets a caller supply a model of a derived class.
    explicit TResultView(QWidget* parent = nullptr, TResultModel* model = nullptr);

    TResultModel* Model() const { return FModel; }

    // Shows `block` with every column at least as wide as its caption and its widest value; the
    // view is hidden while it is filled so that it repaints once.
    void ShowBlock(std::shared_ptr<const TResultBlock> block);
    // Removes all columns and rows.
    void Clear();
    // Shows what `grid` shows, sharing its block and its order, with the same column widths.
    void CopyFrom(const TResultView& grid);

    // The width ShowBlock gives column `col`: the widest of its caption, the value found widest
    // while the block was built, and the values on screen.
    int FittingWidth(int col) const;

    // The shown positions of the selected rows, top to bottom.
    std::vector<std::size_t> SelectedPlaces() const;

signals:
    // A double click anywhere in the list, on a row or not.
    void DoubleClicked();
    // The copy keys (Ctrl+C) pressed while the list has the focus and no window shortcut took
    // them; the list itself copies nothing.
    void CopyKeysPressed();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitColumns();
    // A click on a column's caption: ascending, then descending, then the server's order.
    void CycleSort(int col);
    void ShowSortIndicator();

    TResultModel* FModel;
};

// What ShowResult makes of a result.
struct TShowResultOutcome {
    bool Success = false;       // ShowResult's value: false ends a batch of statements
    QString StatusText;         // the status line's whole text
    bool ExportEnabled = false; // btnExportResult, mnuExportResult, popmnuExportResult
    bool ShowGrid = false;      // whether the result's rows and columns go into lstOut
};

// A result is a success when it has rows, fields or affected rows; otherwise it is an error exactly
// when its error text is not empty. `showDuration` is the check mark of mnuShowDuration. A result
// whose transfer was `stopped` says so after its summary: by the user, or for `stopReason`.
TShowResultOutcome ShowResultOutcome(int rowCount, int fieldCount, int affectedRows, int duration,
                                     std::string_view errorText, bool showDuration, bool stopped = false,
                                     std::string_view stopReason = {});
// The status line while a result's rows arrive.
QString FetchingText(std::size_t rows);
// The same for a result just returned by Execute; its ErrorText is read only when it decides.
TShowResultOutcome ShowResultOutcome(const TResult& result, bool showDuration);

// The rows and columns `view` shows, in the order it shows them, for the export writer.
TExportGrid ShownGrid(const TResultView& view);
// The same, only its selected rows.
TExportGrid SelectedGrid(const TResultView& view);
