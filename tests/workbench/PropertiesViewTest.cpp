// The host properties dialog, driven through its real controls on the offscreen platform; the
// connected cases talk to the sandbox server.

#include "workbench/dialogs/propertiesview.h"

#include "Sandbox.h"
#include "server/MySql.h"
#include "workbench/dialogs/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable failure messages for QString comparisons.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

struct ErrorBoxCall {
    QString Title;
    QString Text;
    QWidget* Focus = nullptr;
};

// Records the message boxes the dialog shows, with the control that had the focus meanwhile.
class TRecordingDialogs : public TDialogs {
public:
    explicit TRecordingDialogs(std::vector<ErrorBoxCall>& calls) : FCalls(calls) {}
    TMsgResult MessageBox(QWidget*, const QString& title, const QString& text, TMsgKind, TMsgButtons,
                          std::optional<TMsgResult>) override {
        FCalls.push_back({title, text, QApplication::focusWidget()});
        return TMsgResult::Ok;
    }
    bool InputQuery(QWidget*, const QString&, const QString&, QString&) override { return false; }
    std::optional<QString> ChooseFile(QWidget*, const TFileDialog& dialog) override {
        Offered.push_back(dialog.FileName);
        if (Files.empty()) return std::nullopt;
        const QString chosen = Files.front();
        Files.erase(Files.begin());
        return chosen;
    }
    std::vector<QString> Files;   // answers of the file dialogs to come
    std::vector<QString> Offered; // what each file dialog was opened on

private:
    std::vector<ErrorBoxCall>& FCalls;
};

class PropertiesView : public ::testing::Test {
protected:
    void SetUp() override { Dialog = std::make_unique<TfrmProperties>(Boxes); }

    void TearDown() override {
        if (Dialog->isVisible()) Dialog->hide();
    }

    template <class T> T* Child(const char* name) {
        T* w = Dialog->findChild<T*>(QString::fromLatin1(name));
        if (!w) throw std::runtime_error(std::string("no control ") + name);
        return w;
    }

    QLineEdit* Edit(const char* name) { return Child<QLineEdit>(name); }
    QString Text(const char* label) { return Child<QLabel>(label)->text(); }

    // Shows the dialog for `host` as a caller does, and makes it the active window so that keys
    // and focus behave as for a person at the keyboard.
    void ShowFor(TMySql* host) {
        Dialog->SetMySql(host);
        Dialog->show();
        QApplication::setActiveWindow(Dialog.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(Dialog.get()));
    }

    void Retype(const char* edit, const QString& text) {
        QLineEdit* e = Edit(edit);
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        // keyClicks knows ASCII only; other characters arrive as a key carrying just its text.
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClicks(e, QString(c));
            else
                QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    bool HostPageShown() {
        auto* pages = Child<QTabWidget>("PageControl");
        return pages->isTabVisible(pages->indexOf(Child<QWidget>("tabHost")));
    }

    bool GeneralPageActive() {
        return Child<QTabWidget>("PageControl")->currentWidget() == Child<QWidget>("tabGeneral");
    }

    std::vector<ErrorBoxCall> Errors;
    TRecordingDialogs Boxes{Errors};
    std::unique_ptr<TfrmProperties> Dialog;
};

std::unique_ptr<TMySql> OfflineHost(const std::string& name, int port) {
    auto m = std::make_unique<TMySql>();
    m->Name = name;
    m->Host = "db-" + name + ".example";
    m->User = "ann";
    m->Password = "s3cret";
    m->Port = port;
    return m;
}

// ---- Filling on every showing ------------------------------------------------------------------

TEST_F(PropertiesView, ShowingFillsTheGeneralPageFromTheHost) {
    auto host = OfflineHost("alpha", 0);
    ShowFor(host.get());

    EXPECT_EQ(Dialog->windowTitle(), "Properties");
    EXPECT_EQ(Dialog->size(), QSize(359, 390));
    EXPECT_EQ(Text("lblName"), "alpha");
    EXPECT_EQ(Edit("txtName")->text(), "alpha");
    EXPECT_EQ(Edit("txtHost")->text(), "db-alpha.example");
    EXPECT_EQ(Edit("txtPort")->text(), "3306") << "port 0 shows the usual port";
    EXPECT_EQ(Edit("txtUser")->text(), "ann");
    EXPECT_EQ(Edit("txtPassword")->text(), "s3cret");
    EXPECT_EQ(Edit("txtPassword")->displayText(), "******");
    EXPECT_EQ(Text("lblConnected"), "Not connected");
    EXPECT_FALSE(Child<QPushButton>("btnApply")->isEnabled()) << "filling the edits is no change";

    // Not connected: only "General", nothing to refresh.
    EXPECT_FALSE(HostPageShown());
    EXPECT_TRUE(GeneralPageActive());
    EXPECT_FALSE(Child<QPushButton>("btnRefresh")->isEnabled());
    EXPECT_FALSE(Child<QTreeWidget>("lstProcesses")->isEnabled());
    EXPECT_EQ(Text("lblThreadId"), "0");
    EXPECT_EQ(Text("lblVersion"), "");
}

TEST_F(PropertiesView, EveryShowingRefillsFromTheObjectAndNotFromWhatWasTyped) {
    auto alpha = OfflineHost("alpha", 5123);
    ShowFor(alpha.get());
    EXPECT_EQ(Edit("txtPort")->text(), "5123");
    Retype("txtName", "typed but cancelled");
    QTest::mouseClick(Child<QPushButton>("btnCancel"), Qt::LeftButton);
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);

