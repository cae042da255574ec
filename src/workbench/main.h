#pragma once
// The main window: the host and catalogue tree on the left, the SQL editor on the right, the
// result grid below them, tool bar on top and a single-text status bar at the bottom.
//
// Every named control is a public object with its design name as objectName, so the command code
// of the workbench and the tests reach it directly. Made by TAppWindows, with the other windows.

#include "Commands.h"
#include "GradForm.h"

#include <QComboBox>
#include <QString>

#include <memory>

class QAction;
class QCursor;
class QFrame;
class QMenu;
class QMenuBar;
class QSplitter;
class QStatusBar;
class QToolBar;
class QToolButton;
class TAppWindows;
class TColorMemo;
class TAboutBox;
class TDialogs;
class TFileDialog;
class THostList;
class TImageList;
class TMySql;
class TNavigationTree;
class TQueryHistory;
class TRegistryStore;
class TResult;
class TResultView;
class TStatusLabel;
class TTreeNode;
enum class TSqlEncoding;

// A drop-down list that reports the opening of its list before it shows, so the list can be
// rebuilt just in time.
class TDropDownCombo : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void DropDown();
};

class TfrmMain : public TGradientForm {
    Q_OBJECT

public:
    // `windows`: the other windows of the program and the dialogs every window asks through;
    // `store`: the settings store to load from and save to (null: the user's own). Neither is
    // taken over. Construction runs FormCreate, destruction FormDestroy.
    TfrmMain(const TAppWindows& windows, TRegistryStore* store);
    ~TfrmMain() override;

    static QString VersionText() { return QStringLiteral("1.0.1.0"); }
    const QString& Version() const { return FVersion; }
    const TAppWindows& Windows() const { return FWindows; }
    TDialogs& Dialogs() const;
    TQueryHistory* History() const { return FHistory.get(); }

    // Shows `Result` in lstOut and its summary on the status line, and sets the export command;
    // false when it was shown as an error, which ends a batch of statements.
    bool ShowResult(const TResult& Result);
    // The database-busy cursor shown while statements run: an hourglass with "SQL" beneath it.
    static QCursor SqlBusyCursor();

    // The status bar: one text, replaced by every command.
    QString StatusText() const;
    // `repaintNow`: paint it at once, before a long call blocks the window.
    void SetStatusText(const QString& text, bool repaintNow = false);

    // Recomputes which commands are enabled, visible or checked from the selected node; changes
    // nothing while no node is selected.
    void UpdateCommandStates();

    // Inserts the selected table's or field's name into mmoIn (Insert name of a double click).
    void InsertSelectedName();
    // Drag and drop from the tree onto the editor: accepted for a drag started by Tree while a
    // table or field node is selected; the drop inserts as a double click does.
    bool mmoInDragOver(QObject* source) const;
    void mmoInDragDrop(QObject* source);

    // ---- controls, under their design names ----
    QWidget* Panel2;
    QFrame* CoolBar;
    QToolBar* ToolBar;
    QToolButton* btnConnect;
    QToolButton* btnDisconnect;
    QToolButton* btnSelectDb;
    QToolButton* btnCreateDb;
    QToolButton* btnDeleteDb;
    QToolButton* btnNew;
    QToolButton* btnProperties;
    QToolButton* btnDelete;
    QToolButton* btnMaximize;
    QToolButton* btnExportResult;
    QToolButton* btnLoadSql;
    QToolButton* btnSaveSql;
    QToolButton* btnPrev;
    QToolButton* btnNext;
    TDropDownCombo* cmbQueries;
    QToolButton* btnQuery;
    TNavigationTree* Tree;
    QSplitter* Splitter2;
    TColorMemo* mmoIn;
    QSplitter* Splitter1;
    QWidget* Panel1;
    TResultView* lstOut;
    QStatusBar* StatusBar;

