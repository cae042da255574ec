#pragma once
// Shared set-up of the main-window tests: a window with scripted dialogs and a settings store in a
// temporary file of its own, so no test touches the user's settings or waits for a human.

#include "AppWindows.h"
#include "Dialogs.h"
#include "NavigationTree.h"
#include "Registry.h"
#include "main.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FStore = std::make_unique<TRegistryStore>(StoreFile());
    }
    void TearDown() override {
        Close();
        EXPECT_EQ(Dialogs.UnexpectedCount(), 0) << "a dialog was shown that the test did not expect";
    }

    QString StoreFile() const { return FDir.filePath(QStringLiteral("Korvana.reg")); }
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

    template <class T> T* Find(const char* name) const {
        return Window->findChild<T*>(QLatin1String(name), Qt::FindChildrenRecursively);
    }
    QAction* Item(const char* name) const { return Find<QAction>(name); }

    TScriptedDialogs Dialogs;
    std::unique_ptr<TAppWindows> Windows;
    TfrmMain* Window = nullptr;

private:
    QTemporaryDir FDir;
    std::unique_ptr<TRegistryStore> FStore;
};
