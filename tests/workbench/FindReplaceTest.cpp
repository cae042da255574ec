// Find and replace, the line numbers and the bracket boxes of the query editor, by real key presses
// and clicks on the real main window.

#include "MemoPixels.h"
#include "WindowTestSupport.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "workbench/window/FindBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

class FindReplaceTest : public EditorWindowTest {
protected:
    TFindBar* Bar() const { return Ui(*Window).FindBar; }
    QLineEdit* FindText() const { return Ui(*Window).txtFind; }
    QString Note() const { return Bar()->lblFindNote->text(); }
    // The selection as (document position, length).
    std::pair<int, int> Selected() const {
        const QTextCursor c = Memo()->textCursor();
        return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
    }
    void Caret(int pos) {
        QTextCursor c = Memo()->textCursor();
        c.setPosition(pos);
        Memo()->setTextCursor(c);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
    }
    void Search(const QString& what) {
        FindText()->selectAll();
        QTest::keyClicks(FindText(), what);
    }
};

TEST_F(FindReplaceTest, FindsWithEachOptionAndGoesRoundTheEnds) {
    EXPECT_EQ(Item("mnuFind")->text(), QStringLiteral("&Find\u2026"));
    EXPECT_EQ(Item("mnuReplace")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    EXPECT_EQ(Item("mnuFindPrevious")->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    EXPECT_TRUE(Bar()->isHidden());
    // Positions: Name 7, name_2 13, FROM 20, NAME 35, from 40.
    Memo()->SetText(QStringLiteral("select Name, name_2 FROM t;\nSELECT NAME from u;"));
    Caret(9);
    // Ctrl+F takes the word at the caret and finds from the caret on, in any letter case.
    Key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(Bar()->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), FindText());
    EXPECT_EQ(FindText()->text(), QStringLiteral("Name"));
    EXPECT_FALSE(Bar()->ReplaceShown());
    Key(Qt::Key_Return);
    EXPECT_EQ(Selected(), std::make_pair(13, 4));
    Key(Qt::Key_Return);
    EXPECT_EQ(Selected(), std::make_pair(35, 4));
    EXPECT_EQ(Note(), QString());
    Key(Qt::Key_Return);
    EXPECT_EQ(Selected(), std::make_pair(7, 4));
    EXPECT_EQ(Note(), QStringLiteral("Passed the end; continued from the top"));
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), std::make_pair(35, 4));
    EXPECT_EQ(Note(), QStringLiteral("Passed the top; continued from the bottom"));

    // F3 and Shift+F3 from the editor, with a whole word in its letter case only.
    Ui(*Window).chkWholeWord->setChecked(true);
    Ui(*Window).chkMatchCase->setChecked(true);
    Memo()->setFocus();
    Key(Qt::Key_F3);
    EXPECT_EQ(Selected(), std::make_pair(7, 4));
    Key(Qt::Key_F3);
    EXPECT_EQ(Selected(), std::make_pair(7, 4)) << "the only match";
    EXPECT_EQ(Note(), QStringLiteral("Passed the end; continued from the top"));
    Ui(*Window).chkMatchCase->setChecked(false);
    Key(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), std::make_pair(35, 4)) << "name_2 is no whole word";

    // Ctrl+F again from the editor takes its selection.
    Caret(20);
    QTest::keyClick(Memo(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(Memo(), Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(FindText()->text(), QStringLiteral("FR"));
    EXPECT_EQ(FindText()->selectedText(), QStringLiteral("FR"));

    // Regular expressions, a bad one among them: said in the bar, and nothing moves.
    Ui(*Window).chkWholeWord->setChecked(false);
    Ui(*Window).chkRegExp->setChecked(true);
    Search(QStringLiteral("n(a"));
    EXPECT_TRUE(Note().startsWith(QStringLiteral("Bad regular expression: "))) << Note().toStdString();
    const auto before = Selected();
    Key(Qt::Key_Return);
    EXPECT_EQ(Selected(), before);
    Search(QStringLiteral("N\\w+_\\d"));
    EXPECT_EQ(Note(), QString());
    Key(Qt::Key_Return);
    EXPECT_EQ(Selected(), std::make_pair(13, 6));
    // Empty matches: each F3 goes on to the next line's start and round, never stays.
    Search(QStringLiteral("^"));
    Caret(0);
    Key(Qt::Key_F3);
    EXPECT_EQ(Selected(), std::make_pair(28, 0));
    Key(Qt::Key_F3);
    EXPECT_EQ(Selected(), std::make_pair(0, 0));
    EXPECT_EQ(Note(), QStringLiteral("Passed the end; continued from the top"));
    Search(QStringLiteral("zebra"));
    Key(Qt::Key_Return);
    EXPECT_EQ(Note(), QStringLiteral("No match"));

    // The matches in view are washed over the text while the bar is open, and only then.
    Search(QStringLiteral("from"));
    Memo()->clearFocus();
    const QRect from = CharRect(*Memo(), Memo()->ToTextPos(41));
    const QRgb washed = Shot(*Memo()).pixel(from.left() + 1, from.bottom() - 1);
    EXPECT_GT(qRed(washed), qBlue(washed) + 60) << "an amber wash";
    // Esc closes the bar from whichever of its controls has the focus; the editor has it again.
    Ui(*Window).chkRegExp->setFocus();
    Key(Qt::Key_Escape);
    EXPECT_TRUE(Bar()->isHidden());
    EXPECT_EQ(QApplication::focusWidget(), Memo());
    Memo()->clearFocus();
    const QRgb plain = Shot(*Memo()).pixel(from.left() + 1, from.bottom() - 1);
    EXPECT_EQ(qRed(plain), qBlue(plain));
}

TEST_F(FindReplaceTest, ReplacesOneOrAllAndUndoBringsTheTextBack) {
    const QString text = QStringLiteral("a1 b22 a333\nbaaac");
    Memo()->SetText(text);
    Caret(0);
    Key(Qt::Key_H, Qt::ControlModifier);
    ASSERT_TRUE(Bar()->ReplaceShown());
    // The bar fits the window as designed; it never makes the window wider.
    EXPECT_LE(Window->minimumSizeHint().width(), TfrmMain::DesignClientWidth);
    Ui(*Window).chkRegExp->setChecked(true);
    Search(QStringLiteral("([a-z])(\\d+)"));
    QTest::keyClicks(Ui(*Window).txtReplace, QStringLiteral("\\2\\1"));
    // The first Replace finds a match to replace; the next replaces it and finds the next.
    QTest::mouseClick(Ui(*Window).btnReplace, Qt::LeftButton);
    EXPECT_EQ(Memo()->toPlainText(), text);
    EXPECT_EQ(Selected(), std::make_pair(0, 2));
    Ui(*Window).txtReplace->setFocus();
    Key(Qt::Key_Return); // Enter in txtReplace replaces
    EXPECT_EQ(Memo()->toPlainText(), QStringLiteral("1a b22 a333\nbaaac"));
    EXPECT_EQ(Selected(), std::make_pair(3, 3));
    QTest::mouseClick(Ui(*Window).btnReplaceAll, Qt::LeftButton);
    EXPECT_EQ(Memo()->toPlainText(), QStringLiteral("1a 22b 333a\nbaaac"));
    EXPECT_EQ(Note(), QStringLiteral("Replaced 2"));
    // Empty matches end too, and a replacement may break lines.
    Search(QStringLiteral("a*"));
    Ui(*Window).txtReplace->setText(QStringLiteral("-"));
    QTest::mouseClick(Ui(*Window).btnReplaceAll, Qt::LeftButton);
    EXPECT_EQ(Memo()->toPlainText(), QStringLiteral("-1-- -2-2-b- -3-3-3--\n-b--c-"));
    EXPECT_EQ(Note(), QStringLiteral("Replaced 16"));
    Search(QStringLiteral(" "));
    Ui(*Window).txtReplace->setText(QStringLiteral("\\n"));
    QTest::mouseClick(Ui(*Window).btnReplaceAll, Qt::LeftButton);
    EXPECT_EQ(Memo()->toPlainText(), QStringLiteral("-1--\n-2-2-b-\n-3-3-3--\n-b--c-"));
    EXPECT_EQ(Note(), QStringLiteral("Replaced 2"));
    Ui(*Window).txtReplace->setFocus();
    Key(Qt::Key_Escape);
    EXPECT_TRUE(Bar()->isHidden());
    ASSERT_EQ(QApplication::focusWidget(), Memo());
    // Each Replace all is one step back.
    for (const QString& was :
         {QStringLiteral("-1-- -2-2-b- -3-3-3--\n-b--c-"), QStringLiteral("1a 22b 333a\nbaaac"),
          QStringLiteral("1a b22 a333\nbaaac"), text}) {
        Key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Memo()->toPlainText(), was);
    }
}

TEST_F(FindReplaceTest, LineNumbersShowByDefaultAndWidenWithTheLineCount) {
    QAction* item = Item("mnuLineNumbers");
    ASSERT_TRUE(item->isCheckable());
    EXPECT_TRUE(item->isChecked());
    ASSERT_TRUE(Memo()->LineNumbers());
    QWidget* gutter = Memo()->findChild<QWidget*>(QStringLiteral("Gutter"));
    ASSERT_NE(gutter, nullptr);
    EXPECT_TRUE(gutter->isVisible());
    const int twoDigits = Memo()->GutterWidth();
    EXPECT_GT(twoDigits, 0);
    EXPECT_GE(Memo()->viewport()->x(), twoDigits) << "the text starts right of the numbers";
    EXPECT_EQ(gutter->width(), twoDigits);
    Memo()->SetText(QString(98, QLatin1Char('\n')));
    EXPECT_EQ(Memo()->GutterWidth(), twoDigits);
    QTest::keyClick(Memo(), Qt::Key_Return); // the hundredth line
    const int threeDigits = Memo()->GutterWidth();
    EXPECT_GT(threeDigits, twoDigits);
    EXPECT_EQ(gutter->width(), threeDigits);
    EXPECT_GE(Memo()->viewport()->x(), threeDigits);
    QTest::keyClick(Memo(), Qt::Key_Backspace);
    EXPECT_EQ(Memo()->GutterWidth(), twoDigits);

    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(Memo()->LineNumbers());
    EXPECT_EQ(Memo()->GutterWidth(), 0);
    EXPECT_EQ(Memo()->findChild<QWidget*>(QStringLiteral("Gutter")), nullptr);
    EXPECT_LT(Memo()->viewport()->x(), twoDigits);
    item->trigger();
    EXPECT_TRUE(Memo()->LineNumbers());
    EXPECT_EQ(Memo()->GutterWidth(), twoDigits);
}

TEST_F(FindReplaceTest, TheLineNumbersChoiceIsKeptForTheNextStart) {
    const auto stored = [&]() -> std::optional<int> {
        ReloadStore();
        TRegistry reg(Store());
        if (!reg.OpenKey("\\Software\\Tarnvale\\Korvana", false) || !reg.ValueExists("lineNumbers"))
            return std::nullopt;
        return reg.ReadInteger("lineNumbers");
    };
    // A run that leaves them as they were writes nothing of them.
    Ui(*Window).Tree->AddHostNode(std::make_unique<TMySql>());
    Close();
    EXPECT_EQ(stored(), std::nullopt);
    Open();
    EXPECT_TRUE(Item("mnuLineNumbers")->isChecked());
    Item("mnuLineNumbers")->trigger();
    Close();
    EXPECT_EQ(stored(), 0);
    Open();
    EXPECT_FALSE(Item("mnuLineNumbers")->isChecked());
    EXPECT_FALSE(Ui(*Window).mmoIn->LineNumbers());
    Item("mnuLineNumbers")->trigger();
    EXPECT_TRUE(Ui(*Window).mmoIn->LineNumbers());
    Close();
    EXPECT_EQ(stored(), 1);
}

TEST_F(FindReplaceTest, BoxesTheBracketBesideTheCaretAndItsPartnerOutsideStrings) {
    // ( at 7, ')' in a string at 12, ( b ) at 16 and 18, the partner at 19, a ( in a comment at 23.
    Memo()->SetText(QStringLiteral("SELECT (a, ')', (b)) # (\n((x)"));
    const auto shown = [&](int caret) {
        Caret(caret);
        const TBracketMatch m = Memo()->ShownBrackets();
        return std::make_pair(m.At, m.Partner);
    };
    EXPECT_EQ(shown(8), std::make_pair(7, 19));   // after the bracket
    EXPECT_EQ(shown(20), std::make_pair(19, 7));  // a closing one
    EXPECT_EQ(shown(16), std::make_pair(16, 18)); // before the bracket
    EXPECT_EQ(shown(13), std::make_pair(-1, -1)) << "in a string";
    EXPECT_EQ(shown(24), std::make_pair(-1, -1)) << "in a comment";
    EXPECT_EQ(shown(3), std::make_pair(-1, -1));
    EXPECT_EQ(shown(26), std::make_pair(25, -1)) << "unmatched";

    // Boxed on the screen: the partner's cell has the box's top edge, in red for one unmatched.
    const auto top = [&](int pos) {
        const QRect r = CharRect(*Memo(), Memo()->ToTextPos(pos));
        return Ink(Shot(*Memo()), QRect(r.left(), r.top(), r.width(), 1));
    };
    Caret(8);
    EXPECT_EQ(top(19), 'B');
    EXPECT_EQ(top(17), '.');
    Caret(26);
    EXPECT_EQ(top(25), 'R');
}

} // namespace
