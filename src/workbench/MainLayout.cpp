// The main window's layout: image lists, file dialogs, menus, tool bar, client area and status
// bar, with their design names, captions and initial states.

#include "main.h"

#include "ColorMemo.h"
#include "Dialogs.h"
#include "Glyphs.h"
#include "NavigationTree.h"
#include "ResultModel.h"
#include "SqlRules.h"
#include "StatusLabel.h"
#include "WindowFonts.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
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
           DesignClientHeight + MainMenu1->sizeHint().height() + frame.top() + frame.bottom());
}

void TfrmMain::BuildImageLists() {
    const QStringList tool = TImageList::ToolGlyphFiles();
    ImageList = new TImageList(QStringLiteral("ImageList"), tool, TImageList::Normal, this);
    ImageListHot = new TImageList(QStringLiteral("ImageListHot"), tool, TImageList::Hot, this);
    ImageListDisabled = new TImageList(QStringLiteral("ImageListDisabled"), tool, TImageList::Disabled, this);
    ImageListTree = new TImageList(QStringLiteral("ImageListTree"), TImageList::TreeImageFiles(),
                                   TImageList::Normal, this);
    dlgOpen = new TFileDialog(TFileDialog::Open, QStringLiteral("dlgOpen"), this);
    dlgOpen->HideReadOnly = true;
    dlgOpen->PathMustExist = true;
    dlgOpen->FileMustExist = true;
    dlgSave = new TFileDialog(TFileDialog::Save, QStringLiteral("dlgSave"), this);
    dlgSave->OverwritePrompt = true;
    dlgSave->HideReadOnly = true;
    dlgSave->CreatePrompt = true;
}

QAction* TfrmMain::AddMenuItem(QMenu* menu, const char* name, const QString& caption, bool enabled) {
    auto* a = new QAction(caption, menu);
    a->setObjectName(QLatin1String(name));
    TCommand::SetItemEnabled(a, enabled);
    menu->addAction(a);
    return a;
}

