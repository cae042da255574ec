// The main window: its creation and destruction, the command table and the command states, the
// tree's events and the status bar. The layout is in MainLayout.cpp, the commands in
// HostCommands.cpp and QueryCommands.cpp.

#include "main.h"

#include "AppWindows.h"
#include "ColorMemo.h"
#include "Dialogs.h"
#include "ExportCommand.h"
#include "HostList.h"
#include "MySql.h"
#include "NavigationTree.h"
#include "QtText.h"
#include "QueryHistory.h"
#include "ResultModel.h"
#include "SqlNames.h"
#include "StatusLabel.h"
#include "about.h"

#include <QAction>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>

void TDropDownCombo::showPopup() {
    emit DropDown();
    QComboBox::showPopup();
}

TfrmMain::TfrmMain(const TAppWindows& windows, TRegistryStore* store)
    : TGradientForm(nullptr), FWindows(windows), FStore(store) {
    setObjectName(QStringLiteral("frmMain"));
    BuildLayout();
    WireCommands();
    WireEvents();
    FormCreate();
}

TfrmMain::~TfrmMain() {
    delete FCommands; // no shortcuts while the window comes apart
    FCommands = nullptr;
    FormDestroy();
}

void TfrmMain::FormCreate() {
    FVersion = VersionText();
    FHistory = std::make_unique<TQueryHistory>();
    SetCaption(QStringLiteral("Korvana ") + FVersion + QStringLiteral(" [libmysql: ") +
               QtText(TMySql::ClientInfo()) + QStringLiteral("]"));
    LoadSettings();
}

void TfrmMain::FormDestroy() {
    FHistory.reset();
    SaveSettings();
}

TDialogs& TfrmMain::Dialogs() const {
    return FWindows.Dialogs();
}

TRegistryStore& TfrmMain::Store() const {
    return FStore ? *FStore : TRegistryStore::Default();
}

namespace {
// The screens' available areas, the primary one first.
std::vector<TScreenRect> AvailableScreens() {
    std::vector<TScreenRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        const TScreenRect area{r.x(), r.y(), r.width(), r.height()};
        if (screen == QGuiApplication::primaryScreen())
            screens.insert(screens.begin(), area);
        else
            screens.push_back(area);
    }
    return screens;
}
} // namespace

void TfrmMain::LoadSettings() {
    FHostList = std::make_unique<THostList>(Store());
    const THostListLoad loaded =
        FHostList->Load([this](std::unique_ptr<TMySql> host) { Tree->AddHostNode(std::move(host)); });
    // Values read before a failure are applied all the same, as far as they fit the screens.
    const TLoadedPlacement& p = loaded.Placement;
    const TScreenRect fit = FitOnScreens(
        {p.Left.value_or(x()), p.Top.value_or(y()), p.Width.value_or(width()), p.Height.value_or(height())},
        AvailableScreens(), width(), height());
    if (p.Width || p.Height) resize(fit.Width, fit.Height);
    if (p.Left || p.Top) move(fit.Left, fit.Top);
    if (p.State) {
        switch (*p.State) {
        case wsMinimized:
            setWindowState(Qt::WindowMinimized);
            break;
        case wsMaximized:
            setWindowState(Qt::WindowMaximized);
            break;
        default:
            setWindowState(Qt::WindowNoState);
            break;
        }
    }
    if (!loaded.Error.empty()) Dialogs().ShowFailure(this, QString::fromStdString(loaded.Error));
}

void TfrmMain::SaveSettings() {
    // Hosts in tree order; the tree is empty afterwards.
    std::vector<std::unique_ptr<TMySql>> hosts = Tree->TakeHosts();

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
    const std::string error = FHostList->Save(std::move(hosts), placement);
    if (!error.empty()) Dialogs().ShowFailure(this, QString::fromStdString(error));
}

