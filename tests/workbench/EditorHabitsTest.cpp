// Small editing habits of the SQL editor, by real key presses on the real window: Enter keeps the
// line's indentation, Ctrl+/ comments lines in and out as one undo step, Ctrl+G goes to a line.

#include "WindowTestSupport.h"

#include "editor/ColorMemo.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using EditorHabitsTest = EditorWindowTest;

TEST_F(EditorHabitsTest, EnterKeepsTheIndentationBeforeTheCaret) {
    QTest::keyClicks(Memo(), QStringLiteral("SELECT a,"));
    QTest::keyClick(Memo(), Qt::Key_Return);
    QTest::keyClicks(Memo(), QStringLiteral("\t  b"));
    QTest::keyClick(Memo(), Qt::Key_Return);
    QTest::keyClicks(Memo(), QStringLiteral("FROM t"));
    // Enter in the middle of the indentation keeps only what lies before the caret.
    QTest::keyClick(Memo(), Qt::Key_Up);
    QTest::keyClick(Memo(), Qt::Key_Home);
    QTest::keyClick(Memo(), Qt::Key_Right);
    QTest::keyClick(Memo(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Memo()->Text(), QStringLiteral("SELECT a,\r\n\t\r\n\t  b\r\n\t  FROM t"));
}

TEST_F(EditorHabitsTest, CtrlSlashTogglesLineCommentsAsOneStep) {
    const QString text = QStringLiteral("SELECT 1;\r\nSELECT 2;\r\nSELECT 3;");
    Memo()->SetText(text);
    // The selection ends at the start of the third line: two lines.
    Memo()->SetSelStart(3);
    Memo()->SetSelLength(19);
    QTest::keyClick(Memo(), Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(Memo()->Text(), QStringLiteral("-- SELECT 1;\r\n-- SELECT 2;\r\nSELECT 3;"));
    QTest::keyClick(Memo(), Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(Memo()->Text(), text);
    // Lines not all commented get the mark, the caret's line alone without a selection.
    Memo()->SetText(QStringLiteral("--SELECT 1;\r\nSELECT 2;"));
    Memo()->SetSelStart(0);
    Memo()->SetSelLength(20);
    QTest::keyClick(Memo(), Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(Memo()->Text(), QStringLiteral("-- --SELECT 1;\r\n-- SELECT 2;"));
    QTest::keyClick(Memo(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Memo()->Text(), QStringLiteral("--SELECT 1;\r\nSELECT 2;")) << "one undo step";
    Memo()->SetSelStart(15);
    QTest::keyClick(Memo(), Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(Memo()->Text(), QStringLiteral("--SELECT 1;\r\n-- SELECT 2;"));
}

TEST_F(EditorHabitsTest, CtrlGGoesToTheLineAsked) {
    Memo()->SetText(QStringLiteral("a\r\nb\r\nc\r\nd"));
    Dialogs.AnswerInput(QStringLiteral("3"));
    QTest::keyClick(Memo(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Memo()->CaretLine(), 2);
    EXPECT_EQ(Memo()->CaretColumn(), 0);
    // Past the end: the last line; not a number: said, and the caret stays.
    Dialogs.AnswerInput(QStringLiteral("999"));
    QTest::keyClick(Memo(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Memo()->CaretLine(), 3);
    Dialogs.AnswerInput(QStringLiteral("two"));
    Dialogs.Answer(TMsgResult::Ok);
    QTest::keyClick(Memo(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Memo()->CaretLine(), 3);
    ASSERT_FALSE(Dialogs.Questions().empty());
    EXPECT_EQ(Dialogs.Questions().back().Text, QStringLiteral("'two' is not a line number"));
    // Cancelled: nothing moves.
    Dialogs.AnswerInput(std::nullopt);
    QTest::keyClick(Memo(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Memo()->CaretLine(), 3);
}

} // namespace
