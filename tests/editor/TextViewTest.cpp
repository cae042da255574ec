// The editing view on the offscreen platform: keys, the pointer, input methods, scrolling and the
// measurements of long lines kept across edits.

#include "editor/TextView.h"

#include <QAccessible>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class View : public ::testing::Test {
protected:
    void SetUp() override {
        Host.resize(480, 200);
        V = new TTextView(&Host);
        V->setGeometry(0, 0, 480, 200);
        V->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
        Host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Host));
        V->setFocus();
    }

    // Sets the text with "|" marking the caret, or "[" and "]" the anchor and the caret.
    void Set(QString text) {
        const qsizetype anchor = text.indexOf(QLatin1Char('['));
        if (anchor >= 0) text.remove(anchor, 1);
        const qsizetype caret = text.indexOf(QLatin1Char(anchor >= 0 ? ']' : '|'));
        text.remove(caret, 1);
        V->setPlainText(text);
        QTextCursor c(V->document());
        c.setPosition(int(anchor >= 0 ? anchor : caret));
        c.setPosition(int(caret), QTextCursor::KeepAnchor);
        V->setTextCursor(c);
    }
    // The text with the caret (and the anchor) marked as Set takes them.
    QString Marked() const {
        QString text = V->toPlainText();
        const QTextCursor c = V->textCursor();
        if (!c.hasSelection()) return text.insert(c.position(), QLatin1Char('|'));
        text.insert(std::max(c.position(), c.anchor()), QLatin1Char(c.position() > c.anchor() ? ']' : '['));
        return text.insert(std::min(c.position(), c.anchor()),
                           QLatin1Char(c.position() > c.anchor() ? '[' : ']'));
    }
    QPoint At(int position) const {
        QTextCursor c(V->document());
        c.setPosition(position);
        const QRect r = V->cursorRect(c);
        return QPoint(r.x() + 2, r.center().y());
    }

    QWidget Host;
    TTextView* V = nullptr;
};

TEST_F(View, KeysMoveSelectAndEditAsInAnyTextField) {
    const struct {
        const char* Before;
        std::vector<QKeyCombination> Keys;
        const char* After;
    } cases[] = {
        {"ab|c", {Qt::Key_Right}, "abc|"},
        {"a|\U0001F600b", {Qt::Key_Right}, "a\U0001F600|b"}, // a surrogate pair is one step
        {"ae\u0301|x", {Qt::Key_Left}, "a|e\u0301x"},        // so is a letter with its mark
        {"one| two", {Qt::Key_Right | Qt::ShiftModifier}, "one[ ]two"},
        {"select a|bc from t", {Qt::Key_Right | Qt::ControlModifier}, "select abc |from t"},
        {"select abc fr|om", {Qt::Key_Left | Qt::ControlModifier}, "select abc |from"},
        {"x = (a|)", {Qt::Key_Left | Qt::ControlModifier, Qt::Key_Left | Qt::ControlModifier}, "x = |(a)"},
        {"ab|c\nd", {Qt::Key_End}, "abc|\nd"},
        {"ab|c\nd", {Qt::Key_Home | Qt::ShiftModifier}, "]ab[c\nd"},
        {"a|b\ncd", {Qt::Key_End | Qt::ControlModifier}, "ab\ncd|"},
        // Up and down keep to the column across a shorter line.
        {"abcdef|\nab\nabcdefgh", {Qt::Key_Down, Qt::Key_Down}, "abcdef\nab\nabcdef|gh"},
        {"abc\nabcdef|", {Qt::Key_Up}, "abc|\nabcdef"},
        {"|first", {Qt::Key_Up}, "|first"},
        {"ab|", {Qt::Key_Backspace}, "a|"},
        {"a\U0001F600|", {Qt::Key_Backspace}, "a|"},
        {"ab|\ncd", {Qt::Key_Delete}, "ab|cd"},
        {"|\U0001F600z", {Qt::Key_Delete}, "|z"},
        {"select [abc] from", {Qt::Key_Delete}, "select | from"},
        {"select abc|", {Qt::Key_Backspace | Qt::ControlModifier}, "select |"},
        {"ab|cd", {Qt::Key_Return}, "ab\n|cd"},
        {"a[bc]d", {Qt::Key_X}, "ax|d"},
        {"ab|", {Qt::Key_A | Qt::ControlModifier}, "[ab]"},
        // A run of typing or of Backspaces is one undo step; a move ends the run.
        {"ab|", {Qt::Key_X, Qt::Key_Y, Qt::Key_Z | Qt::ControlModifier}, "ab|"},
        {"ab|", {Qt::Key_X, Qt::Key_Left, Qt::Key_Y, Qt::Key_Z | Qt::ControlModifier}, "ab|x"},
        {"abcd|", {Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Z | Qt::ControlModifier}, "abcd|"},
        {"ab|",
         {Qt::Key_X, Qt::Key_Z | Qt::ControlModifier,
          QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)},
         "abx|"},
    };
    for (const auto& c : cases) {
        Set(QString::fromUtf8(c.Before));
        for (const QKeyCombination key : c.Keys)
            QTest::keyClick(V, key.key(), key.keyboardModifiers());
        EXPECT_EQ(Marked(), QString::fromUtf8(c.After)) << c.Before;
    }
}

