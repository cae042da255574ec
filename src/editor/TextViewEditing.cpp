// The view's caret, selection and keys: character and word steps, moves, edits as steps of the
// undo history, and the clipboard.

#include "editor/TextView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>

namespace {

enum class TCharKind { Space, Word, Other };

TCharKind KindOf(QChar c) {
    if (c.isSpace()) return TCharKind::Space;
    if (c.isLetterOrNumber() || c == QLatin1Char('_') || c.isMark() || c.isSurrogate())
        return TCharKind::Word;
    return TCharKind::Other;
}

} // namespace

// ---- positions ----

// Steps never part a surrogate pair or a character from its marks.
int TTextView::NextChar(int pos) const {
    const int end = FDoc->characterCount() - 1;
    if (pos >= end) return end;
    const QTextBlock b = FDoc->findBlock(pos);
    if (pos >= b.position() + b.length() - 1) return pos + 1;
    int next = pos + 1;
    if (FDoc->characterAt(pos).isHighSurrogate() && FDoc->characterAt(next).isLowSurrogate()) ++next;
    const int blockEnd = b.position() + b.length() - 1;
    while (next < blockEnd && FDoc->characterAt(next).isMark())
        ++next;
    return next;
}

int TTextView::PreviousChar(int pos) const {
    if (pos <= 0) return 0;
    const QTextBlock b = FDoc->findBlock(pos);
    if (pos == b.position()) return pos - 1;
    int prev = pos - 1;
    while (prev > b.position() && FDoc->characterAt(prev).isMark())
        --prev;
    if (prev > b.position() && FDoc->characterAt(prev).isLowSurrogate() &&
        FDoc->characterAt(prev - 1).isHighSurrogate())
        --prev;
    return prev;
}

// The start of the next word, or the end of the line when no word follows on it.
int TTextView::NextWord(int pos) const {
    const QTextBlock b = FDoc->findBlock(pos);
    const int end = b.position() + b.length() - 1;
    if (pos >= end) return NextChar(pos);
    const TCharKind kind = KindOf(FDoc->characterAt(pos));
    if (kind != TCharKind::Space)
        while (pos < end && KindOf(FDoc->characterAt(pos)) == kind)
            ++pos;
    while (pos < end && KindOf(FDoc->characterAt(pos)) == TCharKind::Space)
        ++pos;
    return pos;
}

int TTextView::PreviousWord(int pos) const {
    const QTextBlock b = FDoc->findBlock(pos);
    const int start = b.position();
    if (pos <= start) return PreviousChar(pos);
    while (pos > start && KindOf(FDoc->characterAt(pos - 1)) == TCharKind::Space)
        --pos;
    if (pos > start) {
        const TCharKind kind = KindOf(FDoc->characterAt(pos - 1));
        while (pos > start && KindOf(FDoc->characterAt(pos - 1)) == kind)
            --pos;
    }
    return pos;
}

// The end of the word (or run of spaces or signs) at pos.
int TTextView::WordEnd(int pos) const {
    const QTextBlock b = FDoc->findBlock(pos);
    const int end = b.position() + b.length() - 1;
    if (pos >= end) return pos;
    const TCharKind kind = KindOf(FDoc->characterAt(pos));
    while (pos < end && KindOf(FDoc->characterAt(pos)) == kind)
        ++pos;
    return pos;
}

// The start of the word (or run of spaces or signs) holding pos.
int TTextView::WordStartAt(int pos) const {
    const QTextBlock b = FDoc->findBlock(pos);
    if (pos >= b.position() + b.length() - 1) return pos;
    const TCharKind kind = KindOf(FDoc->characterAt(pos));
    while (pos > b.position() && KindOf(FDoc->characterAt(pos - 1)) == kind)
        --pos;
    return pos;
}

