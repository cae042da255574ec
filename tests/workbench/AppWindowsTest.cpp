// The program's windows: made once each, the dialogs of every window reached through the one
// dialogs interface given.

#include "workbench/window/AppWindows.h"

#include "platform/Registry.h"
#include "server/MySql.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/dialogs/ResultWindow.h"
#include "workbench/dialogs/propertiesview.h"
#include "workbench/window/main.h"

#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class AppWindowsTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    TRegistryStore Store{Dir.filePath(QStringLiteral("Korvana.reg"))};
    TScriptedDialogs Dialogs;
};

TEST_F(AppWindowsTest, EachWindowIsMadeOnceAndOnlyTheMainWindowEndsTheProgram) {
    TAppWindows windows(&Dialogs, &Store);
    ASSERT_TRUE(windows.frmMain && windows.frmProperties && windows.frmResult);
    EXPECT_EQ(&windows.frmMain->Windows(), &windows);
    EXPECT_EQ(windows.frmProperties->parent(), windows.frmMain.get());
    EXPECT_EQ(windows.frmMain->findChildren<TfrmProperties*>().size(), 1);
    EXPECT_TRUE(windows.frmResult->isWindow());
    EXPECT_TRUE(windows.frmMain->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_FALSE(windows.frmResult->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(&windows.Dialogs(), &Dialogs);
}

TEST_F(AppWindowsTest, ThePropertiesDialogReportsInputErrorsThroughTheGivenDialogs) {
    TAppWindows windows(&Dialogs, &Store);
    TMySql host;
    host.Port = 3306;
    windows.frmProperties->SetMySql(&host);
    windows.frmProperties->show();
    windows.frmProperties->findChild<QLineEdit*>(QStringLiteral("txtPort"))->setText(QStringLiteral("33x"));
    Dialogs.Answer(TMsgResult::Ok);
    windows.frmProperties->btnApplyClick();
    windows.frmProperties->hide();
    windows.frmProperties->SetMySql(nullptr);

    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    EXPECT_EQ(Dialogs.Questions()[0].Title, QStringLiteral("Error"));
    EXPECT_EQ(Dialogs.Questions()[0].Text, QStringLiteral("33x is not a valid integer value."));
    EXPECT_EQ(Dialogs.Questions()[0].Buttons, TMsgButtons::Ok);
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
    EXPECT_EQ(host.Port, 3306);
}

} // namespace
