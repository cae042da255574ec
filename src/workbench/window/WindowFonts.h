#pragma once
// The program's fonts, decided here and nowhere else. Every window, including the dialogs and
// message boxes made on the fly, takes the application font; only the query editor and the
// history list have fonts of their own.

#include <QFont>

// The window font: "MS Sans Serif" where installed, else the platform's own sans font, 8 points.
QFont WindowFont();
// The query editor's fixed-pitch font.
QFont EditorFont();
// The history list's smaller font.
QFont HistoryFont();

// Makes WindowFont() the application's font, so that windows made later and windows that exist
// already (without a font of their own) use it.
void UseWindowFont();
