#include "ColorMemo.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString ToCrLf(QString s) {
    // toPlainText() separates lines with a bare LF.
    return s.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

QString FromAnyBreaks(QString s) {
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace

TColorMemo::TColorMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    UpdateTabStops();
}

TColorMemo::~TColorMemo() = default;

QString TColorMemo::Text() const { return ToCrLf(toPlainText()); }

void TColorMemo::SetText(const QString& text) { setPlainText(FromAnyBreaks(text)); }

QStringList TColorMemo::Lines() const {
    QStringList lines;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) lines << b.text();
    // An empty document still has one (empty) block, but holds no lines.
    if (lines.size() == 1 && lines.front().isEmpty()) lines.clear();
    return lines;
}

void TColorMemo::SetLines(const QStringList& lines) { setPlainText(lines.join(QLatin1Char('\n'))); }

int TColorMemo::ToTextPos(int docPos) const {
    const QTextBlock b = document()->findBlock(docPos);
    return docPos + (b.isValid() ? b.blockNumber() : document()->blockCount() - 1);
}

int TColorMemo::ToDocPos(int textPos) const {
    if (textPos <= 0) return 0;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        const int start = b.position() + b.blockNumber(); // in text units
        const int end = start + b.length() - 1;           // the line's last character + 1
        if (textPos <= end) return b.position() + (textPos - start);
        // Inside the CR LF pair that follows this line: the end of the line.
        if (textPos == end + 1 && b.next().isValid()) return b.position() + b.length() - 1;
    }
    return document()->characterCount() - 1;
}

int TColorMemo::SelStart() const { return ToTextPos(textCursor().selectionStart()); }

int TColorMemo::SelLength() const {
    const QTextCursor c = textCursor();
    return ToTextPos(c.selectionEnd()) - ToTextPos(c.selectionStart());
}

void TColorMemo::SetSelStart(int pos) {
    QTextCursor c = textCursor();
    c.setPosition(ToDocPos(pos));
    setTextCursor(c);
}

void TColorMemo::SetSelLength(int length) {
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(ToDocPos(ToTextPos(start) + qMax(0, length)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString TColorMemo::SelText() const {
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return s;
}

void TColorMemo::SetSelText(const QString& text) {
    QTextCursor c = textCursor();
    c.insertText(FromAnyBreaks(text));
    setTextCursor(c);
}

void TColorMemo::CutToClipboard() {
    if (textCursor().hasSelection()) cut();
}

void TColorMemo::CopyToClipboard() {
    if (textCursor().hasSelection()) copy();
}

void TColorMemo::PasteFromClipboard() {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty()) SetSelText(text);
}

void TColorMemo::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateTabStops();
}

void TColorMemo::keyPressEvent(QKeyEvent* event) {
    // Alt with a character key belongs to menus and shortcuts; it never types the character.
    if ((event->modifiers() & Qt::AltModifier) && !(event->modifiers() & Qt::ControlModifier) &&
        !event->text().isEmpty() && event->text().front().isPrint()) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TColorMemo::UpdateTabStops() {
    // Tab stops every eight average characters, as in the classic edit control.
    setTabStopDistance(8 * QFontMetricsF(font()).averageCharWidth());
}
