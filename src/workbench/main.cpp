#include "main.h"

#include "ColorMemo.h"
#include "Dialogs.h"
#include "Glyphs.h"
#include "HostList.h"
#include "MySql.h"
#include "QueryHistory.h"
#include "ResultModel.h"
#include "SqlNames.h"
#include "SqlRuleSet.h"
#include "WindowFonts.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A column layout without margins or spacing: the panels sit edge to edge as designed.
QVBoxLayout* TightColumn(QWidget* widget) {
    auto* column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    return column;
}

// The tree's pictures come from the window's image lists by the indexes each node holds: the
// state image (if any) first, then the node's image for its selection state.
class TTreeDelegate : public QStyledItemDelegate {
public:
    TTreeDelegate(const TImageList* images, const TImageList* states, QObject* parent)
        : QStyledItemDelegate(parent), FImages(images), FStates(states) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const TTreeNode* node = NodeOf(index);
        if (!node || node->StateIndex() < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QPixmap state = FStates->Pixmap(node->StateIndex(), painter->device()->devicePixelRatioF());
        const QRect box(option.rect.left(), option.rect.top() + (option.rect.height() - 16) / 2, 16, 16);
        painter->drawPixmap(box, state);
        QStyleOptionViewItem rest(option);
        rest.rect.setLeft(option.rect.left() + 16);
        QStyledItemDelegate::paint(painter, rest, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        const TTreeNode* node = NodeOf(index);
        if (node && node->StateIndex() >= 0) s.rwidth() += 16;
        return s.expandedTo(QSize(0, 18));
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const TTreeNode* node = NodeOf(index);
        if (!node || node->ImageIndex() < 0) return;
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = QSize(16, 16);
        option->icon = TImageList::TreeIcon(*FImages, node->ImageIndex(), node->SelectedIndex());
    }

private:
    static const TTreeNode* NodeOf(const QModelIndex& index) {
        // QTreeWidget keeps its items as the indexes' internal pointers.
        return dynamic_cast<const TTreeNode*>(static_cast<const QTreeWidgetItem*>(index.internalPointer()));
    }

    const TImageList* FImages;
    const TImageList* FStates;
};

bool IsInUse(const TTreeNode* node) { return node && node->Database() && node->Database()->Selected; }

} // namespace

// Watches the key events of the whole application for the shortcuts that must come before the
// menu bar's own handling of the same keys.
class TfrmMain::TPriorityKeys : public QObject {
public:
    explicit TPriorityKeys(TfrmMain* owner) : QObject(owner), FOwner(owner) {}
    bool eventFilter(QObject* watched, QEvent* event) override { return FOwner->PriorityShortcut(watched, event); }

private:
    TfrmMain* FOwner;
};

void TDropDownCombo::showPopup() {
    emit DropDown();
    QComboBox::showPopup();
}

// ---------------------------------------------------------------------------------------------
// Creation and destruction

TfrmMain::TfrmMain(TDialogs* dialogs, TRegistryStore* store, QWidget* parent)
    : TGradientForm(parent), FDialogs(dialogs), FStore(store) {
    setObjectName(QStringLiteral("frmMain"));
    if (!FDialogs) {
        FOwnDialogs = std::make_unique<TQtDialogs>();
        FDialogs = FOwnDialogs.get();
    }
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

    setWindowIcon(QIcon(QStringLiteral(":/korvana/korvana.svg")));
    ApplyFonts();
    BuildMenus();
    BuildToolBar();
    BuildClientArea();
    BuildStatusBar();
    ConnectHandlers();

    // The designed client area (772 by 534) lies below the menu bar.
    resize(DesignClientWidth, DesignClientHeight + MainMenu1->sizeHint().height());
    FormCreate();
}

TfrmMain::~TfrmMain() {
    delete FPriorityKeys; // no key handling while the window comes apart
    FPriorityKeys = nullptr;
    FormDestroy();
}

void TfrmMain::FormCreate() {
    FVersion = VersionText();
    FHistory = std::make_unique<TQueryHistory>();
    SetCaption(QStringLiteral("Korvana ") + FVersion + QStringLiteral(" [libmysql: ") +
               QString::fromStdString(TMySql::ClientInfo()) + QStringLiteral("]"));
    LoadSettings();
}

