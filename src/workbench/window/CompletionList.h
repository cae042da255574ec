#pragma once
// The list completion shows at the editor's caret: one row a candidate, its name and its kind (a
// column with its type). It never takes the focus, so typing goes on in the editor while it shows;
// the editor's keys move its current row. The rows are a view of the candidates, not items of
// their own, so a list of thousands fills at once.

#include "sql/Completion.h"

#include <QTreeView>

#include <memory>
#include <vector>

class TCompletionList : public QTreeView {
    Q_OBJECT

public:
    explicit TCompletionList(QWidget* parent);
    ~TCompletionList() override;

    // Shows `candidates`, the first one current.
    void SetCandidates(std::vector<TCandidate> candidates);
    const std::vector<TCandidate>& Candidates() const;
    // The current row's candidate; null when the list is empty.
    const TCandidate* Current() const;
    // Up, Down, Page Up and Page Down as the editor got them; false for other keys.
    bool MoveCurrent(int key);
    // The size for the candidates shown: wide enough for the names and kinds, up to ten rows.
    QSize FittingSize() const;

signals:
    // A row was clicked twice: insert its candidate.
    void Chosen();

private:
    class TModel;
    std::unique_ptr<TModel> FModel;
};
