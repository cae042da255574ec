#pragma once
// Load SQL and Save SQL: the editor's text from and to a script file through dlgOpen and dlgSave,
// in the encoding and with the line ends the script was loaded with.

#include "workbench/controllers/Controller.h"

enum class TSqlEncoding;
enum class TLineEnds;

class TSqlFileController {
public:
    explicit TSqlFileController(const TWorkbench& workbench);

    void btnLoadSqlClick();
    void btnSaveSqlClick();

private:
    TfrmMain& FWindow;
    const TMainControls& FUi;
    // The encoding of the script loaded last, in which Save SQL writes the editor's text.
    TSqlEncoding FSqlEncoding;
    // Its line-end style, written again by Save SQL: LF for a new script.
    TLineEnds FSqlLineEnds;
};
