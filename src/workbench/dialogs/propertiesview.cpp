#include "workbench/dialogs/propertiesview.h"

#include "workbench/dialogs/FixedDialog.h"

#include "server/MySql.h"
#include "sql/QtText.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/waiting/ServerWaitGuard.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

// Resources of a static library are not registered on their own; this must sit outside any
// namespace.
static void InitPropertiesResources() {
    Q_INIT_RESOURCE(properties);
}

namespace {

// The port edit takes a signed 32-bit decimal number, sign allowed, nothing else around it.
std::optional<int> ParsePort(const QString& text) {
    const std::string bytes = ServerText(text);
    std::string_view digits(bytes);
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-') return std::nullopt;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

QFrame* HorizontalRule(QWidget* parent) {
    auto* rule = new QFrame(parent);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}

QLabel* Caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QLineEdit* Edit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

} // namespace

TfrmProperties::TfrmProperties(TDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint),
      FDialogs(dialogs) {
    InitPropertiesResources();
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("Properties"));
    MakeFixedDialog(*this, 359, 390);

    FPages = new QTabWidget(this);
    FPages->setObjectName(QStringLiteral("PageControl"));
    FPages->tabBar()->setAttribute(Qt::WA_Hover); // hot-tracked tabs
    tabGeneral = BuildGeneralPage();
    tabHost = BuildHostPage();
    FPages->addTab(tabGeneral, QStringLiteral("General"));
    FPages->addTab(tabHost, QStringLiteral("Host details"));

    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnApply = new QPushButton(QStringLiteral("&Apply"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnApply->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnApply);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(FPages, 1);
    layout->addLayout(buttons);

    connect(btnOk, &QPushButton::clicked, this, &TfrmProperties::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnApply, &QPushButton::clicked, this, &TfrmProperties::btnApplyClick);
    connect(btnRefresh, &QPushButton::clicked, this, &TfrmProperties::btnRefreshClick);
    connect(btnGrants, &QPushButton::clicked, this, &TfrmProperties::btnGrantsClick);
    for (QLineEdit* edit : {txtName, txtHost, txtPort, txtUser, txtPassword})
        connect(edit, &QLineEdit::textChanged, this, &TfrmProperties::txtNameChange);

    setTabOrder(txtName, txtHost);
    setTabOrder(txtHost, txtPort);
    setTabOrder(txtPort, txtUser);
    setTabOrder(txtUser, txtPassword);
    setTabOrder(txtPassword, btnOk);
    setTabOrder(btnOk, btnCancel);
    setTabOrder(btnCancel, btnApply);
}

TfrmProperties::~TfrmProperties() = default;

QWidget* TfrmProperties::BuildGeneralPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabGeneral"));

    auto* icon = new QLabel(page);
    icon->setObjectName(QStringLiteral("imgHost"));
    icon->setPixmap(QIcon(QStringLiteral(":/properties/properties-host.svg")).pixmap(32, 32));
    icon->setFixedSize(32, 32);
    lblName = new QLabel(page);
    lblName->setObjectName(QStringLiteral("lblName"));

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addWidget(lblName, 1);

    txtName = Edit("txtName", page);
    txtHost = Edit("txtHost", page);
    txtPort = Edit("txtPort", page);
    txtUser = Edit("txtUser", page);
    txtPassword = Edit("txtPassword", page);
    txtPassword->setEchoMode(QLineEdit::Password);
    // Every character shows as "*", whatever the style's own mask character is.
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    auto* edits = new QGridLayout;
    edits->setColumnStretch(1, 1);
    edits->addWidget(Caption(QStringLiteral("Friendly name:"), page), 0, 0);
    edits->addWidget(txtName, 0, 1);
    edits->addWidget(Caption(QStringLiteral("Host name:"), page), 1, 0);
    edits->addWidget(txtHost, 1, 1);
    edits->addWidget(Caption(QStringLiteral("Port"), page), 2, 0);
    edits->addWidget(txtPort, 2, 1);
    edits->addWidget(Caption(QStringLiteral("User name:"), page), 3, 0);
    edits->addWidget(txtUser, 3, 1);
    edits->addWidget(Caption(QStringLiteral("Password:"), page), 4, 0);
    edits->addWidget(txtPassword, 4, 1);

    lblConnected = new QLabel(page);
    lblConnected->setObjectName(QStringLiteral("lblConnected"));
    auto* status = new QHBoxLayout;
    status->addWidget(Caption(QStringLiteral("Status:"), page));
    status->addWidget(lblConnected, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(HorizontalRule(page));
    layout->addLayout(edits);
    layout->addWidget(HorizontalRule(page));
    layout->addLayout(status);
    layout->addStretch();
    return page;
}

QWidget* TfrmProperties::BuildHostPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabHost"));