    ShowFor(alpha.get());
    EXPECT_EQ(Edit("txtName")->text(), "alpha");
    Dialog->hide();

    auto beta = OfflineHost("beta", 3307);
    ShowFor(beta.get());
    EXPECT_EQ(Text("lblName"), "beta");
    EXPECT_EQ(Edit("txtHost")->text(), "db-beta.example");
    EXPECT_EQ(Edit("txtPort")->text(), "3307");

    // The name beside the icon is the one the dialog was shown with, also after Apply.
    Retype("txtName", "gamma");
    QTest::mouseClick(Child<QPushButton>("btnApply"), Qt::LeftButton);
    EXPECT_EQ(beta->Name, "gamma");
    EXPECT_EQ(Text("lblName"), "beta");
}

TEST_F(PropertiesView, EditsTakeTheFocusInOrder) {
    auto host = OfflineHost("alpha", 0);
    ShowFor(host.get());
    Edit("txtName")->setFocus();
    for (const char* next : {"txtHost", "txtPort", "txtUser", "txtPassword"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), Edit(next)) << next;
    }
}

// ---- Apply -------------------------------------------------------------------------------------

TEST_F(PropertiesView, AnyOfTheFiveEditsEnablesApplyAndApplyDisablesItAgain) {
    auto host = OfflineHost("alpha", 0);
    for (const char* edit : {"txtName", "txtHost", "txtPort", "txtUser", "txtPassword"}) {
        ShowFor(host.get());
        auto* apply = Child<QPushButton>("btnApply");
        ASSERT_FALSE(apply->isEnabled());
        Edit(edit)->setFocus();
        QTest::keyClicks(Edit(edit), "7");
        EXPECT_TRUE(apply->isEnabled()) << edit;
        QTest::mouseClick(apply, Qt::LeftButton);
        EXPECT_FALSE(apply->isEnabled()) << edit;
        Dialog->hide();
    }
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(host->Name, "alpha7");
    EXPECT_EQ(host->Host, "db-alpha.example7");
    EXPECT_EQ(host->Port, 33067);
    EXPECT_EQ(host->User, "ann7");
    EXPECT_EQ(host->Password, "s3cret7");
}

