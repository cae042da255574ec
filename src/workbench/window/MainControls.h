#pragma once
// The main window's controls under their design names: what the window's layout makes and what
// its controllers work on. The window owns them (as Qt children); this only points at them. Tests
// and accessibility tools find each by its objectName, which is its design name.

#include <QStringList>

class QAction;
class QCheckBox;
class QLineEdit;
class QObject;
class QPushButton;
class QFrame;
class QMenu;
class QMenuBar;
class QSplitter;
class QStatusBar;
class QTabBar;
class QToolBar;
class QToolButton;
class QWidget;
class TColorMemo;
class TDropDownCombo;
class TFindBar;
class TFileDialog;
class TImageList;
class TNavigationTree;
class TResultView;

struct TMainControls {
    QWidget* Panel2 = nullptr;
    QFrame* CoolBar = nullptr;
    QToolBar* ToolBar = nullptr;
    QToolButton *btnConnect = nullptr, *btnDisconnect = nullptr;
    QToolButton *btnSelectDb = nullptr, *btnCreateDb = nullptr, *btnDeleteDb = nullptr;
    QToolButton *btnNew = nullptr, *btnProperties = nullptr, *btnDelete = nullptr;
    QToolButton *btnMaximize = nullptr, *btnExportResult = nullptr;
    QToolButton *btnLoadSql = nullptr, *btnSaveSql = nullptr;
    QToolButton *btnPrev = nullptr, *btnNext = nullptr;
    TDropDownCombo* cmbQueries = nullptr;
    QToolButton* btnQuery = nullptr;
    QWidget* TreePanel = nullptr; // the filter above the tree, in the splitter's left pane
    QLineEdit* txtTreeFilter = nullptr;
    TNavigationTree* Tree = nullptr;
    QSplitter* Splitter2 = nullptr;
    TColorMemo* mmoIn = nullptr;
    TFindBar* FindBar = nullptr; // below the editor and the tree, while open
    QLineEdit *txtFind = nullptr, *txtReplace = nullptr;
    QCheckBox *chkMatchCase = nullptr, *chkWholeWord = nullptr, *chkRegExp = nullptr;
    QPushButton *btnReplace = nullptr, *btnReplaceAll = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* Panel1 = nullptr;
    QTabBar* tabResults = nullptr; // one tab per result of the last run, above lstOut
    TResultView* lstOut = nullptr;
    QStatusBar* StatusBar = nullptr;

    QMenuBar* MainMenu1 = nullptr;
    QMenu* mnuFile = nullptr;
    QAction *mnuLoadSql = nullptr, *mnuSaveSql = nullptr, *mnuExportResult = nullptr;
    QAction* mnuRunSqlFile = nullptr;
    QAction *mnuConnect = nullptr, *mnuDisconnect = nullptr, *Exit1 = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction *Cut1 = nullptr, *Copy1 = nullptr, *Paste1 = nullptr;
    QAction *mnuToggleComment = nullptr, *mnuGotoLine = nullptr, *mnuComplete = nullptr;
    QAction *mnuFind = nullptr, *mnuReplace = nullptr, *mnuFindNext = nullptr, *mnuFindPrevious = nullptr;
    QMenu* mnuHosts = nullptr;
    QAction *mnuNewHost = nullptr, *mnuDelete = nullptr, *mnuProperties = nullptr;
    QMenu* mnuDatabases = nullptr;
    QAction *mnuSelectDb = nullptr, *mnuCreateDb = nullptr, *mnuDeleteDb = nullptr;
    QMenu* mnuQueryMenu = nullptr;
    QAction *mnuQuery = nullptr, *mnuQuery2 = nullptr, *mnuShowDuration = nullptr;
    QAction* mnuQueryCurrent = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuMaximize = nullptr;
    QAction* mnuLineNumbers = nullptr;
    QAction* mnuRefresh = nullptr;
    QAction* mnuFilterTree = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* About1 = nullptr;

    QMenu* popTree = nullptr;
    QAction *popmnuConnect = nullptr, *popmnuDisconnect = nullptr, *N5 = nullptr;
    QAction *popmnuDescribeTable = nullptr, *popmnuTableSelect = nullptr, *popmnuFieldSelect = nullptr;
    QAction *popmnuSelectDb = nullptr, *popmnuCreateDb = nullptr, *popmnuDeleteDb = nullptr;
    QAction* popmnuRefresh = nullptr;
    QAction *popmnuNew = nullptr, *popmnuDelete = nullptr, *popmnuProperties = nullptr;

    QMenu* popResult = nullptr;
    QAction *popmnuExportResult = nullptr, *popmnuClearResult = nullptr, *popmnuMaximize = nullptr;
    QAction *popmnuCopyRows = nullptr, *popmnuCopyWithNames = nullptr, *popmnuCopyAsInsert = nullptr;

    TFileDialog *dlgOpen = nullptr, *dlgSave = nullptr;
    TImageList *ImageList = nullptr, *ImageListHot = nullptr, *ImageListDisabled = nullptr;
    TImageList* ImageListTree = nullptr;

    // The controls of `window` found by their design names, as tests and tools reach them; the
    // names of any not found are added to `missing`.
    static TMainControls Find(const QObject& window, QStringList* missing = nullptr);
};
