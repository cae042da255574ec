// The main window: its creation and destruction, the command table and the command states, the
// tree's events and the status bar. The layout is in MainLayout.cpp, the commands in the
// controllers.

#include "workbench/window/main.h"

#include "workbench/Version.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "server/ResultBlock.h"
#include "settings/DraftStore.h"
#include "settings/HostList.h"
#include "sql/QtText.h"
#include "sql/SqlNames.h"
#include "workbench/controllers/CompletionController.h"
#include "workbench/controllers/DraftController.h"
#include "workbench/controllers/EditController.h"
#include "workbench/controllers/FindController.h"
#include "workbench/controllers/HostController.h"
#include "workbench/controllers/QueryController.h"
#include "workbench/controllers/QueryHistory.h"
#include "workbench/controllers/ResultController.h"
#include "workbench/controllers/RunSqlFileController.h"
#include "workbench/controllers/SqlFileController.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/dialogs/about.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/window/AppWindows.h"
#include "workbench/window/DropDownCombo.h"
#include "workbench/window/StatusLabel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>
#include <unistd.h>

void TDropDownCombo::showPopup() {
    emit DropDown();
    QComboBox::showPopup();
}

TfrmMain::TfrmMain(const TAppWindows& windows, TRegistryStore* store)
    : TGradientForm(nullptr), FWindows(windows), FStore(store) {
    setObjectName(QStringLiteral("frmMain"));
    BuildLayout();
    const TWorkbench workbench{*this, FUi, FCmd};
    FHosts = std::make_unique<THostController>(workbench);
    FQueries = std::make_unique<TQueryController>(workbench);
    FResults = std::make_unique<TResultController>(workbench);
    FSqlFiles = std::make_unique<TSqlFileController>(workbench);
    FEditing = std::make_unique<TEditController>(workbench);
    FCompletion = std::make_unique<TCompletionController>(workbench);
    FFinding = std::make_unique<TFindController>(workbench);
    FDrafts = std::make_unique<TDraftController>(workbench, std::make_unique<TDraftStore>());
    FRunSqlFiles = std::make_unique<TRunSqlFileController>(workbench);
    WireCommands();
    WireEvents();
    FormCreate();
}

QString TfrmMain::VersionText() {
    return QStringLiteral(KORVANA_VERSION_TEXT);
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
    FDrafts->Restore();
}

void TfrmMain::FormDestroy() {
    FDrafts->SaveNow();
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
        FHostList->Load([this](std::unique_ptr<TMySql> host) { FUi.Tree->AddHostNode(std::move(host)); });
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
    if (p.LineNumbers) {
        FUi.mnuLineNumbers->setChecked(*p.LineNumbers);
        FUi.mmoIn->SetLineNumbers(*p.LineNumbers);
    }
    FLineNumbersAtStart = FUi.mnuLineNumbers->isChecked();
    UseResultMemory(p.ResultMemoryMB);
    if (!loaded.Error.empty()) Dialogs().ShowFailure(this, QString::fromStdString(loaded.Error));
}

std::uint64_t TfrmMain::DefaultResultMemory() {
    constexpr std::uint64_t Most = std::uint64_t(4) << 30;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return Most;
    return std::min(Most, std::uint64_t(pages) * std::uint64_t(pageSize) / 4);
}

QString TfrmMain::ResultSpillFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/korvana");
}

void TfrmMain::UseResultMemory(std::optional<std::uint32_t> megabytes) {
    const std::uint64_t budget =
        megabytes && *megabytes > 0 ? std::uint64_t(*megabytes) << 20 : DefaultResultMemory();
    // Owner-only: the file holds the rows of the user's results.
    const QString folder = ResultSpillFolder();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    TResultBlock::SetSpill(QFile::encodeName(folder).toStdString(), budget);
}