void TfrmMain::FormDestroy() {
    FHistory.reset();
    SaveSettings();
}

TRegistryStore& TfrmMain::Store() const { return FStore ? *FStore : TRegistryStore::Default(); }

void TfrmMain::LoadSettings() {
    const THostListLoad loaded =
        LoadHostList([this](std::unique_ptr<TMySql> host) { AddHostNode(std::move(host)); }, Store());
    // Values read before a failure are applied all the same.
    const TLoadedPlacement& p = loaded.Placement;
    if (p.Width || p.Height) resize(p.Width.value_or(width()), p.Height.value_or(height()));
    if (p.Left || p.Top) move(p.Left.value_or(x()), p.Top.value_or(y()));
    if (p.State) {
        switch (*p.State) {
        case wsMinimized: setWindowState(Qt::WindowMinimized); break;
        case wsMaximized: setWindowState(Qt::WindowMaximized); break;
        default: setWindowState(Qt::WindowNoState); break;
        }
    }
    if (!loaded.Error.empty()) Dialogs().ShowFailure(this, QString::fromStdString(loaded.Error));
}

void TfrmMain::SaveSettings() {
    // Hosts in tree order. The nodes go first: they point into the catalogues that the save
    // releases together with the connection objects.
    std::vector<std::unique_ptr<TMySql>> hosts;
    for (TTreeNode* node : HostNodes()) {
        const auto it = std::find_if(FConnections.begin(), FConnections.end(),
                                     [node](const std::unique_ptr<TMySql>& h) { return h.get() == node->Host(); });
        if (it != FConnections.end()) hosts.push_back(std::move(*it));
    }
    Tree->clear();
    FConnections.clear();

    TFormPlacement placement;
    // Position of the frame and size of the window itself, the pair that move() and resize()
    // restore, so that the placement does not drift from run to run.
    placement.Left = pos().x();
    placement.Top = pos().y();
    placement.Width = width();
    placement.Height = height();
    placement.State = (windowState() & Qt::WindowMinimized)   ? wsMinimized
                      : (windowState() & Qt::WindowMaximized) ? wsMaximized
                                                              : wsNormal;
    const std::string error = SaveHostList(std::move(hosts), placement, Store());
    if (!error.empty()) Dialogs().ShowFailure(this, QString::fromStdString(error));
}

void TfrmMain::ApplyFonts() {
    // One font for every window of the program; the editor and the history list set their own
    // fonts when they are made.
    UseWindowFont();
}

// ---------------------------------------------------------------------------------------------
// Menus and actions

QAction* TfrmMain::AddMenuItem(QMenu* menu, const char* name, const QString& caption, bool enabled) {
    auto* a = new QAction(caption, menu);
    a->setObjectName(QLatin1String(name));
    SetItemEnabled(a, enabled);
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
    mnuExportResult = AddMenuItem(mnuFile, "mnuExportResult", QStringLiteral("&Export Result to file"), false);
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
    popmnuFieldSelect = AddMenuItem(popTree, "popmnuFieldSelect", QStringLiteral("SELECT <field> FROM <table>"));
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
    popmnuExportResult = AddMenuItem(popResult, "popmnuExportResult", QStringLiteral("&Export result"), false);
    popmnuClearResult = AddMenuItem(popResult, "popmnuClearResult", QStringLiteral("&Clear result"));
    popmnuMaximize = AddMenuItem(popResult, "popmnuMaximize", QStringLiteral("&Maximize result"));
    popResult->setDefaultAction(popmnuMaximize); // drawn bold
}

void TfrmMain::SetItemEnabled(QAction* item, bool enabled) {
    item->setProperty(EnabledProperty, enabled);
    item->setEnabled(enabled);
}

bool TfrmMain::ItemEnabled(const QAction* item) {
    if (item->isVisible()) return item->isEnabled();
    const QVariant v = item->property(EnabledProperty);
    return v.isValid() ? v.toBool() : item->isEnabled();
}

void TfrmMain::BindShortcut(QAction* item, QMenu* menu, const QKeySequence& keys, QWidget* scope,
                            Qt::ShortcutContext context) {
    // The item shows its keys, but its own binding is limited to the open menu; the window-wide
    // (or tree-wide) binding below also serves hidden items, which Qt would otherwise silence.
    item->setShortcut(keys);
    item->setShortcutContext(Qt::WidgetShortcut);
    auto* shortcut = new QShortcut(keys, scope);
    shortcut->setObjectName(item->objectName() + QStringLiteral("Shortcut"));
    shortcut->setContext(context);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, item, [this, item, menu] { RunShortcut(item, menu); });
}

