// The host and database commands, run from their real tool buttons, menu items and keys against the
// sandbox server.

#include "WindowTestSupport.h"
#include "workbench/waiting/ServerWaitGuard.h"

#include "Sandbox.h"
#include "SilentListener.h"
#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "server/SshAsk.h"
#include "workbench/controllers/QueryHistory.h"
#include "workbench/dialogs/propertiesview.h"
#include "workbench/grid/ResultModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cerrno>
#include <csignal>
#include <functional>
#include <string>

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

// A window with one sandbox host, and a database of the test's own that is never the one in use
// after connecting (the catalogue's first database comes before "korvana_").
class HostCommands : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Db = std::make_unique<TempDatabase>("cmd");
        Db->Run("CREATE TABLE orders (id INT, name VARCHAR(10))");
        Db->Run("INSERT INTO orders VALUES (1, 'one'), (2, 'two')");
        Db->Run("CREATE TABLE `order` (`select` INT, `my col` INT)");
        Db->Run("CREATE TABLE `my table` (n INT)");
        Db->Run("INSERT INTO `my table` VALUES (7)");
        Open();
        HostNode = Ui(*Window).Tree->AddHostNode(SandboxHost("sandbox"));
        Host = HostNode->Host();
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window));
        // Every status text that was painted, in order: catches the ones shown before a long call.
        Window->findChild<QLabel*>(QStringLiteral("StatusText"))->installEventFilter(&Painted);
    }
    void TearDown() override {
        WindowTest::TearDown();
        Db.reset();
    }

    struct TPaintLog : QObject {
        QStringList Texts;
        bool WaitCursorAtConnecting = false;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint) {
                const QString t = static_cast<QLabel*>(o)->text();
                if (Texts.isEmpty() || Texts.back() != t) Texts << t;
                if (t.startsWith(QLatin1String("Connecting to ")))
                    WaitCursorAtConnecting = QApplication::overrideCursor() &&
                                             QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            }
            return false;
        }
    } Painted;

    // Keys reach the tree only in the active window; a modal dialog takes that away for a while.
    void Activate() {
        QApplication::setActiveWindow(Window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window));
        Ui(*Window).Tree->setFocus();
    }
    QString HostPort(int port) const {
        return QString::fromStdString(Host->Host) + ':' + QString::number(port);
    }
    QString Status() const { return Window->StatusText(); }
    void Select(QTreeWidgetItem* node) {
        Ui(*Window).Tree->setCurrentItem(node);
        ASSERT_TRUE(node->isSelected());
    }
    TTreeNode* Child(QTreeWidgetItem* parent, const QString& caption) const {
        // A table's field nodes are made when it opens; made here without opening it.
        TNavigationTree::MakeFieldNodes(AsNode(parent));
        for (int i = 0; i < parent->childCount(); ++i)
            if (parent->child(i)->text(0) == caption) return AsNode(parent->child(i));
        return nullptr;
    }
    TTreeNode* DbNode(const std::string& name) const { return Child(HostNode, QString::fromStdString(name)); }
    TTreeNode* OurDb() const { return DbNode(Db->Name()); }
    TTreeNode* InUseDb() const {
        for (int i = 0; i < HostNode->childCount(); ++i)
            if (AsNode(HostNode->child(i))->Database()->Selected) return AsNode(HostNode->child(i));
        return nullptr;
    }
    void Connect() {
        Select(HostNode);
        Ui(*Window).btnConnect->click();
        ASSERT_EQ(Status(), QStringLiteral("Connected to ") + HostPort(Host->Port));
    }
    bool ServerHasDatabase(const std::string& name) {
        TResult* r = Db->Admin().Execute("SHOW DATABASES LIKE '" + name + "'");
        return r->Rows.Count() == 1;
    }
    std::string CurrentDatabase() {
        TResult* r = Host->Execute("SELECT DATABASE()");
        return r->Rows.Count() == 1 ? std::string(r->Rows.Items(0).Values(0)) : std::string();
    }

    // Runs `act` on the properties dialog once it is shown modally; a dialog still open after
    // that is cancelled, so a broken command cannot hang the test.
    // The dialog reads from the server while it opens (the event loop runs meanwhile): the act waits
    // until that is over.
    void WhenPropertiesShow(std::function<void(TfrmProperties&)> act, int triesLeft = 500) {
        QTimer::singleShot(triesLeft == 500 ? 0 : 10, Window, [this, act, triesLeft] {
            TfrmProperties* d = Windows->frmProperties.get();
            const bool ready = d->isVisible() && QApplication::activeModalWidget() == d;
            if ((!ready || TServerWaitGuard::Active()) && triesLeft > 0)
                return WhenPropertiesShow(act, triesLeft - 1);
            if (!ready) {
                ADD_FAILURE() << "the properties dialog is not shown modally";
                return;
            }
            act(*d);
            if (d->isVisible()) {
                ADD_FAILURE() << "the dialog stayed open";
                d->reject();
            }
        });
    }
    static QLineEdit* Edit(TfrmProperties& d, const char* name) {
        return d.findChild<QLineEdit*>(QLatin1String(name));
    }
    static void Press(TfrmProperties& d, const char* button) {
        d.findChild<QPushButton*>(QLatin1String(button))->click();
    }

    std::unique_ptr<TempDatabase> Db;
    TTreeNode* HostNode = nullptr;
    TMySql* Host = nullptr;
};

// ---- Connect and Disconnect ----------------------------------------------------------------------