    QMenuBar* MainMenu1;
    QMenu* mnuFile;
    QAction* mnuLoadSql;
    QAction* mnuSaveSql;
    QAction* mnuExportResult;
    QAction* mnuConnect;
    QAction* mnuDisconnect;
    QAction* Exit1;
    QMenu* mnuEdit;
    QAction* Cut1;
    QAction* Copy1;
    QAction* Paste1;
    QMenu* mnuHosts;
    QAction* mnuNewHost;
    QAction* mnuDelete;
    QAction* mnuProperties;
    QMenu* mnuDatabases;
    QAction* mnuSelectDb;
    QAction* mnuCreateDb;
    QAction* mnuDeleteDb;
    QMenu* mnuQueryMenu;
    QAction* mnuQuery;
    QAction* mnuQuery2;
    QAction* mnuShowDuration;
    QMenu* mnuView;
    QAction* mnuMaximize;
    QMenu* mnuHelp;
    QAction* About1;

    QMenu* popTree;
    QAction* popmnuConnect;
    QAction* popmnuDisconnect;
    QAction* N5;
    QAction* popmnuDescribeTable;
    QAction* popmnuTableSelect;
    QAction* popmnuFieldSelect;
    QAction* popmnuSelectDb;
    QAction* popmnuCreateDb;
    QAction* popmnuDeleteDb;
    QAction* popmnuNew;
    QAction* popmnuDelete;
    QAction* popmnuProperties;

    QMenu* popResult;
    QAction* popmnuExportResult;
    QAction* popmnuClearResult;
    QAction* popmnuMaximize;

    TFileDialog* dlgOpen;
    TFileDialog* dlgSave;

    TImageList* ImageList;
    TImageList* ImageListHot;
    TImageList* ImageListDisabled;
    TImageList* ImageListTree;

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

    // Query and results
    void btnQueryClick();
    void btnMaximizeClick();
    void popmnuClearResultClick();
    void btnExportResultClick();
    // Query history
    void btnPrevClick();
    void btnNextClick();
    void cmbQueriesDropDown();
    void cmbQueriesChange();
    // Hosts and databases
    void btnNewClick();
    void btnDeleteClick();
    void btnPropertiesClick();
    void btnConnectClick();
    void btnDisconnectClick();
    void btnSelectDbClick();
    void btnCreateDbClick();
    void btnDeleteDbClick();
    void popmnuDescribeTableClick();
    void popmnuTableSelectClick();
    void popmnuFieldSelectClick();
    void RunMenuStatement(const QString& statement);
    // Editor, files, about, exit
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void btnLoadSqlClick();
    void btnSaveSqlClick();
    void About1Click();
    void Exit1Click();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    // The one place that reads and writes the settings store.
    void LoadSettings();
    void SaveSettings();
    TRegistryStore& Store() const;

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
    QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption, bool enabled = true);

    // The command table: every command with its controls, shortcuts and handler.
    void WireCommands();
    void WireEvents();

    // After a command's server calls: when they found the connection gone, the host node is left
    // as Disconnect leaves it (not-connected look, no catalogue nodes) and the states follow.
    void ForgetLostConnection(TTreeNode* hostNode);
    // Shows the properties dialog modally for `host`; true when it ended with OK.
    bool ShowProperties(TMySql* host);
    // Before a statement: the grid and the closed result window let go of the shown result, so
    // the next one is built while the previous is released (ShowResult replaces the grid anyway).
    void ReleaseShownResult();
    void AddHistoryEntry();
    void UpdateHistoryButtons();

    struct TCommandSet {
        TCommand Connect, Disconnect, SelectDb, CreateDb, DeleteDb, NewHost, Properties, DeleteHost, Maximize,
            ExportResult, ClearResult, LoadSql, SaveSql, Previous, Next, Query, DescribeTable, TableSelect,
            FieldSelect, Cut, Copy, Paste, About, Exit;
    };

    const TAppWindows& FWindows;
    TRegistryStore* FStore;
    std::unique_ptr<THostList> FHostList; // what was loaded, so the save brings only this run's changes
    QString FVersion;
    std::unique_ptr<TQueryHistory> FHistory;
    TCommandSet FCmd;
    TCommands* FCommands = nullptr;
    TStatusLabel* FStatusLabel = nullptr;

    // The encoding of the script loaded last, in which Save SQL writes the editor's text.
    TSqlEncoding FSqlEncoding{};
};
