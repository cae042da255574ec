#pragma once
// Cuts the editor's text into the statements the Query command runs one after another.
//
// What hides a ";" from the cut, as the server reads it: "#" comments to the end of their line
// (CR LF), "-- " comments to the next LF, "/*" ... "*/" comments, and texts in '...', "..." and
// `...` (a doubled quote stands for itself; in the first two a backslash takes the next character
// as is). Comments stay inside the statements. The text after the last ";" is a statement of its
// own when it holds anything besides blanks, line breaks and comments; with no ";" at all the whole
// text is the one statement. The scan is linear in the text's length and never reads outside it.

#include <string>
#include <string_view>
#include <vector>

// Appends the statements of Text to List, in order.
void SplitStatements(std::vector<std::string>& List, std::string_view Text);

// The same cut, as views into Text (valid while Text's bytes live): no copy of the statements.
void SplitStatements(std::vector<std::string_view>& List, std::string_view Text);
