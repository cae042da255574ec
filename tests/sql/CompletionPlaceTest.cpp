// What completion reads of the statement at the caret: the place, the typed prefix and where the
// replaced text begins, the qualifier, and the statement's tables with their aliases.

#include "sql/Completion.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using W = TCompletionPlace::TWants;

// `|` marks the caret.
TCompletionPlace At(std::string text) {
    const std::size_t caret = text.find('|');
    text.erase(caret, 1);
    return CompletionPlace(text, caret);
}

const char* Name(W w) {
    switch (w) {
    case W::Nothing:
        return "Nothing";
    case W::Keywords:
        return "Keywords";
    case W::Tables:
        return "Tables";
    case W::Databases:
        return "Databases";
    case W::Columns:
        return "Columns";
    case W::Members:
        return "Members";
    }
    return "?";
}

TEST(CompletionPlace, TellsWhatTheCaretsPlaceWants) {
    struct Case {
        const char* text;
        W wants;
        const char* prefix;
        const char* qualifier;
    };
    const Case cases[] = {
        {"SEL|", W::Keywords, "SEL", ""},
        {"|", W::Keywords, "", ""},
        {"SELECT * FROM cus|", W::Tables, "cus", ""},
        {"select * from shop.cus|", W::Members, "cus", "shop"},
        {"SELECT * FROM a JOIN |", W::Tables, "", ""},
        {"SELECT * FROM a, b|", W::Tables, "b", ""},
        {"UPDATE |", W::Tables, "", ""},
        {"INSERT INTO or| VALUES (1)", W::Tables, "or", ""},
        {"INSERT INTO orders (id, am|", W::Columns, "am", ""},
        {"DESCRIBE cu|", W::Tables, "cu", ""},
        {"DESC cu|", W::Tables, "cu", ""},
        {"TRUNCATE TABLE ord|", W::Tables, "ord", ""},
        {"use sh|", W::Databases, "sh", ""},
        {"SELECT na| FROM customers", W::Columns, "na", ""},
        {"SELECT c.| FROM shop.customers c", W::Members, "", "c"},
        {"SELECT `c`.na| FROM customers AS `c`", W::Members, "na", "c"},
        {"SELECT shop.customers.na| FROM shop.customers", W::Members, "na", "customers"},
        {"SELECT a FROM t WHERE b = 1 AND cu|", W::Columns, "cu", ""},
        {"SELECT a FROM t WHERE id IN (SELECT x FROM u WHERE y|", W::Columns, "y", ""},
        {"SELECT COUNT(na|", W::Columns, "na", ""},
        {"SELECT a FROM t GROUP BY a ORDER BY |", W::Columns, "", ""},
        {"UPDATE t SET am|", W::Columns, "am", ""},
        {"SELECT a FROM t |", W::Keywords, "", ""},
        {"SELECT a FROM t LIMIT 10|", W::Nothing, "", ""},
        {"SELECT 'FROM cus|'", W::Nothing, "", ""},
        {"SELECT a -- FROM cus|\n", W::Nothing, "", ""},
        {"SELECT a /* FROM cus| */", W::Nothing, "", ""},
        {"SELECT a # FROM cus|", W::Nothing, "", ""},
        {"SELECT a FROM /* the table */ cus|", W::Tables, "cus", ""},
        {"SELECT * FROM `my ta|", W::Tables, "my ta", ""},
        {"SELECT 'x' FROM cus|", W::Tables, "cus", ""},
    };
    for (const Case& c : cases) {
        const TCompletionPlace p = At(c.text);
        EXPECT_STREQ(Name(p.Wants), Name(c.wants)) << c.text;
        EXPECT_EQ(p.Prefix, c.prefix) << c.text;
        EXPECT_EQ(p.Qualifier, c.qualifier) << c.text;
    }
}

TEST(CompletionPlace, ReplacesFromTheNamesStartAndReadsTheStatementsTables) {
    // An opening backtick is part of what a candidate replaces; doubled ones stand for one.
    const std::string text = "SELECT * FROM `a``b";
    const TCompletionPlace quoted = CompletionPlace(text, text.size());
    EXPECT_EQ(quoted.Start, text.find('`'));
    EXPECT_EQ(quoted.Prefix, "a`b");

    const TCompletionPlace members = At("SELECT x.| FROM shop.x");
    EXPECT_EQ(members.Start, std::string("SELECT x.").size());
    EXPECT_FALSE(members.TablesOnly);
    EXPECT_TRUE(At("SELECT * FROM shop.|").TablesOnly);
    EXPECT_EQ(At("SELECT * FROM a.b.|").QualifierDatabase, "a");

    // Aliases with and without AS, quoted names, a database prefix, lists and joins; reserved
    // words after a table are not aliases, a subquery is not a table.
    const TCompletionPlace p =
        At("SELECT | FROM shop.customers AS c, `order items` oi JOIN products ON 1 LEFT JOIN t2 WHERE "
           "x IN (SELECT y FROM (SELECT 1) AS d)");
    const std::string expected[][3] = {
        {"shop", "customers", "c"}, {"", "order items", "oi"}, {"", "products", ""}, {"", "t2", ""}};
    ASSERT_EQ(p.Tables.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(p.Tables[i].Database, expected[i][0]) << i;
        EXPECT_EQ(p.Tables[i].Table, expected[i][1]) << i;
        EXPECT_EQ(p.Tables[i].Alias, expected[i][2]) << i;
    }
}

} // namespace