void TfrmMain::WireCommands() {
    FCommands = new TCommands(this, Tree);
    using M = TfrmMain;
    const TKeyScope inTree = TKeyScope::Tree;
    auto row = [this](TCommand& command, void (M::*handler)(), QToolButton* button,
                      std::vector<TCommandItem> items) {
        command = TCommand(button, std::move(items));
        FCommands->Wire(command, [this, handler] { (this->*handler)(); });
    };
    // clang-format off
    //  command             handler                      tool button      menu items, with their shortcuts
    row(FCmd.Connect,       &M::btnConnectClick,         btnConnect,      {{mnuConnect}, {popmnuConnect}});
    row(FCmd.Disconnect,    &M::btnDisconnectClick,      btnDisconnect,   {{mnuDisconnect}, {popmnuDisconnect}});
    row(FCmd.SelectDb,      &M::btnSelectDbClick,        btnSelectDb,     {{mnuSelectDb}, {popmnuSelectDb}});
    row(FCmd.CreateDb,      &M::btnCreateDbClick,        btnCreateDb,     {{mnuCreateDb}, {popmnuCreateDb}});
    row(FCmd.DeleteDb,      &M::btnDeleteDbClick,        btnDeleteDb,     {{mnuDeleteDb}, {popmnuDeleteDb}});
    row(FCmd.NewHost,       &M::btnNewClick,             btnNew,          {{mnuNewHost}, {popmnuNew, Qt::Key_Insert, inTree}});
    row(FCmd.Properties,    &M::btnPropertiesClick,      btnProperties,   {{mnuProperties}, {popmnuProperties, Qt::ALT | Qt::Key_Return, inTree}});
    row(FCmd.DeleteHost,    &M::btnDeleteClick,          btnDelete,       {{mnuDelete}, {popmnuDelete, Qt::Key_Delete, inTree}});
    row(FCmd.Maximize,      &M::btnMaximizeClick,        btnMaximize,     {{mnuMaximize}, {popmnuMaximize}});
    row(FCmd.ExportResult,  &M::btnExportResultClick,    btnExportResult, {{mnuExportResult}, {popmnuExportResult}});
    row(FCmd.ClearResult,   &M::popmnuClearResultClick,  nullptr,         {{popmnuClearResult}});
    row(FCmd.LoadSql,       &M::btnLoadSqlClick,         btnLoadSql,      {{mnuLoadSql}});
    row(FCmd.SaveSql,       &M::btnSaveSqlClick,         btnSaveSql,      {{mnuSaveSql}});
    row(FCmd.Previous,      &M::btnPrevClick,            btnPrev,         {});
    row(FCmd.Next,          &M::btnNextClick,            btnNext,         {});
    row(FCmd.Query,         &M::btnQueryClick,           btnQuery,        {{mnuQuery, Qt::Key_F12},
                                                                           {mnuQuery2, Qt::ALT | Qt::Key_Q, TKeyScope::BeforeMenuBar}});
    row(FCmd.DescribeTable, &M::popmnuDescribeTableClick, nullptr,        {{popmnuDescribeTable}});
    row(FCmd.TableSelect,   &M::popmnuTableSelectClick,  nullptr,         {{popmnuTableSelect}});
    row(FCmd.FieldSelect,   &M::popmnuFieldSelectClick,  nullptr,         {{popmnuFieldSelect}});
    row(FCmd.Cut,           &M::Cut1Click,               nullptr,         {{Cut1, Qt::CTRL | Qt::Key_X}});
    row(FCmd.Copy,          &M::Copy1Click,              nullptr,         {{Copy1, Qt::CTRL | Qt::Key_C}});
    row(FCmd.Paste,         &M::Paste1Click,             nullptr,         {{Paste1, Qt::CTRL | Qt::Key_V}});
    row(FCmd.About,         &M::About1Click,             nullptr,         {{About1}});
    row(FCmd.Exit,          &M::Exit1Click,              nullptr,         {{Exit1}});
    // clang-format on
}

void TfrmMain::WireEvents() {
    connect(Tree, &TNavigationTree::Clicked, this, &TfrmMain::TreeClick);
    connect(Tree, &QTreeWidget::itemSelectionChanged, this, &TfrmMain::TreeChange);
    connect(Tree, &QTreeWidget::itemDoubleClicked, this, &TfrmMain::TreeDblClick);
    connect(cmbQueries, &TDropDownCombo::DropDown, this, &TfrmMain::cmbQueriesDropDown);
    connect(cmbQueries, qOverload<int>(&QComboBox::activated), this, &TfrmMain::cmbQueriesChange);
    connect(lstOut, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popResult->popup(lstOut->viewport()->mapToGlobal(pos)); });
    connect(lstOut, &TResultView::DoubleClicked, this, &TfrmMain::btnMaximizeClick);
}

