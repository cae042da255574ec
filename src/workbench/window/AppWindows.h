#pragma once
// The program's windows, made once each in their designed order and alive until the end: the
// main window first (it loads the settings as it is made), the properties dialog, the about box,
// the result window, the export-options dialog and the progress window of Run SQL file. Destroyed in reverse,
// so the main window goes last and saves the settings.

#include <memory>

class TAboutBox;
class TDialogs;
class TfrmMain;
class TfrmProperties;
class TfrmResult;
class TfrmExportResult;
class TfrmRunSqlFile;
class TRegistryStore;
class TSshPrompt;

class TAppWindows {
public:
    // `dialogs`: where every window's message boxes, input box and file dialogs go (null: the real
    // Qt ones); `store`: the settings store (null: the user's own). Neither is taken over.
    explicit TAppWindows(TDialogs* dialogs = nullptr, TRegistryStore* store = nullptr);
    ~TAppWindows();
    TAppWindows(const TAppWindows&) = delete;
    TAppWindows& operator=(const TAppWindows&) = delete;

    TDialogs& Dialogs() const { return *FDialogs; }

private:
    std::unique_ptr<TDialogs> FOwnDialogs;
    TDialogs* FDialogs;
    std::unique_ptr<TSshPrompt> FSshPrompt;

public:
    // In the order they are made.
    std::unique_ptr<TfrmMain> frmMain;
    std::unique_ptr<TfrmProperties> frmProperties;
    std::unique_ptr<TAboutBox> AboutBox;
    std::unique_ptr<TfrmResult> frmResult;
    std::unique_ptr<TfrmExportResult> frmExportResult;
    std::unique_ptr<TfrmRunSqlFile> frmRunSqlFile;
};
