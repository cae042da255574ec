// The query editor of the main window as the user sees it: SQL typed into mmoIn, read back from
// the painted pixels (B blue words, T teal comments, R red operators, K the text's own colour).

#include "MemoPixels.h"
#include "WindowTestSupport.h"
#include "editor/ColorMemo.h"

#include <QScrollBar>
#include <QTest>

#include <cstdlib>

namespace {

class SqlEditor : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        TfrmMain& w = Open();
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        Memo = Ui(w).mmoIn;
    }
    // Types the text into an empty editor and returns what its first line looks like.
    std::string Typed(const char* text) {
        Memo->SetText(QString());
        QTest::keyClicks(Memo, QString::fromLatin1(text));
        return Seen(0);
    }
    std::string Seen(int line) {
        Memo->clearFocus(); // no caret in the picture
        return SeenLine(*Memo, line);
    }
    TColorMemo* Memo = nullptr;
};

TEST_F(SqlEditor, CarriesFourRulesAndTheQueryEditorSettings) {
    EXPECT_TRUE(Memo->WantTabs());
    EXPECT_TRUE(Memo->RedrawAlways());
    EXPECT_EQ(Memo->ColorLimMax(), 0);
    EXPECT_EQ(Memo->HotSpot(), THotSpot{});
    EXPECT_FALSE(Memo->OnDrawKey);
    EXPECT_EQ(Memo->Color(), clWindow);

    TDrawRules& rules = Memo->ColorRules();
    ASSERT_EQ(rules.Count(), 4);
    EXPECT_EQ(rules[0].KeyDrawingType, dtKeyShow);
    EXPECT_EQ(rules[0].Keywords().size(), 165u);
    EXPECT_EQ(rules[0].KeyCount(), 165u);
    EXPECT_EQ(rules[0].KeyMaxHeight, 1); // the scan starts at the first visible line
    EXPECT_EQ(rules[1].KeyDrawingType, dtBeginLineEnd);
    EXPECT_EQ(rules[2].KeyDrawingType, dtBeginEnd);
    EXPECT_EQ(rules[3].KeyCount(), 11u); // ';' is no key
    for (int i : {1, 2}) {
        EXPECT_EQ(rules[i].ZOrder, 1) << i;
        EXPECT_EQ(rules[i].DefKeyColor, clTeal) << i;
    }
    // The line-comment rule's '#' is in its marker table from the start.
    ASSERT_GT(rules[1].MarkerCount(), 0);
    EXPECT_EQ(rules[1].Markers()[0].BegMark, u"#");
}

TEST_F(SqlEditor, WordsCommentsAndOperatorsAsTheUserTypesThem) {
    // my_table: the listed word meets an underscore, which is no word character.
    EXPECT_EQ(Typed("SELECT * FROM my_table WHERE id = 1; # note"),
              "BBBBBB.R.BBBB.KKKBBBBB.BBBBB.KK.R.KK.T.TTTT");
    EXPECT_EQ(Typed("select count(*) from t /* all rows */"), "BBBBBB.BBBBBRRR.BBBB.K.TT.TTT.TTTT.TT");
    EXPECT_EQ(Typed("Insert Into t Values (1,2)"), "BBBBBB.BBBB.K.BBBBBB.RKRKR");
    EXPECT_EQ(Typed("selected counter dates @max int1 float8 int9"),
              "KKKKKKKK.KKKKKKK.KKKKK.KKKK.BBBB.BBBBBB.BBBK");
    // Quotes and '--' have no rule of their own.
    EXPECT_EQ(Typed("'from' -- x"), "KBBBBK.RR.K");
}

TEST_F(SqlEditor, ABlockCommentIsTealOnlyOnceItIsClosed) {
    EXPECT_EQ(Typed("a /* from"), "K.RR.BBBB");
    QTest::keyClick(Memo, Qt::Key_Return);
    QTest::keyClicks(Memo, "where */ b");
    EXPECT_EQ(Seen(0), "K.TT.TTTT");
    EXPECT_EQ(Seen(1), "TTTTT.TT.K");
    // '/*/' is a whole comment.
    EXPECT_EQ(Typed("x /*/ from"), "K.TTT.BBBB");
}

TEST_F(SqlEditor, ACommentOpenedAboveTheFirstVisibleLineIsNotTealBelowIt) {
    QStringList lines{QStringLiteral("/*")};
    for (int i = 0; i < 5; ++i)
        lines << QStringLiteral("select");
    lines << QStringLiteral("*/");
    for (int i = 0; i < 60; ++i)
        lines << QStringLiteral("x");
    Memo->SetLines(lines);
    EXPECT_EQ(Seen(3), "TTTTTT");
    EXPECT_EQ(Seen(6), "TT");
    Memo->verticalScrollBar()->setValue(3);
    ASSERT_EQ(Memo->FirstVisibleLine(), 3);
    EXPECT_EQ(Seen(3), "BBBBBB");
    EXPECT_EQ(Seen(6), "RR");
}

// Tabs split the coloured runs; what follows a tab still sits where the editor drew it.
TEST_F(SqlEditor, TypedTabsKeepTheColouredWordsInPlace) {
    Memo->SetText(QString());
    Memo->setFocus();
    QTest::keyClicks(Memo, "select");
    QTest::keyClick(Memo, Qt::Key_Tab);
    QTest::keyClicks(Memo, "x # a");
    QTest::keyClick(Memo, Qt::Key_Tab);
    QTest::keyClicks(Memo, "from");
    EXPECT_EQ(Memo->Text(), QStringLiteral("select\tx # a\tfrom"));
    EXPECT_EQ(Seen(0), "BBBBBB.K.T.T.TTTT");
}

// With KORVANA_SCREENSHOT naming a file, the window with some SQL in its editor is saved there,
// for a look by eye.
TEST_F(SqlEditor, Screenshot) {
    const char* file = std::getenv("KORVANA_SCREENSHOT");
    Memo->SetText(QString());
    // Typed as a user types it: Enter keeps the line's indentation, a Backspace takes a blank off.
    QTest::keyClicks(Memo, "# orders of the last week\r"
                           "SELECT o.id, o.total, c.name\r"
                           "  FROM orders o LEFT JOIN customers c ON c.id = o.customer_id\r"
                           "\bWHERE o.created > NOW() - INTERVAL 7 DAY /* see the report */\r"
                           "ORDER BY o.total DESC LIMIT 10;\r"
                           "\b\r"
                           "update stock set qty = qty - 1 where item = 'bolt';\r");
    EXPECT_TRUE(Memo->Text().contains(QStringLiteral("\r\n WHERE o.created")));
    EXPECT_TRUE(Memo->Text().contains(QStringLiteral("\r\n ORDER BY o.total DESC LIMIT 10;\r\n\r\nupdate")));
    Memo->clearFocus();
    EXPECT_EQ(SeenLine(*Memo, 4).substr(0, 9), ".BBBBB.BB");
    if (file) {
        ASSERT_TRUE(Window->grab().save(QString::fromLocal8Bit(file)));
    }
}

} // namespace