int TTextView::VerticalMove(int lines) const {
    const QTextBlock from = FCursor.block();
    const int target = from.blockNumber() + lines;
    if (target < 0) return 0;
    if (target >= FDoc->blockCount()) return FDoc->characterCount() - 1;
    const QTextBlock b = FDoc->findBlockByNumber(target);
    const qreal x = FWantX >= 0 ? FWantX : XOf(from, FCursor.positionInBlock()) - TextLeft();
    return b.position() + ColumnAt(b, x + TextLeft());
}
// ---- the caret and the selection ----

void TTextView::Quietly(QTextCursor& cursor, const std::function<void()>& change, bool joinPrevious) {
    if (joinPrevious)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    change();
    cursor.endEditBlock();
}

void TTextView::setTextCursor(const QTextCursor& cursor) {
    if (cursor.document() != FDoc) return;
    FCursor = cursor;
    FRun = TRun::None;
    FWantX = -1;
    CursorChanged();
    ensureCursorVisible();
    RestartBlink();
    viewport()->update();
}

void TTextView::moveCursor(QTextCursor::MoveOperation operation, QTextCursor::MoveMode mode) {
    const bool select = mode == QTextCursor::KeepAnchor;
    switch (operation) {
    case QTextCursor::NextCharacter:
    case QTextCursor::Right:
        MoveTo(NextChar(FCursor.position()), select);
        break;
    case QTextCursor::PreviousCharacter:
    case QTextCursor::Left:
        MoveTo(PreviousChar(FCursor.position()), select);
        break;
    case QTextCursor::Up:
        MoveTo(VerticalMove(-1), select);
        break;
    case QTextCursor::Down:
        MoveTo(VerticalMove(1), select);
        break;
    default: {
        // The remaining moves need no layout.
        QTextCursor c = FCursor;
        Quietly(c, [&] { c.movePosition(operation, mode); });
        setTextCursor(c);
        break;
    }
    }
}

