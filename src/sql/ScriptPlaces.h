#pragma once
// Places in a cut script: the statement at the caret, where a statement's text begins and where
// its lines begin, and the line a server's error message names. Offsets are bytes of the text
// that was cut.

#include "sql/SplitStatements.h"

#include <cstddef>
#include <string_view>

inline constexpr std::size_t NoStatement = static_cast<std::size_t>(-1);

// The index of the statement of `cut` (cut from `text`) that the caret at `offset` is in: between
// the delimiters around it. At a delimiter, on the blanks after one or on a DELIMITER line, it is
// the statement before; before the first statement's text, the first. NoStatement when the cut
// holds none.
std::size_t StatementAt(const TScriptCut& cut, std::string_view text, std::size_t offset);

// The statement without the blanks and line breaks before it: what a user would call its text.
std::string_view StatementBody(std::string_view statement);

// Where line `line` (from 1) of `text` begins; NoStatement when the text has fewer lines. The
// server counts the lines of a statement from its first byte after the blanks, its StatementBody.
std::size_t LineStart(std::string_view statement, int line);

// The line a server's error message names ("... at line 3"), or 0 when it names none.
int ErrorLine(std::string_view message);