TEST_F(PropertiesView, ApplyWritesTheSettingsAsTypedWithAnyPortNumber) {
    auto host = OfflineHost("alpha", 0);
    ShowFor(host.get());
    Retype("txtName", " spaced name ");
    Retype("txtHost", "");
    Retype("txtUser", "b\u00f6b");
    Retype("txtPassword", "p a ss");

    const struct {
        const char* Typed;
        int Port;
    } accepted[] = {{"70000", 70000},
                    {"-1", -1},
                    {"+42", 42},
                    {"0", 0},
                    {"2147483647", 2147483647},
                    {"-2147483648", -2147483647 - 1}};
    for (const auto& a : accepted) {
        Retype("txtPort", a.Typed);
        QTest::mouseClick(Child<QPushButton>("btnApply"), Qt::LeftButton);
        EXPECT_EQ(host->Port, a.Port) << a.Typed;
    }
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(host->Name, " spaced name ");
    EXPECT_EQ(host->Host, "");
    EXPECT_EQ(host->User, "b\xc3\xb6"
                          "b");
    EXPECT_EQ(host->Password, "p a ss");
}

TEST_F(PropertiesView, APortThatIsNoIntegerIsRefusedWithTheMessageAndTheRestIsWritten) {
    for (const char* bad : {"abc", "", "12abc", "33 06", "1.5", "2147483648", "-2147483649", "+-1", "0x10"}) {
        Errors.clear();
        auto host = OfflineHost("alpha", 4000);
        ShowFor(host.get());
        Retype("txtName", "renamed");
        Retype("txtPort", bad);
        Retype("txtUser", "carl");
        QTest::mouseClick(Child<QPushButton>("btnApply"), Qt::LeftButton);

        ASSERT_EQ(Errors.size(), 1u) << bad;
        EXPECT_EQ(Errors[0].Title, "Error");
        EXPECT_EQ(Errors[0].Text, QString::fromLatin1(bad) + " is not a valid integer value.");
        EXPECT_EQ(Errors[0].Focus, Edit("txtPort")) << "the port edit has the focus when the box shows";
        EXPECT_EQ(host->Port, 4000) << bad;
        EXPECT_EQ(host->Name, "renamed");
        EXPECT_EQ(host->User, "carl");
        EXPECT_FALSE(Child<QPushButton>("btnApply")->isEnabled()) << "disabled also after a refused port";
        Dialog->hide();
    }
}

TEST_F(PropertiesView, ApplyWithoutAConnectionObjectChangesNothingAndDoesNotCrash) {
    Dialog->SetMySql(nullptr);
    Dialog->show();
    Retype("txtPort", "abc");
    QTest::mouseClick(Child<QPushButton>("btnOk"), Qt::LeftButton);
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(Errors.empty());
}

// ---- Closing: Ok, Enter, Escape, Cancel, the close box -----------------------------------------

TEST_F(PropertiesView, OkAppliesAndClosesWithOkEvenWhenThePortIsRefused) {
    auto host = OfflineHost("alpha", 4000);
    ShowFor(host.get());
    Retype("txtHost", "elsewhere");
    Retype("txtPort", "abc");
    QTest::mouseClick(Child<QPushButton>("btnOk"), Qt::LeftButton);

    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0].Text, "abc is not a valid integer value.");
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(host->Host, "elsewhere");
    EXPECT_EQ(host->Port, 4000);
}

TEST_F(PropertiesView, NewHostConfirmedAtOnceGetsEmptySettingsAndTheUsualPort) {
    TMySql fresh; // as New host makes it: empty settings, port 0
    ShowFor(&fresh);
    ASSERT_FALSE(Child<QPushButton>("btnApply")->isEnabled());
    QTest::mouseClick(Child<QPushButton>("btnOk"), Qt::LeftButton);
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(fresh.Name, "");
    EXPECT_EQ(fresh.Host, "");
    EXPECT_EQ(fresh.User, "");
    EXPECT_EQ(fresh.Password, "");
    EXPECT_EQ(fresh.Port, 3306) << "Ok applies also while Apply is disabled";
}