void TTextView::MoveTo(int position, bool select) {
    FRun = TRun::None;
    const qreal wantX = FWantX;
    Quietly(FCursor, [&] {
        FCursor.setPosition(std::clamp(position, 0, FDoc->characterCount() - 1),
                            select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    });
    CursorChanged();
    ensureCursorVisible();
    FWantX = wantX;
    RestartBlink();
    viewport()->update();
}

void TTextView::CursorChanged() {
    const int position = FCursor.position();
    const int anchor = FCursor.anchor();
    if (position == FLastPosition && anchor == FLastAnchor) return;
    const bool hadSelection = FLastPosition != FLastAnchor;
    const bool moved = position != FLastPosition;
    FLastPosition = position;
    FLastAnchor = anchor;
    if (moved) {
        TellAccessibility(-1, 0, 0);
        if (FGutter && FCursor.blockNumber() != FCaretLine) {
            FCaretLine = FCursor.blockNumber();
            FGutter->update();
        }
        emit cursorPositionChanged();
    }
    if (hadSelection || position != anchor) emit selectionChanged();
    if (hadSelection != (position != anchor)) emit copyAvailable(position != anchor);
}

void TTextView::ReplaceSelection(const QString& text, TRun run) {
    if (FReadOnly) return;
    // A run of typed characters (or of Backspaces) is one step of the undo history.
    const bool join =
        run != TRun::None && run == FRun && FCursor.position() == FRunEnd && !FCursor.hasSelection();
    Quietly(
        FCursor,
        [&] {
            if (run == TRun::Backspace)
                FCursor.deletePreviousChar();
            else
                FCursor.insertText(text);
        },
        join);
    FRun = run;
    FRunEnd = FCursor.position();
    FWantX = -1;
    CursorChanged();
    ensureCursorVisible();
    RestartBlink();
}

QString TTextView::toPlainText() const {
    return FDoc->toPlainText();
}

void TTextView::setPlainText(const QString& text) {
    FDoc->setUndoRedoEnabled(false);
    FDoc->setPlainText(text);
    FDoc->setUndoRedoEnabled(true);
    FCursor = QTextCursor(FDoc);
    FRun = TRun::None;
    FWantX = -1;
    CursorChanged();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void TTextView::setReadOnly(bool value) {
    FReadOnly = value;
    setAttribute(Qt::WA_InputMethodEnabled, !value);
    viewport()->setCursor(value ? Qt::ArrowCursor : Qt::IBeamCursor);
    viewport()->update();
}

void TTextView::undo() {
    UndoStep(false);
}

void TTextView::redo() {
    UndoStep(true);
}

// The document puts the caret where the step it took back or made again was.
void TTextView::UndoStep(bool redo) {
    if (FReadOnly) return;
    FRun = TRun::None;
    if (redo)
        FDoc->redo(&FCursor);
    else
        FDoc->undo(&FCursor);
    CursorChanged();
    ensureCursorVisible();
}

void TTextView::copy() {
    if (!FCursor.hasSelection()) return;
    QApplication::clipboard()->setMimeData(createMimeDataFromSelection());
}

void TTextView::cut() {
    if (FReadOnly || !FCursor.hasSelection()) return;
    copy();
    ReplaceSelection(QString());
}

void TTextView::paste() {
    if (FReadOnly) return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (canInsertFromMimeData(data)) insertFromMimeData(data);
}

void TTextView::selectAll() {
    Quietly(FCursor, [&] { FCursor.select(QTextCursor::Document); });
    CursorChanged();
    viewport()->update();
}

void TTextView::clear() {
    setPlainText(QString());
}

bool TTextView::canInsertFromMimeData(const QMimeData* source) const {
    return source && source->hasText();
}

void TTextView::insertFromMimeData(const QMimeData* source) {
    if (source) ReplaceSelection(source->text());
}

QMimeData* TTextView::createMimeDataFromSelection() const {
    QString text = FCursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}

void TTextView::SetSelectionClipboard() {
    QClipboard* clipboard = QApplication::clipboard();
    if (FCursor.hasSelection() && clipboard->supportsSelection())
        clipboard->setMimeData(createMimeDataFromSelection(), QClipboard::Selection);
}
// ---- keys ----

bool TTextView::focusNextPrevChild(bool next) {
    // Tab is text while tabs are wanted in an editable view.
    if (!FTabChangesFocus && !FReadOnly) return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

bool TTextView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys the view acts on are its own, not the window's shortcuts.
        auto* e = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
        bool mine = false;
        if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
            mine = (e->key() < Qt::Key_Escape && !e->text().isEmpty()) || e->key() == Qt::Key_Return ||
                   e->key() == Qt::Key_Enter || e->key() == Qt::Key_Delete || e->key() == Qt::Key_Home ||
                   e->key() == Qt::Key_End || e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Left ||
                   e->key() == Qt::Key_Right || e->key() == Qt::Key_Up || e->key() == Qt::Key_Down ||
                   (e->key() == Qt::Key_Tab && !FTabChangesFocus);
        } else {
            for (const auto key :
                 {QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Redo,
                  QKeySequence::Undo, QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord,
                  QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument,
                  QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
                  QKeySequence::SelectStartOfDocument, QKeySequence::SelectEndOfDocument,
                  QKeySequence::SelectAll, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord})
                mine = mine || e->matches(key);
        }
        if (mine) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool TTextView::Navigate(QKeyEvent* e) {
    struct TMove {
        QKeySequence::StandardKey Move;
        QKeySequence::StandardKey Select;
        int (TTextView::*Target)(int) const;
    };
    static const TMove moves[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, &TTextView::NextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, &TTextView::PreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, &TTextView::NextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, &TTextView::PreviousWord},
    };
    for (const TMove& m : moves) {
        const bool select = e->matches(m.Select);
        if (select || e->matches(m.Move)) {
            MoveTo((this->*m.Target)(FCursor.position()), select);
            FWantX = -1;
            return true;
        }
    }
    const auto lineMove = [&](QKeySequence::StandardKey move, QKeySequence::StandardKey sel, int lines,
                              bool page) {
        const bool select = e->matches(sel);
        if (!select && !e->matches(move)) return false;
        if (FWantX < 0) FWantX = XOf(FCursor.block(), FCursor.positionInBlock()) - TextLeft();
        if (page) verticalScrollBar()->setValue(verticalScrollBar()->value() + lines);
        MoveTo(VerticalMove(lines), select);
        return true;
    };
    const int page = std::max(1, FullLines() - 1);
    if (lineMove(QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, 1, false) ||
        lineMove(QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, -1, false) ||
        lineMove(QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, page, true) ||
        lineMove(QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, -page, true))
        return true;
    const QTextBlock b = FCursor.block();
    const struct {
        QKeySequence::StandardKey Move;
        QKeySequence::StandardKey Select;
        int Target;
    } jumps[] = {
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, b.position()},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, b.position() + b.length() - 1},
        {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, b.position()},
        {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, b.position() + b.length() - 1},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, 0},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, FDoc->characterCount() - 1},
    };
    for (const auto& j : jumps) {
        const bool select = e->matches(j.Select);
        if (select || e->matches(j.Move)) {
            MoveTo(j.Target, select);
            FWantX = -1;
            return true;
        }
    }
    return false;
}

