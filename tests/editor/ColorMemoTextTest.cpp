// The edit control's text, lines and selection as the workbench reads and sets them.

#include "editor/ColorMemo.h"

#include <gtest/gtest.h>

TEST(Editor, PositionsCountLineBreaksAsTwoCharacters) {
    TColorMemo memo;
    memo.SetText(QStringLiteral("ab\ncd\ref\r\n"));
    EXPECT_EQ(memo.Text(), QStringLiteral("ab\r\ncd\r\nef\r\n"));
    EXPECT_EQ(memo.Lines(), (QStringList{"ab", "cd", "ef", ""}));

    memo.SetSelStart(4); // before "c"
    EXPECT_EQ(memo.SelStart(), 4);
    EXPECT_EQ(memo.SelLength(), 0);
    memo.SetSelStart(3); // between CR and LF: the end of the first line
    EXPECT_EQ(memo.SelStart(), 2);

    memo.SetSelStart(1);
    memo.SetSelLength(4);
    EXPECT_EQ(memo.SelText(), QStringLiteral("b\r\nc"));
    EXPECT_EQ(memo.SelLength(), 4);
    memo.SetSelText(QStringLiteral("X"));
    EXPECT_EQ(memo.Text(), QStringLiteral("aXd\r\nef\r\n"));
    EXPECT_EQ(memo.SelStart(), 2); // the caret after the inserted text

    memo.SetSelStart(1000); // beyond the end: the end
    EXPECT_EQ(memo.SelStart(), memo.Text().size());

    memo.SetLines({});
    EXPECT_TRUE(memo.Lines().isEmpty());
    EXPECT_EQ(memo.Text(), QString());
}
