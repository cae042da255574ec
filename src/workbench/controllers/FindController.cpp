#include "workbench/controllers/FindController.h"

#include "workbench/window/FindBar.h"
#include "workbench/window/MainControls.h"
#include "workbench/window/main.h"

#include "editor/ColorMemo.h"
#include "editor/TextFinder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace {

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c.isMark();
}

// The word the caret is in or beside; read around the caret only, however long the line.
QString WordAt(const QTextCursor& caret) {
    constexpr int Around = 256;
    const QTextBlock b = caret.block();
    const int column = caret.positionInBlock();
    const int from = std::max(0, column - Around);
    const QString text = TTextView::BlockText(b, from, column + Around);
    qsizetype start = column - from;
    qsizetype end = start;
    while (start > 0 && IsWordChar(text[start - 1]))
        --start;
    while (end < text.size() && IsWordChar(text[end]))
        ++end;
    return text.mid(start, end - start);
}

} // namespace

TFindController::TFindController(const TWorkbench& workbench)
    : QObject(&workbench.Window), FUi(workbench.Ui), FBar(*workbench.Ui.FindBar) {
    connect(FBar.txtFind, &QLineEdit::textChanged, this, [this] { Refresh(); });
    for (QCheckBox* option : {FBar.chkMatchCase, FBar.chkWholeWord, FBar.chkRegExp})
        connect(option, &QCheckBox::toggled, this, [this] { Refresh(); });
    connect(FBar.btnFindNext, &QPushButton::clicked, this, [this] { Find(true); });
    connect(FBar.btnFindPrevious, &QPushButton::clicked, this, [this] { Find(false); });
    connect(FBar.btnReplace, &QPushButton::clicked, this, [this] { btnReplaceClick(); });
    connect(FBar.btnReplaceAll, &QPushButton::clicked, this, [this] { btnReplaceAllClick(); });
    connect(FBar.btnCloseFind, &QToolButton::clicked, this, [this] { btnCloseFindClick(); });
    Refresh();
}

TFindController::~TFindController() = default;

void TFindController::mnuFindClick() {
    Open(false);
}

void TFindController::mnuReplaceClick() {
    Open(true);
}

void TFindController::mnuFindNextClick() {
    FindAgain(true);
}

void TFindController::mnuFindPreviousClick() {
    FindAgain(false);
}

// With nothing to find yet, as Find; otherwise with the bar open, where the note shows.
void TFindController::FindAgain(bool forward) {
    if (FBar.isHidden() && FBar.txtFind->text().isEmpty()) {
        Open(false);
        return;
    }
    FBar.show();
    Refresh();
    Find(forward);
}

void TFindController::Open(bool replace) {
    // Asked again from the bar itself, it keeps what is typed there: the editor's selection is
    // then most likely the match found last, not something new to look for.
    if (!FBar.isAncestorOf(QApplication::focusWidget())) {
        const QTextCursor caret = FUi.mmoIn->textCursor();
        QString seed;
        if (caret.hasSelection()) {
            // Matches never cross a line break, so a selection of several lines is no text to find.
            if (!caret.selectedText().contains(QChar::ParagraphSeparator)) seed = caret.selectedText();
        } else {
            seed = WordAt(caret);
        }
        if (!seed.isEmpty())
            FBar.txtFind->setText(FBar.chkRegExp->isChecked() ? QRegularExpression::escape(seed) : seed);
    }
    FBar.ShowReplace(replace);
    FBar.show();
    FBar.txtFind->setFocus(Qt::ShortcutFocusReason);
    FBar.txtFind->selectAll();
    Refresh();
}

void TFindController::Refresh() {
    const TFindOptions options{FBar.chkMatchCase->isChecked(), FBar.chkWholeWord->isChecked(),
                               FBar.chkRegExp->isChecked()};
    FFinder = std::make_shared<const TTextFinder>(FBar.txtFind->text(), options);
    FUi.mmoIn->SetFindMarks(FBar.isHidden() ? nullptr : FFinder);
    const QString error = FFinder->ErrorText();
    Note(error.isEmpty() ? QString() : QStringLiteral("Bad regular expression: ") + error);
}

