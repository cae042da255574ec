#include "workbench/grid/ResultModel.h"

#include "server/MySql.h"
#include "sql/CopyText.h"
#include "sql/QtText.h"
#include "workbench/grid/RowOrder.h"
#include "workbench/waiting/WaitCursor.h"

#include <QFont>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <climits>
#include <optional>

namespace {

// "0x" and the bytes as upper-case hexadecimal, at most `maxBytes` of them (then an ellipsis),
// a line break after every `lineBytes` (0: none). An empty value shows nothing.
QString Hex(std::string_view bytes, std::size_t maxBytes, std::size_t lineBytes) {
    if (bytes.empty()) return {};
    static constexpr char Digits[] = "0123456789ABCDEF";
    const std::size_t shown = std::min(bytes.size(), maxBytes);
    QString text;
    const std::size_t length = 4 + 2 * shown + (lineBytes ? shown / lineBytes : 0);
    text.reserve(static_cast<qsizetype>(length));
    text += QLatin1String("0x");
    for (std::size_t i = 0; i < shown; ++i) {
        if (lineBytes && i > 0 && i % lineBytes == 0) text += QLatin1Char('\n');
        const auto b = static_cast<unsigned char>(bytes[i]);
        text += QLatin1Char(Digits[b >> 4]);
        text += QLatin1Char(Digits[b & 15]);
    }
    if (shown < bytes.size()) text += QChar(0x2026); // …
    return text;
}

// Text values longer than this get their text as a tool tip: a column rarely shows them whole.
constexpr std::size_t TipTextBytes = 64;

} // namespace

TResultModel::TResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void TResultModel::SetBlock(std::shared_ptr<const TResultBlock> block) {
    if (!block && !FBlock) return;
    beginResetModel();
    FBlock = std::move(block);
    // A view counts rows in int; a block beyond that shows its first INT_MAX rows.
    FRows = FBlock ? static_cast<int>(std::min<std::size_t>(FBlock->RowCount(), INT_MAX)) : 0;
    FOrder.reset();
    FSortColumn = -1;
    FSortDirection = Qt::AscendingOrder;
    endResetModel();
}

void TResultModel::RowsArrived() {
    if (!FBlock) return;
    const int now = static_cast<int>(std::min<std::size_t>(FBlock->RowCount(), INT_MAX));
    if (now <= FRows) return;
    // New rows go after the shown ones; a sorted order knows only those, so it is dropped first.
    if (FOrder || FSortColumn >= 0) ApplyOrder(nullptr, -1, Qt::AscendingOrder);
    beginInsertRows({}, FRows, now - 1);
    FRows = now;
    endInsertRows();
}

void TResultModel::sort(int column, Qt::SortOrder order) {
    if (!FBlock) return;
    if (column < 0 || column >= columnCount()) {
        if (FOrder || FSortColumn >= 0) ApplyOrder(nullptr, -1, Qt::AscendingOrder);
        return;
    }
    auto rows = std::make_shared<const std::vector<std::size_t>>(
        SortedRows(*FBlock, static_cast<std::size_t>(column), static_cast<std::size_t>(rowCount()),
                   order == Qt::DescendingOrder));
    ApplyOrder(std::move(rows), column, order);
}

void TResultModel::ShareOrder(const TResultModel& other) {
    if (!FBlock || other.FBlock != FBlock) return;
    if (other.FOrder == FOrder && other.FSortColumn == FSortColumn && other.FSortDirection == FSortDirection)
        return;
    ApplyOrder(other.FOrder, other.FSortColumn, other.FSortDirection);
}

void TResultModel::ApplyOrder(std::shared_ptr<const std::vector<std::size_t>> order, int column,
                              Qt::SortOrder direction) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The selection and the current row are persistent indexes: they follow their block rows.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> blockRows;
    blockRows.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        blockRows.push_back(BlockRow(index.row()));

    FOrder = std::move(order);
    FSortColumn = column;
    FSortDirection = direction;

    if (!before.isEmpty()) {
        std::vector<int> shownAt;
        if (FOrder) {
            shownAt.resize(FOrder->size());
            for (std::size_t i = 0; i < FOrder->size(); ++i)
                shownAt[(*FOrder)[i]] = static_cast<int>(i);
        }
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const std::size_t blockRow = blockRows[static_cast<std::size_t>(i)];
            const int shown = FOrder ? shownAt[blockRow] : static_cast<int>(blockRow);
            after.push_back(index(shown, before[i].column()));
        }
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TResultModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !FBlock) return 0;
    return FRows;
}

int TResultModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !FBlock) return 0;
    return static_cast<int>(FBlock->FieldCount());
}

QString TResultModel::CellText(int row, int col) const {
    std::string_view cell = FBlock->Cell(BlockRow(row), static_cast<std::size_t>(col));
    if (cell.size() > MaxDisplayBytes) {
        std::size_t cut = MaxDisplayBytes;
        // Cut before a character, not inside one.
        while (cut > 0 && (static_cast<unsigned char>(cell[cut]) & 0xC0) == 0x80)
            --cut;
        cell = cell.substr(0, cut);
    }
    return QtText(cell);
}