TEST_F(HostCommands, ConnectAndDisconnectFromEveryControl) {
    TfrmMain& w = *Window;
    const std::vector<std::pair<std::function<void()>, std::function<void()>>> controls = {
        {[&] { Ui(w).btnConnect->click(); }, [&] { Ui(w).btnDisconnect->click(); }},
        {[&] { Ui(w).mnuConnect->trigger(); }, [&] { Ui(w).mnuDisconnect->trigger(); }},
        {[&] { Ui(w).popmnuConnect->trigger(); }, [&] { Ui(w).popmnuDisconnect->trigger(); }},
    };
    for (const auto& [connect, disconnect] : controls) {
        Select(HostNode);
        w.UpdateCommandStates();
        Painted.Texts.clear();
        connect();
        EXPECT_EQ(Painted.Texts.value(0), QStringLiteral("Connecting to ") + HostPort(Host->Port));
        EXPECT_TRUE(Painted.WaitCursorAtConnecting);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(Status(), QStringLiteral("Connected to ") + HostPort(Host->Port));
        EXPECT_TRUE(Host->IsAlive());
        EXPECT_EQ(HostNode->StateIndex(), 1);
        ASSERT_EQ(HostNode->childCount(), Host->Databases()->Count());
        EXPECT_TRUE(HostNode->isExpanded());
        EXPECT_FALSE(HostNode->child(0)->isExpanded());
        EXPECT_FALSE(Ui(w).btnConnect->isEnabled());
        EXPECT_TRUE(Ui(w).btnDisconnect->isEnabled());
        EXPECT_TRUE(Ui(w).btnQuery->isEnabled());

        // Disconnecting from a field node: the selection passes to the host node.
        Select(Child(Child(OurDb(), QStringLiteral("orders")), QStringLiteral("id")));
        Painted.Texts.clear();
        disconnect();
        EXPECT_EQ(Painted.Texts.value(0), QStringLiteral("Disconnecting from ") + HostPort(Host->Port));
        EXPECT_EQ(Status(), QStringLiteral("Disconnected from ") + HostPort(Host->Port));
        EXPECT_FALSE(Host->IsAlive());
        EXPECT_EQ(HostNode->childCount(), 0);
        EXPECT_EQ(HostNode->StateIndex(), 2);
        EXPECT_EQ(Ui(w).Tree->SelectedNode(), HostNode);
        EXPECT_TRUE(Ui(w).btnConnect->isEnabled());
        EXPECT_FALSE(Ui(w).btnDisconnect->isEnabled());
        EXPECT_FALSE(Ui(w).btnQuery->isEnabled());
    }
}

TEST_F(HostCommands, FailedConnectsReportTheLibrarysErrorWithThePortAsStored) {
    Host->Host = "127.0.0.1";
    for (int port : {1, 0}) {
        Host->Port = port;
        Select(HostNode);
        Painted.Texts.clear();
        Ui(*Window).popmnuConnect->trigger();
        EXPECT_EQ(Painted.Texts.value(0), QStringLiteral("Connecting to 127.0.0.1:") + QString::number(port));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        if (port == 0 && Host->IsAlive()) continue; // something answers on the default port here
        EXPECT_EQ(Status(), QStringLiteral("Connect failed: ") + QString::fromStdString(Host->ErrorText()));
        EXPECT_FALSE(Host->ErrorText().empty());
        EXPECT_EQ(HostNode->StateIndex(), 2);
        EXPECT_EQ(HostNode->childCount(), 0);
        EXPECT_TRUE(Ui(*Window).btnConnect->isEnabled());
    }
}

TEST_F(HostCommands, ConnectAfterALostConnectionRebuildsTheNodesFromTheNewCatalogue) {
    Connect();
    Db->Run("KILL " + std::to_string(Host->ThreadId()));
    Host->Execute("SELECT 1"); // finds the connection gone
    ASSERT_FALSE(Host->IsAlive());
    Select(OurDb());
    ASSERT_TRUE(Ui(*Window).btnConnect->isEnabled());
    Ui(*Window).btnConnect->click();
    ASSERT_EQ(Status(), QStringLiteral("Connected to ") + HostPort(Host->Port));
    const TDatabases* dbs = Host->Databases();
    ASSERT_EQ(HostNode->childCount(), dbs->Count());
    for (int i = 0; i < dbs->Count(); ++i)
        EXPECT_EQ(AsNode(HostNode->child(i))->Database(), dbs->Items(i));
}

TEST_F(HostCommands, ACommandThatFindsTheConnectionGoneLeavesTheHostDisconnected) {
    const auto expectDisconnectedLook = [this] {
        EXPECT_EQ(HostNode->StateIndex(), 2);
        EXPECT_EQ(HostNode->childCount(), 0);
        EXPECT_EQ(Ui(*Window).Tree->SelectedNode(), HostNode);
        EXPECT_TRUE(Ui(*Window).btnConnect->isEnabled());
        EXPECT_FALSE(Ui(*Window).btnDisconnect->isEnabled());
        EXPECT_FALSE(Ui(*Window).btnQuery->isEnabled());
    };
    // The Query command.
    Connect();
    Select(Child(OurDb(), QStringLiteral("orders")));
    Db->Run("KILL " + std::to_string(Host->ThreadId()));
    Ui(*Window).mmoIn->SetText(QStringLiteral("SELECT 1"));
    Ui(*Window).btnQuery->click();
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Error"))) << Status().toStdString();
    expectDisconnectedLook();

    // Connect works as usual afterwards.
    Ui(*Window).btnConnect->click();
    ASSERT_EQ(Status(), QStringLiteral("Connected to ") + HostPort(Host->Port));
    EXPECT_EQ(HostNode->StateIndex(), 1);
    ASSERT_NE(OurDb(), nullptr);

    // A SELECT item of the tree menu.
    Select(Child(OurDb(), QStringLiteral("orders")));
    Db->Run("KILL " + std::to_string(Host->ThreadId()));
    Ui(*Window).popmnuTableSelect->trigger();
    expectDisconnectedLook();

    // Select database.
    Ui(*Window).btnConnect->click();
    ASSERT_EQ(HostNode->StateIndex(), 1);
    Select(OurDb());
    Db->Run("KILL " + std::to_string(Host->ThreadId()));
    Ui(*Window).btnSelectDb->click();
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Error selecting database: "))) << Status().toStdString();
    expectDisconnectedLook();
}

// ---- Select database -----------------------------------------------------------------------------

