#include "workbench/grid/ResultModel.h"

#include "server/MySql.h"
#include "sql/CopyText.h"
#include "sql/QtText.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <climits>

TResultModel::TResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void TResultModel::SetBlock(std::shared_ptr<const TResultBlock> block) {
    if (!block && !FBlock) return;
    beginResetModel();
    FBlock = std::move(block);
    FOrder.reset();
    endResetModel();
}

int TResultModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !FBlock) return 0;
    // A view counts rows in int; a block beyond that shows its first INT_MAX rows.
    return static_cast<int>(std::min<std::size_t>(FBlock->RowCount(), INT_MAX));
}

int TResultModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !FBlock) return 0;
    return static_cast<int>(FBlock->FieldCount());
}

QString TResultModel::CellText(int row, int col) const {
    std::string_view cell = FBlock->Cell(static_cast<std::size_t>(row), static_cast<std::size_t>(col));
    if (cell.size() > MaxDisplayBytes) {
        std::size_t cut = MaxDisplayBytes;
        // Cut before a character, not inside one.
        while (cut > 0 && (static_cast<unsigned char>(cell[cut]) & 0xC0) == 0x80)
            --cut;
        cell = cell.substr(0, cut);
    }
    return QtText(cell);
}

QVariant TResultModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !FBlock || !index.isValid() || index.row() >= rowCount() ||
        index.column() >= columnCount())
        return {};
    return CellText(index.row(), index.column());
}

QVariant TResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !FBlock || section < 0) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section >= columnCount()) return {};
    const std::string& name = FBlock->FieldName(static_cast<std::size_t>(section));
    return QtText(name);
}

Qt::ItemFlags TResultModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int TResultModel::WidestRow(int col) const {
    if (!FBlock || FBlock->RowCount() == 0 || col < 0 || col >= columnCount()) return -1;
    return static_cast<int>(
        std::min<std::size_t>(FBlock->WidestRow(static_cast<std::size_t>(col)), INT_MAX - 1));
}

TResultView::TResultView(QWidget* parent, TResultModel* model)
    : QTableView(parent), FModel(model ? model : new TResultModel) {
    FModel->setParent(this);
    setModel(FModel);
    setObjectName(QStringLiteral("lstOut"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setMouseTracking(true); // hot tracking
    setAttribute(Qt::WA_Hover);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    verticalHeader()->hide();
    // One fixed height for every row, so a million rows cost the header nothing per row.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // The selection stays visible when the list loses the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

void TResultView::ShowBlock(std::shared_ptr<const TResultBlock> block) {
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    FModel->SetBlock(std::move(block));
    FitColumns();
    scrollToTop();
    setUpdatesEnabled(updates);
}

void TResultView::Clear() {
    FModel->Clear();
    viewport()->update();
}

void TResultView::CopyFrom(const TResultView& grid) {
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    FModel->SetBlock(grid.Model()->Block());
    for (int col = 0; col < FModel->columnCount(); ++col)
        setColumnWidth(col, grid.columnWidth(col));
    scrollToTop();
    setUpdatesEnabled(updates);
}

int TResultView::FittingWidth(int col) const {
    int width = horizontalHeader()->sectionSizeHint(col);
    const int widest = FModel->WidestRow(col);
    if (widest < 0) return width;

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QAbstractItemDelegate* delegate = itemDelegateForColumn(col);
    if (!delegate) delegate = itemDelegate();
    // A little air beside the grid line, so that the widest text does not touch the next column.
    const int padding = (showGrid() ? 1 : 0) + 6;
    auto measure = [&](int row) {
        width = std::max(width, delegate->sizeHint(option, FModel->index(row, col)).width() + padding);
    };
    measure(widest);
    // The widest value in bytes need not be the widest on screen, so the rows in view are
    // measured too; only those, however long the result.
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    const int top = std::max(0, rowAt(0));
    const int bottom = std::min(FModel->rowCount() - 1, top + viewport()->height() / rowHeight + 1);
    for (int row = top; row <= bottom; ++row)
        measure(row);
    return width;
}

void TResultView::FitColumns() {
    for (int col = 0; col < FModel->columnCount(); ++col)
        setColumnWidth(col, FittingWidth(col));
}

void TResultView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

void TResultView::keyPressEvent(QKeyEvent* event) {
    // The item view's own copy would take the current cell's display text, cut for the screen;
    // the rows are copied by whoever listens.
    if (event->matches(QKeySequence::Copy)) {
        event->accept();
        emit CopyKeysPressed();
        return;
    }
    QTableView::keyPressEvent(event);
}

std::vector<std::size_t> TResultView::SelectedPlaces() const {
    std::vector<std::size_t> places;
    const QItemSelectionModel* selection = selectionModel();
    if (!selection) return places;
    // Whole rows are selected, so the ranges' rows are the answer; ranges may overlap after
    // Ctrl+clicks, hence the sort and the uniqueness.
    for (const QItemSelectionRange& range : selection->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            places.push_back(static_cast<std::size_t>(row));
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    return places;
}

TShowResultOutcome ShowResultOutcome(int rowCount, int fieldCount, int affectedRows, int duration,
                                     std::string_view errorText, bool showDuration) {
    TShowResultOutcome outcome;
    const bool hasData = rowCount > 0 || fieldCount > 0;
    outcome.ExportEnabled = hasData;
    if (!hasData && affectedRows <= 0 && !errorText.empty()) {
        outcome.StatusText = QStringLiteral("Error: ") + QtText(errorText);
        return outcome;
    }
    outcome.Success = true;
    outcome.ShowGrid = true;
    if (hasData)
        outcome.StatusText = QString::number(rowCount) + QStringLiteral(" rows - ") +
                             QString::number(fieldCount) + QStringLiteral(" fields");
    else if (affectedRows > 0)
        outcome.StatusText = QString::number(affectedRows) + QStringLiteral(" affected row(s)");
    if (duration > 0 && showDuration)
        outcome.StatusText +=
            QStringLiteral(" in ") + QString::number(duration) + QStringLiteral(" milliseconds.");
    else
        outcome.StatusText += QLatin1Char('.');
    return outcome;
}

TShowResultOutcome ShowResultOutcome(const TResult& result, bool showDuration) {
    const int rows = result.Rows.Count();
    const int fields = result.Fields.Count();
    const bool decided = rows > 0 || fields > 0 || result.AffectedRows > 0;
    const std::string error = decided ? std::string() : result.ErrorText();
    return ShowResultOutcome(rows, fields, result.AffectedRows, result.Duration, error, showDuration);
}

TExportGrid ShownGrid(const TResultView& view) {
    const TResultModel& model = *view.Model();
    TExportGrid grid;
    grid.Block = model.Block();
    if (!grid.Block) return grid;
    grid.Rows = static_cast<std::size_t>(model.rowCount());
    grid.Order = model.Order();
    const QHeaderView& header = *view.horizontalHeader();
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = header.logicalIndex(visual);
        if (logical >= 0 && !header.isSectionHidden(logical))
            grid.Columns.push_back(static_cast<std::size_t>(logical));
    }
    return grid;
}

TExportGrid SelectedGrid(const TResultView& view) {
    const std::vector<std::size_t> places = view.SelectedPlaces();
    return SelectedRows(ShownGrid(view), places);
}
