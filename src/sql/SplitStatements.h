#pragma once
// Cuts the editor's text into the statements the Query command runs one after another.
//
// What hides a ";" from the cut, as the server reads it: "#" comments to the end of their line
// (CR LF), "-- " comments to the next LF, "/*" ... "*/" comments, and texts in '...', "..." and
// `...` (a doubled quote stands for itself; in the first two a backslash takes the next character
// as is). Comments stay inside the statements. The text after the last ";" is a statement of its
// own when it holds anything besides blanks, line breaks and comments; with no ";" at all the whole
// text is the one statement. The scan is linear in the text's length and never reads outside it.
//
// DELIMITER lines are read as the command-line client reads them: a line whose first word, outside
// quotes and comments, is DELIMITER (any letter case) ends the statement before it and makes the
// next word the delimiter (quotes around it taken off, the rest of the line ignored); until the
// next such line statements end at that delimiter and ";" is ordinary text. The line itself is
// never part of a statement.

#include <string>
#include <string_view>
#include <vector>

// A script cut into statements. A malformed DELIMITER line stops the cut: the statements before
// it are kept, and Error says what is wrong with the line that begins at ErrorAt.
struct TScriptCut {
    std::vector<std::string_view> Statements; // views into the text that was cut
    std::string Delimiter = ";";              // the delimiter in force at the end
    std::string Error;                        // empty when the whole text was cut
    std::size_t ErrorAt = 0;
    // Where the text after the last delimiter (or the last whole DELIMITER line) begins: a text
    // read in pieces keeps the bytes from here, which may still grow into a statement, for the next
    // piece. A DELIMITER line that the text ends in without a line break is not taken yet.
    std::size_t Rest = 0;
};

// How many bytes the cut reads at a time. It takes the widest way the processor has; tests choose
// each narrower way in turn so that all of them are checked on any machine (a way the processor
// lacks falls back to the next narrower one). Affects every cut in the process.
enum class ESplitReading { Widest, Sse2, Bytes };
void ChooseSplitReading(ESplitReading reading);

// Cuts Text, starting with `delimiter` in force.
TScriptCut CutScript(std::string_view Text, std::string_view delimiter = ";");

// Appends the statements of Text to List, in order (up to a malformed DELIMITER line).
void SplitStatements(std::vector<std::string>& List, std::string_view Text);

// The same cut, as views into Text (valid while Text's bytes live): no copy of the statements.
void SplitStatements(std::vector<std::string_view>& List, std::string_view Text);
