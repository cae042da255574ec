#pragma once
// The result window: a top-level window whose only control is a copy of the main grid, opened
// maximised and without a menu, closed by a double click on its list. Not modal: the main window
// stays usable, and showing it again refreshes the copy and brings it forward.

#include <QWidget>

class TResultView;

class TfrmResult : public QWidget {
    Q_OBJECT
public:
    explicit TfrmResult(QWidget* parent = nullptr);

    // Copies `grid` (sharing its block, with its column widths), sets the caption and shows the
    // window: maximised when it was closed, otherwise raised as it is.
    void ShowGrid(const TResultView& grid, const QString& caption);
    // Lets go of the copy's result while the window is closed, so a result no longer shown
    // anywhere is released; the next ShowGrid copies afresh. An open window keeps what it shows.
    void ReleaseHiddenCopy();

    TResultView* lstOut;

    static constexpr int NormalWidth = 870;
    static constexpr int NormalHeight = 640;

private:
    void PlaceCentred();
};