void TfrmMain::SaveSettings() {
    // Hosts in tree order; the tree is empty afterwards.
    std::vector<std::unique_ptr<TMySql>> hosts = FUi.Tree->TakeHosts();

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
    // Written once chosen otherwise than at the start; an older build ignores the value.
    std::optional<bool> lineNumbers;
    if (FUi.mnuLineNumbers->isChecked() != FLineNumbersAtStart) lineNumbers = !FLineNumbersAtStart;
    const std::string error = FHostList->Save(std::move(hosts), placement, lineNumbers);
    if (!error.empty()) Dialogs().ShowFailure(this, QString::fromStdString(error));
    if (const std::string& trouble = FHostList->KeyringTrouble(); !trouble.empty())
        Dialogs().ShowFailure(this,
                              QStringLiteral("The passwords could not all be kept in the desktop keyring (") +
                                  QtText(trouble) + QStringLiteral("); they stay in the settings file."));
}

namespace {
// A handler of `controller` as a command's handler.
template <class C> std::function<void()> Run(C& controller, void (C::*handler)()) {
    return [&controller, handler] { (controller.*handler)(); };
}
} // namespace

std::string TfrmMain::ReadKeptPassword(TMySql& host) {
    return FHostList->ReadPassword(host);
}

void TfrmMain::WireCommands() {
    FCommands = new TCommands(this, FUi.Tree);
    const TKeyScope inTree = TKeyScope::Tree;
    auto row = [this](TCommand& command, const std::function<void()>& handler, QToolButton* button,
                      std::vector<TCommandItem> items) {
        command = TCommand(button, std::move(items));
        FCommands->Wire(command, handler);
    };
    using H = THostController;
    using Q = TQueryController;
    using R = TResultController;
    using F = TSqlFileController;
    using E = TEditController;
    using S = TRunSqlFileController;
    using C = TCompletionController;
    using D = TFindController;
    const TMainControls& u = FUi;
    // clang-format off
    //  command             handler                                       tool button        menu items, with their shortcuts
    row(FCmd.Connect,       Run(*FHosts, &H::btnConnectClick),            u.btnConnect,      {{u.mnuConnect}, {u.popmnuConnect}});
    row(FCmd.Disconnect,    Run(*FHosts, &H::btnDisconnectClick),         u.btnDisconnect,   {{u.mnuDisconnect}, {u.popmnuDisconnect}});
    row(FCmd.SelectDb,      Run(*FHosts, &H::btnSelectDbClick),           u.btnSelectDb,     {{u.mnuSelectDb}, {u.popmnuSelectDb}});
    row(FCmd.CreateDb,      Run(*FHosts, &H::btnCreateDbClick),           u.btnCreateDb,     {{u.mnuCreateDb}, {u.popmnuCreateDb}});
    row(FCmd.DeleteDb,      Run(*FHosts, &H::btnDeleteDbClick),           u.btnDeleteDb,     {{u.mnuDeleteDb}, {u.popmnuDeleteDb}});
    row(FCmd.NewHost,       Run(*FHosts, &H::btnNewClick),                u.btnNew,          {{u.mnuNewHost}, {u.popmnuNew, Qt::Key_Insert, inTree}});
    row(FCmd.Properties,    Run(*FHosts, &H::btnPropertiesClick),         u.btnProperties,   {{u.mnuProperties}, {u.popmnuProperties, Qt::ALT | Qt::Key_Return, inTree}});
    row(FCmd.DeleteHost,    Run(*FHosts, &H::btnDeleteClick),             u.btnDelete,       {{u.mnuDelete}, {u.popmnuDelete, Qt::Key_Delete, inTree}});
    row(FCmd.Maximize,      Run(*FResults, &R::btnMaximizeClick),         u.btnMaximize,     {{u.mnuMaximize}, {u.popmnuMaximize}});
    row(FCmd.ExportResult,  Run(*FResults, &R::btnExportResultClick),     u.btnExportResult, {{u.mnuExportResult}, {u.popmnuExportResult}});
    row(FCmd.ClearResult,   Run(*FResults, &R::popmnuClearResultClick),   nullptr,           {{u.popmnuClearResult}});
    row(FCmd.LoadSql,       Run(*FSqlFiles, &F::btnLoadSqlClick),         u.btnLoadSql,      {{u.mnuLoadSql}});
    row(FCmd.SaveSql,       Run(*FSqlFiles, &F::btnSaveSqlClick),         u.btnSaveSql,      {{u.mnuSaveSql}});
    row(FCmd.Previous,      Run(*FQueries, &Q::btnPrevClick),             u.btnPrev,         {});
    row(FCmd.Next,          Run(*FQueries, &Q::btnNextClick),             u.btnNext,         {});
    row(FCmd.Query,         Run(*FQueries, &Q::btnQueryClick),            u.btnQuery,        {{u.mnuQuery, Qt::Key_F12},
                                                                                              {u.mnuQuery2, Qt::ALT | Qt::Key_Q, TKeyScope::BeforeMenuBar}});
    row(FCmd.QueryCurrent,  Run(*FQueries, &Q::mnuQueryCurrentClick),     nullptr,           {{u.mnuQueryCurrent, QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Enter)},
                                                                                              {u.mnuQueryCurrent, Qt::CTRL | Qt::Key_Return}});
    row(FCmd.Refresh,       Run(*FHosts, &H::mnuRefreshClick),            nullptr,           {{u.mnuRefresh}, {u.popmnuRefresh, Qt::Key_F5, inTree}});
    row(FCmd.FilterTree,    Run(*FHosts, &H::mnuFilterTreeClick),         nullptr,           {{u.mnuFilterTree, Qt::CTRL | Qt::SHIFT | Qt::Key_F}});
    row(FCmd.DescribeTable, Run(*FHosts, &H::popmnuDescribeTableClick),   nullptr,           {{u.popmnuDescribeTable}});
    row(FCmd.TableSelect,   Run(*FHosts, &H::popmnuTableSelectClick),     nullptr,           {{u.popmnuTableSelect}});
    row(FCmd.FieldSelect,   Run(*FHosts, &H::popmnuFieldSelectClick),     nullptr,           {{u.popmnuFieldSelect}});
    row(FCmd.Cut,           Run(*FEditing, &E::Cut1Click),                nullptr,           {{u.Cut1, Qt::CTRL | Qt::Key_X}});
    row(FCmd.Copy,          Run(*FEditing, &E::Copy1Click),               nullptr,           {{u.Copy1, Qt::CTRL | Qt::Key_C}});
    row(FCmd.Paste,         Run(*FEditing, &E::Paste1Click),              nullptr,           {{u.Paste1, Qt::CTRL | Qt::Key_V}});
    row(FCmd.ToggleComment, Run(*FEditing, &E::mnuToggleCommentClick),    nullptr,           {{u.mnuToggleComment, Qt::CTRL | Qt::Key_Slash}});
    row(FCmd.GotoLine,      Run(*FEditing, &E::mnuGotoLineClick),         nullptr,           {{u.mnuGotoLine, Qt::CTRL | Qt::Key_G}});
    row(FCmd.Complete,      Run(*FCompletion, &C::mnuCompleteClick),      nullptr,           {{u.mnuComplete, Qt::CTRL | Qt::Key_Space}});
    row(FCmd.About,         Run(*this, &TfrmMain::About1Click),           nullptr,           {{u.About1}});
    row(FCmd.Exit,          Run(*this, &TfrmMain::Exit1Click),            nullptr,           {{u.Exit1}});
    row(FCmd.CopyRows,      Run(*FResults, &R::popmnuCopyRowsClick),      nullptr,           {{u.popmnuCopyRows}});
    row(FCmd.CopyWithNames, Run(*FResults, &R::popmnuCopyWithNamesClick), nullptr,           {{u.popmnuCopyWithNames}});
    row(FCmd.CopyAsInsert,  Run(*FResults, &R::popmnuCopyAsInsertClick),  nullptr,           {{u.popmnuCopyAsInsert}});
    row(FCmd.RunSqlFile,    Run(*FRunSqlFiles, &S::mnuRunSqlFileClick),   nullptr,           {{u.mnuRunSqlFile}});
    row(FCmd.Find,          Run(*FFinding, &D::mnuFindClick),             nullptr,           {{u.mnuFind, Qt::CTRL | Qt::Key_F}});
    row(FCmd.Replace,       Run(*FFinding, &D::mnuReplaceClick),          nullptr,           {{u.mnuReplace, Qt::CTRL | Qt::Key_H}});
    row(FCmd.FindNext,      Run(*FFinding, &D::mnuFindNextClick),         nullptr,           {{u.mnuFindNext, Qt::Key_F3}});
    row(FCmd.FindPrevious,  Run(*FFinding, &D::mnuFindPreviousClick),     nullptr,           {{u.mnuFindPrevious, Qt::SHIFT | Qt::Key_F3}});
    row(FCmd.LineNumbers,   Run(*FEditing, &E::mnuLineNumbersClick),      nullptr,           {{u.mnuLineNumbers}});
    // clang-format on
}

