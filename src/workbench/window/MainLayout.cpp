// The main window's layout: image lists, file dialogs, menus, tool bar, client area and status
// bar, with their design names, captions and initial states.

#include "workbench/window/main.h"

#include "workbench/window/DropDownCombo.h"

#include "editor/ColorMemo.h"
#include "sql/SqlCode.h"
#include "sql/SqlRules.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/window/FindBar.h"
#include "workbench/window/Glyphs.h"
#include "workbench/window/StatusLabel.h"
#include "workbench/window/WindowFonts.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A column layout without margins or spacing: the panels sit edge to edge as designed.
QVBoxLayout* TightColumn(QWidget* widget) {
    auto* column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    return column;
}

// The selection stays highlighted when the view loses the focus.
void KeepSelectionVisible(QWidget* view) {
    QPalette pal = view->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(pal);
}

QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption, bool enabled = true) {
    auto* a = new QAction(caption, menu);
    a->setObjectName(QLatin1String(name));
    TCommand::SetItemEnabled(a, enabled);
    menu->addAction(a);
    return a;
}

} // namespace

void TfrmMain::BuildLayout() {
    setWindowIcon(QIcon(QStringLiteral(":/korvana/korvana.svg")));
    // One font for every window of the program; the editor and the history list set their own
    // fonts when they are made.
    UseWindowFont();
    BuildImageLists();
    BuildMenus();
    BuildToolBar();
    BuildClientArea();
    BuildStatusBar();
    // The designed client area (772 by 534) lies below the menu bar, inside frame and caption bar.
    const QMargins frame = NonClientMargins();
    resize(DesignClientWidth + frame.left() + frame.right(),
           DesignClientHeight + FUi.MainMenu1->sizeHint().height() + frame.top() + frame.bottom());
}

void TfrmMain::BuildImageLists() {
    const QStringList tool = TImageList::ToolGlyphFiles();
    FUi.ImageList = new TImageList(QStringLiteral("ImageList"), tool, TImageList::Normal, this);
    FUi.ImageListHot = new TImageList(QStringLiteral("ImageListHot"), tool, TImageList::Hot, this);
    FUi.ImageListDisabled =
        new TImageList(QStringLiteral("ImageListDisabled"), tool, TImageList::Disabled, this);
    FUi.ImageListTree = new TImageList(QStringLiteral("ImageListTree"), TImageList::TreeImageFiles(),
                                       TImageList::Normal, this);
    FUi.dlgOpen = new TFileDialog(TFileDialog::Open, QStringLiteral("dlgOpen"), this);
    FUi.dlgOpen->HideReadOnly = true;
    FUi.dlgOpen->PathMustExist = true;
    FUi.dlgOpen->FileMustExist = true;
    FUi.dlgSave = new TFileDialog(TFileDialog::Save, QStringLiteral("dlgSave"), this);
    FUi.dlgSave->OverwritePrompt = true;
    FUi.dlgSave->HideReadOnly = true;
    FUi.dlgSave->CreatePrompt = true;
}

