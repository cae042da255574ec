#pragma once
// The find bar below the editor: what to find and how, what to put in its place, and a note on how
// the last search went. It only shows and hands on keys; TFindController does the finding.
// Enter in txtFind finds the next match, Shift+Enter the previous one, Enter in txtReplace
// replaces, and Esc anywhere in the bar closes it.

#include <QFrame>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TFindBar : public QFrame {
    Q_OBJECT

public:
    explicit TFindBar(QWidget* parent = nullptr);

    // The row with the replacement and its buttons.
    void ShowReplace(bool shown);
    bool ReplaceShown() const;

    QLineEdit* txtFind;
    QCheckBox* chkMatchCase;
    QCheckBox* chkWholeWord;
    QCheckBox* chkRegExp;
    QPushButton* btnFindPrevious;
    QPushButton* btnFindNext;
    QLabel* lblFindNote;
    QToolButton* btnCloseFind;
    QWidget* pnlReplace;
    QLineEdit* txtReplace;
    QPushButton* btnReplace;
    QPushButton* btnReplaceAll;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QHBoxLayout* FFindRow = nullptr;
};