TEST_F(PropertiesView, EscapeInTheModalDialogAppliesAndClosesWithOk) {
    TMySql fresh;
    Dialog->SetMySql(&fresh);
    bool typed = false;
    QTimer::singleShot(0, Dialog.get(), [&] {
        QApplication::setActiveWindow(Dialog.get());
        if (!QTest::qWaitForWindowActive(Dialog.get())) return Dialog->done(-1);
        Edit("txtName")->setFocus();
        QTest::keyClicks(Edit("txtName"), "fresh");
        typed = true;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    const int result = Dialog->exec();
    ASSERT_TRUE(typed);
    EXPECT_EQ(result, QDialog::Accepted) << "Escape creates the host in New host";
    EXPECT_EQ(fresh.Name, "fresh");
    EXPECT_EQ(fresh.Port, 3306);
}

TEST_F(PropertiesView, EnterRunsOk) {
    auto host = OfflineHost("alpha", 0);
    ShowFor(host.get());
    Retype("txtUser", "dora");
    QTest::keyClick(Edit("txtUser"), Qt::Key_Return);
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(host->User, "dora");
}

TEST_F(PropertiesView, CancelAndTheCloseBoxKeepOnlyWhatWasApplied) {
    auto host = OfflineHost("alpha", 0);
    ShowFor(host.get());
    Retype("txtName", "one");
    QTest::mouseClick(Child<QPushButton>("btnApply"), Qt::LeftButton);
    Retype("txtName", "two");
    Retype("txtPort", "1234");
    QTest::mouseClick(Child<QPushButton>("btnCancel"), Qt::LeftButton);
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);
    EXPECT_EQ(host->Name, "one");
    EXPECT_EQ(host->Port, 3306);

    ShowFor(host.get());
    Retype("txtName", "three");
    Dialog->close(); // the title bar's close box
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);
    EXPECT_EQ(host->Name, "one");
    EXPECT_TRUE(Errors.empty());
}

// ---- Connected to the sandbox server -----------------------------------------------------------

struct ProcessRow {
    std::vector<QString> Values;
};

std::vector<ProcessRow> Processes(QTreeWidget* list) {
    std::vector<ProcessRow> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        ProcessRow row;
        for (int c = 0; c < item->columnCount(); ++c)
            row.Values.push_back(item->text(c));
        rows.push_back(row);
    }
    return rows;
}

const ProcessRow* RowOf(const std::vector<ProcessRow>& rows, unsigned long threadId) {
    for (const ProcessRow& r : rows)
        if (!r.Values.empty() && r.Values[0] == QString::number(threadId)) return &r;
    return nullptr;
}

TEST_F(PropertiesView, AConnectedHostShowsItsServerDetailsAndProcesses) {
    auto host = ConnectedSandbox();
    ShowFor(host.get());

    EXPECT_EQ(Text("lblConnected"), "Connected");
    EXPECT_TRUE(HostPageShown());
    EXPECT_TRUE(GeneralPageActive());
    EXPECT_FALSE(Child<QPushButton>("btnApply")->isEnabled());
    EXPECT_FALSE(Text("lblVersion").isEmpty());
    EXPECT_EQ(Text("lblVersion").toStdString(), host->ServerInfo());
    EXPECT_EQ(Text("lblHostInfo").toStdString(), host->HostInfo());
    EXPECT_NE(host->ThreadId(), 0u);
    EXPECT_EQ(Text("lblThreadId"), QString::number(host->ThreadId()));
    EXPECT_TRUE(Text("lblStat").startsWith("Uptime:")) << Text("lblStat").toStdString();
    EXPECT_TRUE(Child<QLabel>("lblStat")->wordWrap());
    EXPECT_EQ(Child<QLabel>("lblStat")->size(), QSize(217, 65));

    auto* list = Child<QTreeWidget>("lstProcesses");
    EXPECT_TRUE(list->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("btnRefresh")->isEnabled());
    ASSERT_EQ(list->columnCount(), 5);
    const char* headers[] = {"ID", "User", "Host", "Db", "Command"};
    const int widths[] = {30, 70, 75, 70, 64};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(list->headerItem()->text(c), headers[c]);
        EXPECT_EQ(list->header()->sectionSize(c), widths[c]);
    }

    // Filled at once on showing, five values a row, taken in the server's order.
    const auto rows = Processes(list);
    const ProcessRow* own = RowOf(rows, host->ThreadId());
    ASSERT_NE(own, nullptr) << "the dialog's own connection is among the processes";
    ASSERT_EQ(own->Values.size(), 5u);
    EXPECT_EQ(own->Values[1].toStdString(), Sandbox().User);
    EXPECT_TRUE(own->Values[2].startsWith("127.0.0.1") || own->Values[2].startsWith("localhost"))
        << own->Values[2].toStdString();
    // The list request shows up as the command it came by, or as a query where it is sent as one.
    EXPECT_TRUE(own->Values[4] == "Processlist" || own->Values[4] == "Query") << own->Values[4].toStdString();
}