TEST_F(View, TabIsTextOrMovesTheFocus) {
    QWidget other(&Host);
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    Set(QStringLiteral("a|"));
    QTest::keyClick(V, Qt::Key_Tab);
    EXPECT_EQ(Marked(), QStringLiteral("a\t|"));
    QKeyEvent backtab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier, QStringLiteral("\t"));
    QApplication::sendEvent(V, &backtab);
    EXPECT_EQ(Marked(), QStringLiteral("a\t|")); // Shift+Tab types nothing; the window may take it
    V->setFocus();
    V->setTabChangesFocus(true);
    QTest::keyClick(V, Qt::Key_Tab);
    EXPECT_EQ(Marked(), QStringLiteral("a\t|"));
    EXPECT_FALSE(V->hasFocus());
}

TEST_F(View, ThePointerPlacesSelectsWordsAndLines) {
    Set(QStringLiteral("|select name from people\nwhere id = 1"));
    QTest::mouseClick(V->viewport(), Qt::LeftButton, {}, At(8));
    EXPECT_EQ(Marked(), QStringLiteral("select n|ame from people\nwhere id = 1"));
    QTest::mouseClick(V->viewport(), Qt::LeftButton, Qt::ShiftModifier, At(14));
    EXPECT_EQ(Marked(), QStringLiteral("select n[ame fr]om people\nwhere id = 1"));

    QTest::mouseDClick(V->viewport(), Qt::LeftButton, {}, At(18));
    EXPECT_EQ(Marked(), QStringLiteral("select name from [people]\nwhere id = 1"));
    // A third click right after selects the whole line.
    QTest::mousePress(V->viewport(), Qt::LeftButton, {}, At(18));
    QTest::mouseRelease(V->viewport(), Qt::LeftButton, {}, At(18));
    EXPECT_EQ(V->textCursor().selectedText(),
              QStringLiteral("select name from people") + QChar::ParagraphSeparator);

    // A click inside the selection without moving only places the caret; dragging from there
    // selects, also onto the next line.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(V->viewport(), Qt::LeftButton, {}, At(2));
    EXPECT_EQ(Marked(), QStringLiteral("se|lect name from people\nwhere id = 1"));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mousePress(V->viewport(), Qt::LeftButton, {}, At(2));
    QMouseEvent move(QEvent::MouseMove, At(30), V->viewport()->mapToGlobal(At(30)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(V->viewport(), &move);
    QTest::mouseRelease(V->viewport(), Qt::LeftButton, {}, At(30));
    EXPECT_EQ(V->textCursor().selectionStart(), 2);
    EXPECT_EQ(V->textCursor().selectionEnd(), 30);
}

TEST_F(View, InputMethodsCommitReplaceAndSeeOnlyTheTextNearTheCaret) {
    Set(QStringLiteral("ab|"));
    QInputMethodEvent preedit(QStringLiteral("ni"), {});
    QApplication::sendEvent(V, &preedit);
    EXPECT_EQ(Marked(), QStringLiteral("ab|")); // composing is not text yet
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u4F60"), -1, 1); // replaces the "b" before the caret
    QApplication::sendEvent(V, &commit);
    EXPECT_EQ(Marked(), QStringLiteral("a\u4F60|"));

    Set(QString(200000, QLatin1Char('x')) + QLatin1Char('|') + QString(200000, QLatin1Char('y')));
    const QString around = V->inputMethodQuery(Qt::ImSurroundingText).toString();
    const int at = V->inputMethodQuery(Qt::ImCursorPosition).toInt();
    EXPECT_LE(around.size(), 2000);
    EXPECT_EQ(around.left(at).right(3), QStringLiteral("xxx"));
    EXPECT_EQ(around.mid(at, 3), QStringLiteral("yyy"));
}

TEST_F(View, ScrollRangesFollowTheLongestLineAndTheLineCount) {
    QString text;
    for (int i = 0; i < 1000; ++i)
        text += QStringLiteral("line %1\n").arg(i);
    V->setPlainText(text + QString(3000, QLatin1Char('w')));
    QApplication::processEvents();
    const int wide = V->horizontalScrollBar()->maximum();
    EXPECT_GT(wide, 3000 * 5);
    EXPECT_GT(V->verticalScrollBar()->maximum(), 950);

    V->moveCursor(QTextCursor::End);
    EXPECT_EQ(V->verticalScrollBar()->value(), V->verticalScrollBar()->maximum());
    EXPECT_GT(V->horizontalScrollBar()->value(), wide - 100);
    EXPECT_TRUE(V->viewport()->rect().contains(V->cursorRect()));

    // The long line shortened, then gone: the range shrinks with it.
    QTextCursor c = V->textCursor();
    c.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    c.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 10);
    c.removeSelectedText();
    EXPECT_LT(V->horizontalScrollBar()->maximum(), wide / 2);
    c.movePosition(QTextCursor::StartOfBlock);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    EXPECT_EQ(V->horizontalScrollBar()->maximum(), 0);
}

// Screen readers read the text, the caret and the selection through the accessibility interface,
// and can move them.
TEST_F(View, AssistiveToolsReadAndMoveTheCaretAndSelection) {
    Set(QStringLiteral("select 1\nfrom| dual"));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(V);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::EditableText);
    EXPECT_TRUE(a->state().multiLine);
    EXPECT_TRUE(a->state().editable);
    QAccessibleTextInterface* text = a->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 18);
    EXPECT_EQ(text->text(4, 13), QStringLiteral("ct 1\nfrom"));
    EXPECT_EQ(text->cursorPosition(), 13);
    text->setSelection(0, 2, 6);
    EXPECT_EQ(Marked(), QStringLiteral("se[lect] 1\nfrom dual"));
    EXPECT_EQ(text->selectionCount(), 1);
    text->setCursorPosition(9);
    EXPECT_EQ(Marked(), QStringLiteral("select 1\n|from dual"));
    EXPECT_EQ(text->offsetAtPoint(V->viewport()->mapToGlobal(At(11))), 11);
    V->setReadOnly(true);
    EXPECT_FALSE(a->state().editable);
}