QString TResultModel::DisplayText(int row, int col) const {
    const std::size_t blockRow = BlockRow(row), c = static_cast<std::size_t>(col);
    if (FBlock->IsNull(blockRow, c)) return QStringLiteral("NULL");
    if (FBlock->Column(c).IsBinary()) return Hex(FBlock->Cell(blockRow, c), MaxDisplayHexBytes, 0);
    // A NUL byte would draw as nothing at all.
    return CellText(row, col).replace(QChar(0), QChar(0x2400));
}

QVariant TResultModel::ToolTip(int row, int col) const {
    const std::size_t blockRow = BlockRow(row), c = static_cast<std::size_t>(col);
    if (FBlock->IsNull(blockRow, c)) return {};
    const std::string_view cell = FBlock->Cell(blockRow, c);
    if (FBlock->Column(c).IsBinary()) {
        if (cell.size() <= MaxDisplayHexBytes) return {};
        // In lines, so the tip stays narrower than a screen.
        return Hex(cell, MaxTipHexBytes, 32);
    }
    if (cell.size() <= TipTextBytes) return {};
    return DisplayText(row, col);
}

QVariant TResultModel::data(const QModelIndex& index, int role) const {
    if (!FBlock || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int row = index.row(), col = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText(row, col);
    case NullRole:
        return FBlock->IsNull(BlockRow(row), static_cast<std::size_t>(col));
    case Qt::FontRole:
        if (FBlock->IsNull(BlockRow(row), static_cast<std::size_t>(col))) {
            // Only the italic is set: the view's own font gives the rest.
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        return {};
    case Qt::ForegroundRole:
        if (FBlock->IsNull(BlockRow(row), static_cast<std::size_t>(col)))
            return QGuiApplication::palette().brush(QPalette::PlaceholderText);
        return {};
    case Qt::TextAlignmentRole:
        if (FBlock->Column(static_cast<std::size_t>(col)).IsNumber())
            return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter); // as every delegate reads it
        return {};
    case Qt::ToolTipRole:
        return ToolTip(row, col);
    default:
        return {};
    }
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
    const std::size_t widest = FBlock->WidestRow(static_cast<std::size_t>(col));
    // A growing block may have found it among rows not shown yet.
    if (widest >= static_cast<std::size_t>(FRows)) return -1;
    if (!FOrder) return static_cast<int>(widest);
    const auto at = std::find(FOrder->begin(), FOrder->end(), widest);
    return at == FOrder->end() ? -1 : static_cast<int>(at - FOrder->begin());
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
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A click on a caption sorts; QTableView's own sorting knows only two of the three steps.
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TResultView::CycleSort);
    connect(FModel, &QAbstractItemModel::modelReset, this, &TResultView::ShowSortIndicator);
    connect(FModel, &QAbstractItemModel::layoutChanged, this, &TResultView::ShowSortIndicator);

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
    FModel->ShareOrder(*grid.Model());
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
    // A NULL anywhere shows as NULL, which may be wider than every value of the column.
    const TResultBlock& block = *FModel->Block();
    if (block.HasNulls() && block.WidestBytes(static_cast<std::size_t>(col)) <= 4) {
        QStyleOptionViewItem null = option;
        null.features |= QStyleOptionViewItem::HasDisplay;
        null.text = QStringLiteral("NULL");
        null.font.setItalic(true);
        null.fontMetrics = QFontMetrics(null.font);
        width =
            std::max(width, style()->sizeFromContents(QStyle::CT_ItemViewItem, &null, QSize(), this).width() +
                                padding);
    }
    return width;
}

void TResultView::CycleSort(int col) {
    std::optional<TWaitCursor> busy;
    if (FModel->rowCount() > 100000) busy.emplace();
    if (FModel->SortColumn() != col)
        FModel->sort(col, Qt::AscendingOrder);
    else if (FModel->SortDirection() == Qt::AscendingOrder)
        FModel->sort(col, Qt::DescendingOrder);
    else
        FModel->sort(-1);
    ShowSortIndicator();
    if (currentIndex().isValid()) scrollTo(currentIndex());
}

void TResultView::ShowSortIndicator() {
    QHeaderView& header = *horizontalHeader();
    const int col = FModel->SortColumn();
    if (header.sortIndicatorSection() != col ||
        (col >= 0 && header.sortIndicatorOrder() != FModel->SortDirection()))
        header.setSortIndicator(col, FModel->SortDirection());
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
                                     std::string_view errorText, bool showDuration, bool stopped,
                                     std::string_view stopReason) {
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
    if (stopped)
        outcome.StatusText += stopReason.empty()
                                  ? QStringLiteral(" (stopped by the user)")
                                  : QStringLiteral(" (stopped: ") + QtText(stopReason) + QLatin1Char(')');
    return outcome;
}

QString FetchingText(std::size_t rows) {
    return QStringLiteral("Fetching: ") + QString::number(rows) + QStringLiteral(" rows");
}

TShowResultOutcome ShowResultOutcome(const TResult& result, bool showDuration) {
    const int rows = result.Rows.Count();
    const int fields = result.Fields.Count();
    const bool decided = rows > 0 || fields > 0 || result.AffectedRows > 0;
    const std::string error = decided ? std::string() : result.ErrorText();
    return ShowResultOutcome(rows, fields, result.AffectedRows, result.Duration, error, showDuration,
                             result.Stopped, result.StopReason);
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
