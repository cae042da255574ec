// Faults from outside while the window works: the server process killed during a statement,
// during a large transfer and between statements, or stopped during a connect; the connection or
// its statement killed by another session. The kills hit a private server, never the shared sandbox.

#include "WindowTestSupport.h"

#include "PrivateServer.h"
#include "Sandbox.h"
#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "workbench/grid/ResultModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Runs `fault` on another thread after `delay`, while the window's thread is inside a command.
class TLater {
public:
    TLater(std::chrono::milliseconds delay, std::function<void()> fault)
        : FThread([delay, fault = std::move(fault)] {
              std::this_thread::sleep_for(delay);
              fault();
          }) {}
    ~TLater() { FThread.join(); }

private:
    std::thread FThread;
};

class FaultTest : public WindowTest {
protected:
    // A window with the host selected and connected: the private server's, or the shared one's.
    void OpenWith(std::unique_ptr<TMySql> host, bool connect = true) {
        Open();
        Host = host.get();
        HostNode = Ui(*Window).Tree->AddHostNode(std::move(host));
        Window->show();
        QApplication::setActiveWindow(Window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window));
        Ui(*Window).Tree->setCurrentItem(HostNode);
        if (!connect) return;
        Ui(*Window).btnConnect->click();
        ASSERT_EQ(HostNode->StateIndex(), 1) << Status().toStdString();
    }
    void OpenPrivate() {
        PrivateServer::Start();
        OpenWith(PrivateServer::Host());
    }

    QString Status() const { return Window->StatusText(); }
    void Run(const QString& text) {
        Ui(*Window).Tree->setCurrentItem(HostNode);
        Ui(*Window).mmoIn->SetText(text);
        Ui(*Window).btnQuery->click();
    }
    // "Error: " and the library's own words after it.
    void ExpectError() const {
        EXPECT_TRUE(Status().startsWith(QStringLiteral("Error: "))) << Status().toStdString();
        EXPECT_GT(Status().size(), 7) << "no message after \"Error: \"";
    }
    void ExpectDisconnectedLook() const {
        EXPECT_FALSE(Host->IsAlive());
        EXPECT_EQ(HostNode->StateIndex(), 2);
        EXPECT_EQ(HostNode->childCount(), 0);
        EXPECT_TRUE(Ui(*Window).btnConnect->isEnabled());
        EXPECT_FALSE(Ui(*Window).btnDisconnect->isEnabled());
        EXPECT_FALSE(Ui(*Window).btnQuery->isEnabled());
    }
    // Once the server is back, Connect works again and so do statements.
    void ExpectConnectWorksAgain() {
        PrivateServer::Start();
        Ui(*Window).Tree->setCurrentItem(HostNode);
        Ui(*Window).btnConnect->click();
        ASSERT_EQ(HostNode->StateIndex(), 1) << Status().toStdString();
        EXPECT_TRUE(Host->IsAlive());
        Run(QStringLiteral("SELECT 41 + 1"));
        ASSERT_EQ(Ui(*Window).lstOut->Model()->rowCount(), 1) << Status().toStdString();
        EXPECT_EQ(Ui(*Window).lstOut->Model()->data(Ui(*Window).lstOut->Model()->index(0, 0)).toString(),
                  "42");
    }

    TMySql* Host = nullptr;
    TTreeNode* HostNode = nullptr;
};

} // namespace

// ---- the server process killed ----

TEST_F(FaultTest, ServerKilledDuringAStatement) {
    OpenPrivate();
    {
        TLater kill(300ms, [] { PrivateServer::Signal(SIGKILL); });
        Run(QStringLiteral("SELECT SLEEP(20)"));
    }
    ExpectError();
    ExpectDisconnectedLook();
    EXPECT_EQ(Ui(*Window).lstOut->Model()->rowCount(), 0);
    ExpectConnectWorksAgain();
}

TEST_F(FaultTest, ServerKilledDuringALargeTransfer) {
    OpenPrivate();
    {
        // Rows of 4 KB, a little apart: the first have long reached the client when the kill comes.
        TLater kill(700ms, [] { PrivateServer::Signal(SIGKILL); });
        Run(QStringLiteral(
            "SELECT seq, REPEAT('x', 4000) FROM mysql.seq_1_to_200000 WHERE SLEEP(0.0002) = 0"));
    }
    ExpectError();
    ExpectDisconnectedLook();
    EXPECT_EQ(Ui(*Window).lstOut->Model()->rowCount(), 0);
    ExpectConnectWorksAgain();
}

TEST_F(FaultTest, ServerKilledBetweenStatementsAndBackBeforeTheNext) {
    OpenPrivate();
    Run(QStringLiteral("SELECT 1"));
    ASSERT_EQ(Ui(*Window).lstOut->Model()->rowCount(), 1) << Status().toStdString();
    PrivateServer::Signal(SIGKILL);
    PrivateServer::Start();
    // The old connection is gone even though a server listens again.
    Run(QStringLiteral("SELECT 2"));
    ExpectError();
    ExpectDisconnectedLook();
    ExpectConnectWorksAgain();
}

TEST_F(FaultTest, ServerStoppedLongerThanTheConnectTimeOutDuringAConnect) {
    PrivateServer::Start();
    OpenWith(PrivateServer::Host(), false);
    // The stopped server's kernel still accepts the connection; the greeting never comes.
    PrivateServer::Signal(SIGSTOP);
    QElapsedTimer took;
    took.start();
    Ui(*Window).btnConnect->click();
    const qint64 elapsed = took.elapsed();
    PrivateServer::Signal(SIGCONT);
    EXPECT_GE(elapsed, 9500);
    EXPECT_LT(elapsed, 13000);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Connect failed: "))) << Status().toStdString();
    EXPECT_FALSE(Host->IsAlive());
    EXPECT_EQ(HostNode->childCount(), 0);
    EXPECT_TRUE(Ui(*Window).btnConnect->isEnabled());
    ExpectConnectWorksAgain();
}

// ---- the connection or its statement killed by another session ----

TEST_F(FaultTest, KillQueryFromOutsideEndsTheStatementAndKeepsTheConnection) {
    OpenWith(SandboxHost());
    const std::string kill = "KILL QUERY " + std::to_string(Host->ThreadId());
    {
        TLater later(300ms, [&kill] {
            auto admin = ConnectedSandbox();
            admin->Execute(kill);
        });
        Run(QStringLiteral("SELECT MAX(MD5(seq)) FROM mysql.seq_1_to_100000000000"));
    }
    ExpectError();
    EXPECT_TRUE(Host->IsAlive());
    EXPECT_EQ(HostNode->StateIndex(), 1);
    Run(QStringLiteral("SELECT 7"));
    ASSERT_EQ(Ui(*Window).lstOut->Model()->rowCount(), 1) << Status().toStdString();
    EXPECT_EQ(Ui(*Window).lstOut->Model()->data(Ui(*Window).lstOut->Model()->index(0, 0)).toString(), "7");
}

TEST_F(FaultTest, KillOfTheConnectionFromOutsideDuringAStatement) {
    OpenWith(SandboxHost());
    const std::string kill = "KILL " + std::to_string(Host->ThreadId());
    {
        TLater later(300ms, [&kill] {
            auto admin = ConnectedSandbox();
            admin->Execute(kill);
        });
        Run(QStringLiteral("SELECT SLEEP(20)"));
    }
    ExpectError();
    ExpectDisconnectedLook();
    Ui(*Window).btnConnect->click();
    EXPECT_EQ(HostNode->StateIndex(), 1) << Status().toStdString();
}
