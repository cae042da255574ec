#include "workbench/window/CompletionList.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

class TCompletionList::TModel : public QAbstractTableModel {
public:
    std::vector<TCandidate> Candidates;
    QColor Dim;

    void Set(std::vector<TCandidate> candidates) {
        beginResetModel();
        Candidates = std::move(candidates);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(Candidates.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || static_cast<std::size_t>(index.row()) >= Candidates.size()) return {};
        const TCandidate& c = Candidates[static_cast<std::size_t>(index.row())];
        if (role == Qt::DisplayRole) return index.column() == 0 ? c.Name : KindText(c);
        if (role == Qt::ForegroundRole && index.column() == 1) return Dim;
        return {};
    }
    static QString KindText(const TCandidate& c) {
        QString kind = CandidateKindText(c.Kind);
        if (!c.Detail.isEmpty()) kind += QLatin1Char(' ') + c.Detail;
        return kind;
    }
};

TCompletionList::TCompletionList(QWidget* parent) : QTreeView(parent), FModel(std::make_unique<TModel>()) {
    setObjectName(QStringLiteral("lstCompletion"));
    setFocusPolicy(Qt::NoFocus);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::Box);
    header()->setStretchLastSection(true);
    FModel->Dim = palette().color(QPalette::Disabled, QPalette::Text);
    setModel(FModel.get());
    connect(this, &QTreeView::doubleClicked, this, [this] { emit Chosen(); });
    hide();
}

TCompletionList::~TCompletionList() {
    setModel(nullptr);
}

void TCompletionList::SetCandidates(std::vector<TCandidate> candidates) {
    FModel->Set(std::move(candidates));
    // The names' column as wide as the widest of those that show first: measuring thousands would
    // cost more than the list itself.
    int names = 0;
    const std::size_t measured = std::min<std::size_t>(FModel->Candidates.size(), 100);
    for (std::size_t i = 0; i < measured; ++i)
        names = std::max(names, fontMetrics().horizontalAdvance(FModel->Candidates[i].Name));
    header()->resizeSection(0, std::min(names + 16, 320));
    if (!FModel->Candidates.empty()) setCurrentIndex(FModel->index(0, 0));
}

const std::vector<TCandidate>& TCompletionList::Candidates() const {
    return FModel->Candidates;
}

const TCandidate* TCompletionList::Current() const {
    const int row = currentIndex().row();
    if (row < 0 || static_cast<std::size_t>(row) >= FModel->Candidates.size()) return nullptr;
    return &FModel->Candidates[static_cast<std::size_t>(row)];
}

bool TCompletionList::MoveCurrent(int key) {
    const int count = FModel->rowCount({});
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
    setCurrentIndex(FModel->index(row, 0));
    scrollTo(currentIndex());
    return true;
}

QSize TCompletionList::FittingSize() const {
    const int count = FModel->rowCount({});
    const int rows = std::min(10, std::max(1, count));
    const int rowHeight = std::max(1, sizeHintForRow(0));
    int kinds = 0;
    for (int i = 0; i < std::min(count, 100); ++i)
        kinds = std::max(kinds, fontMetrics().horizontalAdvance(
                                    TModel::KindText(FModel->Candidates[static_cast<std::size_t>(i)])));
    const int frame = 2 * frameWidth();
    const int width =
        std::clamp(columnWidth(0) + kinds + 16 + verticalScrollBar()->sizeHint().width(), 160, 560);
    return {width + frame, rows * rowHeight + frame};
}