void TfrmMain::BuildMenus() {
    FUi.MainMenu1 = new QMenuBar(this);
    FUi.MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    setMenuBar(FUi.MainMenu1);

    auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = FUi.MainMenu1->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };

    FUi.mnuFile = menu("mnuFile", QStringLiteral("&File"));
    FUi.mnuLoadSql = AddMenuItem(FUi.mnuFile, "mnuLoadSql", QStringLiteral("&Load SQL from file"));
    FUi.mnuSaveSql = AddMenuItem(FUi.mnuFile, "mnuSaveSql", QStringLiteral("&Save SQL to file"));
    FUi.mnuRunSqlFile =
        AddMenuItem(FUi.mnuFile, "mnuRunSqlFile", QStringLiteral("&Run SQL file\u2026"), false);
    FUi.mnuExportResult =
        AddMenuItem(FUi.mnuFile, "mnuExportResult", QStringLiteral("&Export Result to file"), false);
    FUi.mnuFile->addSeparator();
    FUi.mnuConnect = AddMenuItem(FUi.mnuFile, "mnuConnect", QStringLiteral("&Connect"));
    FUi.mnuDisconnect = AddMenuItem(FUi.mnuFile, "mnuDisconnect", QStringLiteral("D&isconnect"), false);
    FUi.mnuFile->addSeparator();
    FUi.Exit1 = AddMenuItem(FUi.mnuFile, "Exit1", QStringLiteral("E&xit"));

    FUi.mnuEdit = menu("mnuEdit", QStringLiteral("&Edit"));
    FUi.Cut1 = AddMenuItem(FUi.mnuEdit, "Cut1", QStringLiteral("Cu&t"));
    FUi.Copy1 = AddMenuItem(FUi.mnuEdit, "Copy1", QStringLiteral("&Copy"));
    FUi.Paste1 = AddMenuItem(FUi.mnuEdit, "Paste1", QStringLiteral("&Paste"));
    FUi.mnuEdit->addSeparator();
    FUi.mnuToggleComment =
        AddMenuItem(FUi.mnuEdit, "mnuToggleComment", QStringLiteral("Toggle line co&mment"));
    FUi.mnuGotoLine = AddMenuItem(FUi.mnuEdit, "mnuGotoLine", QStringLiteral("&Go to line\u2026"));
    FUi.mnuComplete = AddMenuItem(FUi.mnuEdit, "mnuComplete", QStringLiteral("Show comp&letions"));
    FUi.mnuEdit->addSeparator();
    FUi.mnuFind = AddMenuItem(FUi.mnuEdit, "mnuFind", QStringLiteral("&Find\u2026"));
    FUi.mnuReplace = AddMenuItem(FUi.mnuEdit, "mnuReplace", QStringLiteral("R&eplace\u2026"));
    FUi.mnuFindNext = AddMenuItem(FUi.mnuEdit, "mnuFindNext", QStringLiteral("Find &next"));
    FUi.mnuFindPrevious = AddMenuItem(FUi.mnuEdit, "mnuFindPrevious", QStringLiteral("Find p&revious"));

    FUi.mnuHosts = menu("mnuHosts", QStringLiteral("&Hosts"));
    FUi.mnuNewHost = AddMenuItem(FUi.mnuHosts, "mnuNewHost", QStringLiteral("&New Host"));
    FUi.mnuDelete = AddMenuItem(FUi.mnuHosts, "mnuDelete", QStringLiteral("&Delete"), false);
    FUi.mnuProperties = AddMenuItem(FUi.mnuHosts, "mnuProperties", QStringLiteral("&Properties"), false);

    FUi.mnuDatabases = menu("mnuDatabases", QStringLiteral("&Databases"));
    FUi.mnuSelectDb = AddMenuItem(FUi.mnuDatabases, "mnuSelectDb", QStringLiteral("&Select Database"), false);
    FUi.mnuSelectDb->setCheckable(true);
    FUi.mnuCreateDb = AddMenuItem(FUi.mnuDatabases, "mnuCreateDb", QStringLiteral("&Create Database"), false);
    FUi.mnuDeleteDb = AddMenuItem(FUi.mnuDatabases, "mnuDeleteDb", QStringLiteral("&Drop Database"), false);

    FUi.mnuQueryMenu = menu("mnuQueryMenu", QStringLiteral("&Query"));
    FUi.mnuQuery = AddMenuItem(FUi.mnuQueryMenu, "mnuQuery", QStringLiteral("&Query"), false);
    FUi.mnuQueryCurrent =
        AddMenuItem(FUi.mnuQueryMenu, "mnuQueryCurrent", QStringLiteral("Query &current statement"), false);
    FUi.mnuQuery2 = AddMenuItem(FUi.mnuQueryMenu, "mnuQuery2", QStringLiteral("Query2"), false);
    FUi.mnuQuery2->setVisible(false);
    FUi.mnuShowDuration = AddMenuItem(FUi.mnuQueryMenu, "mnuShowDuration", QStringLiteral("Show &Duration"));
    FUi.mnuShowDuration->setCheckable(true);
    FUi.mnuShowDuration->setChecked(true);

    FUi.mnuView = menu("mnuView", QStringLiteral("&View"));
    FUi.mnuMaximize = AddMenuItem(FUi.mnuView, "mnuMaximize", QStringLiteral("&Maximize result"));
    FUi.mnuLineNumbers = AddMenuItem(FUi.mnuView, "mnuLineNumbers", QStringLiteral("&Line numbers"));
    FUi.mnuRefresh = AddMenuItem(FUi.mnuView, "mnuRefresh", QStringLiteral("&Refresh"), false);
    FUi.mnuFilterTree = AddMenuItem(FUi.mnuView, "mnuFilterTree", QStringLiteral("&Filter tables"));
    FUi.mnuLineNumbers->setCheckable(true);
    FUi.mnuLineNumbers->setChecked(true);

    FUi.mnuHelp = menu("mnuHelp", QStringLiteral("&Help"));
    FUi.About1 = AddMenuItem(FUi.mnuHelp, "About1", QStringLiteral("&About"));

    FUi.popTree = new QMenu(this);
    FUi.popTree->setObjectName(QStringLiteral("popTree"));
    FUi.popmnuConnect = AddMenuItem(FUi.popTree, "popmnuConnect", QStringLiteral("&Connect"));
    FUi.popmnuDisconnect = AddMenuItem(FUi.popTree, "popmnuDisconnect", QStringLiteral("D&isconnect"), false);
    FUi.N5 = FUi.popTree->addSeparator();
    FUi.N5->setObjectName(QStringLiteral("N5"));
    FUi.popmnuDescribeTable =
        AddMenuItem(FUi.popTree, "popmnuDescribeTable", QStringLiteral("&Describe table"));
    FUi.popmnuDescribeTable->setVisible(false);
    FUi.popmnuTableSelect =
        AddMenuItem(FUi.popTree, "popmnuTableSelect", QStringLiteral("SELECT * FROM <table>"));
    FUi.popmnuTableSelect->setVisible(false);
    FUi.popmnuFieldSelect =
        AddMenuItem(FUi.popTree, "popmnuFieldSelect", QStringLiteral("SELECT <field> FROM <table>"));
    FUi.popmnuFieldSelect->setVisible(false);
    FUi.popTree->addSeparator();
    FUi.popmnuSelectDb =
        AddMenuItem(FUi.popTree, "popmnuSelectDb", QStringLiteral("&Select database"), false);
    FUi.popmnuSelectDb->setCheckable(true);
    FUi.popmnuCreateDb =
        AddMenuItem(FUi.popTree, "popmnuCreateDb", QStringLiteral("C&reate database"), false);
    FUi.popmnuDeleteDb =
        AddMenuItem(FUi.popTree, "popmnuDeleteDb", QStringLiteral("D&elete database"), false);
    FUi.popTree->addSeparator();
    FUi.popmnuRefresh = AddMenuItem(FUi.popTree, "popmnuRefresh", QStringLiteral("&Refresh"), false);
    FUi.popTree->addSeparator();
    FUi.popmnuNew = AddMenuItem(FUi.popTree, "popmnuNew", QStringLiteral("&New"));
    FUi.popmnuDelete = AddMenuItem(FUi.popTree, "popmnuDelete", QStringLiteral("&Delete"), false);
    FUi.popmnuProperties = AddMenuItem(FUi.popTree, "popmnuProperties", QStringLiteral("&Properties"), false);

    FUi.popResult = new QMenu(this);
    FUi.popResult->setObjectName(QStringLiteral("popResult"));
    FUi.popmnuExportResult =
        AddMenuItem(FUi.popResult, "popmnuExportResult", QStringLiteral("&Export result"), false);
    FUi.popmnuClearResult = AddMenuItem(FUi.popResult, "popmnuClearResult", QStringLiteral("&Clear result"));
    FUi.popmnuMaximize = AddMenuItem(FUi.popResult, "popmnuMaximize", QStringLiteral("&Maximize result"));
    FUi.popResult->setDefaultAction(FUi.popmnuMaximize); // drawn bold
    // Copying the selected rows, beside the designed items; enabled once rows are selected.
    FUi.popResult->addSeparator();
    FUi.popmnuCopyRows = AddMenuItem(FUi.popResult, "popmnuCopyRows", QStringLiteral("&Copy"), false);
    // Shown only: Ctrl+C reaches the rows through the Edit menu's Copy while the grid has the focus.
    FUi.popmnuCopyRows->setShortcut(QKeySequence::Copy);
    FUi.popmnuCopyRows->setShortcutContext(Qt::WidgetShortcut);
    FUi.popmnuCopyWithNames =
        AddMenuItem(FUi.popResult, "popmnuCopyWithNames", QStringLiteral("Copy with column &names"), false);
    FUi.popmnuCopyAsInsert =
        AddMenuItem(FUi.popResult, "popmnuCopyAsInsert", QStringLiteral("Copy as &INSERT statements"), false);
}

