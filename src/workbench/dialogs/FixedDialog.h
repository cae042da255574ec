#pragma once
// The frame the program's dialogs share: a fixed client size, a close box and nothing to minimise
// or maximise.

#include <QDialog>

inline void MakeFixedDialog(QDialog& dialog, int clientWidth, int clientHeight) {
    dialog.setFixedSize(clientWidth, clientHeight);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
}
