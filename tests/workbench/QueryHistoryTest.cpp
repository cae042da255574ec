#include "workbench/controllers/QueryHistory.h"

#include <gtest/gtest.h>

namespace {

QStringList Lines(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char('\n'));
}

TEST(QueryHistory, StartsEmptyWithBothButtonsOff) {
    TQueryHistory h;
    EXPECT_EQ(h.Count(), 0);
    EXPECT_EQ(h.Index(), 0);
    EXPECT_FALSE(h.PreviousEnabled());
    EXPECT_FALSE(h.NextEnabled());
    EXPECT_EQ(h.Previous(), nullptr);
    EXPECT_EQ(h.Next(), nullptr);
    EXPECT_EQ(h.Index(), 0);
}

TEST(QueryHistory, PreviousAfterTheFirstRunShowsItAndEndsThere) {
    TQueryHistory h;
    h.Add(Lines("SELECT 1"));
    EXPECT_EQ(h.Index(), 1);
    EXPECT_TRUE(h.PreviousEnabled());
    EXPECT_FALSE(h.NextEnabled());

    const QStringList* shown = h.Previous();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(*shown, Lines("SELECT 1"));
    EXPECT_EQ(h.Index(), 0);
    EXPECT_FALSE(h.PreviousEnabled());
    EXPECT_FALSE(h.NextEnabled());
    EXPECT_EQ(h.Previous(), nullptr); // out of range is refused, the index stays
    EXPECT_EQ(h.Index(), 0);
}

TEST(QueryHistory, SteppingBackAndForthKeepsTheIndexInRange) {
    TQueryHistory h;
    h.Add(Lines("a"));
    h.Add(Lines("b"));
    h.Add(Lines("c"));
    EXPECT_EQ(h.Index(), 3);

    EXPECT_EQ(*h.Previous(), Lines("c"));
    EXPECT_TRUE(h.PreviousEnabled());
    EXPECT_FALSE(h.NextEnabled());
    EXPECT_EQ(*h.Previous(), Lines("b"));
    EXPECT_TRUE(h.NextEnabled());
    EXPECT_EQ(*h.Previous(), Lines("a"));
    EXPECT_FALSE(h.PreviousEnabled());
    EXPECT_TRUE(h.NextEnabled());
    EXPECT_EQ(*h.Next(), Lines("b"));
    EXPECT_EQ(*h.Next(), Lines("c"));
    EXPECT_EQ(h.Index(), 2);
    EXPECT_FALSE(h.NextEnabled());
    EXPECT_EQ(h.Next(), nullptr);

    // A new run from the middle appends and moves one past the end again; duplicates are kept.
    h.Previous();
    h.Add(Lines("b"));
    EXPECT_EQ(h.Count(), 4);
    EXPECT_EQ(h.Index(), 4);
    EXPECT_TRUE(h.PreviousEnabled());
    EXPECT_FALSE(h.NextEnabled());
    EXPECT_EQ(*h.Previous(), Lines("b"));
}

TEST(QueryHistory, RecallLeavesIndexAndButtonsAlone) {
    TQueryHistory h;
    h.Add(Lines("first"));
    h.Add(Lines("second"));
    h.Add(Lines("third"));
    h.Previous(); // index 2
    ASSERT_EQ(h.Index(), 2);

    const QStringList* recalled = h.Recall(0);
    ASSERT_NE(recalled, nullptr);
    EXPECT_EQ(*recalled, Lines("first"));
    EXPECT_EQ(h.Index(), 2);
    EXPECT_TRUE(h.PreviousEnabled());
    EXPECT_FALSE(h.NextEnabled());
    EXPECT_EQ(h.Recall(3), nullptr);
    EXPECT_EQ(h.Recall(-1), nullptr);

    // Previous steps back from where Previous left it, not from the recalled item.
    EXPECT_EQ(*h.Previous(), Lines("second"));
}

TEST(QueryHistory, EntriesAreCopies) {
    TQueryHistory h;
    QStringList editor = Lines("SELECT 1");
    h.Add(editor);
    editor[0] = QStringLiteral("changed");
    EXPECT_EQ(h.Entry(0), Lines("SELECT 1"));
}

TEST(QueryHistory, ItemTexts) {
    EXPECT_EQ(TQueryHistory::ItemText(Lines("SELECT 1")), QStringLiteral("SELECT 1  "));
    // Every line, the last included, is followed by CR LF, shown as blanks; cut at 27 characters.
    EXPECT_EQ(TQueryHistory::ItemText(Lines("SELECT *\nFROM orders\nWHERE id = 1")),
              QStringLiteral("SELECT *  FROM orders  WHER"));
    EXPECT_EQ(TQueryHistory::ItemText(Lines("SELECT a_rather_long_column_name FROM t")),
              QStringLiteral("SELECT a_rather_long_column"));
    EXPECT_EQ(TQueryHistory::ItemText(Lines("123456789012345678901234")),
              QStringLiteral("123456789012345678901234  "));
    EXPECT_EQ(TQueryHistory::ItemText(Lines("1234567890123456789012345")),
              QStringLiteral("1234567890123456789012345  "));
    EXPECT_EQ(TQueryHistory::ItemText(Lines("12345678901234567890123456")),
              QStringLiteral("12345678901234567890123456 "));
    EXPECT_EQ(TQueryHistory::ItemText(Lines("\n\n")), QStringLiteral("      "));
    // An empty editor has no lines and gives an empty item.
    EXPECT_EQ(TQueryHistory::ItemText(QStringList()), QString());
    // Non-ASCII text counts in characters, and a character is never cut in half.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    const QString text = QString(26, QLatin1Char('x')) + emoji;
    EXPECT_EQ(TQueryHistory::ItemText({text}), QString(26, QLatin1Char('x')));

    TQueryHistory h;
    h.Add(Lines("SELECT 1"));
    h.Add(QStringList());
    h.Add(Lines("SELECT 2"));
    EXPECT_EQ(h.ItemTexts(), (QStringList{"SELECT 1  ", "", "SELECT 2  "}));
}

} // namespace