bool TTextView::Edit(QKeyEvent* e) {
    if (FReadOnly) return false;
    const int pos = FCursor.position();
    const auto removeTo = [&](int other) {
        if (FCursor.hasSelection()) {
            ReplaceSelection(QString());
            return;
        }
        if (other == pos) return;
        Quietly(FCursor, [&] { FCursor.setPosition(other, QTextCursor::KeepAnchor); });
        ReplaceSelection(QString());
    };
    if (e->matches(QKeySequence::DeleteStartOfWord)) {
        removeTo(PreviousWord(pos));
    } else if (e->matches(QKeySequence::DeleteEndOfWord)) {
        removeTo(NextWord(pos));
    } else if (e->key() == Qt::Key_Backspace &&
               !(e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
        if (FCursor.hasSelection())
            ReplaceSelection(QString());
        else if (pos > 0)
            ReplaceSelection(QString(), TRun::Backspace);
    } else if (e->matches(QKeySequence::Delete)) {
        removeTo(NextChar(pos));
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        QString lineBreak = QStringLiteral("\n");
        if (FKeepIndent) {
            // The blanks before the caret at the start of its line, no more: Enter inside the
            // indentation keeps only what lies before the caret.
            const QTextBlock block = FDoc->findBlock(FCursor.selectionStart());
            const int upTo = FCursor.selectionStart() - block.position();
            const QString start = TextOf(block, 0, std::min(upTo, 256));
            qsizetype blanks = 0;
            while (blanks < start.size() &&
                   (start[blanks] == QLatin1Char(' ') || start[blanks] == QLatin1Char('\t')))
                ++blanks;
            lineBreak += start.left(blanks);
        }
        ReplaceSelection(lineBreak);
    } else {
        // Shift+Tab may come with a tab as its text; it types nothing.
        if (e->key() == Qt::Key_Backtab) return false;
        const QString text = e->text();
        if (text.isEmpty() || (e->modifiers() & Qt::ControlModifier && !(e->modifiers() & Qt::AltModifier)))
            return false;
        if (!(text.front().isPrint() || text.front() == QLatin1Char('\t') || text.front().isSurrogate()))
            return false;
        if (text.front() == QLatin1Char('\t') && FTabChangesFocus) return false;
        ReplaceSelection(text, TRun::Typing);
    }
    return true;
}

void TTextView::keyPressEvent(QKeyEvent* e) {
    bool done = true;
    if (e->matches(QKeySequence::SelectAll))
        selectAll();
    else if (e->matches(QKeySequence::Copy))
        copy();
    else if (e->matches(QKeySequence::Cut))
        cut();
    else if (e->matches(QKeySequence::Paste))
        paste();
    else if (e->matches(QKeySequence::Undo))
        undo();
    else if (e->matches(QKeySequence::Redo))
        redo();
    else
        done = Navigate(e) || Edit(e);
    if (!done) {
        e->ignore();
        return;
    }
    e->accept();
    RestartBlink();
    viewport()->update();
}