void TfrmMain::UpdateCommandStates() {
    TTreeNode* node = Tree->SelectedNode();
    if (!node) return;
    TTreeNode* hostNode = TNavigationTree::HostNodeOf(node);
    const bool connected = hostNode && hostNode->Host()->IsAlive();
    const TNodeKind kind = node->Kind();
    const bool isTable = kind == TNodeKind::Table;
    const bool isField = kind == TNodeKind::Field;
    const bool inUse = kind == TNodeKind::Database && TNavigationTree::IsInUse(node);
    const bool selectable = kind == TNodeKind::Database && !inUse;

    // One line for each row of the command-state rule, in its order.
    FCmd.Connect.SetEnabled(!connected);
    FCmd.Disconnect.SetEnabled(connected);
    FCmd.Query.SetEnabled(connected);
    FCmd.CreateDb.SetEnabled(connected);
    for (const TCommand* any : {&FCmd.Properties, &FCmd.DeleteHost})
        any->SetEnabled(true);
    for (const TCommand* table : {&FCmd.DescribeTable, &FCmd.TableSelect})
        table->SetVisible(isTable);
    // Names that need it are quoted, so the caption is a statement that runs as shown. A table of
    // a database not in use is named with its database, or the server would look in the wrong one.
    const TMySql* server = hostNode ? hostNode->Host() : nullptr;
    const auto tableName = [server](TTreeNode* tableNode) {
        TTreeNode* dbNode = AsNode(tableNode->parent());
        QString table = SqlName(tableNode->text(0), server);
        if (!dbNode || TNavigationTree::IsInUse(dbNode)) return table;
        return SqlName(dbNode->text(0), server) + QLatin1Char('.') + table;
    };
    if (isTable) popmnuTableSelect->setText(QStringLiteral("SELECT * FROM ") + tableName(node));
    FCmd.FieldSelect.SetVisible(isField);
    if (isField)
        popmnuFieldSelect->setText(QStringLiteral("SELECT ") + SqlName(node->text(0), server) +
                                   QStringLiteral(" FROM ") + tableName(AsNode(node->parent())));
    N5->setVisible(isTable || isField);
    FCmd.SelectDb.SetEnabled(selectable);
    FCmd.SelectDb.SetChecked(inUse);
    FCmd.DeleteDb.SetEnabled(selectable);
}

void TfrmMain::TreeClick() {
    UpdateCommandStates();
}

void TfrmMain::TreeChange() {
    UpdateCommandStates();
}

void TfrmMain::TreeDblClick() {
    InsertSelectedName();
}

void TfrmMain::InsertSelectedName() {
    const TTreeNode* node = Tree->SelectedNode();
    if (!node) return;
    if (const TTable* table = node->Table())
        mmoIn->SetSelText(QtText(table->Name));
    else if (const TField* field = node->Field())
        mmoIn->SetSelText(QtText(field->Name));
}

bool TfrmMain::mmoInDragOver(QObject* source) const {
    if (source != Tree) return false;
    const TTreeNode* node = Tree->SelectedNode();
    return node && (node->Kind() == TNodeKind::Table || node->Kind() == TNodeKind::Field);
}

void TfrmMain::mmoInDragDrop(QObject* source) {
    if (mmoInDragOver(source)) InsertSelectedName();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mmoIn->viewport()) {
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
        default:
            break;
        }
    }
    return TGradientForm::eventFilter(watched, event);
}

QString TfrmMain::StatusText() const {
    return FStatusLabel->text();
}

void TfrmMain::SetStatusText(const QString& text, bool repaintNow) {
    FStatusLabel->SetStatus(text);
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
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Tree->SyncHostCaptions();
}

// The clipboard commands act on the editor whichever control has the focus.
void TfrmMain::Cut1Click() {
    mmoIn->CutToClipboard();
}
void TfrmMain::Copy1Click() {
    mmoIn->CopyToClipboard();
}
void TfrmMain::Paste1Click() {
    mmoIn->PasteFromClipboard();
}

void TfrmMain::Exit1Click() {
    close();
}

// Commands whose windows and files are still to come: they do nothing yet.
void TfrmMain::btnExportResultClick() {
    ExportResult(this, Dialogs(), *dlgSave, *Windows().frmExportResult, *lstOut);
}
void TfrmMain::About1Click() {
    Windows().AboutBox->exec();
}
