#include "workbench/dialogs/propertiesview.h"

#include "workbench/dialogs/FixedDialog.h"

#include "server/MySql.h"
#include "sql/QtText.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/waiting/ServerWaitGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
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
    tabSecurity = BuildSecurityPage();
    tabHost = BuildHostPage();
    FPages->addTab(tabGeneral, QStringLiteral("General"));
    FPages->addTab(tabSecurity, QStringLiteral("Security"));
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
    for (QLineEdit* edit : {txtName, txtHost, txtPort, txtUser, txtPassword, txtTlsCa, txtTlsCert, txtTlsKey,
                            txtSshHost, txtSshPort, txtSshUser, txtSshKey})
        connect(edit, &QLineEdit::textChanged, this, &TfrmProperties::txtNameChange);
    connect(chkKeyring, &QCheckBox::toggled, this, &TfrmProperties::txtNameChange);
    connect(chkSsh, &QCheckBox::toggled, this, [this] {
        chkSshChange();
        txtNameChange();
    });
    connect(cmbTlsMode, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
        cmbTlsModeChange();
        txtNameChange();
    });

    setTabOrder(txtName, txtHost);
    setTabOrder(txtHost, txtPort);
    setTabOrder(txtPort, txtUser);
    setTabOrder(txtUser, txtPassword);
    setTabOrder(txtPassword, btnOk);
    setTabOrder(cmbTlsMode, txtTlsCa);
    setTabOrder(txtTlsCa, btnTlsCa);
    setTabOrder(btnTlsCa, txtTlsCert);
    setTabOrder(txtTlsCert, btnTlsCert);
    setTabOrder(btnTlsCert, txtTlsKey);
    setTabOrder(txtTlsKey, btnTlsKey);
    setTabOrder(btnTlsKey, chkKeyring);
    setTabOrder(chkKeyring, chkSsh);
    setTabOrder(chkSsh, txtSshHost);
    setTabOrder(txtSshHost, txtSshPort);
    setTabOrder(txtSshPort, txtSshUser);
    setTabOrder(txtSshUser, txtSshKey);
    setTabOrder(txtSshKey, btnSshKey);
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

namespace {

// The modes in the order of TTlsMode, in words.
const char* const TlsModeTexts[] = {
    "Preferred: encrypted when the server offers it",
    "Required: always encrypted, certificate not checked",
    "Verify CA: the certificate must be signed by the CA",
    "Verify identity: as Verify CA, and it must name the host",
    "Disabled: never encrypted",
};

} // namespace

QWidget* TfrmProperties::BuildSecurityPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabSecurity"));
    cmbTlsMode = new QComboBox(page);
    cmbTlsMode->setObjectName(QStringLiteral("cmbTlsMode"));
    for (const char* text : TlsModeTexts)
        cmbTlsMode->addItem(QString::fromLatin1(text));

    auto* files = new QGridLayout;
    files->setColumnStretch(1, 1);
    const auto fileRow = [&](int row, const QString& caption, const char* name, const char* button,
                             const QString& title, QLineEdit*& field, QPushButton*& browse) {
        field = Edit(name, page);
        browse = new QPushButton(QStringLiteral("\u2026"), page);
        browse->setObjectName(QString::fromLatin1(button));
        browse->setAutoDefault(false);
        browse->setFixedWidth(28);
        connect(browse, &QPushButton::clicked, this, [this, field, title] { BrowseFile(field, title); });
        files->addWidget(Caption(caption, page), row, 0);
        files->addWidget(field, row, 1);
        files->addWidget(browse, row, 2);
    };
    fileRow(0, QStringLiteral("CA file:"), "txtTlsCa", "btnTlsCa", QStringLiteral("CA certificates"),
            txtTlsCa, btnTlsCa);
    fileRow(1, QStringLiteral("Certificate:"), "txtTlsCert", "btnTlsCert",
            QStringLiteral("Client certificate"), txtTlsCert, btnTlsCert);
    fileRow(2, QStringLiteral("Key:"), "txtTlsKey", "btnTlsKey", QStringLiteral("Client key"), txtTlsKey,
            btnTlsKey);

    chkKeyring = new QCheckBox(QStringLiteral("&Keep the password in the desktop keyring"), page);
    chkKeyring->setObjectName(QStringLiteral("chkKeyring"));

    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(4);
    layout->addWidget(Caption(QStringLiteral("Encryption (TLS):"), page));
    layout->addWidget(cmbTlsMode);
    layout->addWidget(HorizontalRule(page));
    layout->addLayout(files);
    layout->addWidget(HorizontalRule(page));
    layout->addWidget(chkKeyring);
    layout->addWidget(BuildSshGroup(page));
    layout->addStretch();
    return page;
}