QToolButton* TfrmMain::AddToolButton(const char* name, const QString& caption, const QString& hint, int glyph,
                                     bool enabled) {
    auto* b = new QToolButton(FUi.ToolBar);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setIcon(TImageList::ToolIcon(*FUi.ImageList, *FUi.ImageListHot, *FUi.ImageListDisabled, glyph));
    b->setIconSize(QSize(16, 16));
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(23, 22);
    b->setEnabled(enabled);
    b->setProperty("glyphIndex", glyph);
    FUi.ToolBar->addWidget(b);
    return b;
}

void TfrmMain::AddToolSeparator() {
    auto* sep = new QFrame(FUi.ToolBar);
    sep->setFrameShape(QFrame::VLine);
    sep->setFrameShadow(QFrame::Sunken);
    sep->setFixedSize(8, 18);
    FUi.ToolBar->addWidget(sep);
}

void TfrmMain::BuildToolBar() {
    FUi.ToolBar = new QToolBar;
    FUi.ToolBar->setObjectName(QStringLiteral("ToolBar"));
    FUi.ToolBar->setMovable(false);
    FUi.ToolBar->setFloatable(false);
    FUi.ToolBar->setIconSize(QSize(16, 16));
    FUi.ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    FUi.ToolBar->setContentsMargins(0, 0, 0, 0);
    FUi.ToolBar->layout()->setSpacing(0);

    FUi.btnConnect =
        AddToolButton("btnConnect", QStringLiteral("Connect"), QStringLiteral("Connect"), 1, false);
    FUi.btnDisconnect =
        AddToolButton("btnDisconnect", QStringLiteral("Disconnect"), QStringLiteral("Disconnect"), 2, false);
    AddToolSeparator();
    FUi.btnSelectDb = AddToolButton("btnSelectDb", QStringLiteral("Select Databse"),
                                    QStringLiteral("Select Database"), 6, false);
    FUi.btnSelectDb->setCheckable(true);
    FUi.btnCreateDb = AddToolButton("btnCreateDb", QStringLiteral("Create database"),
                                    QStringLiteral("Create database"), 7, false);
    FUi.btnDeleteDb = AddToolButton("btnDeleteDb", QStringLiteral("Drop database"),
                                    QStringLiteral("Drop database"), 8, false);
    AddToolSeparator();
    FUi.btnNew = AddToolButton("btnNew", QStringLiteral("New"), QStringLiteral("New Host"), 4, true);
    FUi.btnProperties =
        AddToolButton("btnProperties", QStringLiteral("Properties"), QStringLiteral("Properties"), 0, false);
    FUi.btnDelete = AddToolButton("btnDelete", QStringLiteral("Delete"), QStringLiteral("Delete"), 3, false);
    AddToolSeparator();
    FUi.btnMaximize = AddToolButton("btnMaximize", QStringLiteral("Maximize Result"),
                                    QStringLiteral("Maximize Result"), 9, true);
    FUi.btnExportResult = AddToolButton("btnExportResult", QStringLiteral("Export result"),
                                        QStringLiteral("Export Result"), 12, false);
    AddToolSeparator();
    FUi.btnLoadSql =
        AddToolButton("btnLoadSql", QStringLiteral("Load SQL"), QStringLiteral("Load SQL"), 14, true);
    FUi.btnSaveSql =
        AddToolButton("btnSaveSql", QStringLiteral("Save SQL"), QStringLiteral("Save SQL"), 13, true);
    AddToolSeparator();
    FUi.btnPrev = AddToolButton("btnPrev", QStringLiteral("Previous"), QStringLiteral("Previous"), 10, false);
    FUi.btnNext = AddToolButton("btnNext", QStringLiteral("Next"), QStringLiteral("Next"), 11, false);
    FUi.cmbQueries = new TDropDownCombo(FUi.ToolBar);
    FUi.cmbQueries->setObjectName(QStringLiteral("cmbQueries"));
    FUi.cmbQueries->setEditable(false);
    FUi.cmbQueries->setFixedWidth(145);
    FUi.cmbQueries->setFont(HistoryFont());
    FUi.cmbQueries->setEnabled(false);
    FUi.cmbQueries->setFocusPolicy(Qt::ClickFocus);
    FUi.ToolBar->addWidget(FUi.cmbQueries);
    AddToolSeparator();
    FUi.btnQuery = AddToolButton("btnQuery", QStringLiteral("Query"), QStringLiteral("Query"), 5, false);
}