bool TfrmMain::RunShortcut(QAction* item, QMenu* menu) {
    if (!ItemEnabled(item) || !menu->isEnabled() || !menu->menuAction()->isEnabled()) return false;
    // A hidden item counts as disabled to Qt, so its command is started by its signal directly.
    if (item->isVisible())
        item->trigger();
    else
        emit item->triggered(item->isChecked());
    return true;
}

// ---------------------------------------------------------------------------------------------
// Tool bar

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
    btnDisconnect = AddToolButton("btnDisconnect", QStringLiteral("Disconnect"), QStringLiteral("Disconnect"), 2, false);
    AddToolSeparator();
    btnSelectDb = AddToolButton("btnSelectDb", QStringLiteral("Select Databse"), QStringLiteral("Select Database"), 6, false);
    btnSelectDb->setCheckable(true);
    btnCreateDb = AddToolButton("btnCreateDb", QStringLiteral("Create database"), QStringLiteral("Create database"), 7, false);
    btnDeleteDb = AddToolButton("btnDeleteDb", QStringLiteral("Drop database"), QStringLiteral("Drop database"), 8, false);
    AddToolSeparator();
    btnNew = AddToolButton("btnNew", QStringLiteral("New"), QStringLiteral("New Host"), 4, true);
    btnProperties = AddToolButton("btnProperties", QStringLiteral("Properties"), QStringLiteral("Properties"), 0, false);
    btnDelete = AddToolButton("btnDelete", QStringLiteral("Delete"), QStringLiteral("Delete"), 3, false);
    AddToolSeparator();
    btnMaximize = AddToolButton("btnMaximize", QStringLiteral("Maximize Result"), QStringLiteral("Maximize Result"), 9, true);
    btnExportResult = AddToolButton("btnExportResult", QStringLiteral("Export result"), QStringLiteral("Export Result"), 12, false);
    AddToolSeparator();
    btnLoadSql = AddToolButton("btnLoadSql", QStringLiteral("Load SQL"), QStringLiteral("Load SQL"), 14, true);
    btnSaveSql = AddToolButton("btnSaveSql", QStringLiteral("Save SQL"), QStringLiteral("Save SQL"), 13, true);
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

// ---------------------------------------------------------------------------------------------
// Client area and status bar

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

    Tree = new QTreeWidget(Splitter2);
    Tree->setObjectName(QStringLiteral("Tree"));
    Tree->setHeaderHidden(true);
    Tree->setColumnCount(1);
    Tree->setIndentation(19);
    Tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    Tree->setDragEnabled(true);
    Tree->setDragDropMode(QAbstractItemView::DragOnly);
    Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    Tree->setIconSize(QSize(16, 16));
    Tree->setItemDelegate(new TTreeDelegate(ImageListTree, ImageList, Tree));
    {
        // The selection stays highlighted when the tree loses the focus.
        QPalette pal = Tree->palette();
        pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     pal.color(QPalette::Active, QPalette::HighlightedText));
        Tree->setPalette(pal);
    }
    Tree->viewport()->installEventFilter(this);

    mmoIn = new TColorMemo(Splitter2);
    mmoIn->setObjectName(QStringLiteral("mmoIn"));
    mmoIn->setFont(EditorFont());
    LoadSqlRuleSet(*mmoIn);
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
    {
        QPalette pal = lstOut->palette();
        pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     pal.color(QPalette::Active, QPalette::HighlightedText));
        lstOut->setPalette(pal);
    }
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
    FStatusLabel = new QLabel(StatusBar);
    FStatusLabel->setObjectName(QStringLiteral("StatusText"));
    FStatusLabel->setTextFormat(Qt::PlainText);
    StatusBar->addWidget(FStatusLabel, 1);
    setStatusBar(StatusBar);
}

QString TfrmMain::StatusText() const { return FStatusLabel->text(); }

void TfrmMain::SetStatusText(const QString& text, bool repaintNow) {
    FStatusLabel->setText(text);
    if (repaintNow) StatusBar->repaint();
}