void TfrmMain::BuildMenus() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    setMenuBar(MainMenu1);

    auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = MainMenu1->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };

    mnuFile = menu("mnuFile", QStringLiteral("&File"));
    mnuLoadSql = AddMenuItem(mnuFile, "mnuLoadSql", QStringLiteral("&Load SQL from file"));
    mnuSaveSql = AddMenuItem(mnuFile, "mnuSaveSql", QStringLiteral("&Save SQL to file"));
    mnuExportResult =
        AddMenuItem(mnuFile, "mnuExportResult", QStringLiteral("&Export Result to file"), false);
    mnuFile->addSeparator();
    mnuConnect = AddMenuItem(mnuFile, "mnuConnect", QStringLiteral("&Connect"));
    mnuDisconnect = AddMenuItem(mnuFile, "mnuDisconnect", QStringLiteral("D&isconnect"), false);
    mnuFile->addSeparator();
    Exit1 = AddMenuItem(mnuFile, "Exit1", QStringLiteral("E&xit"));

    mnuEdit = menu("mnuEdit", QStringLiteral("&Edit"));
    Cut1 = AddMenuItem(mnuEdit, "Cut1", QStringLiteral("Cu&t"));
    Copy1 = AddMenuItem(mnuEdit, "Copy1", QStringLiteral("&Copy"));
    Paste1 = AddMenuItem(mnuEdit, "Paste1", QStringLiteral("&Paste"));

    mnuHosts = menu("mnuHosts", QStringLiteral("&Hosts"));
    mnuNewHost = AddMenuItem(mnuHosts, "mnuNewHost", QStringLiteral("&New Host"));
    mnuDelete = AddMenuItem(mnuHosts, "mnuDelete", QStringLiteral("&Delete"), false);
    mnuProperties = AddMenuItem(mnuHosts, "mnuProperties", QStringLiteral("&Properties"), false);

    mnuDatabases = menu("mnuDatabases", QStringLiteral("&Databases"));
    mnuSelectDb = AddMenuItem(mnuDatabases, "mnuSelectDb", QStringLiteral("&Select Database"), false);
    mnuSelectDb->setCheckable(true);
    mnuCreateDb = AddMenuItem(mnuDatabases, "mnuCreateDb", QStringLiteral("&Create Database"), false);
    mnuDeleteDb = AddMenuItem(mnuDatabases, "mnuDeleteDb", QStringLiteral("&Drop Database"), false);

    mnuQueryMenu = menu("mnuQueryMenu", QStringLiteral("&Query"));
    mnuQuery = AddMenuItem(mnuQueryMenu, "mnuQuery", QStringLiteral("&Query"), false);
    mnuQuery2 = AddMenuItem(mnuQueryMenu, "mnuQuery2", QStringLiteral("Query2"), false);
    mnuQuery2->setVisible(false);
    mnuShowDuration = AddMenuItem(mnuQueryMenu, "mnuShowDuration", QStringLiteral("Show &Duration"));
    mnuShowDuration->setCheckable(true);
    mnuShowDuration->setChecked(true);

    mnuView = menu("mnuView", QStringLiteral("&View"));
    mnuMaximize = AddMenuItem(mnuView, "mnuMaximize", QStringLiteral("&Maximize result"));

    mnuHelp = menu("mnuHelp", QStringLiteral("&Help"));
    About1 = AddMenuItem(mnuHelp, "About1", QStringLiteral("&About"));

    popTree = new QMenu(this);
    popTree->setObjectName(QStringLiteral("popTree"));
    popmnuConnect = AddMenuItem(popTree, "popmnuConnect", QStringLiteral("&Connect"));
    popmnuDisconnect = AddMenuItem(popTree, "popmnuDisconnect", QStringLiteral("D&isconnect"), false);
    N5 = popTree->addSeparator();
    N5->setObjectName(QStringLiteral("N5"));
    popmnuDescribeTable = AddMenuItem(popTree, "popmnuDescribeTable", QStringLiteral("&Describe table"));
    popmnuDescribeTable->setVisible(false);
    popmnuTableSelect = AddMenuItem(popTree, "popmnuTableSelect", QStringLiteral("SELECT * FROM <table>"));
    popmnuTableSelect->setVisible(false);
    popmnuFieldSelect =
        AddMenuItem(popTree, "popmnuFieldSelect", QStringLiteral("SELECT <field> FROM <table>"));
    popmnuFieldSelect->setVisible(false);
    popTree->addSeparator();
    popmnuSelectDb = AddMenuItem(popTree, "popmnuSelectDb", QStringLiteral("&Select database"), false);
    popmnuSelectDb->setCheckable(true);
    popmnuCreateDb = AddMenuItem(popTree, "popmnuCreateDb", QStringLiteral("C&reate database"), false);
    popmnuDeleteDb = AddMenuItem(popTree, "popmnuDeleteDb", QStringLiteral("D&elete database"), false);
    popTree->addSeparator();
    popmnuNew = AddMenuItem(popTree, "popmnuNew", QStringLiteral("&New"));
    popmnuDelete = AddMenuItem(popTree, "popmnuDelete", QStringLiteral("&Delete"), false);
    popmnuProperties = AddMenuItem(popTree, "popmnuProperties", QStringLiteral("&Properties"), false);

    popResult = new QMenu(this);
    popResult->setObjectName(QStringLiteral("popResult"));
    popmnuExportResult =
        AddMenuItem(popResult, "popmnuExportResult", QStringLiteral("&Export result"), false);
    popmnuClearResult = AddMenuItem(popResult, "popmnuClearResult", QStringLiteral("&Clear result"));
    popmnuMaximize = AddMenuItem(popResult, "popmnuMaximize", QStringLiteral("&Maximize result"));
    popResult->setDefaultAction(popmnuMaximize); // drawn bold
}

QToolButton* TfrmMain::AddToolButton(const char* name, const QString& caption, const QString& hint, int glyph,
                                     bool enabled) {
    auto* b = new QToolButton(ToolBar);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setIcon(TImageList::ToolIcon(*ImageList, *ImageListHot, *ImageListDisabled, glyph));
    b->setIconSize(QSize(16, 16));
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(23, 22);
    b->setEnabled(enabled);
    b->setProperty("glyphIndex", glyph);
    ToolBar->addWidget(b);
    return b;
}

void TfrmMain::AddToolSeparator() {
    auto* sep = new QFrame(ToolBar);
    sep->setFrameShape(QFrame::VLine);
    sep->setFrameShadow(QFrame::Sunken);
    sep->setFixedSize(8, 18);
    ToolBar->addWidget(sep);
}

