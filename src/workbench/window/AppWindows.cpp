#include "workbench/window/AppWindows.h"

#include "workbench/dialogs/Dialogs.h"
#include "workbench/dialogs/ExportResult.h"
#include "workbench/dialogs/ResultWindow.h"
#include "workbench/dialogs/RunSqlFile.h"
#include "workbench/dialogs/SshPrompt.h"
#include "workbench/dialogs/about.h"
#include "workbench/dialogs/propertiesview.h"
#include "workbench/window/main.h"

TAppWindows::TAppWindows(TDialogs* dialogs, TRegistryStore* store) : FDialogs(dialogs) {
    if (!FDialogs) {
        FOwnDialogs = std::make_unique<TQtDialogs>();
        FDialogs = FOwnDialogs.get();
    }
    frmMain = std::make_unique<TfrmMain>(*this, store);
    // A dialog of the main window: centred on it, and modal to it.
    frmProperties = std::make_unique<TfrmProperties>(*FDialogs, frmMain.get());
    // After the main window, whose version text it shows.
    AboutBox = std::make_unique<TAboutBox>(*frmMain, frmMain.get());
    frmResult = std::make_unique<TfrmResult>();
    // Closing the main window ends the program even while the result window is open.
    frmResult->setAttribute(Qt::WA_QuitOnClose, false);
    // Made once, so the choices made in it last for the run.
    frmExportResult = std::make_unique<TfrmExportResult>(frmMain.get());
    // Over the main window, whose commands wait while it shows.
    frmRunSqlFile = std::make_unique<TfrmRunSqlFile>(frmMain.get());
    // A tunnel's passphrase or password is asked over the main window.
    FSshPrompt = std::make_unique<TSshPrompt>(*FDialogs, frmMain.get());
    SetSshAsker(FSshPrompt.get());
    SetSshAskpassProgram(TSshPrompt::AskpassProgram());
}

TAppWindows::~TAppWindows() {
    // Before the windows go: hosts still connecting at exit ask nobody.
    SetSshAsker(nullptr);
}