bool TfrmMain::event(QEvent* event) {
    // The status bar holds one text that only commands replace; menu and tool hints never
    // borrow it.
    if (event->type() == QEvent::StatusTip) return true;
    return TGradientForm::event(event);
}

void TfrmMain::changeEvent(QEvent* event) {
    TGradientForm::changeEvent(event);
    // Back from a modal dialog (the properties dialog may have renamed a host).
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) SyncHostCaptions();
}

// ---------------------------------------------------------------------------------------------
// Wiring

void TfrmMain::ConnectHandlers() {
    auto on = [this](QAction* a, void (TfrmMain::*handler)()) { connect(a, &QAction::triggered, this, handler); };
    auto onButton = [this](QToolButton* b, void (TfrmMain::*handler)()) {
        connect(b, &QToolButton::clicked, this, handler);
    };

    onButton(btnConnect, &TfrmMain::btnConnectClick);
    on(mnuConnect, &TfrmMain::btnConnectClick);
    on(popmnuConnect, &TfrmMain::btnConnectClick);
    onButton(btnDisconnect, &TfrmMain::btnDisconnectClick);
    on(mnuDisconnect, &TfrmMain::btnDisconnectClick);
    on(popmnuDisconnect, &TfrmMain::btnDisconnectClick);
    onButton(btnSelectDb, &TfrmMain::btnSelectDbClick);
    on(mnuSelectDb, &TfrmMain::btnSelectDbClick);
    on(popmnuSelectDb, &TfrmMain::btnSelectDbClick);
    onButton(btnCreateDb, &TfrmMain::btnCreateDbClick);
    on(mnuCreateDb, &TfrmMain::btnCreateDbClick);
    on(popmnuCreateDb, &TfrmMain::btnCreateDbClick);
    onButton(btnDeleteDb, &TfrmMain::btnDeleteDbClick);
    on(mnuDeleteDb, &TfrmMain::btnDeleteDbClick);
    on(popmnuDeleteDb, &TfrmMain::btnDeleteDbClick);
    onButton(btnNew, &TfrmMain::btnNewClick);
    on(mnuNewHost, &TfrmMain::btnNewClick);
    on(popmnuNew, &TfrmMain::btnNewClick);
    onButton(btnProperties, &TfrmMain::btnPropertiesClick);
    on(mnuProperties, &TfrmMain::btnPropertiesClick);
    on(popmnuProperties, &TfrmMain::btnPropertiesClick);
    onButton(btnDelete, &TfrmMain::btnDeleteClick);
    on(mnuDelete, &TfrmMain::btnDeleteClick);
    on(popmnuDelete, &TfrmMain::btnDeleteClick);
    onButton(btnMaximize, &TfrmMain::btnMaximizeClick);
    on(mnuMaximize, &TfrmMain::btnMaximizeClick);
    on(popmnuMaximize, &TfrmMain::btnMaximizeClick);
    onButton(btnExportResult, &TfrmMain::btnExportResultClick);
    on(mnuExportResult, &TfrmMain::btnExportResultClick);
    on(popmnuExportResult, &TfrmMain::btnExportResultClick);
    on(popmnuClearResult, &TfrmMain::popmnuClearResultClick);
    onButton(btnLoadSql, &TfrmMain::btnLoadSqlClick);
    on(mnuLoadSql, &TfrmMain::btnLoadSqlClick);
    onButton(btnSaveSql, &TfrmMain::btnSaveSqlClick);
    on(mnuSaveSql, &TfrmMain::btnSaveSqlClick);
    onButton(btnPrev, &TfrmMain::btnPrevClick);
    onButton(btnNext, &TfrmMain::btnNextClick);
    connect(cmbQueries, &TDropDownCombo::DropDown, this, &TfrmMain::cmbQueriesDropDown);
    connect(cmbQueries, qOverload<int>(&QComboBox::activated), this, &TfrmMain::cmbQueriesChange);
    onButton(btnQuery, &TfrmMain::btnQueryClick);
    on(mnuQuery, &TfrmMain::btnQueryClick);
    on(mnuQuery2, &TfrmMain::btnQueryClick);
    on(popmnuDescribeTable, &TfrmMain::popmnuDescribeTableClick);
    on(popmnuTableSelect, &TfrmMain::popmnuTableSelectClick);
    on(popmnuFieldSelect, &TfrmMain::popmnuFieldSelectClick);
    on(Cut1, &TfrmMain::Cut1Click);
    on(Copy1, &TfrmMain::Copy1Click);
    on(Paste1, &TfrmMain::Paste1Click);
    on(About1, &TfrmMain::About1Click);
    on(Exit1, &TfrmMain::Exit1Click);

    // Main menu shortcuts act in the whole window; the tree menu's while the tree has the focus.
    BindShortcut(mnuQuery, mnuQueryMenu, QKeySequence(Qt::Key_F12), this, Qt::WindowShortcut);
    // Alt+Q is also the mnemonic of the "&Query" menu. The item's shortcut comes first, as in a
    // classic menu; the event filter below catches the keys before the menu bar sees them.
    mnuQuery2->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Q));
    mnuQuery2->setShortcutContext(Qt::WidgetShortcut);
    FPriorityKeys = new TPriorityKeys(this);
    qApp->installEventFilter(FPriorityKeys);
    BindShortcut(Cut1, mnuEdit, QKeySequence(Qt::CTRL | Qt::Key_X), this, Qt::WindowShortcut);
    BindShortcut(Copy1, mnuEdit, QKeySequence(Qt::CTRL | Qt::Key_C), this, Qt::WindowShortcut);
    BindShortcut(Paste1, mnuEdit, QKeySequence(Qt::CTRL | Qt::Key_V), this, Qt::WindowShortcut);
    BindShortcut(popmnuNew, popTree, QKeySequence(Qt::Key_Insert), Tree, Qt::WidgetShortcut);
    BindShortcut(popmnuDelete, popTree, QKeySequence(Qt::Key_Delete), Tree, Qt::WidgetShortcut);
    BindShortcut(popmnuProperties, popTree, QKeySequence(Qt::ALT | Qt::Key_Return), Tree, Qt::WidgetShortcut);

    connect(Tree, &QTreeWidget::itemSelectionChanged, this, &TfrmMain::TreeChange);
    connect(Tree, &QTreeWidget::itemDoubleClicked, this, &TfrmMain::TreeDblClick);
    connect(Tree, &QWidget::customContextMenuRequested, this, &TfrmMain::TreeContextMenu);
    connect(lstOut, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popResult->popup(lstOut->viewport()->mapToGlobal(pos)); });
    connect(lstOut, &TResultView::DoubleClicked, this, &TfrmMain::btnMaximizeClick);
}