TEST_F(PropertiesView, RefreshProcessesFollowsTheServer) {
    auto host = ConnectedSandbox();
    ShowFor(host.get());
    auto* list = Child<QTreeWidget>("lstProcesses");

    auto other = ConnectedSandbox();
    TempDatabase db("props");
    other->Execute("USE " + QuoteIdentifier(db.Name()));
    EXPECT_EQ(RowOf(Processes(list), other->ThreadId()), nullptr) << "not refreshed yet";
    QTest::mouseClick(Child<QPushButton>("btnRefresh"), Qt::LeftButton);
    const auto rows = Processes(list);
    const ProcessRow* seen = RowOf(rows, other->ThreadId());
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(seen->Values[3].toStdString(), db.Name());
    EXPECT_FALSE(seen->Values[4].isEmpty()) << "the command column is filled";

    const unsigned long gone = other->ThreadId();
    other.reset();
    // The server notices a closed client a moment later.
    for (int i = 0; i < 50 && RowOf(Processes(list), gone); ++i) {
        QTest::mouseClick(Child<QPushButton>("btnRefresh"), Qt::LeftButton);
        if (RowOf(Processes(list), gone)) QTest::qWait(20);
    }
    EXPECT_EQ(RowOf(Processes(list), gone), nullptr);
}

TEST_F(PropertiesView, AFailedProcessRequestLeavesTheListAsItWas) {
    auto host = ConnectedSandbox();
    ShowFor(host.get());
    auto* list = Child<QTreeWidget>("lstProcesses");
    const auto before = Processes(list);
    ASSERT_NE(RowOf(before, host->ThreadId()), nullptr);

    // Cut the dialog's connection from the server side: the next request fails.
    auto admin = ConnectedSandbox();
    TResult* killed = admin->Execute("KILL " + std::to_string(host->ThreadId()));
    ASSERT_EQ(killed->ErrorText(), "");
    QTest::mouseClick(Child<QPushButton>("btnRefresh"), Qt::LeftButton);
    ASSERT_NE(host->LastResult(), nullptr);
    EXPECT_NE(host->LastResult()->ErrorText(), "") << "the request really failed";

    const auto after = Processes(list);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i].Values, before[i].Values);
    EXPECT_TRUE(Errors.empty()) << "nothing is shown for it";
}

TEST_F(PropertiesView, AfterDisconnectOnlyTheGeneralPageIsShown) {
    auto host = ConnectedSandbox();
    ShowFor(host.get());
    ASSERT_TRUE(HostPageShown());
    // Show the details page, so that the next showing has to come back to "General".
    Child<QTabWidget>("PageControl")->setCurrentWidget(Child<QWidget>("tabHost"));
    Dialog->hide();

    host->Disconnect();
    ShowFor(host.get());
    EXPECT_EQ(Text("lblConnected"), "Not connected");
    EXPECT_FALSE(HostPageShown());
    EXPECT_TRUE(GeneralPageActive());
    EXPECT_EQ(Text("lblThreadId"), "0");
    EXPECT_EQ(Text("lblVersion"), "");
    EXPECT_EQ(Text("lblStat"), "");
    EXPECT_FALSE(Child<QPushButton>("btnRefresh")->isEnabled());
}