void TfrmMain::BuildToolBar() {
    ToolBar = new QToolBar;
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar->setContentsMargins(0, 0, 0, 0);
    ToolBar->layout()->setSpacing(0);

    btnConnect = AddToolButton("btnConnect", QStringLiteral("Connect"), QStringLiteral("Connect"), 1, false);
    btnDisconnect =
        AddToolButton("btnDisconnect", QStringLiteral("Disconnect"), QStringLiteral("Disconnect"), 2, false);
    AddToolSeparator();
    btnSelectDb = AddToolButton("btnSelectDb", QStringLiteral("Select Databse"),
                                QStringLiteral("Select Database"), 6, false);
    btnSelectDb->setCheckable(true);
    btnCreateDb = AddToolButton("btnCreateDb", QStringLiteral("Create database"),
                                QStringLiteral("Create database"), 7, false);
    btnDeleteDb = AddToolButton("btnDeleteDb", QStringLiteral("Drop database"),
                                QStringLiteral("Drop database"), 8, false);
    AddToolSeparator();
    btnNew = AddToolButton("btnNew", QStringLiteral("New"), QStringLiteral("New Host"), 4, true);
    btnProperties =
        AddToolButton("btnProperties", QStringLiteral("Properties"), QStringLiteral("Properties"), 0, false);
    btnDelete = AddToolButton("btnDelete", QStringLiteral("Delete"), QStringLiteral("Delete"), 3, false);
    AddToolSeparator();
    btnMaximize = AddToolButton("btnMaximize", QStringLiteral("Maximize Result"),
                                QStringLiteral("Maximize Result"), 9, true);
    btnExportResult = AddToolButton("btnExportResult", QStringLiteral("Export result"),
                                    QStringLiteral("Export Result"), 12, false);
    AddToolSeparator();
    btnLoadSql =
        AddToolButton("btnLoadSql", QStringLiteral("Load SQL"), QStringLiteral("Load SQL"), 14, true);
    btnSaveSql =
        AddToolButton("btnSaveSql", QStringLiteral("Save SQL"), QStringLiteral("Save SQL"), 13, true);
    AddToolSeparator();
    btnPrev = AddToolButton("btnPrev", QStringLiteral("Previous"), QStringLiteral("Previous"), 10, false);
    btnNext = AddToolButton("btnNext", QStringLiteral("Next"), QStringLiteral("Next"), 11, false);
    cmbQueries = new TDropDownCombo(ToolBar);
    cmbQueries->setObjectName(QStringLiteral("cmbQueries"));
    cmbQueries->setEditable(false);
    cmbQueries->setFixedWidth(145);
    cmbQueries->setFont(HistoryFont());
    cmbQueries->setEnabled(false);
    cmbQueries->setFocusPolicy(Qt::ClickFocus);
    ToolBar->addWidget(cmbQueries);
    AddToolSeparator();
    btnQuery = AddToolButton("btnQuery", QStringLiteral("Query"), QStringLiteral("Query"), 5, false);
}

void TfrmMain::BuildClientArea() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* outer = TightColumn(central);

    Splitter1 = new QSplitter(Qt::Vertical, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(SplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    outer->addWidget(Splitter1);

    Panel2 = new QWidget(Splitter1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* upper = TightColumn(Panel2);

    CoolBar = new QFrame(Panel2);
    CoolBar->setObjectName(QStringLiteral("CoolBar"));
    CoolBar->setFrameShape(QFrame::StyledPanel);
    CoolBar->setFrameShadow(QFrame::Raised);
    CoolBar->setFixedHeight(29);
    auto* band = new QHBoxLayout(CoolBar);
    band->setContentsMargins(2, 1, 2, 1);
    band->setSpacing(0);
    ToolBar->setParent(CoolBar);
    band->addWidget(ToolBar);
    band->addStretch(1);
    upper->addWidget(CoolBar);

    Splitter2 = new QSplitter(Qt::Horizontal, Panel2);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(SplitterWidth);
    Splitter2->setChildrenCollapsible(false);
    upper->addWidget(Splitter2, 1);

    Tree = new TNavigationTree(*ImageListTree, *ImageList, Splitter2);
    Tree->SetPopupMenu(popTree);
    KeepSelectionVisible(Tree);

    mmoIn = new TColorMemo(Splitter2);
    mmoIn->setObjectName(QStringLiteral("mmoIn"));
    mmoIn->setFont(EditorFont());
    // The query editor: tabs are text, every change repaints, the SQL colours on the window colour.
    mmoIn->SetWantTabs(true);
    mmoIn->SetRedrawAlways(true);
    mmoIn->SetColorLimMax(0);
    mmoIn->SetHotSpot(THotSpot{});
    mmoIn->SetColor(clWindow);
    AddSqlRules(mmoIn->ColorRules());
    mmoIn->viewport()->installEventFilter(this);
    mmoIn->viewport()->setAcceptDrops(true);

    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({TreeWidth, DesignClientWidth - TreeWidth - SplitterWidth});

    Panel1 = new QWidget(Splitter1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* lower = TightColumn(Panel1);
    lstOut = new TResultView(Panel1);
    lstOut->setObjectName(QStringLiteral("lstOut"));
    lstOut->setContextMenuPolicy(Qt::CustomContextMenu);
    lstOut->setMouseTracking(true); // hot tracking
    KeepSelectionVisible(lstOut);
    lower->addWidget(lstOut);

    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({DesignClientHeight - LowerPanelHeight - SplitterWidth - 19, LowerPanelHeight});

    setCentralWidget(central);
}

void TfrmMain::BuildStatusBar() {
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(19);
    FStatusLabel = new TStatusLabel(StatusBar);
    FStatusLabel->setObjectName(QStringLiteral("StatusText"));
    StatusBar->addWidget(FStatusLabel, 1);
    setStatusBar(StatusBar);
}