bool TfrmMain::PriorityShortcut(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride || (event->type() == QEvent::KeyPress && FSwallowAltQ)) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool altQ = key->key() == Qt::Key_Q && key->modifiers() == Qt::AltModifier;
        if (altQ && widget && widget->window() == this) {
            if (event->type() == QEvent::KeyPress) {
                // The key press that follows an Alt+Q already run: it must not type a "q".
                FSwallowAltQ = false;
                return true;
            }
            if (RunShortcut(mnuQuery2, mnuQueryMenu)) {
                // Claiming the override keeps the menu bar from acting on the same keys.
                event->accept();
                FSwallowAltQ = true;
                return true;
            }
        }
        if (event->type() == QEvent::KeyPress) FSwallowAltQ = false;
    }
    return false;
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Tree->viewport()) {
        // Every click in the tree, on a node or not, recomputes the command states.
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            TreeClick();
    } else if (watched == mmoIn->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* e = static_cast<QDropEvent*>(event);
            if (e->source() != Tree) return false; // the editor's own drags and drops stay as they are
            if (mmoInDragOver(e->source()))
                e->acceptProposedAction();
            else
                e->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto* e = static_cast<QDropEvent*>(event);
            if (e->source() != Tree) return false;
            mmoInDragDrop(e->source());
            e->acceptProposedAction();
            return true;
        }
        default: break;
        }
    }
    return TGradientForm::eventFilter(watched, event);
}

void TfrmMain::TreeContextMenu(const QPoint& pos) {
    // The node under the mouse is selected before the menu opens.
    if (QTreeWidgetItem* item = Tree->itemAt(pos)) {
        Tree->setCurrentItem(item);
        item->setSelected(true);
    }
    popTree->popup(Tree->viewport()->mapToGlobal(pos));
}