TEST_F(PropertiesView, RefreshGrantsReloadsTheServersGrantTables) {
    auto admin = ConnectedSandbox();
    const std::string user = "korvana_grants_" + std::to_string(admin->ThreadId());
    // A login written straight into the grant table exists for the server only after a reload.
    admin->Execute("DROP USER IF EXISTS '" + user + "'@'%'");
    TResult* inserted =
        admin->Execute("INSERT INTO mysql.global_priv (Host, User, Priv) VALUES ('%', '" + user + "', '{}')");
    ASSERT_EQ(inserted->ErrorText(), "");

    auto login = SandboxHost("grants");
    login->User = user;
    login->Password = "";
    ASSERT_FALSE(login->Connect()) << "the new login works before any reload";

    auto host = ConnectedSandbox();
    ShowFor(host.get());
    QTest::mouseClick(Child<QPushButton>("btnGrants"), Qt::LeftButton);
    const bool works = login->Connect();
    login->Disconnect();
    admin->Execute("DROP USER IF EXISTS '" + user + "'@'%'");
    EXPECT_TRUE(works) << login->ErrorText();
    EXPECT_TRUE(Errors.empty());
}

} // namespace

namespace {

// ---- Encryption ---------------------------------------------------------------------------------

TEST_F(PropertiesView, TheSecurityPageSetsTheEncryptionAndHostDetailsTellWhatTheConnectionGot) {
    auto host = OfflineHost("secure", 3306);
    ShowFor(host.get());
    auto* pages = Child<QTabWidget>("PageControl");
    ASSERT_EQ(pages->indexOf(Child<QWidget>("tabSecurity")), 1) << "between General and Host details";
    EXPECT_EQ(pages->tabText(1), "Security");
    auto* mode = Child<QComboBox>("cmbTlsMode");
    EXPECT_EQ(mode->count(), 5);
    EXPECT_EQ(mode->currentIndex(), 0) << "preferred by default";
    const auto enabled = [&](const char* name) { return Child<QWidget>(name)->isEnabled(); };
    EXPECT_FALSE(enabled("txtTlsCa"));
    EXPECT_TRUE(enabled("txtTlsCert"));

    // Down three times: verify-identity, which uses the CA; the browse button fills it.
    pages->setCurrentIndex(1);
    mode->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(mode, Qt::Key_Down);
    EXPECT_EQ(mode->currentIndex(), static_cast<int>(TTlsMode::VerifyIdentity));
    EXPECT_TRUE(enabled("txtTlsCa"));
    EXPECT_TRUE(Child<QPushButton>("btnApply")->isEnabled());
    Boxes.Files = {QStringLiteral("/etc/ssl/ca.pem")};
    Child<QPushButton>("btnTlsCa")->click();
    EXPECT_EQ(Edit("txtTlsCa")->text(), "/etc/ssl/ca.pem");
    Retype("txtTlsCert", QStringLiteral("/home/ann/client.pem"));
    Retype("txtTlsKey", QStringLiteral("/home/ann/client-key.pem"));
    auto* keyring = Child<QCheckBox>("chkKeyring");
    EXPECT_FALSE(keyring->isChecked()) << "off for a host by default";
    keyring->setFocus();
    QTest::keyClick(keyring, Qt::Key_Space);
    Child<QPushButton>("btnApply")->click();
    EXPECT_TRUE(host->PasswordInKeyring);
    EXPECT_EQ(host->Tls, (TTlsSettings{TTlsMode::VerifyIdentity, "/etc/ssl/ca.pem", "/home/ann/client.pem",
                                       "/home/ann/client-key.pem"}));
    // Disabled uses none of the files, and they stay as they were typed.
    QTest::keyClick(mode, Qt::Key_Down);
    for (const char* name : {"txtTlsCa", "btnTlsCa", "txtTlsCert", "txtTlsKey"})
        EXPECT_FALSE(enabled(name)) << name;
    Dialog->hide();

    // Host details: the TLS server's cipher, and "not encrypted" over a plain connection.
    auto tls = SandboxHost("tls");
    tls->Port = std::atoi(std::getenv("KORVANA_TLS_PORT"));
    tls->Tls.Mode = TTlsMode::Required;
    ASSERT_TRUE(tls->Connect()) << tls->ErrorText();
    ShowFor(tls.get());
    EXPECT_EQ(Child<QComboBox>("cmbTlsMode")->currentIndex(), static_cast<int>(TTlsMode::Required));
    EXPECT_TRUE(Text("lblEncryption").startsWith("TLSv1.")) << Text("lblEncryption").toStdString();
    EXPECT_EQ(Text("lblEncryption").toStdString(), tls->Encryption());
    Dialog->hide();
    auto plain = ConnectedSandbox();
    ShowFor(plain.get());
    EXPECT_EQ(Text("lblEncryption"), "not encrypted");
}

} // namespace

