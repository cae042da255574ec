#pragma once
// A busy cursor for the length of a command, restored on every way out: the plain hourglass
// unless another one is given.

#include <QApplication>

class TWaitCursor {
public:
    explicit TWaitCursor(const QCursor& cursor = QCursor(Qt::WaitCursor)) {
        QApplication::setOverrideCursor(cursor);
    }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};