TEST_F(HostCommands, SelectingADatabaseSwapsTheInUseLookAndTheServersCurrentDatabase) {
    Connect();
    TTreeNode* former = InUseDb();
    TTreeNode* ours = OurDb();
    ASSERT_TRUE(former && ours && former != ours);
    Select(ours);
    Ui(*Window).btnSelectDb->click();
    EXPECT_EQ(Status(), QStringLiteral("Database '") + ours->text(0) + QStringLiteral("' selected"));
    EXPECT_EQ(CurrentDatabase(), Db->Name());
    EXPECT_TRUE(ours->Database()->Selected);
    EXPECT_FALSE(former->Database()->Selected);
    EXPECT_EQ(ours->ImageIndex(), 8);
    EXPECT_EQ(ours->SelectedIndex(), 9);
    EXPECT_EQ(former->ImageIndex(), 2);
    EXPECT_EQ(former->SelectedIndex(), 3);
    // The selection ends on the new database, and the states show it in use.
    EXPECT_EQ(Ui(*Window).Tree->SelectedNode(), ours);
    EXPECT_TRUE(Ui(*Window).btnSelectDb->isChecked());
    EXPECT_FALSE(Ui(*Window).btnSelectDb->isEnabled());
    EXPECT_FALSE(Ui(*Window).btnDeleteDb->isEnabled());

    // And back through the menus.
    Select(former);
    Ui(*Window).mnuSelectDb->trigger();
    EXPECT_TRUE(former->Database()->Selected);
    EXPECT_FALSE(ours->Database()->Selected);
    EXPECT_EQ(ours->ImageIndex(), 2);
    Select(ours);
    Ui(*Window).popmnuSelectDb->trigger();
    EXPECT_EQ(CurrentDatabase(), Db->Name());
}

TEST_F(HostCommands, SelectingADatabaseThatIsGoneReportsTheErrorAndChangesNothing) {
    TempDatabase gone("gone");
    Connect();
    TTreeNode* former = InUseDb();
    TTreeNode* node = DbNode(gone.Name());
    ASSERT_NE(node, nullptr);
    gone.Run("DROP DATABASE " + QuoteIdentifier(gone.Name()));
    Select(node);
    Ui(*Window).btnSelectDb->click();
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Error selecting database: ")));
    EXPECT_EQ(Status(),
              QStringLiteral("Error selecting database: ") + QString::fromStdString(Host->ErrorText()));
    EXPECT_TRUE(former->Database()->Selected);
    EXPECT_EQ(former->ImageIndex(), 8);
    EXPECT_EQ(node->ImageIndex(), 2);
}

// ---- Create and drop ------------------------------------------------------------------------------

TEST_F(HostCommands, CreatedAndDroppedDatabasesShowAtOnce) {
    Connect();
    TfrmMain& w = *Window;
    const std::string stem = Db->Name() + "_new";
    const std::vector<std::pair<std::function<void()>, std::function<void()>>> controls = {
        {[&] { Ui(w).btnCreateDb->click(); }, [&] { Ui(w).btnDeleteDb->click(); }},
        {[&] { Ui(w).mnuCreateDb->trigger(); }, [&] { Ui(w).mnuDeleteDb->trigger(); }},
        {[&] { Ui(w).popmnuCreateDb->trigger(); }, [&] { Ui(w).popmnuDeleteDb->trigger(); }},
    };
    int n = 0;
    for (const auto& [create, drop] : controls) {
        const std::string name = stem + std::to_string(n++);
        Select(OurDb());
        Dialogs.AnswerInput(QString::fromStdString(name));
        create();
        ASSERT_EQ(Status(), QStringLiteral("Database Created"));
        ASSERT_TRUE(ServerHasDatabase(name));
        EXPECT_EQ(Dialogs.Questions().back().Title, QStringLiteral("Create database"));
        EXPECT_EQ(Dialogs.Questions().back().Text, QStringLiteral("Name of the database?"));
        EXPECT_EQ(Dialogs.Questions().back().Offered, QString());
        TTreeNode* created = DbNode(name);
        ASSERT_NE(created, nullptr);
        EXPECT_TRUE(HostNode->isExpanded());
        EXPECT_EQ(Ui(w).Tree->SelectedNode(), HostNode);
        // The rebuilt tree is whole: our tables and their fields are back.
        EXPECT_EQ(Child(Child(OurDb(), QStringLiteral("orders")), QStringLiteral("name"))->Kind(),
                  TNodeKind::Field);

        Select(created);
        ASSERT_TRUE(Ui(w).btnDeleteDb->isEnabled());
        Dialogs.Answer(TMsgResult::Yes);
        drop();
        EXPECT_EQ(Status(), QStringLiteral("Database deleted"));
        EXPECT_EQ(Dialogs.Questions().back().Title, QStringLiteral("Confirm"));
        EXPECT_EQ(Dialogs.Questions().back().Buttons, TMsgButtons::YesNo);
        // Enter must not drop a database.
        EXPECT_EQ(Dialogs.Questions().back().DefaultButton, TMsgResult::No);
        EXPECT_EQ(Dialogs.Questions().back().Text,
                  QStringLiteral("Are you sure you want to delete the database '") +
                      QString::fromStdString(name) +
                      QStringLiteral("' ?\n\rDELETING IT WILL DESTROY ALL DATA IN IT FOREVER!"));
        EXPECT_FALSE(ServerHasDatabase(name));
        EXPECT_EQ(DbNode(name), nullptr);
        EXPECT_NE(OurDb(), nullptr);
    }
}

