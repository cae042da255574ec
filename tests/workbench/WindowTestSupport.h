#pragma once
// Shared set-up of the main-window tests: a window with scripted dialogs and a settings store in a
// temporary file of its own, so no test touches the user's settings or waits for a human.

#include "Sandbox.h"
#include "editor/ColorMemo.h"
#include "platform/Registry.h"
#include "workbench/controllers/EditController.h"
#include "workbench/controllers/QueryController.h"
#include "workbench/controllers/ResultController.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/window/AppWindows.h"
#include "workbench/window/DropDownCombo.h"
#include "workbench/window/main.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The main window's controls, found by their design names as a tool would find them; a name that
// finds nothing fails the test.
inline TMainControls Ui(const TfrmMain& window) {
    QStringList missing;
    const TMainControls controls = TMainControls::Find(window, &missing);
    EXPECT_TRUE(missing.isEmpty()) << "no control named " << missing.join(QStringLiteral(", ")).toStdString();
    return controls;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FStore = std::make_unique<TRegistryStore>(StoreFile());
        // Each test's windows keep their draft in a state folder of the test's own.
        qputenv("XDG_STATE_HOME", StateFolder().toUtf8());
    }
    void TearDown() override {
        Close();
        EXPECT_EQ(Dialogs.UnexpectedCount(), 0) << "a dialog was shown that the test did not expect";
    }

    QString StoreFile() const { return FDir.filePath(QStringLiteral("Korvana.reg")); }
    QString StateFolder() const { return FDir.filePath(QStringLiteral("state")); }
    TRegistryStore& Store() { return *FStore; }
    // Reads the file again, as the next start of the program would.
    void ReloadStore() { FStore = std::make_unique<TRegistryStore>(StoreFile()); }

    // Makes the program's windows; the main window loads the settings.
    TfrmMain& Open() {
        Windows = std::make_unique<TAppWindows>(&Dialogs, FStore.get());
        Window = Windows->frmMain.get();
        return *Window;
    }
    // Destroys the windows, the main window last, which saves the settings.
    void Close() {
        Window = nullptr;
        Windows.reset();
    }

    // Adds a sandbox host to the open window, connects it, shows its catalogue, makes the window
    // active and selects the host: where the command tests start.
    void ShowConnectedSandbox() {
        HostNode = Ui(*Window).Tree->AddHostNode(SandboxHost("sandbox"));
        ASSERT_TRUE(HostNode->Host()->Connect()) << HostNode->Host()->ErrorText();
        TNavigationTree::SetHostConnectedLook(HostNode, true);
        Ui(*Window).Tree->PopulateHost(HostNode);
        ShowActive();
        Ui(*Window).Tree->setCurrentItem(HostNode);
    }

    // Shows the open window as the active one, as a user's window is.
    void ShowActive() {
        Window->show();
        QApplication::setActiveWindow(Window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window));
    }

    template <class T> T* Find(const char* name) const {
        return Window->findChild<T*>(QLatin1String(name), Qt::FindChildrenRecursively);
    }
    QAction* Item(const char* name) const { return Find<QAction>(name); }

    TScriptedDialogs Dialogs;
    std::unique_ptr<TAppWindows> Windows;
    TfrmMain* Window = nullptr;
    TTreeNode* HostNode = nullptr;

private:
    QTemporaryDir FDir;
    std::unique_ptr<TRegistryStore> FStore;
};

// The tests of the query editor: the window open and active, the editor with the focus.
class EditorWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Open();
        ShowActive();
        Memo()->setFocus();
    }
    TColorMemo* Memo() const { return Ui(*Window).mmoIn; }
};