// ---------------------------------------------------------------------------------------------
// Tree

TTreeNode* TfrmMain::AppendChild(TTreeNode* parent, TTreeNode* child, int image, int selected) {
    child->SetImages(image, selected);
    child->setFlags(child->flags() & ~Qt::ItemIsEditable);
    if (parent)
        parent->addChild(child);
    else
        Tree->addTopLevelItem(child);
    return child;
}

TTreeNode* TfrmMain::AddHostNode(std::unique_ptr<TMySql> host) {
    if (!host) return nullptr;
    auto* node = new TTreeNode(host.get());
    FConnections.push_back(std::move(host));
    node->SetStateIndex(2);
    return AppendChild(nullptr, node, 0, 1);
}

void TfrmMain::PopulateHost(TTreeNode* hostNode) {
    if (!hostNode || !hostNode->Host()) return;
    const TDatabases* dbs = hostNode->Host()->Databases();
    if (!dbs) return;
    for (int d = 0; d < dbs->Count(); ++d) {
        TDatabase* db = dbs->Items(d);
        TTreeNode* dbNode =
            AppendChild(hostNode, new TTreeNode(db), db->Selected ? 8 : 2, db->Selected ? 9 : 3);
        for (int t = 0; t < db->Tables.Count(); ++t) {
            TTable* table = db->Tables.Items(t);
            TTreeNode* tableNode = AppendChild(dbNode, new TTreeNode(table), 4, 5);
            for (int f = 0; f < table->Fields.Count(); ++f)
                AppendChild(tableNode, new TTreeNode(&table->Fields.Items(f)), 6, 7);
        }
    }
}

void TfrmMain::ClearHost(TTreeNode* hostNode) {
    if (!hostNode) return;
    hostNode->setExpanded(false);
    if (TTreeNode* selected = SelectedNode(); selected && selected != hostNode && HostNodeOf(selected) == hostNode) {
        Tree->setCurrentItem(hostNode);
        hostNode->setSelected(true);
    }
    const QList<QTreeWidgetItem*> children = hostNode->takeChildren();
    qDeleteAll(children);
}

void TfrmMain::SetHostConnectedLook(TTreeNode* hostNode, bool connected) {
    if (hostNode) hostNode->SetStateIndex(connected ? 1 : 2);
}

void TfrmMain::DeleteHostNode(TTreeNode* hostNode) {
    if (!hostNode || hostNode->Kind() != TNodeKind::Host) return;
    TMySql* host = hostNode->Host();
    delete hostNode; // with every node below it, before the catalogue they point into goes
    const auto it = std::find_if(FConnections.begin(), FConnections.end(),
                                 [host](const std::unique_ptr<TMySql>& p) { return p.get() == host; });
    if (it != FConnections.end()) FConnections.erase(it);
}

void TfrmMain::SyncHostCaptions() {
    for (TTreeNode* node : HostNodes()) {
        const QString name = QString::fromStdString(node->Host()->Name);
        if (node->text(0) != name) node->setText(0, name);
    }
}

TTreeNode* TfrmMain::SelectedNode() const {
    const QList<QTreeWidgetItem*> items = Tree->selectedItems();
    return items.isEmpty() ? nullptr : AsNode(items.front());
}

TTreeNode* TfrmMain::HostNodeOf(TTreeNode* node) {
    while (node && node->Kind() != TNodeKind::Host) node = AsNode(node->parent());
    return node;
}

TTreeNode* TfrmMain::SelectedHostNode() const { return HostNodeOf(SelectedNode()); }

TMySql* TfrmMain::SelectedHost() const {
    TTreeNode* node = SelectedHostNode();
    return node ? node->Host() : nullptr;
}

std::vector<TTreeNode*> TfrmMain::HostNodes() const {
    std::vector<TTreeNode*> nodes;
    for (int i = 0; i < Tree->topLevelItemCount(); ++i)
        if (TTreeNode* n = AsNode(Tree->topLevelItem(i)); n && n->Host()) nodes.push_back(n);
    return nodes;
}

void TfrmMain::TreeClick() { UpdateCommandStates(); }

void TfrmMain::TreeChange() { UpdateCommandStates(); }

void TfrmMain::TreeDblClick() { InsertSelectedName(); }

