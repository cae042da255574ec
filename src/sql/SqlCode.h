#pragma once
// Which characters of SQL text are code, for the editor's bracket matching: not the inside of
// '...', "..." and `...` texts (a doubled quote stands for itself; in the first two a backslash
// takes the next character as is), nor "#" and "-- " comments to the end of their line, nor "/*"
// ... "*/" comments, as the server reads them. A text or comment left open runs to the end.

#include <cstdint>
#include <string_view>
#include <vector>

// Sets code[i] to 0 for each character of `text` inside a text or comment, quotes and comment
// marks included; leaves the others. `code` has text.size() entries; `text` starts outside both
// and separates lines with LF.
void MarkSqlCode(std::u16string_view text, std::vector<std::uint8_t>& code);
