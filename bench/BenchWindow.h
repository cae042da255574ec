#pragma once
// The main window as the window benchmarks use it: settings in a temporary file of its own (the
// user's host list is never touched), scripted dialogs, and one host node with the benchmark's
// login, connected and selected, with a statement in the editor. Ends the process with a message
// when the host cannot connect.

#include "AppWindows.h"
#include "BenchSupport.h"
#include "Dialogs.h"
#include "Registry.h"
#include "TreeNodes.h"
#include "main.h"

#include <QTemporaryDir>

#include <memory>
#include <string>

namespace bench {

class TBenchWindow {
public:
    TBenchWindow(const Login& login, const std::string& sql);

    TfrmMain& Window() { return *FWindows->frmMain; }
    TTreeNode* HostNode() const { return FNode; }
    TMySql& Host() const { return *FNode->Host(); }

private:
    QTemporaryDir FDir;
    std::unique_ptr<TRegistryStore> FStore;
    TScriptedDialogs FDialogs;
    std::unique_ptr<TAppWindows> FWindows;
    TTreeNode* FNode = nullptr;
};

} // namespace bench