TEST_F(HostCommands, CreateAndDropKeepTheDatabaseInUseUnlessItWasDropped) {
    Connect();
    TfrmMain& w = *Window;
    TTreeNode* walkPick = InUseDb();
    ASSERT_NE(walkPick, nullptr);
    const std::string walkName = walkPick->Database()->Name;
    ASSERT_NE(walkName, Db->Name());
    Select(OurDb());
    Ui(w).btnSelectDb->click();
    ASSERT_EQ(CurrentDatabase(), Db->Name());

    const std::string other = Db->Name() + "_other";
    Dialogs.AnswerInput(QString::fromStdString(other));
    Ui(w).btnCreateDb->click();
    ASSERT_EQ(Status(), QStringLiteral("Database Created"));
    EXPECT_EQ(CurrentDatabase(), Db->Name());
    EXPECT_EQ(InUseDb(), OurDb());
    EXPECT_EQ(OurDb()->ImageIndex(), 8);
    EXPECT_EQ(DbNode(walkName)->ImageIndex(), 2);
    EXPECT_FALSE(DbNode(walkName)->Database()->Selected);

    Select(DbNode(other));
    Dialogs.Answer(TMsgResult::Yes);
    Ui(w).btnDeleteDb->click();
    ASSERT_EQ(Status(), QStringLiteral("Database deleted"));
    EXPECT_EQ(CurrentDatabase(), Db->Name());
    EXPECT_EQ(InUseDb(), OurDb());
    EXPECT_EQ(OurDb()->ImageIndex(), 8);

    // The database in use went meanwhile (dropped elsewhere): the walk of the catalogue decides.
    const std::string doomed = Db->Name() + "_doomed";
    Dialogs.AnswerInput(QString::fromStdString(doomed));
    Ui(w).btnCreateDb->click();
    Select(DbNode(doomed));
    Ui(w).btnSelectDb->click();
    ASSERT_EQ(CurrentDatabase(), doomed);
    Db->Admin().Execute("DROP DATABASE `" + doomed + "`");
    const std::string after = Db->Name() + "_after";
    Select(HostNode);
    Dialogs.AnswerInput(QString::fromStdString(after));
    Ui(w).btnCreateDb->click();
    ASSERT_EQ(Status(), QStringLiteral("Database Created"));
    Db->Admin().Execute("DROP DATABASE `" + after + "`");
    EXPECT_EQ(DbNode(doomed), nullptr);
    ASSERT_NE(InUseDb(), nullptr);
    EXPECT_EQ(InUseDb()->Database()->Name, walkName);
    EXPECT_EQ(CurrentDatabase(), walkName);
    EXPECT_EQ(InUseDb()->ImageIndex(), 8);
}

TEST_F(HostCommands, RefusedAndFailingCreateAndDropAreReported) {
    TempDatabase gone("gone");
    Connect();
    // A cancelled input box goes on with the empty name, which the server refuses.
    Select(HostNode);
    Dialogs.AnswerInput(std::nullopt);
    Ui(*Window).btnCreateDb->click();
    EXPECT_EQ(Status(),
              QStringLiteral("Error creating database: ") + QString::fromStdString(Host->ErrorText()));
    EXPECT_FALSE(Host->ErrorText().empty());

    // No to the drop: nothing is dropped.
    Select(OurDb());
    Dialogs.Answer(TMsgResult::No);
    Ui(*Window).btnDeleteDb->click();
    EXPECT_EQ(Status(), QStringLiteral("Error Deleting Database: User canceled"));
    EXPECT_TRUE(ServerHasDatabase(Db->Name()));
    EXPECT_NE(OurDb(), nullptr);

    // A database that went by other means: the server's error.
    TTreeNode* node = DbNode(gone.Name());
    ASSERT_NE(node, nullptr);
    gone.Run("DROP DATABASE " + QuoteIdentifier(gone.Name()));
    Select(node);
    Dialogs.Answer(TMsgResult::Yes);
    Ui(*Window).btnDeleteDb->click();
    EXPECT_EQ(Status(),
              QStringLiteral("Error Deleting Database: ") + QString::fromStdString(Host->ErrorText()));
    EXPECT_NE(DbNode(gone.Name()), nullptr);
}

// ---- New host, properties, delete host --------------------------------------------------------------

TEST_F(HostCommands, NewHostAddsANodeOnOkOrEscapeAndLeavesNoTraceOnCancel) {
    TfrmMain& w = *Window;
    WhenPropertiesShow([](TfrmProperties& d) {
        EXPECT_EQ(Edit(d, "txtPort")->text(), QStringLiteral("3306"));
        Edit(d, "txtName")->setText(QStringLiteral("alpha"));
        Press(d, "btnOk");
    });
    Ui(w).btnNew->click();
    EXPECT_EQ(Status(), QStringLiteral("Host alpha created."));
    ASSERT_EQ(Ui(w).Tree->HostNodes().size(), 2u);
    TTreeNode* alpha = Ui(w).Tree->HostNodes().back();
    EXPECT_EQ(alpha->text(0), QStringLiteral("alpha"));
    EXPECT_EQ(alpha->Host()->Port, 3306);
    EXPECT_EQ(alpha->StateIndex(), 2);
    EXPECT_FALSE(alpha->isSelected());

    WhenPropertiesShow([](TfrmProperties& d) {
        Edit(d, "txtName")->setText(QStringLiteral("beta"));
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    Ui(w).mnuNewHost->trigger();
    EXPECT_EQ(Status(), QStringLiteral("Host beta created."));
    ASSERT_EQ(Ui(w).Tree->HostNodes().size(), 3u);

    WhenPropertiesShow([](TfrmProperties& d) {
        Edit(d, "txtName")->setText(QStringLiteral("gamma"));
        Press(d, "btnCancel");
    });
    Ui(w).popmnuNew->trigger();
    EXPECT_EQ(Status(), QStringLiteral("Host beta created."));
    EXPECT_EQ(Ui(w).Tree->HostNodes().size(), 3u);

    // A refused port goes through the window's dialogs, and Ok still creates the host.
    Dialogs.Answer(TMsgResult::Ok);
    WhenPropertiesShow([](TfrmProperties& d) {
        Edit(d, "txtName")->setText(QStringLiteral("delta"));
        Edit(d, "txtPort")->setText(QStringLiteral("abc"));
        Press(d, "btnOk");
    });
    Activate();
    QTest::keyClick(Ui(w).Tree, Qt::Key_Insert);
    EXPECT_EQ(Status(), QStringLiteral("Host delta created."));
    EXPECT_EQ(Ui(w).Tree->HostNodes().back()->Host()->Port, 0);
    ASSERT_FALSE(Dialogs.Questions().empty());
    EXPECT_EQ(Dialogs.Questions().back().Title, QStringLiteral("Error"));
    EXPECT_EQ(Dialogs.Questions().back().Text, QStringLiteral("abc is not a valid integer value."));
}

TEST_F(HostCommands, PropertiesEditTheSelectedNodesHost) {
    Connect();
    Select(Child(OurDb(), QStringLiteral("orders")));
    WhenPropertiesShow([](TfrmProperties& d) {
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("lblConnected"))->text(), QStringLiteral("Connected"));
        Edit(d, "txtName")->setText(QStringLiteral("renamed"));
        Press(d, "btnOk");
    });
    Ui(*Window).btnProperties->click();
    EXPECT_EQ(Host->Name, "renamed");
    EXPECT_EQ(HostNode->text(0), QStringLiteral("renamed"));
}