void TfrmMain::WireEvents() {
    connect(FUi.Tree, &TNavigationTree::Clicked, this, &TfrmMain::TreeClick);
    connect(FUi.Tree, &QTreeWidget::itemSelectionChanged, this, &TfrmMain::TreeChange);
    connect(FUi.Tree, &QTreeWidget::itemDoubleClicked, this, &TfrmMain::TreeDblClick);
    connect(FUi.txtTreeFilter, &QLineEdit::textChanged, FUi.Tree, &TNavigationTree::SetFilterText);
    connect(FUi.cmbQueries, &TDropDownCombo::DropDown, this, [this] { FQueries->cmbQueriesDropDown(); });
    connect(FUi.cmbQueries, qOverload<int>(&QComboBox::activated), this,
            [this] { FQueries->cmbQueriesChange(); });
    connect(FUi.lstOut, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { FUi.popResult->popup(FUi.lstOut->viewport()->mapToGlobal(pos)); });
    connect(FUi.tabResults, &QTabBar::tabBarClicked, this,
            [this](int index) { FResults->tabResultsClick(index); });
    connect(FUi.lstOut, &TResultView::DoubleClicked, this, [this] { FResults->btnMaximizeClick(); });
    // The copy commands follow the grid's selection, which a new or cleared result empties.
    connect(FUi.lstOut->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { FResults->UpdateCopyStates(); });
    connect(FUi.lstOut->model(), &QAbstractItemModel::modelReset, this,
            [this] { FResults->UpdateCopyStates(); });
}

