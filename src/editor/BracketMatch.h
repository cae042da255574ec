#pragma once
// The bracket beside the caret and its partner. The editor knows no language: what counts as code
// (as opposed to the inside of strings and comments, where brackets are text) is told by a code
// map that the editor's owner provides.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// Sets code[i] (code has text.size() entries, all 1) to 0 for each character of `text` that lies
// inside a string or a comment. The text starts outside both.
using TCodeMap = std::function<void(std::u16string_view text, std::vector<std::uint8_t>& code)>;

struct TBracketMatch {
    int At = -1;          // the bracket beside the caret; -1 when there is none
    int Partner = -1;     // its partner; -1 when the text holds none
    bool Forward = false; // an opening bracket, whose partner lies after it
};

// `caret` indexes a gap of `text`; the bracket before it is taken first, then the one after it.
// Brackets where `code` holds 0 are passed over; a null `code` counts every character as code.
// Only a partner of the same kind is looked for, counting the pairs of that kind between.
TBracketMatch MatchBracket(std::u16string_view text, int caret, const std::vector<std::uint8_t>* code);