void TFindController::Note(const QString& text) {
    FBar.lblFindNote->setText(text);
}

bool TFindController::Find(bool forward) {
    if (!FFinder->IsUsable()) {
        Note(FFinder->What().isEmpty() ? QStringLiteral("Nothing to find")
                                       : QStringLiteral("Bad regular expression: ") + FFinder->ErrorText());
        return false;
    }
    TColorMemo& memo = *FUi.mmoIn;
    const QTextDocument& doc = *memo.document();
    const QTextCursor caret = memo.textCursor();
    const int end = doc.characterCount();
    TTextMatch m;
    bool wrapped = false;
    if (forward) {
        const int from = caret.selectionEnd();
        m = FFinder->Next(doc, from);
        // An empty match where the caret stands is the one found last: the search moves on.
        if (m.Found() && m.Start == caret.selectionStart() && m.End() == caret.selectionEnd())
            m = FFinder->Next(doc, from + 1);
        if (!m.Found()) {
            m = FFinder->Next(doc, 0, from + 1);
            wrapped = m.Found();
        }
    } else {
        const int before = caret.selectionStart();
        m = FFinder->Previous(doc, before);
        if (!m.Found()) {
            m = FFinder->Previous(doc, end, before);
            wrapped = m.Found();
        }
    }
    if (!m.Found()) {
        Note(QStringLiteral("No match"));
        return false;
    }
    QTextCursor select = caret;
    TTextView::Quietly(select, [&] {
        select.setPosition(m.Start);
        select.setPosition(m.End(), QTextCursor::KeepAnchor);
    });
    memo.setTextCursor(select);
    Note(!wrapped  ? QString()
         : forward ? QStringLiteral("Passed the end; continued from the top")
                   : QStringLiteral("Passed the top; continued from the bottom"));
    return true;
}

TTextMatch TFindController::SelectedMatch() const {
    const QTextCursor caret = FUi.mmoIn->textCursor();
    TTextMatch m = FFinder->Next(*FUi.mmoIn->document(), caret.selectionStart(), caret.selectionStart() + 1);
    if (m.Found() && m.End() == caret.selectionEnd()) return m;
    return {};
}

void TFindController::btnReplaceClick() {
    if (!FFinder->IsUsable()) {
        Find(true); // says why
        return;
    }
    // A selection that is not a match is left alone: the first press finds one to replace.
    if (const TTextMatch m = SelectedMatch(); m.Found()) {
        QTextCursor c = FUi.mmoIn->textCursor();
        TTextView::Quietly(c, [&] { c.insertText(FFinder->Replacement(FBar.txtReplace->text(), m)); });
        FUi.mmoIn->setTextCursor(c);
    }
    Find(true);
}

void TFindController::btnReplaceAllClick() {
    if (!FFinder->IsUsable()) {
        Find(true); // says why
        return;
    }
    QTextDocument& doc = *FUi.mmoIn->document();
    struct TEdit {
        int Start;
        int Length;
        QString Text;
    };
    std::vector<TEdit> edits;
    const QString with = FBar.txtReplace->text();
    FFinder->EachMatch(doc, [&](const TTextMatch& m) {
        edits.push_back(TEdit{m.Start, m.Length, FFinder->Replacement(with, m)});
    });
    if (edits.empty()) {
        Note(QStringLiteral("No match"));
        return;
    }
    // From the last to the first, so the places still to come stay where they were found; one edit
    // block, so one Undo brings the whole text back.
    QTextCursor c(&doc);
    c.beginEditBlock();
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        c.setPosition(it->Start);
        c.setPosition(it->Start + it->Length, QTextCursor::KeepAnchor);
        c.insertText(it->Text);
    }
    c.endEditBlock();
    FUi.mmoIn->ensureCursorVisible();
    Note(QStringLiteral("Replaced %1").arg(edits.size()));
}

void TFindController::btnCloseFindClick() {
    FBar.hide();
    FUi.mmoIn->SetFindMarks(nullptr);
    FUi.mmoIn->setFocus();
}
