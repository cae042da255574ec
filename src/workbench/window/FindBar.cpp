#include "workbench/window/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <class T> T* Named(T* control, const char* name) {
    control->setObjectName(QLatin1String(name));
    return control;
}

constexpr int MinEditWidth = 80;
constexpr int MaxEditWidth = 260;
constexpr int NoteRoom = 120; // what the note gets before the edits grow

QHBoxLayout* Row(QWidget* parent, QLayout* into, const QString& caption, QLineEdit* edit, int labelWidth) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto* label = new QLabel(caption, parent);
    label->setFixedWidth(labelWidth);
    label->setBuddy(edit);
    row->addWidget(label);
    // Both edits as wide, so the two rows line up; the note takes what is left. Narrow at first:
    // the bar widens them to what the window leaves (resizeEvent), never the window to them.
    edit->setFixedWidth(MinEditWidth);
    row->addWidget(edit);
    into->addItem(row);
    return row;
}

} // namespace

TFindBar::TFindBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("FindBar"));
    setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 2, 4, 2);
    column->setSpacing(2);
    const int labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("Replace:")) + 4;

    txtFind = Named(new QLineEdit(this), "txtFind");
    txtFind->setClearButtonEnabled(true);
    QHBoxLayout* find = Row(this, column, QStringLiteral("Find:"), txtFind, labelWidth);
    FFindRow = find;
    chkMatchCase = Named(new QCheckBox(QStringLiteral("Match case"), this), "chkMatchCase");
    chkWholeWord = Named(new QCheckBox(QStringLiteral("Whole word"), this), "chkWholeWord");
    chkRegExp = Named(new QCheckBox(QStringLiteral("Regular expression"), this), "chkRegExp");
    btnFindPrevious = Named(new QPushButton(QStringLiteral("Previous"), this), "btnFindPrevious");
    btnFindNext = Named(new QPushButton(QStringLiteral("Next"), this), "btnFindNext");
    btnFindPrevious->setToolTip(QStringLiteral("Find previous (Shift+F3)"));
    btnFindNext->setToolTip(QStringLiteral("Find next (F3)"));
    lblFindNote = Named(new QLabel(this), "lblFindNote");
    // A long note is cut at the bar's end rather than widening the bar or narrowing the edits.
    lblFindNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    btnCloseFind = Named(new QToolButton(this), "btnCloseFind");
    btnCloseFind->setText(QStringLiteral("\u2715"));
    btnCloseFind->setToolTip(QStringLiteral("Close (Esc)"));
    btnCloseFind->setAutoRaise(true);
    for (QWidget* w : std::initializer_list<QWidget*>{chkMatchCase, chkWholeWord, chkRegExp, btnFindPrevious,
                                                      btnFindNext, lblFindNote})
        find->addWidget(w);
    find->setStretchFactor(lblFindNote, 1);
    find->addWidget(btnCloseFind);

    pnlReplace = Named(new QWidget(this), "pnlReplace");
    auto* replaceColumn = new QVBoxLayout(pnlReplace);
    replaceColumn->setContentsMargins(0, 0, 0, 0);
    txtReplace = Named(new QLineEdit(pnlReplace), "txtReplace");
    txtReplace->setToolTip(
        QStringLiteral("With a regular expression, \\1 to \\99 stand for its groups, \\0 for "
                       "the whole match, \\n for a line break and \\t for a tab"));
    QHBoxLayout* replace = Row(pnlReplace, replaceColumn, QStringLiteral("Replace:"), txtReplace, labelWidth);
    btnReplace = Named(new QPushButton(QStringLiteral("Replace"), pnlReplace), "btnReplace");
    btnReplaceAll = Named(new QPushButton(QStringLiteral("Replace all"), pnlReplace), "btnReplaceAll");
    replace->addWidget(btnReplace);
    replace->addWidget(btnReplaceAll);
    replace->addStretch(1);
    column->addWidget(pnlReplace);

    for (QPushButton* b : {btnFindPrevious, btnFindNext, btnReplace, btnReplaceAll}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }
    txtFind->installEventFilter(this);
    txtReplace->installEventFilter(this);
    ShowReplace(false);
}

void TFindBar::ShowReplace(bool shown) {
    pnlReplace->setVisible(shown);
}

bool TFindBar::ReplaceShown() const {
    return !pnlReplace->isHidden();
}

// The edits take Enter themselves and would not say whether Shift was held.
bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if (watched == txtReplace)
        btnReplace->click();
    else if (key->modifiers() & Qt::ShiftModifier)
        btnFindPrevious->click();
    else
        btnFindNext->click();
    return true;
}

// Esc reaches the bar from whichever of its controls has the focus, as none of them takes it.
void TFindBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const int spare = contentsRect().width() - FFindRow->minimumSize().width();
    const int width = std::clamp(txtFind->width() + spare - NoteRoom, MinEditWidth, MaxEditWidth);
    if (width == txtFind->width()) return;
    txtFind->setFixedWidth(width);
    txtReplace->setFixedWidth(width);
}

void TFindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        btnCloseFind->click();
        return;
    }
    QFrame::keyPressEvent(event);
}