TEST_F(HostCommands, TheSecurityPagesModeDecidesHowConnectGoesToATlsServer) {
    const QString certs = QString::fromLocal8Bit(std::getenv("KORVANA_TLS_CERTS"));
    const QString tlsPort = QString::fromLocal8Bit(std::getenv("KORVANA_TLS_PORT"));
    struct Step {
        TTlsMode Mode;
        const char* Ca;
        bool Connects;
    };
    for (const Step& step :
         {Step{TTlsMode::Disabled, "", false}, Step{TTlsMode::VerifyCa, "other-ca.pem", false},
          Step{TTlsMode::VerifyIdentity, "ca.pem", true}}) {
        SCOPED_TRACE(static_cast<int>(step.Mode));
        Select(HostNode);
        WhenPropertiesShow([&](TfrmProperties& d) {
            Edit(d, "txtPort")->setText(tlsPort);
            d.findChild<QComboBox*>(QStringLiteral("cmbTlsMode"))
                ->setCurrentIndex(static_cast<int>(step.Mode));
            Edit(d, "txtTlsCa")
                ->setText(*step.Ca ? certs + QLatin1Char('/') + QLatin1String(step.Ca) : QString());
            Press(d, "btnOk");
        });
        Ui(*Window).btnProperties->click();
        EXPECT_EQ(Host->Tls.Mode, step.Mode);
        Ui(*Window).btnConnect->click();
        if (step.Connects) {
            EXPECT_EQ(Status(), QStringLiteral("Connected to ") + HostPort(Host->Port));
            EXPECT_FALSE(Host->Encryption().empty());
            Ui(*Window).btnDisconnect->click();
        } else {
            EXPECT_TRUE(Status().startsWith(QStringLiteral("Connect failed: "))) << Status().toStdString();
            EXPECT_GT(Status().size(), 20) << "with the library's reason";
        }
    }
}

// ---- Through an SSH tunnel ------------------------------------------------------------------------

// Whether process `pid` has ended and been reaped.
bool Ended(int pid) {
    return kill(pid, 0) != 0 && errno == ESRCH;
}

TEST_F(HostCommands, ATunnelSetOnTheSecurityPageConnectsBrowsesQueriesAndEndsWithItsHost) {
    const QString ssh = QString::fromLocal8Bit(std::getenv("KORVANA_SSH_DIR"));
    const QString sshPort = QString::fromLocal8Bit(std::getenv("KORVANA_SSH_PORT"));
    qputenv("KORVANA_SSH_CONFIG", (ssh + QStringLiteral("/ssh_config")).toLocal8Bit());
    const auto setTunnel = [&](const char* key) {
        Select(HostNode);
        WhenPropertiesShow([&](TfrmProperties& d) {
            d.findChild<QCheckBox*>(QStringLiteral("chkSsh"))->setChecked(true);
            Edit(d, "txtSshHost")->setText(QStringLiteral("127.0.0.1"));
            Edit(d, "txtSshPort")->setText(sshPort);
            Edit(d, "txtSshKey")->setText(ssh + QLatin1Char('/') + QLatin1String(key));
            Press(d, "btnOk");
        });
        Ui(*Window).btnProperties->click();
    };

    setTunnel("other_key");
    Ui(*Window).btnConnect->click();
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Connect failed: "))) << Status().toStdString();
    EXPECT_TRUE(Status().endsWith(QStringLiteral("Permission denied (publickey).")))
        << Status().toStdString();
    EXPECT_EQ(HostNode->childCount(), 0);
    EXPECT_EQ(Host->TunnelProcess(), 0);

    setTunnel("client_key");
    Connect(); // the status names the server as the host's settings do, not the tunnel's end
    ASSERT_NE(OurDb(), nullptr) << "the catalogue came through the tunnel";
    const int first = Host->TunnelProcess();
    ASSERT_GT(first, 0);
    Ui(*Window).mmoIn->SetText(QStringLiteral("SELECT name FROM ") +
                               QString::fromStdString(QuoteIdentifier(Db->Name())) +
                               QStringLiteral(".orders ORDER BY id"));
    Ui(*Window).btnQuery->click();
    EXPECT_TRUE(Status().startsWith(QStringLiteral("2 rows - 1 fields"))) << Status().toStdString();

    Ui(*Window).btnDisconnect->click();
    EXPECT_EQ(Status(), QStringLiteral("Disconnected from ") + HostPort(Host->Port));
    EXPECT_TRUE(Ended(first));
    Connect();
    const int second = Host->TunnelProcess();
    ASSERT_GT(second, 0);
    Dialogs.Answer(TMsgResult::Yes);
    Select(HostNode);
    Ui(*Window).btnDelete->click();
    EXPECT_EQ(Status(), QStringLiteral("Host deleted"));
    EXPECT_TRUE(Ended(second));
}

TEST_F(HostCommands, ATunnelKeysPassphraseIsAskedInASecretInputBox) {
    // The test program has no helper beside it; the build's is used.
    SetSshAskpassProgram(std::getenv("KORVANA_ASKPASS"));
    const std::string ssh = std::getenv("KORVANA_SSH_DIR");
    qputenv("KORVANA_SSH_CONFIG", QByteArray::fromStdString(ssh + "/ssh_config"));
    Host->Ssh = {"127.0.0.1", std::atoi(std::getenv("KORVANA_SSH_PORT")), "", ssh + "/locked_key"};
    Dialogs.AnswerInput(QStringLiteral("korvana-passphrase"));
    Connect();
    SetSshAskpassProgram({});
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    const TScriptedDialogs::TQuestion& q = Dialogs.Questions().back();
    EXPECT_EQ(q.Sort, TScriptedDialogs::TQuestion::Input);
    EXPECT_TRUE(q.Secret) << "a passphrase shown as it is typed";
    EXPECT_EQ(q.Title, QStringLiteral("SSH tunnel"));
    EXPECT_TRUE(q.Text.startsWith(QStringLiteral("Enter passphrase for key"))) << q.Text.toStdString();
    EXPECT_NE(OurDb(), nullptr);
}