void TfrmMain::BuildClientArea() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* outer = TightColumn(central);

    FUi.Splitter1 = new QSplitter(Qt::Vertical, central);
    FUi.Splitter1->setObjectName(QStringLiteral("Splitter1"));
    FUi.Splitter1->setHandleWidth(SplitterWidth);
    FUi.Splitter1->setChildrenCollapsible(false);
    outer->addWidget(FUi.Splitter1);

    FUi.Panel2 = new QWidget(FUi.Splitter1);
    FUi.Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* upper = TightColumn(FUi.Panel2);

    FUi.CoolBar = new QFrame(FUi.Panel2);
    FUi.CoolBar->setObjectName(QStringLiteral("CoolBar"));
    FUi.CoolBar->setFrameShape(QFrame::StyledPanel);
    FUi.CoolBar->setFrameShadow(QFrame::Raised);
    FUi.CoolBar->setFixedHeight(29);
    auto* band = new QHBoxLayout(FUi.CoolBar);
    band->setContentsMargins(2, 1, 2, 1);
    band->setSpacing(0);
    FUi.ToolBar->setParent(FUi.CoolBar);
    band->addWidget(FUi.ToolBar);
    band->addStretch(1);
    upper->addWidget(FUi.CoolBar);

    FUi.Splitter2 = new QSplitter(Qt::Horizontal, FUi.Panel2);
    FUi.Splitter2->setObjectName(QStringLiteral("Splitter2"));
    FUi.Splitter2->setHandleWidth(SplitterWidth);
    FUi.Splitter2->setChildrenCollapsible(false);
    upper->addWidget(FUi.Splitter2, 1);

    // The tree's pane: the filter line above the tree itself.
    FUi.TreePanel = new QWidget(FUi.Splitter2);
    FUi.TreePanel->setObjectName(QStringLiteral("TreePanel"));
    auto* treeColumn = TightColumn(FUi.TreePanel);
    // Made before the filter, so the tree stays first in the focus chain.
    FUi.Tree = new TNavigationTree(*FUi.ImageListTree, *FUi.ImageList, FUi.TreePanel);
    FUi.txtTreeFilter = new QLineEdit(FUi.TreePanel);
    FUi.txtTreeFilter->setObjectName(QStringLiteral("txtTreeFilter"));
    FUi.txtTreeFilter->setPlaceholderText(QStringLiteral("Filter tables"));
    FUi.txtTreeFilter->setClearButtonEnabled(true);
    FUi.txtTreeFilter->setToolTip(QStringLiteral("Filter tables (Ctrl+Shift+F); Esc clears"));
    auto* clearFilter = new QAction(FUi.txtTreeFilter);
    clearFilter->setShortcut(Qt::Key_Escape);
    clearFilter->setShortcutContext(Qt::WidgetShortcut);
    connect(clearFilter, &QAction::triggered, FUi.txtTreeFilter, &QLineEdit::clear);
    FUi.txtTreeFilter->addAction(clearFilter);
    treeColumn->addWidget(FUi.txtTreeFilter);
    treeColumn->addWidget(FUi.Tree, 1);
    FUi.Tree->SetPopupMenu(FUi.popTree);
    KeepSelectionVisible(FUi.Tree);

    FUi.mmoIn = new TColorMemo(FUi.Splitter2);
    FUi.mmoIn->setObjectName(QStringLiteral("mmoIn"));
    FUi.mmoIn->setFont(EditorFont());
    // The query editor: tabs are text, every change repaints, the SQL colours on the window colour.
    FUi.mmoIn->SetWantTabs(true);
    FUi.mmoIn->setKeepIndent(true);
    FUi.mmoIn->SetRedrawAlways(true);
    FUi.mmoIn->SetColorLimMax(0);
    FUi.mmoIn->SetHotSpot(THotSpot{});
    FUi.mmoIn->SetColor(clWindow);
    AddSqlRules(FUi.mmoIn->ColorRules());
    FUi.mmoIn->SetLineNumbers(true);
    FUi.mmoIn->SetBracketMatching(true, &MarkSqlCode);

    // Below the tree and the editor, closed until Find or Replace opens it.
    FUi.FindBar = new TFindBar(FUi.Panel2);
    FUi.FindBar->hide();
    upper->addWidget(FUi.FindBar);
    FUi.txtFind = FUi.FindBar->txtFind;
    FUi.txtReplace = FUi.FindBar->txtReplace;
    FUi.chkMatchCase = FUi.FindBar->chkMatchCase;
    FUi.chkWholeWord = FUi.FindBar->chkWholeWord;
    FUi.chkRegExp = FUi.FindBar->chkRegExp;
    FUi.btnReplace = FUi.FindBar->btnReplace;
    FUi.btnReplaceAll = FUi.FindBar->btnReplaceAll;

    FUi.Splitter2->setStretchFactor(0, 0);
    FUi.Splitter2->setStretchFactor(1, 1);
    FUi.Splitter2->setSizes({TreeWidth, DesignClientWidth - TreeWidth - SplitterWidth});

    FUi.Panel1 = new QWidget(FUi.Splitter1);
    FUi.Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* lower = TightColumn(FUi.Panel1);
    FUi.tabResults = new QTabBar(FUi.Panel1);
    FUi.tabResults->setObjectName(QStringLiteral("tabResults"));
    FUi.tabResults->setDocumentMode(true);
    FUi.tabResults->setExpanding(false);
    FUi.tabResults->setElideMode(Qt::ElideRight);
    FUi.tabResults->setUsesScrollButtons(true);
    FUi.tabResults->setFocusPolicy(Qt::NoFocus);
    FUi.tabResults->setVisible(false); // shown while a run has more than one result
    lower->addWidget(FUi.tabResults);
    FUi.lstOut = new TResultView(FUi.Panel1);
    FUi.lstOut->setObjectName(QStringLiteral("lstOut"));
    FUi.lstOut->setContextMenuPolicy(Qt::CustomContextMenu);
    FUi.lstOut->setMouseTracking(true); // hot tracking
    KeepSelectionVisible(FUi.lstOut);
    lower->addWidget(FUi.lstOut);

    FUi.Splitter1->setStretchFactor(0, 1);
    FUi.Splitter1->setStretchFactor(1, 0);
    FUi.Splitter1->setSizes({DesignClientHeight - LowerPanelHeight - SplitterWidth - 19, LowerPanelHeight});

    setCentralWidget(central);
}

void TfrmMain::BuildStatusBar() {
    FUi.StatusBar = new QStatusBar(this);
    FUi.StatusBar->setObjectName(QStringLiteral("StatusBar"));
    FUi.StatusBar->setFixedHeight(19);
    FStatusLabel = new TStatusLabel(FUi.StatusBar);
    FStatusLabel->setObjectName(QStringLiteral("StatusText"));
    FUi.StatusBar->addWidget(FStatusLabel, 1);
    setStatusBar(FUi.StatusBar);
}