// The segments of a long line are cut again only where it changed; after any run of edits every
// column must lie where it lies when the same text is measured afresh.
TEST_F(View, ALongLineEditedPiecewiseMeasuresAsTheSameTextAfresh) {
    QRandomGenerator random(11);
    const QString pieces[] = {QStringLiteral("select "),      QStringLiteral("\t"),
                              QStringLiteral("(1, 'a'), "),   QStringLiteral("x"),
                              QString(700, QLatin1Char('z')), QStringLiteral("\t\t")};
    QString line;
    while (line.size() < 20000)
        line += pieces[random.bounded(int(std::size(pieces)))];
    V->setPlainText(line);
    V->setTabStopDistance(40);
    TTextView fresh;
    fresh.setFont(V->font());
    fresh.setTabStopDistance(40);
    for (int round = 0; round < 60; ++round) {
        QTextCursor c(V->document());
        const int length = V->document()->characterCount() - 1;
        c.setPosition(random.bounded(length + 1));
        if (random.bounded(2))
            c.setPosition(std::min(length, c.position() + random.bounded(900)), QTextCursor::KeepAnchor);
        c.insertText(pieces[random.bounded(int(std::size(pieces)))].left(random.bounded(1, 12)));
        if (round % 10 != 9) continue;
        fresh.setPlainText(V->toPlainText());
        const QTextBlock a = V->document()->firstBlock();
        const QTextBlock b = fresh.document()->firstBlock();
        ASSERT_EQ(a.length(), b.length());
        for (int column = 0; column < a.length(); column += 37)
            ASSERT_NEAR(V->XOf(a, column), fresh.XOf(b, column), 0.01) << round << " " << column;
        ASSERT_NEAR(V->XOf(a, a.length() - 1), fresh.XOf(b, b.length() - 1), 0.01) << round;
    }
}

} // namespace