TEST_F(HostCommands, EscAbandonsATunnelWhoseSshServerNeverAnswers) {
    qputenv("KORVANA_SSH_CONFIG", qgetenv("KORVANA_SSH_DIR") + "/ssh_config");
    TSilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    Host->Ssh = {"127.0.0.1", silent.Port(), "", ""};
    QElapsedTimer pressed;
    QTimer::singleShot(500, Window, [&] {
        pressed.start();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Window;
        QTest::keyClick(target, Qt::Key_Escape);
    });
    Select(HostNode);
    Ui(*Window).btnConnect->click();
    ASSERT_TRUE(pressed.isValid()) << "Escape was never pressed";
    EXPECT_LT(pressed.elapsed(), 1000) << "ssh itself gives up only after 10 seconds";
    EXPECT_EQ(Status(), QStringLiteral("Connect failed: Stopped by the user"));
    EXPECT_FALSE(Host->IsAlive());
    EXPECT_EQ(Host->TunnelProcess(), 0);
    EXPECT_EQ(HostNode->childCount(), 0);
}

TEST_F(HostCommands, DeletingAConnectedHostFromAFieldNodeClosesItsConnection) {
    Connect();
    const unsigned long thread = Host->ThreadId();
    Select(Child(Child(OurDb(), QStringLiteral("orders")), QStringLiteral("id")));
    const QString before = Status();

    Dialogs.Answer(TMsgResult::No);
    Ui(*Window).btnDelete->click();
    EXPECT_EQ(Dialogs.Questions().back().Text,
              QStringLiteral("Are you sure you want to delete the host 'sandbox'?"));
    EXPECT_EQ(Dialogs.Questions().back().Title, QStringLiteral("Confirm"));
    EXPECT_EQ(Dialogs.Questions().back().Buttons, TMsgButtons::YesNo);
    EXPECT_EQ(Dialogs.Questions().back().DefaultButton, TMsgResult::No);
    EXPECT_EQ(Status(), before);
    ASSERT_EQ(Ui(*Window).Tree->HostNodes().size(), 1u);

    Dialogs.Answer(TMsgResult::Yes);
    Activate();
    QTest::keyClick(Ui(*Window).Tree, Qt::Key_Delete);
    EXPECT_EQ(Status(), QStringLiteral("Host deleted"));
    EXPECT_TRUE(Ui(*Window).Tree->HostNodes().empty());
    EXPECT_EQ(Ui(*Window).Tree->topLevelItemCount(), 0);
    // The server lets the session go once the client has quit.
    bool gone = false;
    for (int i = 0; i < 50 && !gone; ++i) {
        TResult* r = Db->Admin().Execute("SELECT ID FROM information_schema.PROCESSLIST WHERE ID = " +
                                         std::to_string(thread));
        gone = r->Rows.Count() == 0;
        if (!gone) QTest::qWait(50);
    }
    EXPECT_TRUE(gone);
}

// ---- The table commands of the tree menu -------------------------------------------------------------

TEST_F(HostCommands, DescribeShowsTheStoredDescriptionWithoutAskingTheServer) {
    Connect();
    TTreeNode* orders = Child(OurDb(), QStringLiteral("orders"));
    ASSERT_NE(orders, nullptr);
    Db->Run("DROP TABLE orders"); // what is shown was read at connect
    Select(orders);
    Ui(*Window).popmnuDescribeTable->trigger();
    const TResultModel& grid = *Ui(*Window).lstOut->Model();
    ASSERT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.columnCount(), 6);
    EXPECT_EQ(grid.CellText(0, 0), QStringLiteral("id"));
    EXPECT_EQ(grid.CellText(1, 0), QStringLiteral("name"));
    EXPECT_TRUE(Status().startsWith(QStringLiteral("2 rows - 6 fields"))) << Status().toStdString();
}

TEST_F(HostCommands, SelectItemsNameTheDatabaseOfATableNotInUse) {
    // Same table names in a database that is not in use, one of whose names needs quoting.
    TempDatabase other("other");
    other.Run("CREATE TABLE orders (id INT, name VARCHAR(10))");
    other.Run("INSERT INTO orders VALUES (99, 'elsewhere')");
    const std::string spaced = other.Name() + " x";
    other.Admin().Execute("CREATE DATABASE `" + spaced + "`");
    other.Admin().Execute("CREATE TABLE `" + spaced + "`.`my table` (n INT)");
    other.Admin().Execute("INSERT INTO `" + spaced + "`.`my table` VALUES (5)");
    Connect();
    Select(OurDb());
    Ui(*Window).btnSelectDb->click();
    const TResultModel& grid = *Ui(*Window).lstOut->Model();
    const QString otherName = QString::fromStdString(other.Name());

    Select(Child(DbNode(other.Name()), QStringLiteral("orders")));
    EXPECT_EQ(Ui(*Window).popmnuTableSelect->text(),
              QStringLiteral("SELECT * FROM ") + otherName + ".orders");
    Ui(*Window).popmnuTableSelect->trigger();
    ASSERT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.CellText(0, 0), QStringLiteral("99"));

    Select(Child(Child(DbNode(other.Name()), QStringLiteral("orders")), QStringLiteral("name")));
    EXPECT_EQ(Ui(*Window).popmnuFieldSelect->text(),
              QStringLiteral("SELECT name FROM ") + otherName + ".orders");
    Ui(*Window).popmnuFieldSelect->trigger();
    ASSERT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.CellText(0, 0), QStringLiteral("elsewhere"));

    Select(Child(DbNode(spaced), QStringLiteral("my table")));
    EXPECT_EQ(Ui(*Window).popmnuTableSelect->text(),
              QStringLiteral("SELECT * FROM `") + otherName + " x`.`my table`");
    Ui(*Window).popmnuTableSelect->trigger();
    other.Admin().Execute("DROP DATABASE `" + spaced + "`");
    ASSERT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.CellText(0, 0), QStringLiteral("5"));

    // The database in use keeps its bare captions.
    Select(Child(OurDb(), QStringLiteral("orders")));
    EXPECT_EQ(Ui(*Window).popmnuTableSelect->text(), QStringLiteral("SELECT * FROM orders"));
}

