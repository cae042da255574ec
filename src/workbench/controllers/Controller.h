#pragma once
// What every controller of the main window works with: the window (status bar, dialogs, the
// command-state rule, the other controllers), its controls under their design names, and its
// commands.

class TfrmMain;
struct TCommandSet;
struct TMainControls;

struct TWorkbench {
    TfrmMain& Window;
    const TMainControls& Ui;
    const TCommandSet& Cmd;
};