QWidget* TfrmProperties::BuildSshGroup(QWidget* page) {
    auto* group = new QGroupBox(QStringLiteral("SSH tunnel"), page);
    group->setObjectName(QStringLiteral("grpSsh"));
    chkSsh = new QCheckBox(QStringLiteral("Connect through an &SSH server"), group);
    chkSsh->setObjectName(QStringLiteral("chkSsh"));
    txtSshHost = Edit("txtSshHost", group);
    txtSshPort = Edit("txtSshPort", group);
    txtSshPort->setFixedWidth(52);
    txtSshPort->setPlaceholderText(QStringLiteral("22"));
    txtSshUser = Edit("txtSshUser", group);
    txtSshKey = Edit("txtSshKey", group);
    // Empty fields leave the choice to ssh and its configuration, as in a terminal.
    txtSshUser->setPlaceholderText(QStringLiteral("as ssh chooses"));
    txtSshKey->setPlaceholderText(QStringLiteral("as ssh chooses"));
    btnSshKey = new QPushButton(QStringLiteral("\u2026"), group);
    btnSshKey->setObjectName(QStringLiteral("btnSshKey"));
    btnSshKey->setAutoDefault(false);
    btnSshKey->setFixedWidth(28);
    connect(btnSshKey, &QPushButton::clicked, this,
            [this] { BrowseFile(txtSshKey, QStringLiteral("SSH private key")); });

    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(3);
    grid->setColumnStretch(1, 1);
    grid->addWidget(chkSsh, 0, 0, 1, 4);
    grid->addWidget(Caption(QStringLiteral("SSH host:"), group), 1, 0);
    grid->addWidget(txtSshHost, 1, 1);
    grid->addWidget(Caption(QStringLiteral("Port:"), group), 1, 2);
    grid->addWidget(txtSshPort, 1, 3);
    grid->addWidget(Caption(QStringLiteral("SSH user:"), group), 2, 0);
    grid->addWidget(txtSshUser, 2, 1, 1, 3);
    grid->addWidget(Caption(QStringLiteral("Key:"), group), 3, 0);
    auto* key = new QHBoxLayout;
    key->addWidget(txtSshKey, 1);
    key->addWidget(btnSshKey);
    grid->addLayout(key, 3, 1, 1, 3);
    return group;
}

void TfrmProperties::chkSshChange() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{txtSshHost, txtSshPort, txtSshUser, txtSshKey, btnSshKey})
        w->setEnabled(chkSsh->isChecked());
}

void TfrmProperties::cmbTlsModeChange() {
    const auto mode = static_cast<TTlsMode>(std::max(0, cmbTlsMode->currentIndex()));
    const bool tls = mode != TTlsMode::Disabled;
    const bool verify = mode == TTlsMode::VerifyCa || mode == TTlsMode::VerifyIdentity;
    for (QWidget* w : std::initializer_list<QWidget*>{txtTlsCa, btnTlsCa})
        w->setEnabled(verify);
    for (QWidget* w : std::initializer_list<QWidget*>{txtTlsCert, btnTlsCert, txtTlsKey, btnTlsKey})
        w->setEnabled(tls);
}

