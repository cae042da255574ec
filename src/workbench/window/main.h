#pragma once
// The main window: the host and catalogue tree on the left, the SQL editor on the right, the
// result grid below them, tool bar on top and a single-text status bar at the bottom.
//
// The window keeps its layout and designed controls (each a real object whose objectName is its
// design name, found with findChild), the tree, the command table and the command-state rule.
// The commands themselves live in controllers, one for each family. Made by TAppWindows, with the
// other windows.

#include "chrome/GradForm.h"
#include "workbench/window/CommandSet.h"
#include "workbench/window/MainControls.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QToolButton;
class TAppWindows;
class TCompletionController;
class TDialogs;
class TDraftController;
class TEditController;
class TFindController;
class THostController;
class THostList;
class TQueryController;
class TQueryHistory;
class TRegistryStore;
class TResultController;
class TRunSqlFileController;
class TSqlFileController;
class TMySql;
class TStatusLabel;
class TTreeNode;

class TfrmMain : public TGradientForm {
    Q_OBJECT

public:
    // `windows`: the other windows of the program and the dialogs every window asks through;
    // `store`: the settings store to load from and save to (null: the user's own). Neither is
    // taken over. Construction runs FormCreate, destruction FormDestroy.
    TfrmMain(const TAppWindows& windows, TRegistryStore* store);
    ~TfrmMain() override;

    static QString VersionText();
    const QString& Version() const { return FVersion; }
    const TAppWindows& Windows() const { return FWindows; }
    TDialogs& Dialogs() const;
    TQueryHistory* History() const { return FHistory.get(); }

    // The families of commands.
    THostController& Hosts() const { return *FHosts; }
    TQueryController& Queries() const { return *FQueries; }
    TResultController& Results() const { return *FResults; }
    TSqlFileController& SqlFiles() const { return *FSqlFiles; }
    TEditController& Editing() const { return *FEditing; }
    TCompletionController& Completion() const { return *FCompletion; }
    TFindController& Finding() const { return *FFinding; }
    // The editor's draft and the history, kept across exits.
    TDraftController& Drafts() const { return *FDrafts; }

    // Reads `host`'s password from the desktop keyring when it is kept there and not read yet; empty,
    // or why the keyring could not be read.
    std::string ReadKeptPassword(TMySql& host);

    // The status bar: one text, replaced by every command.
    QString StatusText() const;
    // `repaintNow`: paint it at once, before a long call blocks the window.
    void SetStatusText(const QString& text, bool repaintNow = false);

    // Recomputes which commands are enabled, visible or checked from the selected node; changes
    // nothing while no node is selected.
    void UpdateCommandStates();
    // After a command's server calls: when they found the connection gone, the host node is left
    // as Disconnect leaves it (not-connected look, no catalogue nodes) and the states follow.
    void ForgetLostConnection(TTreeNode* hostNode);

    // Results whose rows pass the memory budget keep them in a file in this folder (the user's
    // cache folder); the budget when "result memory" is not set: a quarter of the physical memory,
    // at most 4 GiB.
    static QString ResultSpillFolder();
    static std::uint64_t DefaultResultMemory();

    // Designed sizes.
    static constexpr int DesignClientWidth = 772;
    static constexpr int DesignClientHeight = 534;
    static constexpr int TreeWidth = 167;
    static constexpr int LowerPanelHeight = 184;
    static constexpr int SplitterWidth = 3;

public slots:
    void TreeClick();
    void TreeChange();
    void TreeDblClick();
    void About1Click();
    void Exit1Click();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    // The one place that reads and writes the settings store.
    void LoadSettings();
    void SaveSettings();
    TRegistryStore& Store() const;
    // Sets the budget from the stored megabytes (missing or 0: the default).
    void UseResultMemory(std::optional<std::uint32_t> megabytes);

    // The window's layout (MainLayout.cpp).
    void BuildLayout();
    void BuildImageLists();
    void BuildMenus();
    void BuildToolBar();
    void BuildClientArea();
    void BuildStatusBar();
    QToolButton* AddToolButton(const char* name, const QString& caption, const QString& hint, int glyph,
                               bool enabled);
    void AddToolSeparator();

    // The command table: every command with its controls, shortcuts and handler.
    void WireCommands();
    void WireEvents();

    const TAppWindows& FWindows;
    TRegistryStore* FStore;
    TMainControls FUi;
    TCommandSet FCmd;
    std::unique_ptr<THostList> FHostList; // what was loaded, so the save brings only this run's changes
    QString FVersion;
    std::unique_ptr<TQueryHistory> FHistory;
    std::unique_ptr<THostController> FHosts;
    std::unique_ptr<TQueryController> FQueries;
    std::unique_ptr<TResultController> FResults;
    std::unique_ptr<TSqlFileController> FSqlFiles;
    std::unique_ptr<TEditController> FEditing;
    std::unique_ptr<TCompletionController> FCompletion;
    std::unique_ptr<TFindController> FFinding;
    std::unique_ptr<TDraftController> FDrafts;
    std::unique_ptr<TRunSqlFileController> FRunSqlFiles;
    TCommands* FCommands = nullptr;
    bool FLineNumbersAtStart = true; // as loaded, so the save writes the choice only once it changed
    TStatusLabel* FStatusLabel = nullptr;
};
