#pragma once
// Cuts the editor's text into the statements the Query command runs one after another.
//
// The scan knows only three things: "#" comments to the end of their line (CR LF), "/*" ... "*/"
// comments, and ";" ending a statement. Quotes and "--" comments are not recognised, and comments
// stay inside the statements. The text after the last ";" is dropped, unless no statement was
// found at all: then the whole text is the one statement. The scan is linear in the text's length
// and never reads outside it.

#include <string>
#include <string_view>
#include <vector>

// Appends the statements of Text to List, in order.
void SplitStatements(std::vector<std::string>& List, std::string_view Text);

// The same cut, as views into Text (valid while Text's bytes live): no copy of the statements.
void SplitStatements(std::vector<std::string_view>& List, std::string_view Text);
