// The program's start and end: Exit closes the main window, which ends the event loop as the
// close box does, and the host list is saved when the window goes.

#include "WindowTestSupport.h"
#include "server/MySql.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>

namespace {

class StartAndExitTest : public WindowTest {
protected:
    // Runs the event loop with the main window shown until it ends; `act` runs inside it. False
    // when the loop had to be stopped from outside.
    bool RunLoop(const std::function<void()>& act, int guardMs = 10000) {
        Window->show();
        bool ended = true;
        QTimer::singleShot(0, Window, act);
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&ended] {
            ended = false;
            QApplication::quit();
        });
        guard.start(guardMs);
        QApplication::exec();
        return ended;
    }
};

} // namespace

TEST_F(StartAndExitTest, ExitEndsTheProgramAndTheHostListIsSaved) {
    TfrmMain& w = Open();
    auto host = std::make_unique<TMySql>();
    host->Name = "added";
    host->Host = "a.example";
    host->Port = 3310;
    Ui(w).Tree->AddHostNode(std::move(host));
    ASSERT_TRUE(Ui(w).mnuFile->isEnabled() && Ui(w).Exit1->isEnabled());

    EXPECT_TRUE(RunLoop([&w] { Ui(w).Exit1->trigger(); }));
    EXPECT_FALSE(w.isVisible());
    Close(); // what follows the loop at the end of the program

    ReloadStore();
    TRegistry reg(Store());
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana\\Hosts\\added", false));
    EXPECT_EQ(reg.ReadString("host"), "a.example");
    EXPECT_EQ(reg.ReadInteger("port"), 3310);
}

TEST_F(StartAndExitTest, TheCloseBoxEndsTheProgramTheSameWay) {
    Open();
    EXPECT_TRUE(RunLoop([this] { Window->close(); }));
    EXPECT_FALSE(Window->isVisible());
    // A loop that nothing ends runs on: the guard above is what stops it.
    Window->show();
    EXPECT_FALSE(RunLoop([] {}, 300));
}

// The real program, ended the way a session ends it: SIGTERM at logout, SIGHUP, Ctrl+C. Each ends
// the event loop as Exit does, so the settings and the editor's draft are saved on the way out.
TEST(ProgramExitTest, TheSessionsEndSignalsEndItAsExitDoes) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        QTemporaryDir home;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(KORVANA_PROGRAM), {});
        ASSERT_TRUE(program.waitForStarted(10000));
        // The draft's lock is taken as the main window is made: the program is up.
        const QString lock = home.filePath(QStringLiteral("state/korvana/draft-1.lock"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(lock); }, 20000));
        QTest::qWait(300);
        ::kill(static_cast<pid_t>(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(20000)) << "signal " << signal;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "signal " << signal;
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        // Written by the main window's end, with the settings: the orderly way out was taken.
        EXPECT_TRUE(QFileInfo::exists(home.filePath(QStringLiteral("state/korvana/draft-1.json"))));
        EXPECT_FALSE(QFileInfo::exists(lock)) << "the lock goes with the program";
    }
}