void TfrmMain::UpdateCommandStates() {
    TTreeNode* node = SelectedNode();
    if (!node) return;
    TTreeNode* hostNode = HostNodeOf(node);
    const bool connected = hostNode && hostNode->Host()->IsAlive();
    const TNodeKind kind = node->Kind();
    const bool isDatabase = kind == TNodeKind::Database;
    const bool inUse = isDatabase && IsInUse(node);

    btnConnect->setEnabled(!connected);
    SetItemEnabled(mnuConnect, !connected);
    SetItemEnabled(popmnuConnect, !connected);

    btnDisconnect->setEnabled(connected);
    SetItemEnabled(mnuDisconnect, connected);
    SetItemEnabled(popmnuDisconnect, connected);

    SetItemEnabled(mnuQuery, connected);
    SetItemEnabled(mnuQuery2, connected);
    btnQuery->setEnabled(connected);

    btnCreateDb->setEnabled(connected);
    SetItemEnabled(mnuCreateDb, connected);
    SetItemEnabled(popmnuCreateDb, connected);

    for (QWidget* w : {static_cast<QWidget*>(btnProperties), static_cast<QWidget*>(btnDelete)}) w->setEnabled(true);
    for (QAction* a : {mnuProperties, mnuDelete, popmnuProperties, popmnuDelete}) SetItemEnabled(a, true);

    const bool isTable = kind == TNodeKind::Table;
    popmnuDescribeTable->setVisible(isTable);
    popmnuTableSelect->setVisible(isTable);
    // Names that need it are quoted, so the caption is a statement that runs as shown.
    const TMySql* server = hostNode ? hostNode->Host() : nullptr;
    if (isTable) popmnuTableSelect->setText(QStringLiteral("SELECT * FROM ") + SqlName(node->text(0), server));

    const bool isField = kind == TNodeKind::Field;
    popmnuFieldSelect->setVisible(isField);
    if (isField)
        popmnuFieldSelect->setText(QStringLiteral("SELECT ") + SqlName(node->text(0), server) +
                                   QStringLiteral(" FROM ") + SqlName(node->parent()->text(0), server));

    N5->setVisible(isTable || isField);

    const bool selectable = isDatabase && !inUse;
    SetItemEnabled(popmnuSelectDb, selectable);
    SetItemEnabled(mnuSelectDb, selectable);
    btnSelectDb->setEnabled(selectable);

    popmnuSelectDb->setChecked(inUse);
    mnuSelectDb->setChecked(inUse);
    btnSelectDb->setChecked(inUse);

    btnDeleteDb->setEnabled(selectable);
    SetItemEnabled(mnuDeleteDb, selectable);
    SetItemEnabled(popmnuDeleteDb, selectable);
}

void TfrmMain::InsertSelectedName() {
    const TTreeNode* node = SelectedNode();
    if (!node) return;
    if (const TTable* table = node->Table())
        mmoIn->SetSelText(QString::fromStdString(table->Name));
    else if (const TField* field = node->Field())
        mmoIn->SetSelText(QString::fromStdString(field->Name));
}

bool TfrmMain::mmoInDragOver(QObject* source) const {
    if (source != Tree) return false;
    const TTreeNode* node = SelectedNode();
    return node && (node->Kind() == TNodeKind::Table || node->Kind() == TNodeKind::Field);
}

void TfrmMain::mmoInDragDrop(QObject* source) {
    if (mmoInDragOver(source)) InsertSelectedName();
}

// =============================================================================================
// Command handlers. Each one is filled in by the work on its command; until then it does
// nothing. They are connected to their tool buttons, menu items and shortcuts above.

// Query, results and history: QueryCommands.cpp.
void TfrmMain::btnExportResultClick() {}

// Host and database commands: HostCommands.cpp.

void TfrmMain::btnLoadSqlClick() {}
void TfrmMain::btnSaveSqlClick() {}
void TfrmMain::About1Click() {}

// ==== end of command handlers ====

// The clipboard commands act on the editor whichever control has the focus.
void TfrmMain::Cut1Click() { mmoIn->CutToClipboard(); }
void TfrmMain::Copy1Click() { mmoIn->CopyToClipboard(); }
void TfrmMain::Paste1Click() { mmoIn->PasteFromClipboard(); }

void TfrmMain::Exit1Click() { close(); }
