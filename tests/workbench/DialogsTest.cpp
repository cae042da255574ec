// The dialogs interface: scripted answers, and the questions a file dialog asks before it lets a
// file be replaced or created.

#include "workbench/dialogs/Dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(Dialogs, ScriptedAnswersAreUsedInOrderAndRecorded) {
    TScriptedDialogs d;
    d.Answer(TMsgResult::Yes);
    d.AnswerInput(QStringLiteral("shop"));
    d.AnswerInput(std::nullopt);
    EXPECT_TRUE(d.Confirm(nullptr, QStringLiteral("Sure?")));
    QString name = QStringLiteral("default");
    EXPECT_TRUE(d.InputQuery(nullptr, QStringLiteral("Create database"),
                             QStringLiteral("Name of the database?"), name));
    EXPECT_EQ(name, QStringLiteral("shop"));
    name = QStringLiteral("kept");
    EXPECT_FALSE(d.InputQuery(nullptr, QStringLiteral("Create database"), QStringLiteral("Name?"), name));
    EXPECT_EQ(name, QStringLiteral("kept"));
    // Not scripted: recorded as unexpected and answered negatively.
    EXPECT_FALSE(d.Confirm(nullptr, QStringLiteral("Again?")));
    d.ErrorBox(nullptr, QStringLiteral("Bad port"));

    ASSERT_EQ(d.Questions().size(), 5u);
    EXPECT_EQ(d.Questions()[0].Title, QStringLiteral("Confirm"));
    EXPECT_EQ(d.Questions()[0].Buttons, TMsgButtons::YesNo);
    EXPECT_EQ(d.Questions()[0].DefaultButton, TMsgResult::No);
    EXPECT_EQ(d.Questions()[1].DefaultButton, std::nullopt);
    EXPECT_EQ(d.Questions()[1].Offered, QStringLiteral("default"));
    EXPECT_EQ(d.Questions()[4].Title, QStringLiteral("Error"));
    EXPECT_EQ(d.Questions()[4].Buttons, TMsgButtons::Ok);
    EXPECT_EQ(d.UnexpectedCount(), 2);
}

TEST(Dialogs, EnterInARealConfirmationAnswersNo) {
    TQtDialogs real;
    bool noIsDefault = false;
    QTimer poll;
    poll.setInterval(10);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (clock.elapsed() > 5000) poll.stop();
            return;
        }
        poll.stop();
        noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Return);
    });
    poll.start();
    EXPECT_FALSE(real.Confirm(nullptr, QStringLiteral("Delete it?")));
    EXPECT_TRUE(noIsDefault);
}

TEST(Dialogs, SaveDialogAsksBeforeReplacingOrCreatingAndOffersTheLastName) {
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("old.sql"));
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString fresh = dir.filePath(QStringLiteral("new.sql"));
    TFileDialog save(TFileDialog::Save, QStringLiteral("dlgSave"));
    save.OverwritePrompt = true;
    save.CreatePrompt = true;

    TScriptedDialogs d;
    d.AnswerFile(existing);
    d.Answer(TMsgResult::No); // keep the old file: the dialog comes back
    d.AnswerFile(fresh);
    d.Answer(TMsgResult::Yes); // create it
    ASSERT_TRUE(d.Execute(nullptr, save));
    EXPECT_EQ(save.FileName, fresh);
    ASSERT_EQ(d.Questions().size(), 4u);
    EXPECT_TRUE(d.Questions()[1].Text.contains(QStringLiteral("already exists")));
    EXPECT_TRUE(d.Questions()[3].Text.contains(QStringLiteral("does not exist")));

    // Cancelled: the name chosen last stays and is offered again.
    d.AnswerFile(std::nullopt);
    EXPECT_FALSE(d.Execute(nullptr, save));
    EXPECT_EQ(save.FileName, fresh);
    EXPECT_EQ(d.Questions().back().Offered, fresh);
    EXPECT_EQ(d.UnexpectedCount(), 0);

    // An open dialog whose file must exist refuses a missing one.
    TFileDialog open(TFileDialog::Open, QStringLiteral("dlgOpen"));
    open.FileMustExist = true;
    d.AnswerFile(fresh);
    d.Answer(TMsgResult::Ok);
    d.AnswerFile(std::nullopt);
    EXPECT_FALSE(d.Execute(nullptr, open));
    EXPECT_TRUE(open.FileName.isEmpty());
}