TEST_F(HostCommands, SelectItemsRunTheirQuotedCaptionsOutsideTheHistory) {
    Connect();
    Select(OurDb());
    Ui(*Window).btnSelectDb->click(); // the statements name tables of this database
    Ui(*Window).mmoIn->SetText(QStringLiteral("SELECT 1"));
    const int history = Window->History()->Count();
    const TResultModel& grid = *Ui(*Window).lstOut->Model();

    TTreeNode* myTable = Child(OurDb(), QStringLiteral("my table"));
    ASSERT_NE(myTable, nullptr);
    Select(myTable);
    EXPECT_EQ(Ui(*Window).popmnuTableSelect->text(), QStringLiteral("SELECT * FROM `my table`"));
    Ui(*Window).popmnuTableSelect->trigger();
    ASSERT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.CellText(0, 0), QStringLiteral("7"));
    EXPECT_TRUE(Status().startsWith(QStringLiteral("1 rows - 1 fields"))) << Status().toStdString();

    TTreeNode* order = Child(OurDb(), QStringLiteral("order"));
    ASSERT_NE(order, nullptr);
    Select(order);
    EXPECT_EQ(Ui(*Window).popmnuTableSelect->text(), QStringLiteral("SELECT * FROM `order`"));
    Ui(*Window).popmnuTableSelect->trigger();
    EXPECT_EQ(grid.columnCount(), 2);
    EXPECT_EQ(grid.headerData(1, Qt::Horizontal).toString(), QStringLiteral("my col"));

    Select(Child(order, QStringLiteral("my col")));
    EXPECT_EQ(Ui(*Window).popmnuFieldSelect->text(), QStringLiteral("SELECT `my col` FROM `order`"));
    Ui(*Window).popmnuFieldSelect->trigger();
    EXPECT_EQ(grid.columnCount(), 1);
    EXPECT_FALSE(Status().startsWith(QStringLiteral("Error"))) << Status().toStdString();

    Select(Child(Child(OurDb(), QStringLiteral("orders")), QStringLiteral("name")));
    EXPECT_EQ(Ui(*Window).popmnuFieldSelect->text(), QStringLiteral("SELECT name FROM orders"));
    Ui(*Window).popmnuFieldSelect->trigger();
    ASSERT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.CellText(1, 0), QStringLiteral("two"));

    EXPECT_EQ(Window->History()->Count(), history);
    EXPECT_EQ(Ui(*Window).mmoIn->Text(), QStringLiteral("SELECT 1"));
}

TEST_F(HostCommands, NamesTheConnectedServerReservesAreQuotedToo) {
    // PORTION is reserved by MariaDB, yet missing from the built-in list.
    Db->Run("CREATE TABLE `portion` (`portion` INT, name INT)");
    Db->Run("INSERT INTO `portion` VALUES (5, 6)");
    Connect();
    Select(OurDb());
    Ui(*Window).btnSelectDb->click();
    const TResultModel& grid = *Ui(*Window).lstOut->Model();

    TTreeNode* table = Child(OurDb(), QStringLiteral("portion"));
    ASSERT_NE(table, nullptr);
    Select(table);
    EXPECT_EQ(Ui(*Window).popmnuTableSelect->text(), QStringLiteral("SELECT * FROM `portion`"));
    Ui(*Window).popmnuTableSelect->trigger();
    ASSERT_EQ(grid.rowCount(), 1) << Status().toStdString();

    Select(Child(table, QStringLiteral("portion")));
    EXPECT_EQ(Ui(*Window).popmnuFieldSelect->text(), QStringLiteral("SELECT `portion` FROM `portion`"));
    Ui(*Window).popmnuFieldSelect->trigger();
    ASSERT_EQ(grid.rowCount(), 1) << Status().toStdString();
    EXPECT_EQ(grid.CellText(0, 0), QStringLiteral("5"));

    // A keyword the server reads as a name stays bare.
    Select(Child(table, QStringLiteral("name")));
    EXPECT_EQ(Ui(*Window).popmnuFieldSelect->text(), QStringLiteral("SELECT name FROM `portion`"));
}

} // namespace

