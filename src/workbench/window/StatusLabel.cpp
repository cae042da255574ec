#include "workbench/window/StatusLabel.h"

#include <QPainter>
#include <QStyle>

TStatusLabel::TStatusLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TStatusLabel::SetStatus(const QString& text) {
    setText(text);
    setToolTip(text);
}

// Only the height counts: the width is what the status bar gives.
QSize TStatusLabel::sizeHint() const {
    return {0, QLabel::sizeHint().height()};
}

QSize TStatusLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void TStatusLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect box = contentsRect();
    // One line: line breaks in a server message show as blanks.
    QString line = text();
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString shown = fontMetrics().elidedText(line, Qt::ElideRight, box.width());
    style()->drawItemText(&painter, box,
                          static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment())),
                          palette(), isEnabled(), shown, foregroundRole());
}
