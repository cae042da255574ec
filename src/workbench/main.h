#pragma once
// The main window: the host and catalogue tree on the left, the SQL editor on the right, the
// result grid below them, tool bar on top and a single-text status bar at the bottom.
//
// Every named control is a public object with its design name as objectName, so the command code
// of the workbench and the tests reach it directly. Connection objects hang on the host nodes of
// Tree and belong to this window.

#include "GradForm.h"
#include "TreeNodes.h"

#include <QComboBox>
#include <QString>

#include <memory>
#include <vector>

class QAction;
class QCursor;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QSplitter;
class QStatusBar;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TColorMemo;
class TDatabases;
class TAboutBox;
class TDialogs;
class TfrmProperties;
class TFileDialog;
class TImageList;
class TMySql;
class TQueryHistory;
class TRegistryStore;
class TResult;
class TResultView;
class TfrmResult;
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
    // `dialogs`: where message boxes, the input box and file dialogs go (null: the real Qt ones);
    // `store`: the settings store to load from and save to (null: the user's own). Neither is
    // taken over. Construction runs FormCreate, destruction FormDestroy.
    explicit TfrmMain(TDialogs* dialogs = nullptr, TRegistryStore* store = nullptr, QWidget* parent = nullptr);
    ~TfrmMain() override;

    static QString VersionText() { return QStringLiteral("1.0.1.0"); }
    const QString& Version() const { return FVersion; }
    TDialogs& Dialogs() const { return *FDialogs; }
    TQueryHistory* History() const { return FHistory.get(); }

    // ---- query execution ----
    // Shows `Result` in lstOut and its summary on the status line, and sets the three export
    // commands; false when it was shown as an error, which ends a batch of statements.
    bool ShowResult(const TResult& Result);
    // The result window, made once with this window.
    TfrmResult* ResultWindow() const { return FResultWindow.get(); }
    // The database-busy cursor shown while statements run: an hourglass with "SQL" beneath it.
    static QCursor SqlBusyCursor();
    // ---- end of query execution ----

    // ---- status bar: one text, replaced by every command ----
    QString StatusText() const;
    // `repaintNow`: paint it at once, before a long call blocks the window.
    void SetStatusText(const QString& text, bool repaintNow = false);

    // ---- tree ----
    // Appends a top-level node for `host` (taken over): caption Name, images 0 / 1, state image 2.
    // The new node is not selected.
    TTreeNode* AddHostNode(std::unique_ptr<TMySql> host);
    // Appends the whole catalogue of the host's open connection below `hostNode`; nothing is read
    // from the server.
    void PopulateHost(TTreeNode* hostNode);
    // Folds `hostNode` and removes every node below it; a selection among them passes to it.
    void ClearHost(TTreeNode* hostNode);
    // State image 1 when connected, 2 when not.
    void SetHostConnectedLook(TTreeNode* hostNode, bool connected);
    // Removes `hostNode` with everything below it, then releases its connection object.
    void DeleteHostNode(TTreeNode* hostNode);
    // Host node captions follow the friendly names of their connection objects.
    void SyncHostCaptions();

    TTreeNode* SelectedNode() const;
    // The host node the selected node belongs to; null when nothing is selected.
    TTreeNode* SelectedHostNode() const;
    static TTreeNode* HostNodeOf(TTreeNode* node);
    // The connection object of the selection's host node; null when nothing is selected.
    TMySql* SelectedHost() const;
    std::vector<TTreeNode*> HostNodes() const;

    // Enabled state of a menu item as the commands set it. Qt reports a hidden item as disabled;
    // this keeps the state the item would have when shown (and that its shortcut follows).
    static void SetItemEnabled(QAction* item, bool enabled);
    static bool ItemEnabled(const QAction* item);

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
    QTreeWidget* Tree;
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

    // ---- host and database commands ----
    // The properties dialog: made with the window, reused by New host and Host properties; its
    // input errors go through Dialogs().
    TfrmProperties* frmProperties = MakePropertiesDialog(this);

    // The about box: made after the main window, whose version text it shows.
    TAboutBox* AboutBox = nullptr;

private:
    static TfrmProperties* MakePropertiesDialog(TfrmMain* owner);
    // Shows the properties dialog modally for `host`; true when it ended with OK.
    bool ShowProperties(TMySql* host);
    // Reads the host's catalogue again on its open connection and rebuilds its nodes from it.
    void RebuildFromNewCatalogue(TTreeNode* hostNode);
    // ---- end of host and database commands ----

public slots:
    // ---- tree events ----
    void TreeClick();
    void TreeChange();
    void TreeDblClick();

    // ==== Command handlers: each is filled in by the work on its command ====
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
    // Editor, files, about, exit
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void btnLoadSqlClick();
    void btnSaveSqlClick();
    void About1Click();
    void Exit1Click();
    // ==== end of command handlers ====

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

    void BuildMenus();
    void BuildToolBar();
    void BuildClientArea();
    void BuildStatusBar();
    void ConnectHandlers();
    void ApplyFonts();
    QToolButton* AddToolButton(const char* name, const QString& caption, const QString& hint, int glyph, bool enabled);
    void AddToolSeparator();
    QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption, bool enabled = true);
    // A shortcut that runs `item` only while it and its menu are enabled, visible or not.
    void BindShortcut(QAction* item, QMenu* menu, const QKeySequence& keys, QWidget* scope,
                      Qt::ShortcutContext context);
    class TPriorityKeys;
    bool PriorityShortcut(QObject* watched, QEvent* event);
    // Runs `item` when it and its menu are enabled; true when it ran.
    bool RunShortcut(QAction* item, QMenu* menu);
    void TreeContextMenu(const QPoint& pos);
    TTreeNode* AppendChild(TTreeNode* parent, TTreeNode* child, int image, int selected);

    QString FVersion;
    std::unique_ptr<TQueryHistory> FHistory;
    std::unique_ptr<TDialogs> FOwnDialogs;
    TDialogs* FDialogs;
    TRegistryStore* FStore;
    std::vector<std::unique_ptr<TMySql>> FConnections;
    QLabel* FStatusLabel = nullptr;
    bool FSwallowAltQ = false;
    QObject* FPriorityKeys = nullptr;
    static constexpr const char* EnabledProperty = "korvanaEnabled";

    // ---- query execution ----
    void AddHistoryEntry();
    void UpdateHistoryButtons();
    struct TResultWindowDeleter {
        void operator()(TfrmResult* window) const;
    };
    static std::unique_ptr<TfrmResult, TResultWindowDeleter> MakeResultWindow();
    std::unique_ptr<TfrmResult, TResultWindowDeleter> FResultWindow = MakeResultWindow();
    // ---- end of query execution ----

    // The encoding of the script loaded last, in which Save SQL writes the editor's text.
    TSqlEncoding FSqlEncoding{};
};