namespace {

// ---- Refresh and following the editor ----------------------------------------------------------

TEST_F(HostCommands, F5BelowAHostReadsOnlyThatDatabaseKeepingExpansionSelectionAndTheDatabaseInUse) {
    Connect();
    Host->Execute("USE " + QuoteIdentifier(Db->Name()));
    ASSERT_TRUE(Host->FollowCurrentDatabase());
    OurDb()->setExpanded(true);
    Child(OurDb(), QStringLiteral("orders"))->setExpanded(true);
    Select(Child(OurDb(), QStringLiteral("my table")));
    // Another connection changes the catalogue.
    TempDatabase elsewhere("elsewhere");
    const QString dbName = QString::fromStdString(Db->Name());
    Db->Run("CREATE TABLE added (a INT)");
    Db->Run("DROP TABLE `my table`");
    Activate();
    QTest::keyClick(Ui(*Window).Tree, Qt::Key_F5);
    EXPECT_EQ(Status(), QStringLiteral("Refreshed ") + dbName + QStringLiteral(" on sandbox"));
    EXPECT_EQ(DbNode(elsewhere.Name()), nullptr) << "another database is not read again";
    ASSERT_NE(OurDb(), nullptr);
    EXPECT_NE(Child(OurDb(), QStringLiteral("added")), nullptr);
    EXPECT_EQ(Child(OurDb(), QStringLiteral("my table")), nullptr);
    EXPECT_TRUE(OurDb()->isExpanded());
    EXPECT_TRUE(Child(OurDb(), QStringLiteral("orders"))->isExpanded());
    EXPECT_EQ(Ui(*Window).Tree->SelectedNode(), OurDb()) << "the nearest node above the one that went";
    EXPECT_EQ(InUseDb(), OurDb()) << "the read itself does not undo USE";
    EXPECT_TRUE(TNavigationTree::IsInUse(OurDb()));
    EXPECT_EQ(CurrentDatabase(), Db->Name());
    // The menus' Refresh on a field node keeps that field selected.
    Select(Child(Child(OurDb(), QStringLiteral("orders")), QStringLiteral("id")));
    Ui(*Window).popmnuRefresh->trigger();
    ASSERT_NE(Ui(*Window).Tree->SelectedNode(), nullptr);
    EXPECT_EQ(Ui(*Window).Tree->SelectedNode()->text(0), QStringLiteral("id"));
    EXPECT_EQ(Child(OurDb(), QStringLiteral("orders"))->childCount(), 2) << "each field once";

    // A database dropped meanwhile leaves with its node; the selection goes to the host.
    Select(OurDb());
    Db->Admin().Execute("DROP DATABASE " + QuoteIdentifier(Db->Name()));
    Ui(*Window).popmnuRefresh->trigger();
    EXPECT_EQ(OurDb(), nullptr);
    EXPECT_EQ(Ui(*Window).Tree->SelectedNode(), HostNode);
}

TEST_F(HostCommands, F5OnAHostReadsEveryDatabaseAgain) {
    Connect();
    OurDb()->setExpanded(true);
    Select(Child(OurDb(), QStringLiteral("orders")));
    TempDatabase made("made");
    Db->Run("CREATE TABLE later (a INT)");
    Select(HostNode);
    Activate();
    QTest::keyClick(Ui(*Window).Tree, Qt::Key_F5);
    EXPECT_EQ(Status(), QStringLiteral("Refreshed sandbox"));
    EXPECT_NE(DbNode(made.Name()), nullptr);
    EXPECT_NE(Child(OurDb(), QStringLiteral("later")), nullptr);
    EXPECT_TRUE(OurDb()->isExpanded());
    EXPECT_EQ(Ui(*Window).Tree->SelectedNode(), HostNode);
}

TEST_F(HostCommands, TheTreeFollowsTheEditorsSchemaChangesAndUse) {
    Connect();
    const QString db = QString::fromStdString(QuoteIdentifier(Db->Name()));
    const auto run = [&](const QString& sql) {
        Ui(*Window).mmoIn->SetText(sql);
        Select(HostNode);
        Ui(*Window).btnQuery->click();
    };
    run(QStringLiteral("USE ") + db);
    EXPECT_EQ(InUseDb(), OurDb()) << "read from the server after USE";
    EXPECT_TRUE(TNavigationTree::IsInUse(OurDb()));
    Select(OurDb());
    EXPECT_FALSE(Ui(*Window).btnSelectDb->isEnabled()) << "the database in use needs no selecting";

    run(QStringLiteral(
        "/* made here */ CREATE TABLE fresh (a INT);\nRENAME TABLE orders TO orders_old;\nSELECT 1"));
    ASSERT_NE(OurDb(), nullptr);
    EXPECT_NE(Child(OurDb(), QStringLiteral("fresh")), nullptr);
    EXPECT_NE(Child(OurDb(), QStringLiteral("orders_old")), nullptr);
    EXPECT_EQ(Child(OurDb(), QStringLiteral("orders")), nullptr);
    EXPECT_EQ(InUseDb(), OurDb());

    // Dropping the database in use: the tree marks whichever the server has current afterwards (the
    // catalogue read makes the first one current, as Connect does), never the dropped one.
    TempDatabase other("follow");
    run(QStringLiteral("DROP DATABASE ") + QString::fromStdString(QuoteIdentifier(other.Name())) +
        QStringLiteral(";\nUSE ") + QString::fromStdString(QuoteIdentifier(other.Name())));
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Error: "))) << "the USE of a dropped database fails";
    EXPECT_EQ(DbNode(other.Name()), nullptr) << "the dropped database left the tree";
    run(QStringLiteral("DROP DATABASE ") + db);
    EXPECT_EQ(OurDb(), nullptr);
    ASSERT_NE(InUseDb(), nullptr);
    EXPECT_EQ(InUseDb()->text(0).toStdString(), CurrentDatabase());
}

TEST_F(HostCommands, ARunReadsAgainOnlyTheDatabasesItChanged) {
    TempDatabase other("other_run");
    Connect();
    const auto run = [&](const std::string& sql) {
        Ui(*Window).mmoIn->SetText(QString::fromStdString(sql));
        Select(HostNode);
        Ui(*Window).btnQuery->click();
        ASSERT_FALSE(Status().startsWith(QStringLiteral("Error"))) << Status().toStdString();
    };
    other.Run("CREATE TABLE outside (a INT)");
    run("USE " + QuoteIdentifier(Db->Name()) + ";\nCREATE TABLE one (a INT);\nCREATE TABLE two (a INT)");
    EXPECT_NE(Child(OurDb(), QStringLiteral("one")), nullptr);
    EXPECT_NE(Child(OurDb(), QStringLiteral("two")), nullptr);
    ASSERT_NE(DbNode(other.Name()), nullptr);
    EXPECT_EQ(Child(DbNode(other.Name()), QStringLiteral("outside")), nullptr)
        << "a database the run did not change is not read again";
    // Named with its database, a change may be anywhere: everything is read again.
    run("CREATE TABLE " + QuoteIdentifier(other.Name()) + ".inside (a INT)");
    EXPECT_NE(Child(DbNode(other.Name()), QStringLiteral("inside")), nullptr);
    EXPECT_NE(Child(DbNode(other.Name()), QStringLiteral("outside")), nullptr);
    EXPECT_EQ(InUseDb(), OurDb());
}

} // namespace
