// The view's pointer, drags and drops, input methods, caret blinking, focus and context menu.

#include "editor/TextView.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDrag>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <QWheelEvent>

#include <algorithm>

// ---- the pointer ----

void TTextView::mousePressEvent(QMouseEvent* e) {
    const QPoint point = e->position().toPoint();
    if (e->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QApplication::clipboard();
        if (!FReadOnly && clipboard->supportsSelection()) {
            const QMimeData* data = clipboard->mimeData(QClipboard::Selection);
            if (canInsertFromMimeData(data)) {
                MoveTo(PositionAt(point), false);
                insertFromMimeData(data);
            }
        }
        e->accept();
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    const int pos = PositionAt(point);
    // A third click soon after a double click selects the line.
    if (QDateTime::currentMSecsSinceEpoch() - FLastDoubleClick < QApplication::doubleClickInterval()) {
        const QTextBlock b = FDoc->findBlock(pos);
        Quietly(FCursor, [&] {
            FCursor.setPosition(b.position());
            FCursor.setPosition(std::min(b.position() + b.length(), FDoc->characterCount() - 1),
                                QTextCursor::KeepAnchor);
        });
        FLastDoubleClick = 0;
        CursorChanged();
        viewport()->update();
        return;
    }
    FWordSelect = false;
    // A press inside the selection may start dragging the selected text away.
    if (!(e->modifiers() & Qt::ShiftModifier) && FCursor.hasSelection() && pos > FCursor.selectionStart() &&
        pos < FCursor.selectionEnd()) {
        FDragFrom = point;
        return;
    }
    FSelecting = true;
    MoveTo(pos, e->modifiers() & Qt::ShiftModifier);
    FWantX = -1;
}

void TTextView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const int pos = PositionAt(e->position().toPoint());
    const QTextBlock b = FDoc->findBlock(pos);
    // The word (or run of spaces or signs) under the pointer; at a line's end, the one before it.
    const int end = b.position() + b.length() - 1;
    const int probe = pos < end ? pos : std::max(b.position(), pos - 1);
    FWordStart = WordStartAt(probe);
    FWordEnd = WordEnd(FWordStart);
    Quietly(FCursor, [&] {
        FCursor.setPosition(FWordStart);
        FCursor.setPosition(FWordEnd, QTextCursor::KeepAnchor);
    });
    FWordSelect = true;
    FSelecting = true;
    FLastDoubleClick = QDateTime::currentMSecsSinceEpoch();
    CursorChanged();
    viewport()->update();
}

void TTextView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint point = e->position().toPoint();
    if (FDragFrom && (e->buttons() & Qt::LeftButton)) {
        if ((point - *FDragFrom).manhattanLength() >= QApplication::startDragDistance()) {
            FDragFrom.reset();
            DragSelection();
        }
        return;
    }
    if (!FSelecting || !(e->buttons() & Qt::LeftButton)) return;
    FLastPoint = point;
    if (viewport()->rect().contains(point))
        FAutoScroll.stop();
    else if (!FAutoScroll.isActive())
        FAutoScroll.start(50, this);
    AutoScroll(point);
}

void TTextView::AutoScroll(QPoint point) {
    const int pos = PositionAt(point);
    if (FWordSelect) {
        // Dragging after a double click extends by whole words.
        Quietly(FCursor, [&] {
            if (pos < FWordStart) {
                FCursor.setPosition(FWordEnd);
                FCursor.setPosition(WordStartAt(pos), QTextCursor::KeepAnchor);
            } else {
                FCursor.setPosition(FWordStart);
                FCursor.setPosition(std::max(FWordEnd, WordEnd(pos)), QTextCursor::KeepAnchor);
            }
        });
        CursorChanged();
        ensureCursorVisible();
        viewport()->update();
    } else {
        MoveTo(pos, true);
    }
}

void TTextView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    if (FDragFrom) {
        // Pressed in the selection without dragging: a plain click there.
        FDragFrom.reset();
        MoveTo(PositionAt(e->position().toPoint()), false);
        FWantX = -1;
    }
    FAutoScroll.stop();
    if (FSelecting) SetSelectionClipboard();
    FSelecting = false;
}

void TTextView::timerEvent(QTimerEvent* e) {
    if (e->timerId() == FBlink.timerId()) {
        FCaretShown = !FCaretShown;
        viewport()->update(cursorRect().adjusted(-1, 0, 1, 0));
    } else if (e->timerId() == FAutoScroll.timerId()) {
        const QRect r = viewport()->rect();
        QScrollBar* v = verticalScrollBar();
        if (FLastPoint.y() < r.top())
            v->setValue(v->value() - 1);
        else if (FLastPoint.y() > r.bottom())
            v->setValue(v->value() + 1);
        AutoScroll(FLastPoint);
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

void TTextView::RestartBlink() {
    FCaretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        FBlink.start(flash / 2, this);
    else
        FBlink.stop();
}

void TTextView::wheelEvent(QWheelEvent* e) {
    // Ctrl with the wheel makes the text larger or smaller.
    if (e->modifiers() & Qt::ControlModifier) {
        const int steps = e->angleDelta().y() / 120;
        if (steps != 0) {
            QFont f = font();
            const qreal size = f.pointSizeF() > 0 ? f.pointSizeF() : 10;
            f.setPointSizeF(std::clamp(size + steps, 4.0, 72.0));
            setFont(f);
        }
        e->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(e);
}

void TTextView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    RestartBlink();
    viewport()->update();
}

void TTextView::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    FBlink.stop();
    viewport()->update();
}

void TTextView::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        FontChanged();
    else if (e->type() == QEvent::PaletteChange || e->type() == QEvent::EnabledChange)
        viewport()->update();
}

