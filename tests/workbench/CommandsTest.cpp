// A command's controls together: one handler from every control, states set on all of them, and
// the shortcuts of its items, which hidden items answer too.

#include "workbench/window/Commands.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Menu = Window.menuBar()->addMenu(QStringLiteral("&Query"));
        Item = Menu->addAction(QStringLiteral("Run"));
        Item->setCheckable(true);
        Popup = new QMenu(&Window);
        PopItem = Popup->addAction(QStringLiteral("Run here"));
        PopItem->setCheckable(true);
        auto* split = new QSplitter(&Window);
        Button = new QToolButton(split);
        Button->setCheckable(true);
        Tree = new QTreeWidget(split);
        Edit = new QLineEdit(split);
        Window.setCentralWidget(split);
        Commands = new TCommands(&Window, Tree);
    }

    void Wire(std::vector<TCommandItem> items) {
        Command = TCommand(Button, std::move(items));
        Commands->Wire(Command, [this] { ++Runs; });
    }

    void ShowActive() {
        Window.show();
        QApplication::setActiveWindow(&Window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
    }

    QMainWindow Window;
    QMenu* Menu = nullptr;
    QAction* Item = nullptr;
    QMenu* Popup = nullptr;
    QAction* PopItem = nullptr;
    QToolButton* Button = nullptr;
    QTreeWidget* Tree = nullptr;
    QLineEdit* Edit = nullptr;
    TCommands* Commands = nullptr;
    TCommand Command;
    int Runs = 0;
};

TEST_F(CommandsTest, EveryControlRunsTheOneHandlerAndTakesTheStatesTogether) {
    Wire({{Item}, {PopItem}});
    Button->click();
    Item->trigger();
    PopItem->trigger();
    EXPECT_EQ(Runs, 3);

    Command.SetEnabled(false);
    EXPECT_FALSE(Button->isEnabled());
    EXPECT_FALSE(TCommand::ItemEnabled(Item));
    EXPECT_FALSE(TCommand::ItemEnabled(PopItem));
    Command.SetChecked(true);
    EXPECT_TRUE(Button->isChecked());
    EXPECT_TRUE(Item->isChecked());
    EXPECT_TRUE(PopItem->isChecked());

    // A hidden item keeps the state it would show with.
    Command.SetVisible(false);
    Command.SetEnabled(true);
    EXPECT_FALSE(Item->isVisible());
    EXPECT_TRUE(TCommand::ItemEnabled(Item));
    EXPECT_TRUE(Button->isEnabled());
    Command.SetEnabled(false);
    EXPECT_FALSE(TCommand::ItemEnabled(Item));
}

TEST_F(CommandsTest, AHiddenItemAnswersItsKeysOnlyWhileItAndItsMenuAreEnabled) {
    Wire({{Item, Qt::Key_F5}});
    ShowActive();
    Command.SetVisible(false);
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_F5);
    EXPECT_EQ(Runs, 1);
    EXPECT_EQ(Item->shortcut(), QKeySequence(Qt::Key_F5)); // shown beside the item

    Command.SetEnabled(false);
    QTest::keyClick(Edit, Qt::Key_F5);
    EXPECT_EQ(Runs, 1);

    Command.SetEnabled(true);
    Menu->setEnabled(false);
    QTest::keyClick(Edit, Qt::Key_F5);
    EXPECT_EQ(Runs, 1);
}

TEST_F(CommandsTest, TreeKeysActOnlyWhileTheTreeHasTheFocus) {
    Wire({{PopItem, Qt::Key_Insert, TKeyScope::Tree}});
    ShowActive();
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_Insert);
    EXPECT_EQ(Runs, 0);
    Tree->setFocus();
    QTest::keyClick(Tree, Qt::Key_Insert);
    EXPECT_EQ(Runs, 1);
}

TEST_F(CommandsTest, KeysAheadOfTheMenuBarRunOnceAndTypeNothing) {
    // Alt+Q is also the mnemonic of the "&Query" menu.
    Wire({{Item, Qt::ALT | Qt::Key_Q, TKeyScope::BeforeMenuBar}});
    ShowActive();
    Command.SetVisible(false);
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(Runs, 1);
    EXPECT_EQ(Edit->text(), QString());
    EXPECT_FALSE(Menu->isVisible());

    Command.SetEnabled(false);
    QTest::keyClick(Edit, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(Runs, 1);

    // Once the commands are gone, the keys are the menu bar's again.
    delete Commands;
    Command.SetEnabled(true);
    QTest::keyClick(Edit, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(Runs, 1);
}

} // namespace
