// The draft files of the state folder: what one copy writes comes back at the next start, two
// running copies never share a file, a damaged draft is set aside, and nobody else can read them.

#include "settings/DraftStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

class DraftStoreTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    QString Folder() const { return Dir.filePath(QStringLiteral("state/korvana")); }
    static TDraft Draft(const QString& text) {
        TDraft d;
        d.Text = text;
        d.Caret = static_cast<int>(text.size());
        d.History = {{QStringLiteral("SELECT 1")}, {QStringLiteral("SELECT 2"), QString()}};
        d.HistoryIndex = 1;
        return d;
    }
};

TEST_F(DraftStoreTest, WhatIsSavedComesBackAndStaysTheUsersOwn) {
    {
        TDraftStore store(Folder());
        EXPECT_TRUE(store.Open().Draft.Text.isEmpty());
        ASSERT_TRUE(store.Save(Draft(QStringLiteral("SELECT 'caf\u00e9';\r\n-- \U0001F600"))).isEmpty());
        const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        EXPECT_EQ(QFileInfo(store.FileName()).permissions() & others, 0);
        EXPECT_TRUE(QFileInfo(store.FileName()).permissions() & QFileDevice::ReadOwner);
        EXPECT_EQ(QFileInfo(Folder()).permissions() & others, 0);
    }
    auto next = std::make_unique<TDraftStore>(Folder());
    const TDraftStore::TOpened opened = next->Open();
    EXPECT_TRUE(opened.Error.isEmpty());
    EXPECT_EQ(opened.Draft.Text, QStringLiteral("SELECT 'caf\u00e9';\r\n-- \U0001F600"));
    EXPECT_EQ(opened.Draft.Caret, opened.Draft.Text.size());
    ASSERT_EQ(opened.Draft.History.size(), 2U);
    EXPECT_EQ(opened.Draft.History[1], (QStringList{QStringLiteral("SELECT 2"), QString()}));
    EXPECT_EQ(opened.Draft.HistoryIndex, 1);

    // Only the newest entries of a long history are kept.
    TDraft big;
    for (int i = 0; i < 600; ++i)
        big.History.push_back({QString::number(i)});
    big.HistoryIndex = 600;
    ASSERT_TRUE(next->Save(big).isEmpty());
    next.reset();
    TDraftStore third(Folder());
    const TDraft kept = third.Open().Draft;
    ASSERT_EQ(kept.History.size(), TDraftStore::MaxHistory);
    EXPECT_EQ(kept.History.front(), QStringList{QStringLiteral("100")});
    EXPECT_EQ(kept.HistoryIndex, static_cast<int>(TDraftStore::MaxHistory));
}

TEST_F(DraftStoreTest, TwoRunningCopiesKeepTheirOwnAndTheLastToExitComesBack) {
    auto first = std::make_unique<TDraftStore>(Folder());
    auto second = std::make_unique<TDraftStore>(Folder());
    first->Open();
    second->Open();
    ASSERT_NE(first->FileName(), second->FileName()) << "a running copy's file is its own";
    ASSERT_TRUE(first->Save(Draft(QStringLiteral("first"))).isEmpty());
    // The file times must differ for "last" to mean anything.
    QThread::msleep(1100);
    ASSERT_TRUE(second->Save(Draft(QStringLiteral("second"))).isEmpty());
    first.reset();
    second.reset();

    TDraftStore next(Folder());
    EXPECT_EQ(next.Open().Draft.Text, QStringLiteral("second"));
    // The other draft is still there, for the next copy to start beside this one.
    TDraftStore beside(Folder());
    EXPECT_EQ(beside.Open().Draft.Text, QStringLiteral("first"));
}

TEST_F(DraftStoreTest, ADamagedDraftIsSetAsideAndSaidOnce) {
    ASSERT_TRUE(QDir().mkpath(Folder()));
    for (const QByteArray& bad :
         {QByteArray("{\"version\":1,\"text\":\"cut sh"), QByteArray("\x00\x01\x02", 3),
          QByteArray("{\"version\":7,\"text\":\"\",\"history\":[]}")}) {
        QFile file(Folder() + QStringLiteral("/draft-1.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bad);
        file.close();
        TDraftStore store(Folder());
        const TDraftStore::TOpened opened = store.Open();
        EXPECT_TRUE(opened.Draft.Text.isEmpty());
        EXPECT_TRUE(opened.Error.contains(QStringLiteral("set aside"))) << opened.Error.toStdString();
        EXPECT_TRUE(QFileInfo::exists(Folder() + QStringLiteral("/draft-1.json.bad")));
        // What this copy saves next is fine again, and nothing is said at the next start.
        ASSERT_TRUE(store.Save(Draft(QStringLiteral("again"))).isEmpty());
    }
    TDraftStore next(Folder());
    const TDraftStore::TOpened opened = next.Open();
    EXPECT_TRUE(opened.Error.isEmpty());
    EXPECT_EQ(opened.Draft.Text, QStringLiteral("again"));

    // A folder that cannot be made is said, and saving says so too.
    QFile blocker(Dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TDraftStore nowhere(Dir.filePath(QStringLiteral("file/korvana")));
    EXPECT_FALSE(nowhere.Open().Error.isEmpty());
    EXPECT_FALSE(nowhere.Save(Draft(QStringLiteral("x"))).isEmpty());
}

} // namespace