QMenu* TTextView::createStandardContextMenu() {
    auto* menu = new QMenu(this);
    const bool editable = !FReadOnly;
    const bool selected = FCursor.hasSelection();
    const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled, auto slot) {
        QAction* a = menu->addAction(text, this, slot);
        a->setShortcut(QKeySequence(key));
        a->setEnabled(enabled);
        return a;
    };
    add(tr("&Undo"), QKeySequence::Undo, editable && FDoc->isUndoAvailable(), &TTextView::undo);
    add(tr("&Redo"), QKeySequence::Redo, editable && FDoc->isRedoAvailable(), &TTextView::redo);
    menu->addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, editable && selected, &TTextView::cut);
    add(tr("&Copy"), QKeySequence::Copy, selected, &TTextView::copy);
    add(tr("&Paste"), QKeySequence::Paste,
        editable && canInsertFromMimeData(QApplication::clipboard()->mimeData()), &TTextView::paste);
    add(tr("Delete"), QKeySequence::UnknownKey, editable && selected,
        [this] { ReplaceSelection(QString()); });
    menu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, !FDoc->isEmpty(), &TTextView::selectAll);
    return menu;
}

void TTextView::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}
// ---- drags and drops ----

void TTextView::DragSelection() {
    auto* drag = new QDrag(this);
    drag->setMimeData(createMimeDataFromSelection());
    const Qt::DropAction done = drag->exec(FReadOnly ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction,
                                           FReadOnly ? Qt::CopyAction : Qt::MoveAction);
    // Moved elsewhere: the text leaves here. A move within the view was made by the drop itself.
    if (done == Qt::MoveAction && drag->target() != viewport() && drag->target() != this)
        ReplaceSelection(QString());
    viewport()->update();
}

void TTextView::dragEnterEvent(QDragEnterEvent* e) {
    if (FReadOnly || !canInsertFromMimeData(e->mimeData())) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
}

void TTextView::dragMoveEvent(QDragMoveEvent* e) {
    if (FReadOnly || !canInsertFromMimeData(e->mimeData())) {
        e->ignore();
        return;
    }
    FDropAt = PositionAt(e->position().toPoint());
    viewport()->update();
    e->acceptProposedAction();
}

void TTextView::dragLeaveEvent(QDragLeaveEvent*) {
    FDropAt = -1;
    viewport()->update();
}

void TTextView::dropEvent(QDropEvent* e) {
    FDropAt = -1;
    if (FReadOnly || !canInsertFromMimeData(e->mimeData())) {
        e->ignore();
        return;
    }
    const int at = PositionAt(e->position().toPoint());
    const bool own = e->source() == viewport() || e->source() == this;
    if (own && at >= FCursor.selectionStart() && at <= FCursor.selectionEnd()) {
        // Dropped back onto itself: nothing moves.
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return;
    }
    if (own && e->dropAction() == Qt::MoveAction) {
        // The selected text moves as one step of the undo history.
        QTextCursor target(FDoc);
        FCursor.beginEditBlock();
        target.setPosition(at);
        FCursor.removeSelectedText();
        FCursor.setPosition(target.position());
        insertFromMimeData(e->mimeData());
        FCursor.endEditBlock();
    } else {
        MoveTo(at, false);
        insertFromMimeData(e->mimeData());
    }
    e->acceptProposedAction();
    setFocus();
}
// ---- input methods ----

void TTextView::inputMethodEvent(QInputMethodEvent* e) {
    if (FReadOnly) {
        e->ignore();
        return;
    }
    if (!e->commitString().isEmpty() || e->replacementLength() > 0) {
        if (e->replacementLength() > 0 && !FCursor.hasSelection()) {
            const int at = FCursor.position() + e->replacementStart();
            Quietly(FCursor, [&] {
                FCursor.setPosition(std::clamp(at, 0, FDoc->characterCount() - 1));
                FCursor.setPosition(std::clamp(at + e->replacementLength(), 0, FDoc->characterCount() - 1),
                                    QTextCursor::KeepAnchor);
            });
        }
        ReplaceSelection(e->commitString());
    }
    FPreedit = e->preeditString();
    viewport()->update();
    e->accept();
}

QVariant TTextView::inputMethodQuery(Qt::InputMethodQuery query) const {
    // Only a stretch of the line around the caret is offered: a line may be megabytes long.
    constexpr int Around = 512;
    const QTextBlock b = FCursor.block();
    const int column = FCursor.positionInBlock();
    const int from = std::max(0, column - Around);
    switch (query) {
    case Qt::ImEnabled:
        return !FReadOnly;
    case Qt::ImCursorRectangle:
        return cursorRect();
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return column - from;
    case Qt::ImAnchorPosition:
        return std::clamp(FCursor.anchor() - b.position(), 0, b.length() - 1) - from;
    case Qt::ImSurroundingText:
        return TextOf(b, from, column + Around);
    case Qt::ImCurrentSelection:
        return FCursor.selectedText();
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
