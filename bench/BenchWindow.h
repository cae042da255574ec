#pragma once
// The main window as the window benchmarks use it: settings in a temporary file of its own (the
// user's host list is never touched), scripted dialogs, and one host node with the benchmark's
// login, connected and selected, with a statement in the editor. Ends the process with a message
// when the host cannot connect.

#include "BenchSupport.h"
#include "platform/Registry.h"
#include "workbench/controllers/QueryController.h"
#include "workbench/controllers/ResultController.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/tree/TreeNodes.h"
#include "workbench/window/AppWindows.h"
#include "workbench/window/DropDownCombo.h"
#include "workbench/window/main.h"

#include <QTemporaryDir>

#include <memory>
#include <string>

// The window's controls by their design names.
inline TMainControls Ui(const TfrmMain& window) {
    return TMainControls::Find(window);
}

namespace bench {

class TBenchWindow {
public:
    TBenchWindow(const Login& login, const std::string& sql);

    TfrmMain& Window() { return *FWindows->frmMain; }
    TTreeNode* HostNode() const { return FNode; }
    TMySql& Host() const { return *FNode->Host(); }
    // Answers the window's dialogs, dlgOpen among them.
    TScriptedDialogs& Dialogs() { return FDialogs; }

private:
    QTemporaryDir FDir;
    std::unique_ptr<TRegistryStore> FStore;
    TScriptedDialogs FDialogs;
    std::unique_ptr<TAppWindows> FWindows;
    TTreeNode* FNode = nullptr;
};

} // namespace bench