namespace {

// ---- SSH tunnel ---------------------------------------------------------------------------------

TEST_F(PropertiesView, TheSshGroupSetsTheTunnelAndShowsItAgain) {
    auto host = OfflineHost("behind", 3306);
    ShowFor(host.get());
    Child<QTabWidget>("PageControl")->setCurrentWidget(Child<QWidget>("tabSecurity"));
    EXPECT_EQ(Child<QGroupBox>("grpSsh")->title(), "SSH tunnel");
    auto* ssh = Child<QCheckBox>("chkSsh");
    const char* const fields[] = {"txtSshHost", "txtSshPort", "txtSshUser", "txtSshKey", "btnSshKey"};
    EXPECT_FALSE(ssh->isChecked()) << "no tunnel by default";
    for (const char* name : fields)
        EXPECT_FALSE(Child<QWidget>(name)->isEnabled()) << name;

    QTest::mouseClick(ssh, Qt::LeftButton, {}, QPoint(4, ssh->height() / 2));
    ASSERT_TRUE(ssh->isChecked());
    for (const char* name : fields)
        EXPECT_TRUE(Child<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(Child<QPushButton>("btnApply")->isEnabled());
    Retype("txtSshHost", QStringLiteral("bastion.example.org"));
    Retype("txtSshPort", QStringLiteral("2222"));
    Retype("txtSshUser", QStringLiteral("ann"));
    Boxes.Files = {QStringLiteral("/home/ann/.ssh/id_ed25519")};
    Child<QPushButton>("btnSshKey")->click();
    EXPECT_EQ(Edit("txtSshKey")->text(), "/home/ann/.ssh/id_ed25519");
    Child<QPushButton>("btnOk")->click();
    const TSshSettings set{"bastion.example.org", 2222, "ann", "/home/ann/.ssh/id_ed25519"};
    EXPECT_EQ(host->Ssh, set);
    EXPECT_EQ(host->Host, "db-behind.example") << "the host's own name stays the server's";
    EXPECT_TRUE(Errors.empty());

    ShowFor(host.get());
    EXPECT_TRUE(Child<QCheckBox>("chkSsh")->isChecked());
    EXPECT_EQ(Edit("txtSshHost")->text(), "bastion.example.org");
    EXPECT_EQ(Edit("txtSshPort")->text(), "2222");
    EXPECT_EQ(Edit("txtSshUser")->text(), "ann");
    EXPECT_FALSE(Child<QPushButton>("btnApply")->isEnabled());
    // An empty port is ssh's own; a port that is no number is refused as the host's port is.
    Retype("txtSshPort", QString());
    Child<QPushButton>("btnApply")->click();
    EXPECT_EQ(host->Ssh.Port, 0);
    Retype("txtSshPort", QStringLiteral("twenty"));
    Child<QPushButton>("btnApply")->click();
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0].Text, "twenty is not a valid integer value.");
    EXPECT_EQ(Errors[0].Focus, Edit("txtSshPort"));
    EXPECT_EQ(host->Ssh.Port, 0);
    EXPECT_EQ(host->Ssh.Host, "bastion.example.org") << "the other values are taken";

    // Unchecked, the host has no tunnel and keeps no SSH values.
    QTest::mouseClick(Child<QCheckBox>("chkSsh"), Qt::LeftButton, {}, QPoint(4, ssh->height() / 2));
    Child<QPushButton>("btnApply")->click();
    EXPECT_EQ(host->Ssh, TSshSettings{});
    Dialog->hide();
    ShowFor(host.get());
    EXPECT_FALSE(Child<QCheckBox>("chkSsh")->isChecked());
    EXPECT_TRUE(Edit("txtSshHost")->text().isEmpty());
}

} // namespace
