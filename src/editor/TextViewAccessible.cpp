// What screen readers and other assistive tools see of the view: an editable multi-line text with
// its caret and selection, read through the document, never through a copy of the whole text.

#include "editor/TextView.h"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>

namespace {

class TTextViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TTextViewAccessible(TTextView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

    TTextView* View() const { return static_cast<TTextView*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !View()->isReadOnly();
        s.readOnly = View()->isReadOnly();
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return View()->toPlainText();
        return QAccessibleWidget::text(t);
    }

    // ---- the text interface; offsets are document positions, a line break counting one ----

    void selection(int index, int* start, int* end) const override {
        const QTextCursor c = View()->textCursor();
        *start = *end = 0;
        if (index != 0 || !c.hasSelection()) return;
        *start = c.selectionStart();
        *end = c.selectionEnd();
    }
    int selectionCount() const override { return View()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { setCursorPosition(cursorPosition()); }
    void setSelection(int, int start, int end) override {
        QTextCursor c = View()->textCursor();
        TTextView::Quietly(c, [&] {
            c.setPosition(Clamp(start));
            c.setPosition(Clamp(end), QTextCursor::KeepAnchor);
        });
        View()->setTextCursor(c);
    }
    int cursorPosition() const override { return View()->textCursor().position(); }
    void setCursorPosition(int position) override {
        QTextCursor c = View()->textCursor();
        TTextView::Quietly(c, [&] { c.setPosition(Clamp(position)); });
        View()->setTextCursor(c);
    }
    QString text(int start, int end) const override {
        QTextCursor c(View()->document());
        TTextView::Quietly(c, [&] {
            c.setPosition(Clamp(start));
            c.setPosition(Clamp(end), QTextCursor::KeepAnchor);
        });
        return c.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    }
    int characterCount() const override { return View()->document()->characterCount() - 1; }
    QRect characterRect(int offset) const override {
        QTextCursor c(View()->document());
        TTextView::Quietly(c, [&] { c.setPosition(Clamp(offset)); });
        QRect r = View()->cursorRect(c);
        const int next = offset + 1;
        if (next <= characterCount() && !c.atBlockEnd()) {
            QTextCursor n(View()->document());
            TTextView::Quietly(n, [&] { n.setPosition(next); });
            r.setRight(View()->cursorRect(n).left() - 1);
        }
        return QRect(View()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return View()->cursorForPosition(View()->viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int start, int) override {
        const QTextCursor keep = View()->textCursor();
        setCursorPosition(start);
        View()->ensureCursorVisible();
        View()->setTextCursor(keep);
    }
    QString attributes(int offset, int* start, int* end) const override {
        *start = offset;
        *end = offset + 1;
        return {};
    }

private:
    int Clamp(int position) const { return std::clamp(position, 0, characterCount()); }
};

QAccessibleInterface* MakeAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("TTextView") || (object && object->inherits("TTextView")))
        if (auto* view = qobject_cast<TTextView*>(object)) return new TTextViewAccessible(view);
    return nullptr;
}

} // namespace

void TTextView::InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(MakeAccessible);
        return true;
    }();
    (void)installed;
}

void TTextView::TellAccessibility(int from, int removed, int added) {
    if (!QAccessible::isActive()) return;
    if (from < 0) {
        QAccessibleTextCursorEvent moved(this, FCursor.position());
        QAccessible::updateAccessibility(&moved);
        return;
    }
    // The text that went is no longer known; the new text is given when it lies on one line.
    const QTextBlock b = FDoc->findBlock(from);
    const QString text = added > 0 && b == FDoc->findBlock(from + added)
                             ? TextOf(b, from - b.position(), from - b.position() + added)
                             : QString();
    (void)removed;
    QAccessibleTextUpdateEvent changed(this, from, QString(), text);
    QAccessible::updateAccessibility(&changed);
}
