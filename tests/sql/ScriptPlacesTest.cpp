// Places in a cut script: which statement a caret is in, where lines begin, the line an error
// names.

#include "sql/ScriptPlaces.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The statement at the '|' of `marked`, as its text without the blanks before it.
std::string AtCaret(std::string marked) {
    const std::size_t caret = marked.find('|');
    marked.erase(caret, 1);
    const TScriptCut cut = CutScript(marked);
    const std::size_t at = StatementAt(cut, marked, caret);
    return at == NoStatement ? "<none>" : std::string(StatementBody(cut.Statements[at]));
}

TEST(ScriptPlacesTest, StatementAtTheCaret) {
    struct TCase {
        const char* Marked;
        const char* Statement;
    } cases[] = {
        {"|SELECT 1; SELECT 2", "SELECT 1"},
        {"SELECT 1|; SELECT 2", "SELECT 1"},
        {"SELECT 1;| SELECT 2", "SELECT 1"},
        {"SELECT 1; |SELECT 2", "SELECT 2"},
        {"SELECT 1;\r\n|\r\nSELECT 2;\r\n", "SELECT 1"},
        {"SELECT 1;\r\nSELECT 2;\r\n|", "SELECT 2"},
        {"  |  SELECT 1; SELECT 2", "SELECT 1"},
        {"SELECT 1; -- note|\nSELECT 2", "-- note\nSELECT 2"},
        {"SELECT ';|'; SELECT 2", "SELECT ';'"},
        // DELIMITER lines belong to no statement: the caret on one means the statement before.
        {"SELECT 1;\nDELIMITER $$\nCREATE PROCEDURE p() BEGIN SELECT 1; |END$$\nDELIMITER ;\nSELECT 3",
         "CREATE PROCEDURE p() BEGIN SELECT 1; END"},
        {"SELECT 1;\nDELI|MITER $$\nSELECT 2$$", "SELECT 1"},
        {"|", ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(AtCaret(c.Marked), c.Statement) << c.Marked;
    EXPECT_EQ(StatementAt(TScriptCut{}, "", 0), NoStatement);
}

TEST(ScriptPlacesTest, LinesAndTheLineAnErrorNames) {
    const std::string_view text = "a\nbb\r\n\nccc";
    EXPECT_EQ(LineStart(text, 1), 0U);
    EXPECT_EQ(LineStart(text, 2), 2U);
    EXPECT_EQ(LineStart(text, 3), 6U);
    EXPECT_EQ(LineStart(text, 4), 7U);
    EXPECT_EQ(LineStart(text, 5), NoStatement);
    EXPECT_EQ(LineStart(text, 0), NoStatement);

    EXPECT_EQ(ErrorLine("You have an error in your SQL syntax; check the manual that corresponds to your "
                        "MariaDB server version for the right syntax to use near 'x' at line 12"),
              12);
    // The last mention counts: a quoted part of the statement may hold the words too.
    EXPECT_EQ(ErrorLine("near 'at line 9' at line 2"), 2);
    EXPECT_EQ(ErrorLine("Table 'a.b' doesn't exist"), 0);
    EXPECT_EQ(ErrorLine("at line "), 0);
    EXPECT_EQ(ErrorLine("at line -3"), 0);
}

} // namespace
