#pragma once
// The status bar's one text. However long the text, the label never asks for more room than the
// window has: it is cut with an ellipsis where it does not fit, and the whole text is its tool tip.

#include <QLabel>

class TStatusLabel : public QLabel {
    Q_OBJECT

public:
    explicit TStatusLabel(QWidget* parent = nullptr);

    // The whole text, shown as far as it fits.
    void SetStatus(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
