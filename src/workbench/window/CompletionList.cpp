#include "workbench/window/CompletionList.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

TCompletionList::TCompletionList(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("lstCompletion"));
    setFocusPolicy(Qt::NoFocus);
    setColumnCount(2);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::Box);
    header()->setStretchLastSection(true);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] { emit Chosen(); });
    hide();
}

void TCompletionList::SetCandidates(const std::vector<TCandidate>& candidates) {
    FCandidates = candidates;
    clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(candidates.size()));
    const QColor dim = palette().color(QPalette::Disabled, QPalette::Text);
    for (const TCandidate& c : candidates) {
        QString kind = CandidateKindText(c.Kind);
        if (!c.Detail.isEmpty()) kind += QLatin1Char(' ') + c.Detail;
        auto* item = new QTreeWidgetItem(QStringList{c.Name, kind});
        item->setForeground(1, dim);
        items.append(item);
    }
    insertTopLevelItems(0, items);
    if (!items.isEmpty()) setCurrentItem(items.front());
    resizeColumnToContents(0);
}

const TCandidate* TCompletionList::Current() const {
    const int row = currentIndex().row();
    if (row < 0 || static_cast<std::size_t>(row) >= FCandidates.size()) return nullptr;
    return &FCandidates[static_cast<std::size_t>(row)];
}

bool TCompletionList::MoveCurrent(int key) {
    const int count = topLevelItemCount();
    if (count == 0) return false;
    const int page = std::max(1, viewport()->height() / std::max(1, sizeHintForRow(0)) - 1);
    int row = currentIndex().row();
    switch (key) {
    case Qt::Key_Up:
        row = row <= 0 ? count - 1 : row - 1; // round, as menus go
        break;
    case Qt::Key_Down:
        row = row + 1 >= count ? 0 : row + 1;
        break;
    case Qt::Key_PageUp:
        row = std::max(0, row - page);
        break;
    case Qt::Key_PageDown:
        row = std::min(count - 1, row + page);
        break;
    default:
        return false;
    }
    setCurrentItem(topLevelItem(row));
    scrollToItem(topLevelItem(row));
    return true;
}

QSize TCompletionList::FittingSize() const {
    const int rows = std::min(10, std::max(1, topLevelItemCount()));
    const int rowHeight = std::max(1, sizeHintForRow(0));
    int kinds = 0;
    for (int i = 0; i < std::min(topLevelItemCount(), 200); ++i)
        kinds = std::max(kinds, fontMetrics().horizontalAdvance(topLevelItem(i)->text(1)));
    const int frame = 2 * frameWidth();
    const int width =
        std::clamp(columnWidth(0) + kinds + 24 + verticalScrollBar()->sizeHint().width(), 160, 520);
    return {width + frame, rows * rowHeight + frame};
}
