// The quoting of names in the tree menu's SELECT captions.

#include "sql/SqlNames.h"

#include <gtest/gtest.h>

TEST(SqlName, PlainIdentifiersStayBareEverythingElseIsQuoted) {
    for (const char* bare : {"orders", "Order_Lines", "a$b", "_x", "t1", "2fa", "orderly"})
        EXPECT_EQ(SqlName(QLatin1String(bare)), QLatin1String(bare));
    EXPECT_EQ(SqlName(QStringLiteral("order")), QStringLiteral("`order`"));
    EXPECT_EQ(SqlName(QStringLiteral("Select")), QStringLiteral("`Select`"));
    EXPECT_EQ(SqlName(QStringLiteral("my table")), QStringLiteral("`my table`"));
    EXPECT_EQ(SqlName(QStringLiteral("a`b")), QStringLiteral("`a``b`"));
    EXPECT_EQ(SqlName(QStringLiteral("a-b")), QStringLiteral("`a-b`"));
    EXPECT_EQ(SqlName(QStringLiteral("café")), QStringLiteral("`café`"));
    // Names the server would read as numbers.
    for (const char* number : {"123", "1e5", "2E", "0x1f", "0b101"})
        EXPECT_EQ(SqlName(QLatin1String(number)),
                  QLatin1Char('`') + QLatin1String(number) + QLatin1Char('`'));
}