    auto value = [page](const char* name) {
        auto* label = new QLabel(page);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    lblVersion = value("lblVersion");
    lblHostInfo = value("lblHostInfo");
    lblThreadId = value("lblThreadId");
    lblStat = value("lblStat");
    lblStat->setWordWrap(true);
    lblStat->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblStat->setFixedSize(217, 65);

    btnGrants = new QPushButton(QStringLiteral("Refresh &Grants"), page);
    btnGrants->setObjectName(QStringLiteral("btnGrants"));
    btnGrants->setAutoDefault(false);
    btnRefresh = new QPushButton(QStringLiteral("&Refresh Processes"), page);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnRefresh->setAutoDefault(false);

    auto* info = new QGridLayout;
    info->setColumnStretch(1, 1);
    info->addWidget(Caption(QStringLiteral("Version"), page), 0, 0);
    info->addWidget(lblVersion, 0, 1);
    info->addWidget(btnGrants, 0, 2, Qt::AlignRight | Qt::AlignTop);
    info->addWidget(Caption(QStringLiteral("Connection:"), page), 1, 0);
    info->addWidget(lblHostInfo, 1, 1, 1, 2);
    info->addWidget(Caption(QStringLiteral("Connection ID:"), page), 2, 0);
    info->addWidget(lblThreadId, 2, 1, 1, 2);
    auto* statCaption = Caption(QStringLiteral("Server Statistics:"), page);
    statCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    info->addWidget(statCaption, 3, 0, Qt::AlignTop);
    info->addWidget(lblStat, 3, 1, 1, 2, Qt::AlignLeft | Qt::AlignTop);

    auto* processes = new QHBoxLayout;
    processes->addWidget(Caption(QStringLiteral("Processes on server"), page));
    processes->addStretch();
    processes->addWidget(btnRefresh);

    lstProcesses = new QTreeWidget(page);
    lstProcesses->setObjectName(QStringLiteral("lstProcesses"));
    lstProcesses->setColumnCount(5);
    lstProcesses->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("User"), QStringLiteral("Host"),
                                   QStringLiteral("Db"), QStringLiteral("Command")});
    const int widths[] = {30, 70, 75, 70, 64};
    for (int i = 0; i < 5; ++i)
        lstProcesses->setColumnWidth(i, widths[i]);
    lstProcesses->header()->setStretchLastSection(false);
    lstProcesses->setRootIsDecorated(false);
    lstProcesses->setItemsExpandable(false);
    lstProcesses->setUniformRowHeights(true);
    lstProcesses->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstProcesses->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstProcesses->setSelectionMode(QAbstractItemView::SingleSelection);
    lstProcesses->setAllColumnsShowFocus(true);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(info);
    layout->addLayout(processes);
    layout->addWidget(lstProcesses, 1);
    return page;
}

void TfrmProperties::showEvent(QShowEvent* event) {
    // A window un-minimised by the platform is not a new showing.
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TfrmProperties::FormShow() {
    if (!FMySql) return;
    // Only a connection object with a handle asks its server anything.
    std::optional<TServerWaitGuard> waiting;
    if (FMySql->Handle()) waiting.emplace();
    const QString name = QtText(FMySql->Name);
    lblName->setText(name);
    txtName->setText(name);
    txtHost->setText(QtText(FMySql->Host));
    txtPort->setText(FMySql->Port == 0 ? QStringLiteral("3306") : QString::number(FMySql->Port));
    txtUser->setText(QtText(FMySql->User));
    txtPassword->setText(QtText(FMySql->Password));

    const bool alive = FMySql->IsAlive();
    lblConnected->setText(alive ? QStringLiteral("Connected") : QStringLiteral("Not connected"));
    lblVersion->setText(QtText(FMySql->ServerInfo()));
    lblHostInfo->setText(QtText(FMySql->HostInfo()));
    lblStat->setText(QtText(FMySql->Statistics()));
    lblThreadId->setText(QString::number(FMySql->ThreadId()));

    FPages->setTabVisible(FPages->indexOf(tabHost), alive);
    FPages->setCurrentWidget(tabGeneral);

    // Filling the edits counted as changes.
    btnApply->setEnabled(false);

    if (alive) RefreshProcesses();
    btnRefresh->setEnabled(alive);
    lstProcesses->setEnabled(alive);
}

void TfrmProperties::txtNameChange() {
    btnApply->setEnabled(true);
}

void TfrmProperties::btnApplyClick() {
    if (FMySql) {
        FMySql->Name = ServerText(txtName->text());
        FMySql->Host = ServerText(txtHost->text());
        FMySql->User = ServerText(txtUser->text());
        FMySql->Password = ServerText(txtPassword->text());
        if (const std::optional<int> port = ParsePort(txtPort->text())) {
            FMySql->Port = *port;
        } else {
            txtPort->setFocus();
            FDialogs.ErrorBox(this, txtPort->text() + QStringLiteral(" is not a valid integer value."));
        }
    }
    btnApply->setEnabled(false);
}

void TfrmProperties::btnOkClick() {
    // A refused port was already reported; the dialog still closes with OK.
    btnApplyClick();
    accept();
}

void TfrmProperties::keyPressEvent(QKeyEvent* event) {
    // Both buttons answer Escape and Ok comes first, so Escape applies and closes with OK.
    // The title bar's close box still cancels (QDialog's closeEvent rejects).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        btnOk->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmProperties::btnRefreshClick() {
    TServerWaitGuard waiting;
    RefreshProcesses();
}

void TfrmProperties::RefreshProcesses() {
    if (!FMySql) return;
    const TResult* result = FMySql->ProcessList();
    // A failed request leaves the rows of the last good one.
    if (!result || !result->ErrorText().empty()) return;

    lstProcesses->setUpdatesEnabled(false);
    lstProcesses->clear();
    const int columns = lstProcesses->columnCount();
    QList<QTreeWidgetItem*> items;
    items.reserve(result->Rows.Count());
    for (int r = 0; r < result->Rows.Count(); ++r) {
        const TRow row = result->Rows.Items(r);
        auto* item = new QTreeWidgetItem;
        const int shown = std::min(row.Count(), columns);
        for (int c = 0; c < shown; ++c)
            item->setText(c, QtText(row.Values(c)));
        items.append(item);
    }
    lstProcesses->addTopLevelItems(items);
    lstProcesses->setUpdatesEnabled(true);
}

void TfrmProperties::btnGrantsClick() {
    // The outcome is not shown, as with the server's own reload command.
    TServerWaitGuard waiting;
    if (FMySql) FMySql->RefreshGrants();
}