void TfrmProperties::BrowseFile(QLineEdit* field, const QString& title) {
    TFileDialog dialog(TFileDialog::Open, title);
    dialog.FileName = field->text();
    dialog.FileMustExist = true;
    if (const std::optional<QString> chosen = FDialogs.ChooseFile(this, dialog)) field->setText(*chosen);
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
    lblEncryption = value("lblEncryption");
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
    info->addWidget(Caption(QStringLiteral("Encryption:"), page), 2, 0);
    info->addWidget(lblEncryption, 2, 1, 1, 2);
    info->addWidget(Caption(QStringLiteral("Connection ID:"), page), 3, 0);
    info->addWidget(lblThreadId, 3, 1, 1, 2);
    auto* statCaption = Caption(QStringLiteral("Server Statistics:"), page);
    statCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    info->addWidget(statCaption, 4, 0, Qt::AlignTop);
    info->addWidget(lblStat, 4, 1, 1, 2, Qt::AlignLeft | Qt::AlignTop);

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
    cmbTlsMode->setCurrentIndex(static_cast<int>(FMySql->Tls.Mode));
    cmbTlsModeChange();
    txtTlsCa->setText(QtText(FMySql->Tls.Ca));
    txtTlsCert->setText(QtText(FMySql->Tls.Cert));
    txtTlsKey->setText(QtText(FMySql->Tls.Key));
    chkKeyring->setChecked(FMySql->PasswordInKeyring);
    chkSsh->setChecked(!FMySql->Ssh.Host.empty());
    chkSshChange();
    txtSshHost->setText(QtText(FMySql->Ssh.Host));
    txtSshPort->setText(FMySql->Ssh.Port == 0 ? QString() : QString::number(FMySql->Ssh.Port));
    txtSshUser->setText(QtText(FMySql->Ssh.User));
    txtSshKey->setText(QtText(FMySql->Ssh.Key));

    const bool alive = FMySql->IsAlive();
    lblConnected->setText(alive ? QStringLiteral("Connected") : QStringLiteral("Not connected"));
    lblVersion->setText(QtText(FMySql->ServerInfo()));
    lblHostInfo->setText(QtText(FMySql->HostInfo()));
    const std::string encryption = FMySql->Encryption();
    lblEncryption->setText(encryption.empty() ? QStringLiteral("not encrypted") : QtText(encryption));
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
        FMySql->Tls.Mode = static_cast<TTlsMode>(std::max(0, cmbTlsMode->currentIndex()));
        FMySql->Tls.Ca = ServerText(txtTlsCa->text());
        FMySql->Tls.Cert = ServerText(txtTlsCert->text());
        FMySql->Tls.Key = ServerText(txtTlsKey->text());
        FMySql->PasswordInKeyring = chkKeyring->isChecked();
        const bool portTaken = ApplyPort(txtPort, FMySql->Port);
        ApplySsh(portTaken);
    }
    btnApply->setEnabled(false);
}

bool TfrmProperties::ApplyPort(QLineEdit* edit, int& port) {
    if (const std::optional<int> value = ParsePort(edit->text())) {
        port = *value;
        return true;
    }
    edit->setFocus();
    FDialogs.ErrorBox(this, edit->text() + QStringLiteral(" is not a valid integer value."));
    return false;
}

void TfrmProperties::ApplySsh(bool askAboutPort) {
    // No tunnel is stored as no SSH values at all; an empty SSH host means no tunnel either.
    if (!chkSsh->isChecked() || txtSshHost->text().isEmpty()) {
        FMySql->Ssh = TSshSettings();
        return;
    }
    FMySql->Ssh.Host = ServerText(txtSshHost->text());
    FMySql->Ssh.User = ServerText(txtSshUser->text());
    FMySql->Ssh.Key = ServerText(txtSshKey->text());
    // Empty: ssh's own port. Of two refused ports only the first is told.
    if (txtSshPort->text().trimmed().isEmpty())
        FMySql->Ssh.Port = 0;
    else if (const std::optional<int> port = ParsePort(txtSshPort->text()))
        FMySql->Ssh.Port = *port;
    else if (askAboutPort)
        ApplyPort(txtSshPort, FMySql->Ssh.Port);
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