void TfrmMain::UpdateCommandStates() {
    TTreeNode* node = FUi.Tree->SelectedNode();
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
    FCmd.QueryCurrent.SetEnabled(connected);
    FCmd.RunSqlFile.SetEnabled(connected); // runs where Query runs
    FCmd.CreateDb.SetEnabled(connected);
    FCmd.Refresh.SetEnabled(connected);
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
    if (isTable) FUi.popmnuTableSelect->setText(QStringLiteral("SELECT * FROM ") + tableName(node));
    FCmd.FieldSelect.SetVisible(isField);
    if (isField)
        FUi.popmnuFieldSelect->setText(QStringLiteral("SELECT ") + SqlName(node->text(0), server) +
                                       QStringLiteral(" FROM ") + tableName(AsNode(node->parent())));
    FUi.N5->setVisible(isTable || isField);
    FCmd.SelectDb.SetEnabled(selectable);
    FCmd.SelectDb.SetChecked(inUse);
    FCmd.DeleteDb.SetEnabled(selectable);
}

void TfrmMain::ForgetLostConnection(TTreeNode* hostNode) {
    if (!hostNode || !hostNode->Host() || hostNode->Host()->IsAlive()) return;
    // The connection object keeps its handle and catalogue until the next Connect releases them:
    // results already shown may still read their error from the handle.
    FUi.Tree->ClearHost(hostNode);
    TNavigationTree::SetHostConnectedLook(hostNode, false);
    UpdateCommandStates();
    FUi.Tree->viewport()->update();
}

void TfrmMain::TreeClick() {
    UpdateCommandStates();
}

void TfrmMain::TreeChange() {
    UpdateCommandStates();
}

void TfrmMain::TreeDblClick() {
    FEditing->InsertSelectedName();
}

QString TfrmMain::StatusText() const {
    return FStatusLabel->text();
}

void TfrmMain::SetStatusText(const QString& text, bool repaintNow) {
    FStatusLabel->SetStatus(text);
    if (repaintNow) FUi.StatusBar->repaint();
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
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FUi.Tree->SyncHostCaptions();
}

void TfrmMain::Exit1Click() {
    close();
}

void TfrmMain::About1Click() {
    Windows().AboutBox->exec();
}
